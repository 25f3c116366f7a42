#pragma once

#include "bridge/projector/projectoractions.h"
#include "bridge/projector/projectorreadings.h"
#include "bridge/projector/projectorstate.h"
#include "session/portsession.h"
#include "session/sessionport.h"

#include <QElapsedTimer>
#include <QObject>
#include <QPointer>
#include <QTimer>

#include <chrono>
#include <deque>
#include <functional>
#include <optional>

// One projector as every front sees it: its port held open through one
// PortSession, one queue of work, one state. Fronts (the PJLink port, the
// page) ask for fresh readings and for actions; the service polls the
// projector itself, so its serial load does not grow with the number of
// clients. A front's work goes before the service's own polling, and a front
// is answered within the reply timeout and AnswerMargin whatever the line
// does. A lost port is opened again: a local device as soon as it is back, a
// network port with a growing delay.
class ProjectorService : public QObject
{
    Q_OBJECT

public:
    struct Settings {
        QString name;                       // for logs
        SessionPort port;
        QString serialParameters;           // "19200,N,8,1"
        bool networkPort = false;           // redial with a growing delay
        std::chrono::milliseconds replyTimeout{1000};
        std::chrono::milliseconds pollInterval{5000};  // 0: never
    };

    // Who asked for a job: the bridge's own polling or one of its fronts.
    // Counted by the metrics, weighed by the queue.
    enum class Origin { Polling, Pjlink, Web, Mqtt };
    Q_ENUM(Origin)

    static constexpr std::chrono::milliseconds LocalRetry{250};
    static constexpr std::chrono::milliseconds FirstRedial{1000};
    static constexpr std::chrono::milliseconds LongestRedial{30000};
    // Without polling, a reading serves the queries of this long.
    static constexpr std::chrono::milliseconds OnDemandFreshness{1000};
    // A front is answered at most this long after one reply window: clients
    // give up after a few seconds, and a silent line must not take them there.
    static constexpr std::chrono::milliseconds AnswerMargin{500};
    // While the power changes the status is read this often, so a controller
    // waiting for "on" or "standby" waits no longer than the projector.
    static constexpr std::chrono::milliseconds TransitionRead{1000};

    explicit ProjectorService(const Settings &settings, QObject *parent = nullptr);
    ~ProjectorService() override;

    // Opens the port (or starts trying to) and starts polling.
    void start();
    // Closes the port; whatever waits is answered as failed.
    void stop();

    // Calls `done` once every reading of `readings` is younger than the poll
    // interval (read now if need be, after the fronts' work queued before),
    // or at once while the port is not open or the projector does not answer,
    // at the latest after the reply timeout and AnswerMargin (with what is
    // known then). Nothing is called once `context` is gone.
    void refresh(ProjectorReadings::ReadingSet readings, Origin origin, QObject *context,
                 std::function<void()> done);
    // Sends the actions one after another, stopping at the first that fails.
    // Failed when they are not done after the reply timeout and AnswerMargin,
    // or after one reply timeout while the projector does not answer; what
    // was not sent by then is not sent.
    void perform(const QList<ProjectorAction> &actions, Origin origin, QObject *context,
                 std::function<void(ActionOutcome)> done);

    [[nodiscard]] const ProjectorState &state() const { return m_state; }
    [[nodiscard]] bool isPortOpen() const { return m_session.isOpen(); }
    // False once a frame got no reply, until one gets a reply again.
    [[nodiscard]] bool isAnswering() const { return m_answering; }
    [[nodiscard]] const Settings &settings() const { return m_settings; }
    // Jobs waiting, the one on the line included.
    [[nodiscard]] std::size_t queued() const { return m_jobs.size(); }

signals:
    void portOpened();
    void portClosed(const QString &why);
    // A reading was taken or an action acknowledged.
    void stateChanged();
    // A frame and what came back, as the monitor shows exchanges, and for whom.
    void exchangeFinished(const ExchangeResult &result, ProjectorService::Origin origin);
    // One line for the log.
    void logLine(const QString &line);

private:
    struct Job {
        enum class Kind { Read, Act };
        Kind kind = Kind::Read;
        ProjectorReadings::ReadingSet reads;   // Read: still to read
        // Read: what was read less than this long ago is not read again
        // (the poll interval for a front; half of it for polling; 0 after a set).
        std::chrono::milliseconds maxAge{0};
        Origin origin = Origin::Polling;
        QList<ProjectorAction> actions;        // Act
        qsizetype next = 0;                    // Act: the action on the line or next
        bool powerChecked = false;             // Act: the status was read for this action
        QPointer<QObject> context;
        bool hasContext = false;               // a front waits (else nobody is told)
        ProjectorState::Time deadline{0};      // a front waits no longer than this
        std::function<void()> readDone;
        std::function<void(ActionOutcome)> actDone;
    };
    // What the frame on the line is for.
    enum class Step { Reading, PowerCheck, Action };

    [[nodiscard]] ProjectorState::Time now() const;
    [[nodiscard]] std::chrono::milliseconds freshness() const;
    void openPort();
    void scheduleReopen();
    void portLost(const QString &why);
    void poll();
    void readTransition();
    void queueFront(Job job, std::chrono::milliseconds within);
    void runNext();
    void expireFronts();
    void armDeadline();
    [[nodiscard]] bool startRead(Job &job);
    [[nodiscard]] bool startAction(Job &job);
    void send(Step step, ProjectorReadings::Reading reading, const QByteArray &frame, QByteArrayView name);
    void exchanged(const ExchangeResult &result);
    void finishFront(ActionOutcome outcome);
    void finishRead();
    static void tellFailed(Job &job);
    void failEverything();
    void noteAnswering(bool answering);

    const Settings m_settings;
    PortSession m_session;
    ProjectorState m_state;
    QElapsedTimer m_clock;
    std::deque<Job> m_jobs;
    std::optional<Step> m_onLine;
    ProjectorReadings::Reading m_readingOnLine = ProjectorReadings::Reading::Status;
    QTimer m_pollTimer;
    QTimer m_reopenTimer;
    QTimer m_deadlineTimer;
    QTimer m_transitionTimer;
    std::chrono::milliseconds m_redialDelay = FirstRedial;
    bool m_running = false;
    bool m_opening = false;
    bool m_reportedClosed = false;
    bool m_answering = true;
};
