#include "signals/terminationsignals.h"

#include <QSocketNotifier>

#include <array>
#include <atomic>
#include <cerrno>
#include <csignal>
#include <ctime>
#include <fcntl.h>
#include <unistd.h>

namespace {

constexpr std::array Caught = {SIGTERM, SIGINT, SIGHUP};

// Shared with the handler, which may touch nothing else.
int s_pipe[2] = {-1, -1};
// When the first signal came (on the monotonic clock, in ns; 0: none yet).
std::atomic<long long> s_firstAt{0};
static_assert(std::atomic<long long>::is_always_lock_free);
long long s_repeatGraceNs = 0;
struct sigaction s_previous[Caught.size()];

long long monotonicNs()
{
    timespec now{};
    ::clock_gettime(CLOCK_MONOTONIC, &now);
    // Never 0, which stands for "none yet".
    return (long long)now.tv_sec * 1000000000 + now.tv_nsec + 1;
}

void onSignal(int signal)
{
    const long long now = monotonicNs();
    long long firstAt = 0;
    if (!s_firstAt.compare_exchange_strong(firstAt, now)) {
        if (now - firstAt < s_repeatGraceNs)
            return;
        // The orderly way out is still going (or stuck): the default ends the
        // process once this handler returns, since the signal is blocked here.
        ::signal(signal, SIG_DFL);
        ::raise(signal);
        return;
    }
    const int savedErrno = errno;
    const char number = char(signal);
    (void)::write(s_pipe[1], &number, 1);
    errno = savedErrno;
}

} // namespace

TerminationSignals::TerminationSignals(std::chrono::milliseconds repeatGrace, QObject *parent)
    : QObject(parent)
{
    if (s_pipe[0] >= 0 || ::pipe2(s_pipe, O_CLOEXEC | O_NONBLOCK) != 0)
        return;
    s_firstAt = 0;
    s_repeatGraceNs = std::chrono::nanoseconds(repeatGrace).count();
    m_notifier = new QSocketNotifier(s_pipe[0], QSocketNotifier::Read, this);
    connect(m_notifier, &QSocketNotifier::activated, this, &TerminationSignals::readPipe);

    struct sigaction action {};
    action.sa_handler = onSignal;
    // One handler at a time, so a second signal finds the first one's mark.
    sigemptyset(&action.sa_mask);
    for (int signal : Caught)
        sigaddset(&action.sa_mask, signal);
    action.sa_flags = SA_RESTART;
    for (size_t i = 0; i < Caught.size(); ++i)
        ::sigaction(Caught[i], &action, &s_previous[i]);
    m_installed = true;
}

TerminationSignals::~TerminationSignals()
{
    if (!isInstalled())
        return;
    for (size_t i = 0; i < Caught.size(); ++i)
        ::sigaction(Caught[i], &s_previous[i], nullptr);
    delete m_notifier;
    ::close(s_pipe[0]);
    ::close(s_pipe[1]);
    s_pipe[0] = s_pipe[1] = -1;
}

QString TerminationSignals::name(int signal)
{
    switch (signal) {
    case SIGTERM: return QStringLiteral("SIGTERM");
    case SIGINT: return QStringLiteral("SIGINT");
    case SIGHUP: return QStringLiteral("SIGHUP");
    }
    return QStringLiteral("signal %1").arg(signal);
}

void TerminationSignals::readPipe()
{
    char number = 0;
    if (::read(s_pipe[0], &number, 1) == 1)
        deliver(int(number));
}

