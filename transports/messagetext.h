#pragma once

#include <QString>
#include <QStringView>

// Texts from outside (a port's name, a frame) as messages quote them: in
// double quotes, control characters written as C escapes ("\r", "\0",
// "\x1b"), so a message never carries a raw control character to a terminal
// or a journal. Long texts are cut, with "..." after the quote.
namespace MessageText {

inline constexpr qsizetype LongestQuoted = 80;

[[nodiscard]] QString quoted(QStringView text);
// Bytes from the line: every byte outside printable ASCII escaped.
[[nodiscard]] QString quotedBytes(QByteArrayView bytes);

// A whole message for a terminal or a journal, whatever went into it: its
// control characters escaped as quoted() escapes them (no quotes added), and
// cut after LongestLine characters, with how long it was.
inline constexpr qsizetype LongestLine = 1000;
[[nodiscard]] QString printable(QStringView line);

} // namespace MessageText
