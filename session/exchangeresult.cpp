#include "session/exchangeresult.h"

#include "exchange/replyinterpretation.h"

std::optional<QString> ExchangeResult::status() const
{
    // Only a reply of the command's own form is read: anything else would
    // put a wrong answer in plain words.
    if (outcome != CommandOutcome::Answered)
        return std::nullopt;
    return ReplyInterpretation::statusFor(sent, reply);
}
