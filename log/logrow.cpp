#include "log/logrow.h"

#include "exchange/monitorrendering.h"
#include "log/exchangering.h"

#include <QDateTime>
#include <QDebug>

QString LogRow::text() const
{
    if (direction == Direction::NoReply)
        return MonitorRendering::NoReplyMark;
    return MonitorRendering::render(bytes);
}

QDebug operator<<(QDebug debug, const LogRow &row)
{
    QDebugStateSaver saver(debug);
    debug.nospace() << "LogRow(" << row.atMs << ", " << LogRows::directionName(row.direction) << ", "
                    << row.bytes.toHex(' ') << ", " << row.status << ", " << row.details << ')';
    return debug;
}

char *toString(const LogRow &row)
{
    QString text;
    QDebug(&text) << row;
    return qstrdup(text.toUtf8().constData());
}

namespace LogRows {

namespace {

// Captions may break over two lines on their buttons; a row has one line.
QString oneLine(QString text)
{
    return text.replace(QLatin1Char('\n'), QLatin1Char(' '));
}

QString notes(const ExchangeRecord &record)
{
    QStringList notes;
    if (record.mergedEvents > 0)
        notes << QStringLiteral("with %1 later receive events").arg(record.mergedEvents);
    if (record.droppedBytes > 0)
        notes << QStringLiteral("%1 more bytes not kept").arg(record.droppedBytes);
    return notes.join(QStringLiteral("; "));
}

} // namespace

QString directionName(LogRow::Direction direction)
{
    switch (direction) {
    case LogRow::Direction::Transmit:
        return QStringLiteral("TxD");
    case LogRow::Direction::Receive:
        return QStringLiteral("RxD");
    case LogRow::Direction::NoReply:
        return QStringLiteral("no reply");
    }
    return {};
}

std::optional<LogRow::Direction> directionNamed(QStringView name)
{
    for (auto direction : {LogRow::Direction::Transmit, LogRow::Direction::Receive, LogRow::Direction::NoReply}) {
        if (name == directionName(direction))
            return direction;
    }
    return std::nullopt;
}

QString clockTime(qint64 ms)
{
    return QDateTime::fromMSecsSinceEpoch(ms).toString(QStringLiteral("hh:mm:ss.zzz"));
}

QString describe(const TransmitOrigin &origin)
{
    const QString button = QStringLiteral("%1 (%2)").arg(oneLine(origin.caption), origin.name);
    switch (origin.kind) {
    case TransmitOrigin::Kind::Unknown:
        return {};
    case TransmitOrigin::Kind::Button:
        return QStringLiteral("\"%1\" (%2)").arg(oneLine(origin.caption), origin.name);
    case TransmitOrigin::Kind::HoldPress:
        return QStringLiteral("hold of ") + button;
    case TransmitOrigin::Kind::HoldRepeat:
        return QStringLiteral("repeat of ") + button;
    case TransmitOrigin::Kind::CommandList:
        return QStringLiteral("command list");
    }
    return {};
}

qsizetype rowCount(const ExchangeRecord &record)
{
    return (record.hasFrame ? 1 : 0) + (record.replyWindow == ReplyWindow::NoReply ? 1 : 0)
        + record.events.size();
}

LogRow row(const ExchangeRing &ring, const ExchangeRecord &record, qsizetype index)
{
    if (record.hasFrame) {
        if (index == 0) {
            QString details = describe(ring.origin(record));
            if (!record.written) {
                const QString closed = QStringLiteral("not sent: the port is closed");
                details = details.isEmpty() ? closed : details + QStringLiteral("; ") + closed;
            }
            return {record.sentAtMs, LogRow::Direction::Transmit, record.frame().toByteArray(), {}, details};
        }
        --index;
    }
    if (record.replyWindow == ReplyWindow::NoReply) {
        if (index == 0)
            return {record.closedAtMs, LogRow::Direction::NoReply, {}, {}, {}};
        --index;
    }
    const ReceiveEvent &event = record.events[index];
    const bool last = index == record.events.size() - 1;
    return {event.atMs, LogRow::Direction::Receive, record.eventBytes(index).toByteArray(), event.status,
            last ? notes(record) : QString()};
}

QList<LogRow> all(const ExchangeRing &ring)
{
    QList<LogRow> rows;
    for (qsizetype i = 0; i < ring.size(); ++i) {
        const ExchangeRecord &record = ring.at(i);
        for (qsizetype r = 0, count = rowCount(record); r < count; ++r)
            rows.append(row(ring, record, r));
    }
    return rows;
}

} // namespace LogRows
