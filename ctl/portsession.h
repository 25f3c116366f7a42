#pragma once

#include "ctl/ctlplan.h"
#include "ctl/exchangeresult.h"
#include "ctl/exitstatus.h"
#include "exchange/receivebuffer.h"
#include "link/mscomm.h"

#include <QElapsedTimer>
#include <QObject>
#include <QTimer>

#include <chrono>

// One projector: opens its port, sends the commands one after another, each
// once the previous one is answered or its wait is over, and closes the port.
// Several sessions run side by side on one event loop.
class PortSession : public QObject
{
    Q_OBJECT

public:
    PortSession(const PortChoice &port, const QString &serialParameters,
                const QList<CtlPlan::Command> &commands, std::chrono::milliseconds timeout,
                QObject *parent = nullptr);

    // Returns at once for a local device; a network port is connected with
    // the event loop running, so other sessions go on meanwhile.
    void start();
    // Stops where it is, says so, and closes the port.
    void interrupt(const QString &signalName);
    [[nodiscard]] bool isFinished() const { return m_finished; }
    [[nodiscard]] ExitStatus::Code status() const { return m_status; }
    [[nodiscard]] const PortChoice &port() const { return m_port; }

signals:
    void exchanged(const ExchangeResult &result);
    // Something to tell on standard error, already in plain words.
    void problem(const QString &port, const QString &message);
    void finished();

private:
    void sendNext();
    void received();
    void replyWindowClosed();
    void conclude(const QByteArray &reply, bool complete);
    void portLost();
    void finish(ExitStatus::Code status);
    [[nodiscard]] QString commandText() const;

    const PortChoice m_port;
    const QString m_serialParameters;
    const QList<CtlPlan::Command> m_commands;
    MSComm m_comm;
    QTimer m_replyWindow;
    QElapsedTimer m_clock;
    ReceiveBuffer m_received;
    qsizetype m_next = 0;
    bool m_awaiting = false;
    bool m_finished = false;
    ExitStatus::Code m_status = ExitStatus::Success;
};
