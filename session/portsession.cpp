#include "session/portsession.h"

#include "session/replycompletion.h"

PortSession::PortSession(const SessionPort &port, const QString &serialParameters,
                         const QList<SessionCommand> &commands, std::chrono::milliseconds timeout,
                         QObject *parent)
    : QObject(parent)
    , m_port(port)
    , m_serialParameters(serialParameters)
    , m_commands(commands)
{
    m_replyWindow.setSingleShot(true);
    m_replyWindow.setTimerType(Qt::PreciseTimer);
    m_replyWindow.setInterval(timeout);
    connect(&m_replyWindow, &QTimer::timeout, this, &PortSession::replyWindowClosed);
    connect(&m_comm, &MSComm::OnComm, this, &PortSession::received);
    connect(&m_comm, &MSComm::deviceLost, this, &PortSession::portLost);
}

void PortSession::start()
{
    if (m_port.comNumber > 0)
        m_comm.setCommPort(m_port.comNumber);
    m_comm.setPortEntry(m_port.entry);
    (void)m_comm.setSettings(m_serialParameters);
    if (!m_comm.setPortOpen(true)) {
        emit problem(m_port.label, tr("the port did not open: %1").arg(m_comm.errorString()));
        finish(Ending::NotOpened);
        return;
    }
    sendNext();
}

void PortSession::sendNext()
{
    if (m_next == m_commands.size()) {
        finish(Ending::Done);
        return;
    }
    // What came before the frame is no reply to it.
    (void)m_comm.Input();
    m_received.clear();
    m_comm.Output(m_commands[m_next].frame);
    m_clock.start();
    m_awaiting = true;
    m_replyWindow.start();
}

void PortSession::received()
{
    if (m_comm.CommEvent() != MSComm::comEvReceive)
        return;
    const QByteArray arrived = m_comm.Input();
    if (!m_awaiting)
        return;
    m_received.append(arrived);
    if (const auto length = ReplyCompletion::completeLength(m_received.bytes()))
        conclude(m_received.bytes().first(*length), ExchangeOutcome::Answered);
}

void PortSession::replyWindowClosed()
{
    if (!m_awaiting)
        return;
    const QByteArray partial = m_received.bytes();
    conclude(partial, ExchangeOutcome::NoReply);
}

void PortSession::conclude(const QByteArray &reply, ExchangeOutcome outcome)
{
    m_awaiting = false;
    m_replyWindow.stop();
    const SessionCommand &command = m_commands[m_next];
    const bool complete = outcome == ExchangeOutcome::Answered;
    emit exchanged(ExchangeResult{m_port.label, command.name, command.frame, reply, complete,
                                  double(m_clock.nsecsElapsed()) / 1e6, outcome});
    if (!complete) {
        const int ms = m_replyWindow.interval();
        emit problem(m_port.label, reply.isEmpty()
                         ? tr("no reply to \"%1\" within %2 ms").arg(commandText()).arg(ms)
                         : tr("no complete reply to \"%1\" within %2 ms (no CR)").arg(commandText()).arg(ms));
    }
    ++m_next;
    if (m_comm.PortOpen())
        sendNext();
}

void PortSession::portLost()
{
    if (isFinished())
        return;
    if (m_awaiting)
        conclude(m_received.bytes(), ExchangeOutcome::PortLost);
    emit problem(m_port.label, tr("the port went away: %1").arg(m_comm.errorString()));
    finish(Ending::Lost);
}

void PortSession::finish(Ending ending)
{
    if (isFinished())
        return;
    m_ending = ending;
    m_replyWindow.stop();
    // Also after a loss: closing ends any wait for the device to come back.
    (void)m_comm.setPortOpen(false);
    emit finished();
}

QString PortSession::commandText() const
{
    return QString::fromLatin1(m_commands[m_next].frame.chopped(1));
}
