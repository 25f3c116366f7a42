#include "bridge/projector/projectorservice.h"

#include <algorithm>
#include <vector>

using ProjectorReadings::Reading;
using ProjectorReadings::ReadingSet;

ProjectorService::ProjectorService(const Settings &settings, QObject *parent)
    : QObject(parent)
    , m_settings(settings)
    , m_session(settings.port, settings.serialParameters, settings.replyTimeout)
{
    m_clock.start();
    m_pollTimer.setTimerType(Qt::PreciseTimer);
    connect(&m_pollTimer, &QTimer::timeout, this, &ProjectorService::poll);
    m_reopenTimer.setSingleShot(true);
    connect(&m_reopenTimer, &QTimer::timeout, this, &ProjectorService::openPort);
    m_deadlineTimer.setSingleShot(true);
    m_deadlineTimer.setTimerType(Qt::PreciseTimer);
    connect(&m_deadlineTimer, &QTimer::timeout, this, &ProjectorService::expireFronts);
    m_transitionTimer.setSingleShot(true);
    m_transitionTimer.setInterval(TransitionRead);
    connect(&m_transitionTimer, &QTimer::timeout, this, &ProjectorService::readTransition);
    connect(&m_session, &PortSession::exchanged, this, &ProjectorService::exchanged);
    connect(&m_session, &PortSession::lost, this, &ProjectorService::portLost);
}

ProjectorService::~ProjectorService()
{
    stop();
}

ProjectorState::Time ProjectorService::now() const
{
    return ProjectorState::Time(m_clock.elapsed());
}

std::chrono::milliseconds ProjectorService::freshness() const
{
    return m_settings.pollInterval.count() > 0 ? m_settings.pollInterval : OnDemandFreshness;
}

void ProjectorService::start()
{
    m_running = true;
    if (m_settings.pollInterval.count() > 0)
        m_pollTimer.start(m_settings.pollInterval);
    openPort();
}

void ProjectorService::stop()
{
    if (!m_running)
        return;
    m_running = false;
    m_pollTimer.stop();
    m_reopenTimer.stop();
    m_deadlineTimer.stop();
    m_transitionTimer.stop();
    m_session.close();
    m_onLine.reset();
    failEverything();
}

void ProjectorService::openPort()
{
    // A network port is opened with the event loop running: a front may
    // come in meanwhile, and must not start another opening.
    if (!m_running || m_opening || m_session.isOpen())
        return;
    m_opening = true;
    const bool opened = m_session.open();
    m_opening = false;
    if (!m_running) {
        m_session.close();
        return;
    }
    if (!opened) {
        if (!m_reportedClosed) {
            emit logLine(tr("the port %1 did not open: %2; trying again").arg(m_settings.port.label,
                                                                           m_session.errorString()));
            m_reportedClosed = true;
            emit portClosed(m_session.errorString());
        }
        scheduleReopen();
        return;
    }
    m_reportedClosed = false;
    m_redialDelay = FirstRedial;
    emit logLine(tr("the port %1 is open").arg(m_settings.port.label));
    emit portOpened();
    if (m_settings.pollInterval.count() > 0)
        poll();
}

void ProjectorService::scheduleReopen()
{
    if (!m_settings.networkPort) {
        m_reopenTimer.start(LocalRetry);
        return;
    }
    m_reopenTimer.start(m_redialDelay);
    m_redialDelay = std::min(m_redialDelay * 2, LongestRedial);
}

void ProjectorService::portLost(const QString &why)
{
    m_onLine.reset();
    m_state.forgetReadings();
    failEverything();
    emit logLine(tr("the port %1 went away: %2").arg(m_settings.port.label, why));
    m_reportedClosed = true;
    emit portClosed(why);
    emit stateChanged();
    if (m_running)
        scheduleReopen();
}

void ProjectorService::poll()
{
    if (!m_session.isOpen())
        return;
    // A poll still waiting is enough (a silent projector is slower than the interval).
    for (const Job &job : m_jobs) {
        if (job.origin == Origin::Polling)
            return;
    }
    Job job;
    // A silent projector is asked one thing, whether it is back, so the line
    // stays free for the fronts; it is read whole once it answers.
    job.reads = m_answering ? ReadingSet{Reading::Status, Reading::Input, Reading::LampHours, Reading::LampStatus,
                                         Reading::Temperatures}
                            : ReadingSet{Reading::Status};
    // A front that found a reading stale just before this tick had it read
    // already; reading it again would only add a frame.
    job.maxAge = m_settings.pollInterval / 2;
    m_jobs.push_back(std::move(job));
    runNext();
}

void ProjectorService::readTransition()
{
    if (!m_session.isOpen())
        return;
    // A job still to read the status is as good.
    for (const Job &job : m_jobs) {
        if (job.kind == Job::Kind::Read && job.reads.contains(Reading::Status))
            return;
    }
    Job job;
    job.reads = ReadingSet{Reading::Status};
    job.maxAge = TransitionRead / 2;
    m_jobs.push_back(std::move(job));
    runNext();
}

void ProjectorService::refresh(ReadingSet readings, Origin origin, QObject *context, std::function<void()> done)
{
    bool allFresh = true;
    for (const Reading reading : ProjectorReadings::AllReadings) {
        if (readings.contains(reading) && !m_state.isFresh(reading, now(), freshness()))
            allFresh = false;
    }
    if (allFresh || !m_session.isOpen() || !m_answering) {
        // What a silent projector would say is not known now; a read that
        // nobody waits for finds out when it is back, where nothing else will.
        if (!allFresh && m_session.isOpen() && m_jobs.empty()) {
            Job probe;
            probe.reads = readings;
            m_jobs.push_back(std::move(probe));
            runNext();
        }
        done();
        return;
    }
    Job job;
    job.reads = readings;
    job.maxAge = freshness();
    job.origin = origin;
    job.context = context;
    job.hasContext = true;
    job.readDone = std::move(done);
    queueFront(std::move(job), m_settings.replyTimeout + AnswerMargin);
}

void ProjectorService::perform(const QList<ProjectorAction> &actions, Origin origin, QObject *context,
                               std::function<void(ActionOutcome)> done)
{
    if (!m_session.isOpen()) {
        done(ActionOutcome::Failed);
        return;
    }
    Job job;
    job.kind = Job::Kind::Act;
    job.actions = actions;
    job.origin = origin;
    job.context = context;
    job.hasContext = true;
    job.actDone = std::move(done);
    // A projector known to be silent gets one reply window to show it is back.
    queueFront(std::move(job), m_answering ? m_settings.replyTimeout + AnswerMargin : m_settings.replyTimeout);
}

void ProjectorService::queueFront(Job job, std::chrono::milliseconds within)
{
    job.deadline = now() + within;
    m_jobs.push_back(std::move(job));
    armDeadline();
    // Asking a silent projector whether it is back can wait; a front cannot.
    if (!m_answering && m_onLine && m_jobs.front().origin == Origin::Polling)
        m_session.abandon();
    else
        runNext();
}

void ProjectorService::runNext()
{
    while (!m_onLine && !m_jobs.empty() && m_session.isOpen()) {
        // A front's work goes before the polling's, which goes on after it.
        const auto firstFront = std::find_if(m_jobs.begin(), m_jobs.end(),
                                             [](const Job &j) { return j.origin != Origin::Polling; });
        if (firstFront != m_jobs.end())
            std::rotate(m_jobs.begin(), firstFront, firstFront + 1);
        Job &job = m_jobs.front();
        const bool onLine = job.kind == Job::Kind::Read ? startRead(job) : startAction(job);
        if (onLine)
            return;
    }
}

// The next reading the job still needs on the line; false when it is done.
bool ProjectorService::startRead(Job &job)
{
    for (const Reading reading : ProjectorReadings::AllReadings) {
        if (!job.reads.contains(reading))
            continue;
        job.reads.remove(reading);
        // Read by a job before this one: no need to ask the projector again.
        if (m_state.isFresh(reading, now(), job.maxAge))
            continue;
        send(Step::Reading, reading, ProjectorReadings::frame(reading), ProjectorReadings::word(reading));
        return true;
    }
    finishRead();
    return false;
}

// The job's next frame on the line; false when it is over.
bool ProjectorService::startAction(Job &job)
{
    if (job.next == job.actions.size()) {
        finishFront(ActionOutcome::Done);
        return false;
    }
    const ProjectorAction &action = job.actions[job.next];
    if (action.needsSettledPower && !job.powerChecked) {
        send(Step::PowerCheck, Reading::Status, ProjectorReadings::frame(Reading::Status),
             ProjectorReadings::word(Reading::Status));
        return true;
    }
    if (action.needsSettledPower && ProjectorActions::powerIsChanging(m_state)) {
        finishFront(ActionOutcome::Refused);
        return false;
    }
    send(Step::Action, Reading::Status, action.frame, action.name);
    return true;
}

void ProjectorService::send(Step step, Reading reading, const QByteArray &frame, QByteArrayView name)
{
    m_onLine = step;
    m_readingOnLine = reading;
    m_session.submit(SessionCommand{QString::fromLatin1(name), frame});
}

void ProjectorService::exchanged(const ExchangeResult &result)
{
    // The loss itself is told by lost(), which answers every job.
    if (!m_onLine || result.outcome == CommandOutcome::PortLost)
        return;
    Job &job = m_jobs.front();
    emit exchangeFinished(result, job.origin);
    const Step step = *std::exchange(m_onLine, std::nullopt);
    const bool answered = result.outcome == CommandOutcome::Answered;
    const bool wasAnswering = m_answering;
    noteAnswering(answered || result.outcome == CommandOutcome::Refused);
    switch (step) {
    case Step::Reading:
    case Step::PowerCheck:
        m_state.record(m_readingOnLine, now(), answered ? std::optional(result.reply) : std::nullopt);
        if (m_readingOnLine == Reading::Status && ProjectorActions::powerIsChanging(m_state)
            && !m_transitionTimer.isActive())
            m_transitionTimer.start();
        // Back after a silence: the poll that found it reads the rest too.
        if (answered && !wasAnswering && job.origin == Origin::Polling)
            job.reads = ReadingSet{Reading::Input, Reading::LampHours, Reading::LampStatus, Reading::Temperatures};
        emit stateChanged();
        job.powerChecked = step == Step::PowerCheck;
        break;
    case Step::Action: {
        const ProjectorAction &action = job.actions[job.next];
        if (!answered) {
            finishFront(result.outcome == CommandOutcome::Refused ? ActionOutcome::Refused : ActionOutcome::Failed);
            break;
        }
        action.rememberIn(m_state.remembered());
        const std::optional<Reading> readAfter = action.readAfter;
        ++job.next;
        job.powerChecked = false;
        if (readAfter) {
            // What it changed is unknown until read again, which comes next.
            m_state.forget(*readAfter);
            Job refresh;
            refresh.reads = ReadingSet{*readAfter};
            refresh.origin = job.origin;
            m_jobs.insert(m_jobs.begin() + 1, std::move(refresh));
        }
        emit stateChanged();
        break;
    }
    }
    runNext();
}

void ProjectorService::finishFront(ActionOutcome outcome)
{
    Job job = std::move(m_jobs.front());
    m_jobs.pop_front();
    if (job.context)
        job.actDone(outcome);
}

void ProjectorService::finishRead()
{
    Job job = std::move(m_jobs.front());
    m_jobs.pop_front();
    if (job.context && job.readDone)
        job.readDone();
}

// A front past its deadline is answered with what is known: a set as
// failed, a query from the state. Its frame on the line finishes for the
// state's sake, and nothing more of it is sent.
void ProjectorService::expireFronts()
{
    const ProjectorState::Time t = now();
    std::vector<Job> expired;
    for (auto it = m_jobs.begin(); it != m_jobs.end();) {
        if (!it->hasContext || it->deadline > t) {
            ++it;
            continue;
        }
        if (it != m_jobs.begin() || !m_onLine) {
            expired.push_back(std::move(*it));
            it = m_jobs.erase(it);
            continue;
        }
        Job told;
        told.kind = it->kind;
        told.context = std::exchange(it->context, nullptr);
        told.readDone = std::move(it->readDone);
        told.actDone = std::move(it->actDone);
        it->hasContext = false;
        if (it->kind == Job::Kind::Act)
            it->actions.resize(it->next + (*m_onLine == Step::Action ? 1 : 0));
        expired.push_back(std::move(told));
        ++it;
    }
    armDeadline();
    // Told once the queue is in order: a front may queue again from its call.
    for (Job &job : expired) {
        tellFailed(job);
    }
}

void ProjectorService::armDeadline()
{
    std::optional<ProjectorState::Time> earliest;
    for (const Job &job : m_jobs) {
        if (job.hasContext && (!earliest || job.deadline < *earliest))
            earliest = job.deadline;
    }
    if (!earliest) {
        m_deadlineTimer.stop();
        return;
    }
    m_deadlineTimer.start(std::max(ProjectorState::Time(0), *earliest - now()));
}

// A set as failed, a query with what is known; nobody once its front is gone.
void ProjectorService::tellFailed(Job &job)
{
    if (!job.context)
        return;
    if (job.kind == Job::Kind::Act)
        job.actDone(ActionOutcome::Failed);
    else if (job.readDone)
        job.readDone();
}

void ProjectorService::failEverything()
{
    std::deque<Job> jobs = std::exchange(m_jobs, {});
    for (Job &job : jobs) {
        tellFailed(job);
    }
}

void ProjectorService::noteAnswering(bool answering)
{
    if (answering == m_answering)
        return;
    m_answering = answering;
    // What a silent projector last said may no longer be so.
    if (!answering) {
        m_state.forgetReadings();
        emit stateChanged();
    }
    emit logLine(answering ? tr("the projector answers again")
                           : tr("the projector does not answer on %1").arg(m_settings.port.label));
}
