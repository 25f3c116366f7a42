#include "log/exchangeoutcome.h"

#include "log/exchangerecord.h"
#include "protocol/frame.h"
#include "protocol/readreplies.h"
#include "protocol/replyrule.h"

#include <algorithm>

namespace ExchangeOutcome {

namespace {

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
    if (ReplyRule::isRefusal(reply))
        return Outcome::Refused;
    const QByteArrayView frame = record.frame();
    if (Protocol::kindOf(frame) == Protocol::Kind::Execute)
        return ReplyRule::isAck(reply) ? Outcome::Answered : Outcome::Unexpected;
    // A reply of a form of its own is read when the status line read it.
    const bool readable =
        ReplyRule::isTextLine(reply) && (!ReadReplies::commandOf(frame) || statusWritten(record));
    return readable ? Outcome::Answered : Outcome::Unexpected;
}

} // namespace ExchangeOutcome
