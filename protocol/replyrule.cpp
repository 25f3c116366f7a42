#include "protocol/replyrule.h"

#include "protocol/frame.h"
#include "protocol/readreplies.h"

#include <algorithm>

namespace ReplyRule {
namespace {

bool isPrintable(QByteArrayView text)
{
    return std::all_of(text.begin(), text.end(), [](char c) { return uchar(c) >= 0x20 && uchar(c) < 0x7F; });
}

} // namespace

std::optional<qsizetype> completeLength(QByteArrayView received)
{
    if (received.startsWith(Protocol::Ack))
        return 1;
    const qsizetype cr = received.indexOf(Protocol::Cr);
    if (cr < 0)
        return std::nullopt;
    return cr + 1;
}

bool isAck(QByteArrayView reply)
{
    return reply.size() == 1 && reply.front() == Protocol::Ack;
}

bool isRefusal(QByteArrayView reply)
{
    return reply == "?\r" || reply == "?";
}

bool isTextLine(QByteArrayView reply)
{
    return reply.endsWith(Protocol::Cr) && isPrintable(reply.chopped(1));
}

bool isProtocolText(QByteArrayView bytes)
{
    return isAck(bytes) || isPrintable(Protocol::textOf(bytes));
}

bool fits(QByteArrayView frame, QByteArrayView reply)
{
    if (Protocol::kindOf(frame) == Protocol::Kind::Execute)
        return isAck(reply);
    const auto command = ReadReplies::commandOf(frame);
    return isTextLine(reply) && (!command || ReadReplies::fits(*command, reply));
}

} // namespace ReplyRule
