#pragma once

#include "panel/paneltable.h"

#include <QIcon>
#include <QImage>

// The 17 x 9 pixel arrow pictures of the hold buttons: a black triangle on a
// yellow field.
namespace ArrowPicture {

inline constexpr int Width = 17;
inline constexpr int Height = 9;

[[nodiscard]] QImage image(PanelTable::Arrow arrow);
// The picture at 1x, 2x and 3x, enlarged pixel by pixel so it stays sharp.
[[nodiscard]] QIcon icon(PanelTable::Arrow arrow);

} // namespace ArrowPicture
