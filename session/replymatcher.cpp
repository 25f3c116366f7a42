#include "session/replymatcher.h"

#include "protocol/replyrule.h"

namespace {

void appendBounded(QByteArray &to, QByteArrayView bytes)
{
    to.append(bytes.first(qMin(bytes.size(), qMax(qsizetype(0), ReplyMatcher::Bound - to.size()))));
}

} // namespace

ReplyMatcher::ReplyMatcher(QByteArray frame)
    : m_frame(std::move(frame))
{
}

std::optional<ReplyMatcher::Verdict> ReplyMatcher::take(QByteArrayView bytes)
{
    appendBounded(m_open, bytes);
    while (const auto length = ReplyRule::completeLength(m_open)) {
        const QByteArray reply = m_open.first(*length);
        m_open.remove(0, *length);
        if (ReplyRule::isRefusal(reply))
            return Verdict{CommandOutcome::Refused, reply, true};
        if (!ReplyRule::isProtocolText(reply))
            return Verdict{CommandOutcome::Unexpected, m_passedOver + reply, true};
        if (ReplyRule::fits(m_frame, reply))
            return Verdict{CommandOutcome::Answered, reply, true};
        appendBounded(m_passedOver, reply);
    }
    return std::nullopt;
}

ReplyMatcher::Verdict ReplyMatcher::timedOut() const
{
    // A "?" whose CR never came is a refusal all the same.
    if (m_passedOver.isEmpty() && ReplyRule::isRefusal(m_open))
        return Verdict{CommandOutcome::Refused, m_open, false};
    if (m_passedOver.isEmpty() && ReplyRule::isProtocolText(m_open))
        return Verdict{CommandOutcome::NoReply, m_open, false};
    return Verdict{CommandOutcome::Unexpected, m_passedOver + m_open, m_open.isEmpty()};
}
