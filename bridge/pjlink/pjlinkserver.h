#pragma once

#include "bridge/pjlink/pjlinkconnection.h"

#include <QHostAddress>
#include <QObject>
#include <QTcpServer>

class ProjectorService;

// One projector's PJLink port: takes connections up to a limit and gives
// each a PjlinkConnection on the projector's service.
class PjlinkServer : public QObject
{
    Q_OBJECT

public:
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

    ProjectorService &m_service;
    const PjlinkSettings m_settings;
    const int m_maxClients;
    QTcpServer m_server;
    int m_clients = 0;
};
