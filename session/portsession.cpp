#include "session/portsession.h"

#include "protocol/frame.h"
#include "transports/messagetext.h"

#include <algorithm>

namespace {

QString commandText(const QByteArray &frame)
{
    return MessageText::quoted(QString::fromLatin1(Protocol::textOf(frame)));
}

} // namespace

PortSession::PortSession(const SessionPort &port, const QString &serialParameters,
                         std::chrono::milliseconds timeout, QObject *parent)
    : QObject(parent)
    , m_port(port)
    , m_serialParameters(serialParameters)
    , m_timeout(timeout)
{
    m_replyWindow.setSingleShot(true);
    m_replyWindow.setTimerType(Qt::PreciseTimer);
    m_replyWindow.setInterval(timeout);
    connect(&m_replyWindow, &QTimer::timeout, this, &PortSession::replyWindowClosed);
    m_quietLook.setSingleShot(true);
    connect(&m_quietLook, &QTimer::timeout, this, &PortSession::quietLooked);
    // A lost port is closed and reported; whoever holds the session opens it again.
    m_comm.setReopensReturningDevice(false);
    connect(&m_comm, &MSComm::OnComm, this, &PortSession::received);
    connect(&m_comm, &MSComm::deviceLost, this, &PortSession::portLost);
}

bool PortSession::open()
{
    if (isOpen())
        return true;
    if (m_port.comNumber > 0)
        m_comm.setCommPort(m_port.comNumber);
    m_comm.setPortEntry(m_port.entry);
    (void)m_comm.setSettings(m_serialParameters);
    m_interrupted = false;
    m_opening = true;
    const bool opened = m_comm.setPortOpen(true);
    m_opening = false;
    if (m_interrupted) {
        close();
        return false;
    }
    if (!opened)
        return false;
    // A reply that came after an earlier user had gone is waiting here.
    m_comm.discardInput();
    m_unsettled = false;
    sendNext();
    return true;
}

void PortSession::close()
{
    m_queue.clear();
    m_awaiting.reset();
    m_replyWindow.stop();
    m_quietLook.stop();
    m_settling.invalidate();
    (void)m_comm.setPortOpen(false);
}

void PortSession::interrupt(const QString &cause)
{
    emit problem(m_port.label, m_awaiting ? tr("interrupted by %1 while waiting for the reply to %2")
                                                .arg(cause, commandText(m_queue.front().frame))
                                          : tr("interrupted by %1").arg(cause));
    m_interrupted = true;
    // Closing in the middle of opening a network port would pull the
    // connection from under its own wait: open() closes once it is back.
    if (!m_opening)
        close();
}

void PortSession::submit(const SessionCommand &command)
{
    m_queue.append(command);
    if (m_queue.size() == 1 && isOpen())
        sendNext();
}

void PortSession::sendNext()
{
    if (m_awaiting || m_settling.isValid() || !isOpen() || m_queue.isEmpty())
        return;
    if (m_unsettled && !lineIsQuiet()) {
        m_settling.start();
        quietLooked();
        return;
    }
    m_unsettled = false;
    // What came before the frame is no reply to it.
    (void)m_comm.Input();
    const QByteArray &frame = m_queue.front().frame;
    m_awaiting.emplace(frame);
    m_comm.Output(frame);
    m_clock.start();
    m_replyWindow.start();
}

bool PortSession::lineIsQuiet() const
{
    return !m_lastByte.isValid() || m_lastByte.elapsed() >= QuietGap.count();
}

void PortSession::quietLooked()
{
    const qint64 leftOfLimit = QuietLimit.count() - m_settling.elapsed();
    if (!lineIsQuiet() && leftOfLimit > 0) {
        // Look again when the gap since the last byte would be over.
        const qint64 leftOfGap = QuietGap.count() - m_lastByte.elapsed();
        m_quietLook.start(int(std::clamp<qint64>(std::min(leftOfGap, leftOfLimit), 1, QuietGap.count())));
        return;
    }
    m_settling.invalidate();
    m_unsettled = false;
    sendNext();
}

void PortSession::received()
{
    if (m_comm.CommEvent() != MSComm::comEvReceive)
        return;
    const QByteArray arrived = m_comm.Input();
    if (arrived.isEmpty())
        return;
    m_lastByte.start();
    // Between replies, bytes answer nothing.
    if (!m_awaiting)
        return;
    if (const auto verdict = m_awaiting->take(arrived))
        conclude(*verdict);
}

void PortSession::replyWindowClosed()
{
    if (m_awaiting)
        conclude(m_awaiting->timedOut());
}

void PortSession::abandon()
{
    if (m_awaiting)
        conclude(m_awaiting->timedOut());
}

void PortSession::conclude(const ReplyMatcher::Verdict &verdict)
{
    m_awaiting.reset();
    m_replyWindow.stop();
    const SessionCommand command = m_queue.takeFirst();
    const ExchangeResult result{m_port.label, command.name,  command.frame,  verdict.reply,
                                verdict.complete, double(m_clock.nsecsElapsed()) / 1e6, verdict.outcome};
    if (verdict.outcome != CommandOutcome::Answered && verdict.outcome != CommandOutcome::Refused) {
        // The reply may be on its way still: the quiet wait counts from now.
        m_unsettled = true;
        m_lastByte.start();
    }
    emit exchanged(result);
    if (verdict.outcome != CommandOutcome::Answered)
        emit problem(m_port.label, problemWith(result));
    if (m_queue.isEmpty())
        emit idle();
    else
        sendNext();
}

QString PortSession::problemWith(const ExchangeResult &result) const
{
    const QString command = commandText(result.sent);
    switch (result.outcome) {
    case CommandOutcome::Answered:
        break;
    case CommandOutcome::Refused:
        return tr("the projector refused %1 (it answered \"?\")").arg(command);
    case CommandOutcome::Unexpected:
        return tr("unexpected reply to %1: %2").arg(command, MessageText::quotedBytes(result.reply));
    case CommandOutcome::NoReply:
        return result.reply.isEmpty()
            ? tr("no reply to %1 within %2 ms").arg(command).arg(m_timeout.count())
            : tr("no complete reply to %1 within %2 ms (no CR)").arg(command).arg(m_timeout.count());
    case CommandOutcome::PortLost:
        return tr("the port went away while the reply to %1 was awaited (%2)").arg(command, errorString());
    }
    return {};
}

void PortSession::portLost()
{
    const QString why = errorString();
    if (m_awaiting) {
        const QByteArray came = m_awaiting->timedOut().reply;
        m_awaiting.reset();
        m_replyWindow.stop();
        const SessionCommand command = m_queue.takeFirst();
        const ExchangeResult result{m_port.label, command.name, command.frame, came, false,
                                    double(m_clock.nsecsElapsed()) / 1e6, CommandOutcome::PortLost};
        emit exchanged(result);
        emit problem(m_port.label, problemWith(result));
    } else {
        emit problem(m_port.label, tr("the port went away (%1)").arg(why));
    }
    close();
    emit lost(why);
}
