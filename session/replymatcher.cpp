#include "session/replymatcher.h"

#include "exchange/monitorrendering.h"
#include "exchange/replyinterpretation.h"
#include "session/replycompletion.h"

#include <algorithm>

namespace {

constexpr QByteArrayView Refusal("?\r");

// Printable ASCII up to a CR, or a lone ACK: what the projector sends.
bool isProtocolText(QByteArrayView bytes)
{
    if (bytes == QByteArrayView(&MonitorRendering::Ack, 1))
        return true;
    if (bytes.endsWith(MonitorRendering::Cr))
        bytes.chop(1);
    return std::all_of(bytes.begin(), bytes.end(), [](char c) { return c >= 0x20 && c < 0x7F; });
}

void appendBounded(QByteArray &to, QByteArrayView bytes)
{
    to.append(bytes.first(qMin(bytes.size(), qMax(qsizetype(0), ReplyMatcher::Bound - to.size()))));
}

} // namespace

ReplyMatcher::ReplyMatcher(QByteArray frame)
    : m_frame(std::move(frame))
{
}

bool ReplyMatcher::isReadCommand(QByteArrayView frame)
{
    return frame.startsWith("CR");
}

std::optional<ReplyMatcher::Verdict> ReplyMatcher::take(QByteArrayView bytes)
{
    appendBounded(m_open, bytes);
    while (const auto length = ReplyCompletion::completeLength(m_open)) {
        const QByteArray reply = m_open.first(*length);
        m_open.remove(0, *length);
        if (reply == Refusal)
            return Verdict{ExchangeOutcome::Refused, reply, true};
        if (!isProtocolText(reply))
            return Verdict{ExchangeOutcome::Unexpected, m_passedOver + reply, true};
        if (fits(reply))
            return Verdict{ExchangeOutcome::Answered, reply, true};
        appendBounded(m_passedOver, reply);
    }
    return std::nullopt;
}

ReplyMatcher::Verdict ReplyMatcher::timedOut() const
{
    if (m_passedOver.isEmpty() && isProtocolText(m_open))
        return Verdict{ExchangeOutcome::NoReply, m_open, false};
    return Verdict{ExchangeOutcome::Unexpected, m_passedOver + m_open, m_open.isEmpty()};
}

bool ReplyMatcher::fits(QByteArrayView reply) const
{
    const bool ack = reply.size() == 1 && reply.front() == MonitorRendering::Ack;
    if (!isReadCommand(m_frame))
        return ack;
    if (ack)
        return false;
    // A read command with a decoder takes the forms the decoder reads;
    // any other takes whatever text comes.
    if (!ReplyInterpretation::keys().contains(m_frame))
        return true;
    return ReplyInterpretation::statusFor(m_frame, MonitorRendering::render(reply), reply.size()).has_value();
}
