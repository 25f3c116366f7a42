#pragma once

#include <QByteArray>
#include <QByteArrayView>
#include <QList>
#include <QString>
#include <QStringView>

#include <optional>

// Turns a reply to one of the read commands into a line of plain English.
// Each decoder is keyed to a read command's frame (text and CR) and compares
// fixed windows of the RxD line, the monitor rendering of the reply.
namespace ReplyInterpretation {

// The status text for a reply, or nothing when no decoder is keyed to `key`
// or the reply matches none of its patterns (the status line stays as it is).
// `rxdText` is the RxD line, `bufferLength` the reply's length in characters.
[[nodiscard]] std::optional<QString> statusFor(QByteArrayView key, QStringView rxdText,
                                               qsizetype bufferLength);

// The read commands that have a decoder, as frames.
[[nodiscard]] QList<QByteArray> keys();

} // namespace ReplyInterpretation
