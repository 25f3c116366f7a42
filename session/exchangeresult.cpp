#include "session/exchangeresult.h"

#include "exchange/monitorrendering.h"
#include "exchange/replyinterpretation.h"

std::optional<QString> ExchangeResult::status() const
{
    return ReplyInterpretation::statusFor(sent, MonitorRendering::render(reply), reply.size());
}
