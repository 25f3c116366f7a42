#pragma once

#include <QObject>
#include <QString>

#include <chrono>
#include <optional>

class QSocketNotifier;

// SIGTERM, SIGINT and SIGHUP turned into a Qt signal on the event loop, so a
// program leaves through its ordinary way out (ports closed, locks and links
// removed) instead of dying on the spot. A second one while the first is being
// handled ends the program at once, as the signal's default would: a wedged
// device must not make it unkillable. One that comes within `repeatGrace` of
// the first is the same request sent twice at once (a service manager's and a
// terminal's) and waits for the first's way out instead of cutting it short.
//
// On Windows the console's events stand for them: Ctrl+C for SIGINT, Ctrl+Break
// for SIGBREAK (21), the console window's close for SIGHUP, logoff and shut-down
// for SIGTERM.
//
// One per program, made after the application object and kept until exit.
class TerminationSignals : public QObject
{
    Q_OBJECT

public:
    static constexpr std::chrono::milliseconds RepeatGrace{1000};

    explicit TerminationSignals(std::chrono::milliseconds repeatGrace = RepeatGrace, QObject *parent = nullptr);
    // Puts back the dispositions found.
    ~TerminationSignals() override;

    // False where the pipe could not be made (the signals then keep their
    // default: the program dies as before).
    [[nodiscard]] bool isInstalled() const { return m_installed; }
    // The signal that `received` reported, once it has.
    [[nodiscard]] std::optional<int> caught() const { return m_caught; }

    // A program's status on its way out: exitStatus() of the caught signal,
    // or `ordinary` when none came.
    [[nodiscard]] int exitStatusOr(int ordinary) const { return m_caught ? exitStatus(*m_caught) : ordinary; }

    // "SIGTERM", "SIGINT", "SIGHUP" (and "SIGBREAK" on Windows).
    [[nodiscard]] static QString name(int signal);
    // A shell's status for a program a signal cut short: 128 + its number.
    [[nodiscard]] static constexpr int exitStatus(int signal) { return 128 + signal; }

signals:
    // The first signal, delivered on the event loop.
    void received(int signal);

private:
    void readPipe();
    // The first signal's way into the program, on the event loop (invoked
    // from the thread Windows runs a console's handler on).
    Q_INVOKABLE void deliver(int signal)
    {
        if (m_caught)
            return;
        m_caught = signal;
        emit received(signal);
    }

    QSocketNotifier *m_notifier = nullptr;
    bool m_installed = false;
    std::optional<int> m_caught;
};
