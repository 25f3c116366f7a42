#include "ctl/portsession.h"

#include "ctl/replycompletion.h"

PortSession::PortSession(const PortChoice &port, const QString &serialParameters,
                         const QList<CtlPlan::Command> &commands, std::chrono::milliseconds timeout,
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
    if (m_finished)  // interrupted before its turn
        return;
    if (m_port.comNumber > 0)
        m_comm.setCommPort(m_port.comNumber);
    m_comm.setPortEntry(m_port.entry);
    (void)m_comm.setSettings(m_serialParameters);
    const bool opened = m_comm.setPortOpen(true);
    // Interrupted while a network port was being connected.
    if (m_finished) {
        (void)m_comm.setPortOpen(false);
        return;
    }
    if (!opened) {
        emit problem(m_port.label, tr("the port did not open: %1").arg(m_comm.errorString()));
        finish(ExitStatus::PortFailed);
        return;
    }
    sendNext();
}

void PortSession::sendNext()
{
    if (m_next == m_commands.size()) {
        finish(m_status);
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
        conclude(m_received.bytes().first(*length), true);
}

void PortSession::replyWindowClosed()
{
    if (!m_awaiting)
        return;
    const QByteArray partial = m_received.bytes();
    conclude(partial, false);
}

void PortSession::conclude(const QByteArray &reply, bool complete)
{
    m_awaiting = false;
    m_replyWindow.stop();
    const CtlPlan::Command &command = m_commands[m_next];
    emit exchanged(ExchangeResult{m_port.label, command.name, command.frame, reply, complete,
                                  double(m_clock.nsecsElapsed()) / 1e6});
    if (!complete) {
        const int ms = m_replyWindow.interval();
        emit problem(m_port.label, reply.isEmpty()
                         ? tr("no reply to \"%1\" within %2 ms").arg(commandText()).arg(ms)
                         : tr("no complete reply to \"%1\" within %2 ms (no CR)").arg(commandText()).arg(ms));
        m_status = ExitStatus::worse(m_status, ExitStatus::NoReply);
    }
    ++m_next;
    if (m_comm.PortOpen())
        sendNext();
}

void PortSession::portLost()
{
    if (m_finished)
        return;
    if (m_awaiting)
        conclude(m_received.bytes(), false);
    emit problem(m_port.label, tr("the port went away: %1").arg(m_comm.errorString()));
    finish(ExitStatus::PortFailed);
}

void PortSession::interrupt(const QString &signalName)
{
    if (m_finished)
        return;
    emit problem(m_port.label, m_awaiting
                     ? tr("interrupted by %1 while waiting for the reply to \"%2\"").arg(signalName, commandText())
                     : tr("interrupted by %1").arg(signalName));
    m_awaiting = false;
    finish(m_status);
}

void PortSession::finish(ExitStatus::Code status)
{
    if (m_finished)
        return;
    m_status = ExitStatus::worse(m_status, status);
    m_replyWindow.stop();
    // Also after a loss: closing ends any wait for the device to come back.
    (void)m_comm.setPortOpen(false);
    m_finished = true;
    emit finished();
}

QString PortSession::commandText() const
{
    return QString::fromLatin1(m_commands[m_next].frame.chopped(1));
}
