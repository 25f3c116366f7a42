#include "panel/holdrepeat.h"

#include "link/module1.h"
#include "exchange/exchange.h"
#include "panel/paneltable.h"
#include "protocol/frame.h"

#include <QTimer>

HoldRepeat::HoldRepeat(Module1 &module, Exchange &exchange, QObject *parent)
    : QObject(parent)
    , m_module(module)
    , m_exchange(exchange)
    , m_timer1(new QTimer(this))
{
    m_timer1->setObjectName(QStringLiteral("Timer1"));
    // A precise timer keeps the 100 ms cadence without drift.
    m_timer1->setTimerType(Qt::PreciseTimer);
    connect(m_timer1, &QTimer::timeout, this, &HoldRepeat::Timer1_Timer);
}

QByteArray HoldRepeat::repeatText(int repeatCode)
{
    const PanelTable::Button *button = PanelTable::buttonByRepeatCode(repeatCode);
    return button ? QByteArray(button->sends) : QByteArray();
}

TransmitOrigin HoldRepeat::origin(TransmitOrigin::Kind pressOrRepeat) const
{
    const PanelTable::Button *button = PanelTable::buttonByRepeatCode(m_repeatCode);
    return button ? TransmitOrigin::hold(pressOrRepeat, button->accessibleName, button->name) : TransmitOrigin{};
}

void HoldRepeat::press(int repeatCode)
{
    if (m_holdFlag != 0)
        return;
    m_holdFlag = 1;
    m_repeatCode = quint8(repeatCode);
    m_module.pendingCommand = Protocol::frame(repeatText(repeatCode));
    Cont_M_down();
}

void HoldRepeat::Cont_M_down()
{
    m_timer1->setInterval(RepeatMs);
    m_exchange.setIntervals(ExchangeIntervals::DuringHold);
    m_exchange.Hyouji(m_module.pendingCommand, Exchange::Transmit, origin(TransmitOrigin::Kind::HoldPress));
    m_timer1->start();
}

void HoldRepeat::Timer1_Timer()
{
    if (m_repeatCode == 0)
        return;
    m_module.pendingCommand = Protocol::frame(repeatText(m_repeatCode));
    m_exchange.Hyouji(m_module.pendingCommand, Exchange::Transmit, origin(TransmitOrigin::Kind::HoldRepeat));
    // Timer1 keeps running on its own schedule; restarting it here would add
    // this handler's time to every period.
}

void HoldRepeat::Cont_M_up()
{
    m_repeatCode = 0;
    m_timer1->stop();
    // The reply wait of the last frame is dropped: no no-reply mark for it.
    m_exchange.timer2().stop();
    m_exchange.timer4().start();
    m_exchange.blankTransmitAndReceiveLines();
    m_exchange.setIntervals(ExchangeIntervals::AfterHold);
    m_exchange.emptyReceiveBuffer();
    m_holdFlag = 0;
}
