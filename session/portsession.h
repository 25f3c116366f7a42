#pragma once

#include "link/mscomm.h"
#include "session/exchangeresult.h"
#include "session/replymatcher.h"
#include "session/sessioncommand.h"
#include "session/sessionport.h"

#include <QElapsedTimer>
#include <QList>
#include <QObject>
#include <QTimer>

#include <chrono>
#include <optional>

// One projector's port, held open while commands are queued on it. Each
// command goes out once every one before it has its outcome, and each gets
// exactly one `exchanged`, in the order they were submitted.
//
// The reply rule: opening empties the port's input, the system's queue for
// the line included; what waits when a frame goes out is dropped; a reply is
// matched to its command by its form (ReplyMatcher). After a command that
// got no reply of its form, the line is let fall quiet before the next frame
// (until neither the miss nor a byte is QuietGap ago, at most QuietLimit),
// and what came meanwhile is dropped: a reply that comes just too late then
// answers nothing. A run whose replies all come in time never waits so.
class PortSession : public QObject
{
    Q_OBJECT

public:
    static constexpr std::chrono::milliseconds QuietGap{200};
    static constexpr std::chrono::milliseconds QuietLimit{1000};

    PortSession(const SessionPort &port, const QString &serialParameters, std::chrono::milliseconds timeout,
                QObject *parent = nullptr);

    // Opens the port and empties its input. A network port is connected and
    // set up with the event loop running (a bounded wait), so other sessions
    // go on meanwhile. False, with errorString(), when it does not open.
    [[nodiscard]] bool open();
    // Closes the port; what is still queued is dropped without a word.
    void close();
    // Stops where it is, says so (with what was awaited) and closes the port;
    // `cause` as in "interrupted by SIGTERM". Also while open() waits for a
    // network port, which then returns false.
    void interrupt(const QString &cause);
    [[nodiscard]] bool isOpen() const { return m_comm.PortOpen(); }
    // Why opening failed or the port went away, in plain words.
    [[nodiscard]] QString errorString() const { return m_comm.errorString(); }

    // The reply awaited is given up now, as when its window closes (the
    // quiet wait follows): a caller with more urgent work for the line.
    void abandon();
    // Queues a command; it goes out while the port is open, after those
    // before it.
    void submit(const SessionCommand &command);
    // The commands without an outcome yet, the one on the line included.
    [[nodiscard]] qsizetype queued() const { return m_queue.size(); }

    [[nodiscard]] const SessionPort &port() const { return m_port; }
    [[nodiscard]] std::chrono::milliseconds timeout() const { return m_timeout; }

signals:
    void exchanged(const ExchangeResult &result);
    // What went wrong with a command or with the port, in plain words.
    void problem(const QString &port, const QString &message);
    // Every command submitted so far has its outcome.
    void idle();
    // The port went away and is closed. The command on the line was reported
    // as PortLost; those queued behind it were not sent and get no outcome.
    void lost(const QString &why);

private:
    void sendNext();
    void received();
    void replyWindowClosed();
    void quietLooked();
    void conclude(const ReplyMatcher::Verdict &verdict);
    void portLost();
    [[nodiscard]] QString problemWith(const ExchangeResult &result) const;
    [[nodiscard]] bool lineIsQuiet() const;

    const SessionPort m_port;
    const QString m_serialParameters;
    const std::chrono::milliseconds m_timeout;
    MSComm m_comm;
    QList<SessionCommand> m_queue;
    std::optional<ReplyMatcher> m_awaiting;  // the reply to the front command
    QTimer m_replyWindow;
    QElapsedTimer m_clock;      // since the frame went out
    QTimer m_quietLook;
    QElapsedTimer m_settling;   // since the quiet wait began; invalid: none
    QElapsedTimer m_lastByte;   // since a byte last came, or a reply was missed
    bool m_unsettled = false;   // a reply was missed; the line may still be busy
    bool m_opening = false;
    bool m_interrupted = false;
};
