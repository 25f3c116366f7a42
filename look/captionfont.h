#pragma once

#include <QFont>

class QWidget;

// The captions of the program's windows. They were laid out for a face with
// the metrics of Arial, which is taken where the machine has one; with any
// other face a caption that would not fit its control is drawn smaller.
namespace CaptionFont {

// `base` in the preferred face at `points`.
[[nodiscard]] QFont face(const QFont &base, qreal points, bool bold = true);

// The pixels of `control`'s width that its caption may take: a button's face
// less its frame, an option's width less its circle, a label's contents.
[[nodiscard]] int room(const QWidget *control);

// The largest size up to `font`'s at which `caption` fits `room` pixels,
// measured as `control` draws it.
[[nodiscard]] QFont fitting(QFont font, const QString &caption, int room, const QWidget *control);

// Gives `control` the caption face at `points`, smaller if its caption needs it.
void apply(QWidget *control, qreal points, bool bold = true);

} // namespace CaptionFont
