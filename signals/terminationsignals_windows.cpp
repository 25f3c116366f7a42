#include "signals/terminationsignals.h"

#include <QMetaObject>

#include <atomic>

#include <windows.h>

namespace {

// The numbers a shell on Linux would report, so the exit statuses match.
constexpr int SigHup = 1;
constexpr int SigInt = 2;
constexpr int SigTerm = 15;
constexpr int SigBreak = 21;
// A console's close, logoff or shut-down ends the process when the handler
// returns; the handler holds on this long, so that the orderly way out ends
// the process first, with its own status.
constexpr DWORD ClosingGraceMs = 4000;

std::atomic<TerminationSignals *> s_instance{nullptr};
// When the first event came (GetTickCount64, ms; 0: none yet).
std::atomic<ULONGLONG> s_firstAt{0};
ULONGLONG s_repeatGraceMs = 0;
// Set while a close, logoff or shut-down holds on in the handler.
std::atomic<bool> s_closing{false};

int signalFor(DWORD event)
{
    switch (event) {
    case CTRL_C_EVENT: return SigInt;
    case CTRL_BREAK_EVENT: return SigBreak;
    case CTRL_CLOSE_EVENT: return SigHup;
    case CTRL_LOGOFF_EVENT:
    case CTRL_SHUTDOWN_EVENT: return SigTerm;
    }
    return 0;
}

// Runs on a thread of its own that Windows starts for each event.
BOOL WINAPI onConsoleEvent(DWORD event)
{
    const int signal = signalFor(event);
    TerminationSignals *instance = s_instance.load();
    if (signal == 0 || !instance)
        return FALSE;
    const bool closing = event != CTRL_C_EVENT && event != CTRL_BREAK_EVENT;
    // Before the way out can reach the destructor.
    if (closing)
        s_closing = true;
    const ULONGLONG now = ::GetTickCount64() + 1;
    ULONGLONG firstAt = 0;
    if (s_firstAt.compare_exchange_strong(firstAt, now))
        QMetaObject::invokeMethod(instance, "deliver", Qt::QueuedConnection, Q_ARG(int, signal));
    else if (now - firstAt >= s_repeatGraceMs)
        // The orderly way out is still going (or stuck): a second one ends it now.
        ::ExitProcess(UINT(TerminationSignals::exitStatus(signal)));
    if (closing)
        ::Sleep(ClosingGraceMs);
    return TRUE;
}

} // namespace

TerminationSignals::TerminationSignals(std::chrono::milliseconds repeatGrace, QObject *parent)
    : QObject(parent)
{
    TerminationSignals *none = nullptr;
    if (!s_instance.compare_exchange_strong(none, this))
        return;
    s_firstAt = 0;
    s_repeatGraceMs = ULONGLONG(repeatGrace.count());
    s_closing = false;
    m_installed = ::SetConsoleCtrlHandler(onConsoleEvent, TRUE) != 0;
}

TerminationSignals::~TerminationSignals()
{
    if (s_instance.load() != this)
        return;
    s_instance = nullptr;
    // Windows runs the handlers under the lock that removing one takes: with
    // a close holding on in the handler, removing it would wait out the grace
    // and let Windows end the process (with a status of its own) before the
    // program returns its 128 + N. The handler, left in, no longer answers.
    if (m_installed && !s_closing)
        ::SetConsoleCtrlHandler(onConsoleEvent, FALSE);
}

QString TerminationSignals::name(int signal)
{
    switch (signal) {
    case SigTerm: return QStringLiteral("SIGTERM");
    case SigInt: return QStringLiteral("SIGINT");
    case SigHup: return QStringLiteral("SIGHUP");
    case SigBreak: return QStringLiteral("SIGBREAK");
    }
    return QStringLiteral("signal %1").arg(signal);
}
