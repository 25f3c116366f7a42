#pragma once

#include <QByteArray>
#include <QString>
#include <QStringView>

// How catalogue entries and the command list window's edit box become command
// texts and frames.
namespace Catalogue {

// Stands for the carriage return that ends every frame.
inline constexpr QLatin1StringView CrMarker{"[CR]"};
// Stands for a digit that is filled in before the command is sent.
inline constexpr QChar Placeholder{u'%'};

// Everything before the first "[" (all of `text` when it has none).
[[nodiscard]] QStringView commandText(QStringView text);

// The frame SEND puts out for the edit box's `text`: its command text and one
// CR, nothing trimmed or checked, so an empty box or a leading "[" gives a
// lone CR. Each character goes out as one byte; one beyond Latin-1 as "?".
[[nodiscard]] QByteArray preparedFrame(QStringView text);

// What the edit box shows for a command text: the text and the CR marker.
[[nodiscard]] QString editText(QStringView commandText);

} // namespace Catalogue
