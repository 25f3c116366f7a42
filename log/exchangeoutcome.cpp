#include "log/exchangeoutcome.h"

#include "exchange/monitorrendering.h"
#include "exchange/replyinterpretation.h"
#include "log/exchangerecord.h"

#include <algorithm>

namespace ExchangeOutcome {

namespace {

// "CR0", "CR LAMPSTS" ...: the read commands answer with a line of text.
bool isReadCommand(QByteArrayView frame)
{
    return frame.startsWith("CR");
}

bool isDecoded(QByteArrayView frame)
{
    static const QList<QByteArray> keys = ReplyInterpretation::keys();
    return keys.contains(frame);
}

// Printable text and one CR at its end.
bool isOneLine(QByteArrayView reply)
{
    if (!reply.endsWith(MonitorRendering::Cr))
        return false;
    const QByteArrayView text = reply.chopped(1);
    return std::all_of(text.begin(), text.end(), [](char c) { return uchar(c) >= 0x20 && uchar(c) < 0x7F; });
}

bool statusWritten(const ExchangeRecord &record)
{
    return std::any_of(record.events.cbegin(), record.events.cend(),
                       [](const ReceiveEvent &event) { return !event.status.isEmpty(); });
}

} // namespace

Outcome of(const ExchangeRecord &record)
{
    if (record.isPortEvent())
        return Outcome::NotAnExchange;
    if (record.replyWindow == ReplyWindow::NoReply)
        return Outcome::NoReply;
    if (record.events.isEmpty())
        return Outcome::Pending;
    if (!record.hasFrame || record.droppedBytes > 0)
        return Outcome::Unexpected;
    const QByteArrayView reply = record.reply();
    if (reply == "?\r" || reply == "?")
        return Outcome::Refused;
    const QByteArrayView frame = record.frame();
    if (isReadCommand(frame)) {
        const bool readable = isOneLine(reply) && (!isDecoded(frame) || statusWritten(record));
        return readable ? Outcome::Answered : Outcome::Unexpected;
    }
    return reply == QByteArrayView(&MonitorRendering::Ack, 1) ? Outcome::Answered : Outcome::Unexpected;
}

} // namespace ExchangeOutcome
