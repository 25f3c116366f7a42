#pragma once

// What became of one command.
enum class ExchangeOutcome {
    Answered,  // its reply came in time
    NoReply,   // no complete reply within the timeout
    PortLost,  // the port went away while the reply was awaited
};
