#pragma once

#include "exchange/exchangeintervals.h"
#include "exchange/monitorrendering.h"
#include "exchange/receivebuffer.h"
#include "exchange/transmitorigin.h"

#include <QByteArray>
#include <QObject>

class MonitorLine;
class MSComm;
class QLabel;
class QTimer;
class ReadoutLine;

// The main window's controls that show an exchange.
struct MonitorControls {
    MonitorLine *txd = nullptr;          // Label11
    MonitorLine *rxd = nullptr;          // Label12
    ReadoutLine *status = nullptr;       // Label25
    QLabel *spaceLegend = nullptr;       // Label27
    QLabel *carriageReturnLegend = nullptr;  // Label28
};

// The one road by which every command frame reaches the projector and every
// reply reaches the operator: transmit, receive, the monitor, the reply window
// (Timer2) and the monitor hold (Timer4).
class Exchange : public QObject
{
    Q_OBJECT

public:
    // Mode values of Hyouji.
    static constexpr quint8 Transmit = 1;
    static constexpr quint8 Receive = 2;

    // Shown on the RxD line when a reply window closes with nothing received.
    static inline const QString NoReplyMark = MonitorRendering::NoReplyMark;

    Exchange(MSComm &comm, const MonitorControls &controls, QObject *parent = nullptr);

    // Mode 1 writes `text` to the port and shows it on the TxD line; any other
    // mode shows `text` (the receive buffer) on the RxD line and interprets it.
    // `origin` tells the log where a transmitted frame came from.
    void Hyouji(const QByteArray &text, quint8 mode, const TransmitOrigin &origin = {});

    void MSComm1_OnComm();
    void Timer2_Timer();
    void Timer4_Timer();

    [[nodiscard]] QTimer &timer2() const { return *m_timer2; }
    [[nodiscard]] QTimer &timer4() const { return *m_timer4; }
    void setIntervals(ExchangeIntervals::Row intervals);

    // The exchange state as start-up leaves it: flag 0, buffer empty.
    void resetState();
    void emptyReceiveBuffer() { m_receiveBuffer.clear(); }
    void blankTransmitAndReceiveLines();

    [[nodiscard]] const QByteArray &receiveBuffer() const { return m_receiveBuffer.bytes(); }
    [[nodiscard]] quint8 awaitingReply() const { return m_awaitingReply; }
    // The frame that replies are interpreted against: the last one transmitted.
    [[nodiscard]] const QByteArray &interpretationKey() const { return m_interpretationKey; }

signals:
    // What happened, for the exchange log; nothing of the exchange listens.
    void frameTransmitted(const QByteArray &frame, const TransmitOrigin &origin, bool written);
    void bytesReceived(const QByteArray &bytes);
    void statusWritten(const QString &text);
    void replyWindowClosed(bool replied);

private:
    void interpretReply(QByteArrayView reply);
    void showLegends(bool carriageReturn, bool space);

    MSComm &m_comm;
    const MonitorControls m_controls;
    QTimer *const m_timer2;
    QTimer *const m_timer4;
    ReceiveBuffer m_receiveBuffer;
    quint8 m_awaitingReply = 0;
    QByteArray m_interpretationKey;
};
