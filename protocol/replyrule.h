#pragma once

#include <QByteArrayView>

#include <optional>

// What a reply looks like, for whoever waits for one: an execute command is
// taken with a lone ACK, a read command answers with printable text up to
// its CR, and "?" with CR refuses either.
namespace ReplyRule {

// How many of the bytes received since the frame went out make its reply:
// the ACK when it came first, else everything up to and including the first
// CR. Nothing while the reply is not complete.
[[nodiscard]] std::optional<qsizetype> completeLength(QByteArrayView received);

[[nodiscard]] bool isAck(QByteArrayView reply);
// "?" and CR; a "?" whose CR never came refuses too.
[[nodiscard]] bool isRefusal(QByteArrayView reply);
// Printable ASCII and one CR at its end.
[[nodiscard]] bool isTextLine(QByteArrayView reply);
// What the projector sends: a lone ACK, or printable ASCII up to a CR at its
// end (or not ended yet).
[[nodiscard]] bool isProtocolText(QByteArrayView bytes);

// Whether a complete reply has the form the command of `frame` takes: an ACK
// for an execute command; for a read command a text line, of the form its
// replies are read in where it has one (ReadReplies), any other where not.
[[nodiscard]] bool fits(QByteArrayView frame, QByteArrayView reply);

} // namespace ReplyRule
