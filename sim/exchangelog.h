#pragma once

#include <QByteArrayView>
#include <QString>
#include <QTime>

// The simulator's log of the exchange: one line a frame, time-stamped, with
// control characters spelled out ("C00[CR]  ->  [ACK]").
namespace ExchangeLog {

// Printable ASCII as it is; control characters by name in brackets ("[CR]",
// "[ESC]", "[DEL]"); bytes from 0x80 up in hex ("[x9B]").
[[nodiscard]] QString spellOut(QByteArrayView bytes);

// A frame (its text, without the CR that ended it) and what it is answered.
[[nodiscard]] QString frameLine(QTime time, QByteArrayView frameText, const QString &answer);

// Anything else that happens on the line.
[[nodiscard]] QString eventLine(QTime time, const QString &event);

} // namespace ExchangeLog
