#pragma once

#include <QPoint>
#include <QRect>

// Where start-up puts the main window: centred across the screen by its outer
// width (title bar and borders included), and 1350 twips above the vertical
// centre by the compact view's outer height. Not clamped: on a screen of 8480
// twips or less the top edge comes out zero or negative and is used as it is.
namespace StartUpPlacement {

inline constexpr int AboveCentreTwips = 1350;
// The compact view's outer height, title bar and borders included.
inline constexpr int CompactOuterHeightTwips = 5780;

// All in pixels: the screen's geometry, the window's outer size and the
// distance above the centre; halves go to the nearest whole pixel.
[[nodiscard]] inline QPoint topLeft(QRect screen, int outerWidth, int outerHeight, int aboveCentre)
{
    return {screen.x() + qRound((screen.width() - outerWidth) / 2.0),
            screen.y() + qRound((screen.height() - outerHeight) / 2.0) - aboveCentre};
}

} // namespace StartUpPlacement
