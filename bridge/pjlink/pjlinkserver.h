#pragma once

#include "bridge/pjlink/pjlinkconnection.h"
#include "bridge/projector/wrongpasswords.h"

#include <QHostAddress>
#include <QObject>
#include <QHash>
#include <QTcpServer>
#include <QTimer>

class ProjectorService;

// One projector's PJLink port: takes connections up to a limit and gives
// each a PjlinkConnection on the projector's service. Wrong digests are
// penalized by peer address (later digests wait, then the peer is shut
// out), and the log has the first of a run and then, every so often, how
// many more came.
class PjlinkServer : public QObject
{
    Q_OBJECT

public:
    static constexpr std::chrono::seconds SummaryInterval{5};

    PjlinkServer(ProjectorService &service, const PjlinkSettings &settings, int maxClients,
                 QObject *parent = nullptr);

    // False, with errorString(), when the address cannot be listened on.
    [[nodiscard]] bool listen(const QHostAddress &address, quint16 port);
    [[nodiscard]] QString errorString() const { return m_server.errorString(); }
    [[nodiscard]] quint16 serverPort() const { return m_server.serverPort(); }
    [[nodiscard]] int clients() const { return m_clients; }
    // Stops listening and closes every connection.
    void close();

signals:
    // A connection taken, or refused for the limit; a client's wrong password.
    void connectionTaken();
    void connectionRefused();
    void wrongPassword();
    void logLine(const QString &line);

private:
    void accept();
    void wrongDigest(const QString &address, const QString &line);
    void summarize();

    ProjectorService &m_service;
    const PjlinkSettings m_settings;
    const int m_maxClients;
    QTcpServer m_server;
    int m_clients = 0;
    WrongPasswords m_wrong;
    QHash<QString, int> m_unlogged;  // wrong digests by address, since the last summary
    QTimer m_summary;
};
