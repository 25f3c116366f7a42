#include "log/logrow.h"

#include "exchange/monitorrendering.h"
#include "log/exchangering.h"
#include "protocol/frame.h"

#include <QDateTime>
#include <QDebug>

QString LogRow::text() const
{
    switch (direction) {
    case Direction::NoReply:
        return MonitorRendering::NoReplyMark;
    case Direction::Port:
        return {};
    case Direction::Transmit:
    case Direction::Receive:
        break;
    }
    return MonitorRendering::render(bytes);
}

QString LogRow::rawText() const
{
    return LogRows::rawText(bytes);
}

QDebug operator<<(QDebug debug, const LogRow &row)
{
    QDebugStateSaver saver(debug);
    debug.nospace() << "LogRow(" << row.atMs << ", " << LogRows::directionName(row.direction) << ", "
                    << row.bytes.toHex(' ') << ", " << row.status << ", " << row.details << ", " << row.replyMs << ')';
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

// "Audio Mute" and "On" make "Audio Mute On"; a caption that repeats its
// group's title ("Video" in "Video") stands alone.
QString buttonName(const TransmitOrigin &origin)
{
    const QString caption = oneLine(origin.caption);
    if (origin.group.isEmpty() || caption.compare(origin.group, Qt::CaseInsensitive) == 0)
        return caption;
    return origin.group + QLatin1Char(' ') + caption;
}

} // namespace

QString rawText(QByteArrayView bytes)
{
    static constexpr char Digits[] = "0123456789ABCDEF";
    QString out;
    out.reserve(bytes.size());
    for (const char c : bytes) {
        const auto b = uchar(c);
        switch (b) {
        case '\\': out += QLatin1StringView("\\\\"); continue;
        case '\r': out += QLatin1StringView("\\r"); continue;
        case '\n': out += QLatin1StringView("\\n"); continue;
        case '\t': out += QLatin1StringView("\\t"); continue;
        default: break;
        }
        if (b < 0x20 || b >= 0x7F) {
            out += QLatin1StringView("\\x");
            out += QLatin1Char(Digits[b >> 4]);
            out += QLatin1Char(Digits[b & 0xF]);
        } else {
            out += QLatin1Char(c);
        }
    }
    return out;
}

QString directionName(LogRow::Direction direction)
{
    switch (direction) {
    case LogRow::Direction::Transmit:
        return QStringLiteral("TxD");
    case LogRow::Direction::Receive:
        return QStringLiteral("RxD");
    case LogRow::Direction::NoReply:
        return QStringLiteral("no reply");
    case LogRow::Direction::Port:
        return QStringLiteral("port");
    }
    return {};
}

std::optional<LogRow::Direction> directionNamed(QStringView name)
{
    for (auto direction : {LogRow::Direction::Transmit, LogRow::Direction::Receive, LogRow::Direction::NoReply,
                           LogRow::Direction::Port}) {
        if (name == directionName(direction))
            return direction;
    }
    return std::nullopt;
}

QString clockTime(qint64 ms)
{
    return QDateTime::fromMSecsSinceEpoch(ms).toString(QStringLiteral("hh:mm:ss.zzz"));
}

QString describe(const TransmitOrigin &origin, QByteArrayView frame)
{
    switch (origin.kind) {
    case TransmitOrigin::Kind::Unknown:
        return {};
    case TransmitOrigin::Kind::Button:
        return buttonName(origin);
    case TransmitOrigin::Kind::HoldPress:
        return oneLine(origin.caption) + QStringLiteral(" (held)");
    case TransmitOrigin::Kind::HoldRepeat:
        return oneLine(origin.caption) + QStringLiteral(" (repeat)");
    case TransmitOrigin::Kind::CommandList: {
        const QByteArrayView text = Protocol::textOf(frame);
        return text.isEmpty() ? QStringLiteral("Command list") : QStringLiteral("Command list: ") + rawText(text);
    }
    }
    return {};
}

qsizetype rowCount(const ExchangeRecord &record)
{
    if (record.isPortEvent())
        return 1;
    return (record.hasFrame ? 1 : 0) + (record.replyWindow == ReplyWindow::NoReply ? 1 : 0)
        + record.events.size();
}

LogRow row(const ExchangeRing &ring, const ExchangeRecord &record, qsizetype index)
{
    if (record.isPortEvent())
        return {record.sentAtMs, LogRow::Direction::Port, {}, {}, record.portWords()};
    if (record.hasFrame) {
        if (index == 0) {
            QString details = describe(ring.origin(record), record.frame());
            if (!record.written) {
                const QString closed = QStringLiteral("not sent: the port is closed");
                details = details.isEmpty() ? closed : details + QStringLiteral("; ") + closed;
            }
            return {record.sentAtMs, LogRow::Direction::Transmit, record.frame().toByteArray(), {}, details,
                    record.replyMs};
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
