#pragma once

#include "exchange/transmitorigin.h"

#include <QByteArray>
#include <QList>
#include <QString>

#include <optional>

class ExchangeRing;
class QDebug;
struct ExchangeRecord;

// One line of the exchange log: a frame sent, a receive event, a reply
// window that closed with nothing received, or what happened to the port.
// The same rows are shown, saved and read back.
struct LogRow {
    enum class Direction : quint8 { Transmit, Receive, NoReply, Port };

    qint64 atMs = 0;  // milliseconds since the epoch
    Direction direction = Direction::Transmit;
    QByteArray bytes;  // raw, as sent or received
    QString status;    // what the status line was made to say
    // Where a frame came from; what a record could not keep; what became of
    // the port ("opened COM1 (/dev/ttyS0) at 9600 baud", "lost: ...").
    QString details;
    // A frame's: milliseconds to the last byte of its reply; -1 for none.
    qint32 replyMs = -1;

    // The monitor's rendering of the bytes; the no-reply mark for no reply;
    // nothing for the port's rows.
    [[nodiscard]] QString text() const;
    // The bytes as text, control characters escaped: "CR0\r".
    [[nodiscard]] QString rawText() const;

    friend bool operator==(const LogRow &, const LogRow &) = default;
};
QDebug operator<<(QDebug debug, const LogRow &row);
// For QCOMPARE's failure messages.
char *toString(const LogRow &row);

namespace LogRows {

// "TxD", "RxD", "no reply", "port".
[[nodiscard]] QString directionName(LogRow::Direction direction);
[[nodiscard]] std::optional<LogRow::Direction> directionNamed(QStringView name);

// The local time of day to the millisecond: "12:00:01.250".
[[nodiscard]] QString clockTime(qint64 ms);

// Bytes as text, with backslash escapes for control characters and for
// everything outside printable ASCII: "CR0\r", "\x06".
[[nodiscard]] QString rawText(QByteArrayView bytes);

// Where a frame came from, by the names on the panel: "Power On",
// "Audio Mute Off", "Status", "Volume up (held)", "Volume up (repeat)",
// "Command list: CF BRIGHT 050".
[[nodiscard]] QString describe(const TransmitOrigin &origin, QByteArrayView frame = {});

// A record's rows: its frame, the no-reply mark, then its receive events.
// Rows are only ever added at the end, and only to the newest record.
[[nodiscard]] qsizetype rowCount(const ExchangeRecord &record);
[[nodiscard]] LogRow row(const ExchangeRing &ring, const ExchangeRecord &record, qsizetype index);
// Every row of every record, oldest first.
[[nodiscard]] QList<LogRow> all(const ExchangeRing &ring);

} // namespace LogRows
