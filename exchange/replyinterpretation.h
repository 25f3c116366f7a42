#pragma once

#include <QByteArrayView>
#include <QString>

#include <optional>

// The status line's plain English for a reply to one of the read commands:
// the reply read as a value (ReadReplies), put into words.
namespace ReplyInterpretation {

// The status text for `reply` (what was received since the frame `key` went
// out), or nothing when `key` reads nothing with a form of its own or the
// reply is not of that form (the status line stays as it is). Every text
// begins with one space.
[[nodiscard]] std::optional<QString> statusFor(QByteArrayView key, QByteArrayView reply);

} // namespace ReplyInterpretation
