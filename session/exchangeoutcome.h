#pragma once

#include <QLatin1StringView>

// What became of one command.
enum class ExchangeOutcome {
    Answered,    // a reply of the form the command takes came in time
    Refused,     // the projector answered "?"
    Unexpected,  // what came is no reply of the form the command takes, or garbage
    NoReply,     // nothing, or no complete reply, within the timeout
    PortLost,    // the port went away while the reply was awaited
};

// One word for each, as the output and scripts spell it.
[[nodiscard]] constexpr QLatin1StringView outcomeWord(ExchangeOutcome outcome)
{
    switch (outcome) {
    case ExchangeOutcome::Answered: return QLatin1StringView("answered");
    case ExchangeOutcome::Refused: return QLatin1StringView("refused");
    case ExchangeOutcome::Unexpected: return QLatin1StringView("unexpected");
    case ExchangeOutcome::NoReply: return QLatin1StringView("no-reply");
    case ExchangeOutcome::PortLost: return QLatin1StringView("port-lost");
    }
    return QLatin1StringView("unexpected");
}
