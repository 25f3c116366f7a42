#include "panel/arrowpicture.h"

#include <QPixmap>

#include <array>

namespace ArrowPicture {
namespace {

constexpr QRgb Field = qRgb(255, 255, 0);
constexpr QRgb Ink = qRgb(0, 0, 0);

// Black pixels per row of the right arrow, counted from the left edge.
constexpr std::array<int, Height> rightArrowRows{5, 9, 12, 15, 17, 15, 12, 9, 5};

} // namespace

QImage image(PanelTable::Arrow arrow)
{
    QImage picture(Width, Height, QImage::Format_RGB32);
    picture.fill(Field);
    for (int row = 0; row < Height; ++row) {
        for (int x = 0; x < Width; ++x) {
            bool black = false;
            switch (arrow) {
            case PanelTable::Arrow::Up:  // rows of 1, 3, ... 17, centred
                black = qAbs(x - Width / 2) <= row;
                break;
            case PanelTable::Arrow::Down:
                black = qAbs(x - Width / 2) <= Height - 1 - row;
                break;
            case PanelTable::Arrow::Right:
                black = x < rightArrowRows[size_t(row)];
                break;
            case PanelTable::Arrow::Left:
                black = Width - 1 - x < rightArrowRows[size_t(row)];
                break;
            case PanelTable::Arrow::None:
                break;
            }
            if (black)
                picture.setPixel(x, row, Ink);
        }
    }
    return picture;
}

QIcon icon(PanelTable::Arrow arrow)
{
    const QImage base = image(arrow);
    QIcon result;
    for (int scale = 1; scale <= 3; ++scale) {
        QPixmap pixmap = QPixmap::fromImage(
            base.scaled(Width * scale, Height * scale, Qt::IgnoreAspectRatio, Qt::FastTransformation));
        pixmap.setDevicePixelRatio(scale);
        result.addPixmap(pixmap);
    }
    return result;
}

} // namespace ArrowPicture
