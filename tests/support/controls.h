#pragma once

#include <QAbstractButton>
#include <QString>
#include <QStringList>

// Finds a window's buttons as a user does: by the caption shown on them and,
// where captions repeat (the main window's "On" and "Off"), by the title of
// the group they sit in. The main window's arrow buttons show a picture
// instead of a caption; they go by where they point: "Up", "Down", "Left" or
// "Right". A button that is not there, or not there once, ends the test with
// a message naming it.
namespace Controls {

// The button captioned `caption` in the group titled `group` (a frame with
// that title, or a group box); with no group, the only one of `window` that
// shows `caption`.
[[nodiscard]] QAbstractButton *control(const QWidget &window, const QString &group, const QString &caption);
// The same in one string, "Power: On", or the caption alone, "Status": a
// button as a row of test data names it.
[[nodiscard]] QAbstractButton *control(const QWidget &window, const QString &button);

// The option button checked among those captioned `captions`; their captions
// in the order given.
[[nodiscard]] QStringList checked(const QWidget &window, const QStringList &captions);

} // namespace Controls
