#pragma once

#include <QRect>

// The windows are laid out in twips, 1/1440 inch: 15 twips make one
// device-independent pixel, and Qt's high-DPI scaling does the rest.
namespace Twips {

inline constexpr int PerPixel = 15;

[[nodiscard]] constexpr int pixels(int twips) { return (twips * 2 + PerPixel) / (2 * PerPixel); }
[[nodiscard]] constexpr QRect pixels(QRect twips)
{
    return QRect(pixels(twips.x()), pixels(twips.y()), pixels(twips.width()),
                 pixels(twips.height()));
}

} // namespace Twips
