#pragma once

#include "exchange/receivebuffer.h"
#include "link/mscomm.h"
#include "session/exchangeresult.h"
#include "session/sessioncommand.h"
#include "session/sessionport.h"

#include <QElapsedTimer>
#include <QList>
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
    // How the session ended.
    enum class Ending {
        Running,
        Done,        // every command went out and has its outcome
        NotOpened,   // the port did not open
        Lost,        // the port went away
    };

    PortSession(const SessionPort &port, const QString &serialParameters,
                const QList<SessionCommand> &commands, std::chrono::milliseconds timeout,
                QObject *parent = nullptr);

    // Returns at once for a local device; a network port is connected with
    // the event loop running, so other sessions go on meanwhile.
    void start();
    [[nodiscard]] bool isFinished() const { return m_ending != Ending::Running; }
    [[nodiscard]] Ending ending() const { return m_ending; }
    [[nodiscard]] const SessionPort &port() const { return m_port; }

signals:
    void exchanged(const ExchangeResult &result);
    // Something to tell on standard error, already in plain words.
    void problem(const QString &port, const QString &message);
    void finished();

private:
    void sendNext();
    void received();
    void replyWindowClosed();
    void conclude(const QByteArray &reply, ExchangeOutcome outcome);
    void portLost();
    void finish(Ending ending);
    [[nodiscard]] QString commandText() const;

    const SessionPort m_port;
    const QString m_serialParameters;
    const QList<SessionCommand> m_commands;
    MSComm m_comm;
    QTimer m_replyWindow;
    QElapsedTimer m_clock;
    ReceiveBuffer m_received;
    qsizetype m_next = 0;
    bool m_awaiting = false;
    Ending m_ending = Ending::Running;
};
