#include "exchange/exchange.h"

#include "exchange/monitorline.h"
#include "exchange/replyinterpretation.h"
#include "link/mscomm.h"

#include <QLabel>
#include <QTimer>

namespace {

QTimer *makeTimer(const char *name, int intervalMs, QObject *parent)
{
    auto *timer = new QTimer(parent);
    timer->setObjectName(QLatin1StringView(name));
    timer->setTimerType(Qt::PreciseTimer);
    timer->setInterval(intervalMs);
    return timer;
}

} // namespace

Exchange::Exchange(MSComm &comm, const MonitorControls &controls, QObject *parent)
    : QObject(parent)
    , m_comm(comm)
    , m_controls(controls)
    , m_timer2(makeTimer("Timer2", ExchangeIntervals::BeforeStartUp.replyWindowMs, this))
    , m_timer4(makeTimer("Timer4", ExchangeIntervals::BeforeStartUp.monitorHoldMs, this))
{
    connect(m_timer2, &QTimer::timeout, this, &Exchange::Timer2_Timer);
    connect(m_timer4, &QTimer::timeout, this, &Exchange::Timer4_Timer);
    connect(&m_comm, &MSComm::OnComm, this, &Exchange::MSComm1_OnComm);
}

void Exchange::Hyouji(const QByteArray &text, quint8 mode, const TransmitOrigin &origin)
{
    if (mode == Transmit) {
        const bool written = m_comm.PortOpen() && !text.isEmpty();
        m_comm.Output(text);
        m_controls.rxd->blank();
        m_receiveBuffer.clear();
        const auto legends = m_controls.txd->showRendering(text);
        showLegends(legends.carriageReturn, legends.space);
        // Starting a running timer restarts it: every frame gets its full
        // reply window and monitor hold.
        m_timer2->start();
        m_awaitingReply = 1;
        m_timer4->start();
        m_interpretationKey = text;
        emit frameTransmitted(text, origin, written);
        return;
    }
    // The receive buffer only grows between two emptyings, so its rendering
    // can be extended without looking at what is already shown.
    const bool isReceiveBuffer = text.constData() == m_receiveBuffer.bytes().constData()
        && text.size() == m_receiveBuffer.size();
    const auto legends = isReceiveBuffer
        ? m_controls.rxd->showRenderingOfAppended(text, m_receiveBuffer.generation())
        : m_controls.rxd->showRendering(text);
    showLegends(legends.carriageReturn, legends.space);
    interpretReply(text);
}

void Exchange::MSComm1_OnComm()
{
    if (m_comm.CommEvent() != MSComm::comEvReceive)
        return;
    const QByteArray arrived = m_comm.Input();
    emit bytesReceived(arrived);
    m_receiveBuffer.append(arrived);
    m_awaitingReply = 0;
    Hyouji(m_receiveBuffer.bytes(), Receive);
}

void Exchange::Timer2_Timer()
{
    const bool replied = m_awaitingReply != 1;
    if (m_awaitingReply == 1)
        m_controls.rxd->showMark(NoReplyMark);
    m_timer2->stop();
    m_controls.spaceLegend->setVisible(false);
    m_controls.carriageReturnLegend->setVisible(false);
    m_receiveBuffer.clear();
    m_awaitingReply = 0;
    emit replyWindowClosed(replied);
}

void Exchange::Timer4_Timer()
{
    m_controls.txd->blank();
    m_controls.rxd->blank();
    m_controls.status->showText(QString());
    m_timer4->stop();
}

void Exchange::setIntervals(ExchangeIntervals::Row intervals)
{
    m_timer2->setInterval(intervals.replyWindowMs);
    m_timer4->setInterval(intervals.monitorHoldMs);
}

void Exchange::resetState()
{
    m_awaitingReply = 0;
    m_receiveBuffer.clear();
}

void Exchange::blankTransmitAndReceiveLines()
{
    m_controls.txd->blank();
    m_controls.rxd->blank();
}

void Exchange::interpretReply(QByteArrayView reply)
{
    const auto status = ReplyInterpretation::statusFor(m_interpretationKey, reply);
    if (!status)
        return;
    m_controls.status->showText(*status);
    emit statusWritten(*status);
}

void Exchange::showLegends(bool carriageReturn, bool space)
{
    if (carriageReturn)
        m_controls.carriageReturnLegend->setVisible(true);
    if (space)
        m_controls.spaceLegend->setVisible(true);
}
