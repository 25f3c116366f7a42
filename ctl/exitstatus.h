#pragma once

#include "session/exchangeoutcome.h"

// rm740ctl's exit status: what went wrong, worst over every port.
namespace ExitStatus {

enum Code : int {
    Success = 0,        // every command was answered
    PortFailed = 2,     // a port did not open, or went away
    NoReply = 3,        // a command got no complete reply in time
    BadArguments = 64,  // the command line was not understood (sysexits' EX_USAGE)
};

// The worse of two: bad arguments, then a port, then a missing reply.
[[nodiscard]] constexpr Code worse(Code a, Code b)
{
    const auto rank = [](Code c) {
        switch (c) {
        case Success: return 0;
        case NoReply: return 1;
        case PortFailed: return 2;
        case BadArguments: return 3;
        }
        return 3;
    };
    return rank(a) >= rank(b) ? a : b;
}

// What one command's outcome makes of the run.
[[nodiscard]] constexpr Code of(ExchangeOutcome outcome)
{
    switch (outcome) {
    case ExchangeOutcome::Answered: return Success;
    case ExchangeOutcome::NoReply: return NoReply;
    case ExchangeOutcome::PortLost: return PortFailed;
    }
    return PortFailed;
}

} // namespace ExitStatus
