#pragma once

#include "exchange/transmitorigin.h"

#include <QByteArray>
#include <QList>
#include <QString>

#include <optional>

class ExchangeRing;
class QDebug;
struct ExchangeRecord;

// One line of the exchange log: a frame sent, a receive event, or a reply
// window that closed with nothing received. The same rows are shown, saved
// and read back.
struct LogRow {
    enum class Direction : quint8 { Transmit, Receive, NoReply };

    qint64 atMs = 0;  // milliseconds since the epoch
    Direction direction = Direction::Transmit;
    QByteArray bytes;  // raw, as sent or received
    QString status;    // what the status line was made to say
    QString details;   // where a frame came from; what a record could not keep

    // The monitor's rendering of the bytes; the no-reply mark for no reply.
    [[nodiscard]] QString text() const;

    friend bool operator==(const LogRow &, const LogRow &) = default;
};
QDebug operator<<(QDebug debug, const LogRow &row);
// For QCOMPARE's failure messages.
char *toString(const LogRow &row);

namespace LogRows {

// "TxD", "RxD", "no reply".
[[nodiscard]] QString directionName(LogRow::Direction direction);
[[nodiscard]] std::optional<LogRow::Direction> directionNamed(QStringView name);

// The local time of day to the millisecond: "12:00:01.250".
[[nodiscard]] QString clockTime(qint64 ms);

// "\"On\" (Command17)", "hold of Volume up (Command1)", "command list" ...
[[nodiscard]] QString describe(const TransmitOrigin &origin);

// A record's rows: its frame, the no-reply mark, then its receive events.
// Rows are only ever added at the end, and only to the newest record.
[[nodiscard]] qsizetype rowCount(const ExchangeRecord &record);
[[nodiscard]] LogRow row(const ExchangeRing &ring, const ExchangeRecord &record, qsizetype index);
// Every row of every record, oldest first.
[[nodiscard]] QList<LogRow> all(const ExchangeRing &ring);

} // namespace LogRows
