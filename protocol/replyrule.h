#pragma once

#include "exchange/monitorrendering.h"

#include <QByteArrayView>

#include <optional>

// When the projector has finished answering: a read command's reply ends at
// its CR, an execution command is acknowledged by an ACK alone.
namespace ReplyCompletion {

// How many of the bytes received since the frame went out make its reply:
// the ACK when it came first, else everything up to and including the first
// CR. Nothing while the reply is not complete.
[[nodiscard]] inline std::optional<qsizetype> completeLength(QByteArrayView received)
{
    if (received.startsWith(MonitorRendering::Ack))
        return 1;
    const qsizetype cr = received.indexOf(MonitorRendering::Cr);
    if (cr < 0)
        return std::nullopt;
    return cr + 1;
}

} // namespace ReplyCompletion
