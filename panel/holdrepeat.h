#pragma once

#include "exchange/transmitorigin.h"

#include <QObject>

class Exchange;
class QTimer;
struct Module1;

// Press-and-hold repeat of the twelve arrow buttons: the frame goes out at the
// press and again every 100 ms until the release.
class HoldRepeat : public QObject
{
    Q_OBJECT

public:
    static constexpr int RepeatMs = 100;

    HoldRepeat(Module1 &module, Exchange &exchange, QObject *parent = nullptr);

    // The MouseDown handler of the hold button with this repeat code.
    void press(int repeatCode);
    void Cont_M_down();
    void Timer1_Timer();
    void Cont_M_up();

    void resetRepeatCode() { m_repeatCode = 0; }
    [[nodiscard]] quint8 repeatCode() const { return m_repeatCode; }
    [[nodiscard]] bool isHolding() const { return m_holdFlag != 0; }
    [[nodiscard]] QTimer &timer1() const { return *m_timer1; }

    // The command text (no CR) of a repeat code, 1 to 12.
    [[nodiscard]] static QByteArray repeatText(int repeatCode);

private:
    // For the log: which hold button sent, at its press or on a repeat.
    [[nodiscard]] TransmitOrigin origin(TransmitOrigin::Kind pressOrRepeat) const;

    Module1 &m_module;
    Exchange &m_exchange;
    QTimer *const m_timer1;
    quint8 m_repeatCode = 0;
    qint16 m_holdFlag = 0;
};
