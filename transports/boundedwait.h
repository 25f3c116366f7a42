#pragma once

#include <chrono>

class QEventLoop;

// Waits for something that the event loop brings (a connection, an answer)
// for a bounded time, from inside a handler that must have the result before
// it goes on. Timers, sockets and painting go on meanwhile; user input waits
// until the wait is over, so no handler of the windows runs in the middle of
// the one that waits.
class BoundedWait
{
public:
    BoundedWait() = default;
    BoundedWait(const BoundedWait &) = delete;
    BoundedWait &operator=(const BoundedWait &) = delete;

    // True when finish() came before `limit` ran out (or before the call).
    [[nodiscard]] bool wait(std::chrono::milliseconds limit);
    void finish();
    // Ready for the next wait.
    void reset() { m_finished = false; }

private:
    QEventLoop *m_loop = nullptr;
    bool m_finished = false;
};
