#pragma once

#include "session/exchangeoutcome.h"

// rm740ctl's exit status: what went wrong, worst over every port.
namespace ExitStatus {

enum Code : int {
    Success = 0,        // every command was answered
    PortFailed = 2,     // a port was refused, did not open, or went away
    NoReply = 3,        // a command got no complete reply in time
    Refused = 4,        // the projector answered a command with "?"
    Unexpected = 5,     // a reply of another form than the command takes, or garbage
    BadArguments = 64,  // the command line was not understood (sysexits' EX_USAGE)
};

// The worse of two: bad arguments, a port, no reply, an unexpected reply, a
// refusal; the less the run learnt, the worse.
[[nodiscard]] constexpr Code worse(Code a, Code b)
{
    const auto rank = [](Code c) {
        switch (c) {
        case Success: return 0;
        case Refused: return 1;
        case Unexpected: return 2;
        case NoReply: return 3;
        case PortFailed: return 4;
        case BadArguments: return 5;
        }
        return 5;
    };
    return rank(a) >= rank(b) ? a : b;
}

// What one command's outcome makes of the run.
[[nodiscard]] constexpr Code of(ExchangeOutcome outcome)
{
    switch (outcome) {
    case ExchangeOutcome::Answered: return Success;
    case ExchangeOutcome::Refused: return Refused;
    case ExchangeOutcome::Unexpected: return Unexpected;
    case ExchangeOutcome::NoReply: return NoReply;
    case ExchangeOutcome::PortLost: return PortFailed;
    }
    return PortFailed;
}

} // namespace ExitStatus
