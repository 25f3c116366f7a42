#include "bridge/pjlink/pjlinkserver.h"

#include <QTcpSocket>

PjlinkServer::PjlinkServer(ProjectorService &service, const PjlinkSettings &settings, int maxClients,
                           QObject *parent)
    : QObject(parent)
    , m_service(service)
    , m_settings(settings)
    , m_maxClients(maxClients)
{
    connect(&m_server, &QTcpServer::newConnection, this, &PjlinkServer::accept);
}

bool PjlinkServer::listen(const QHostAddress &address, quint16 port)
{
    return m_server.listen(address, port);
}

void PjlinkServer::accept()
{
    while (QTcpSocket *socket = m_server.nextPendingConnection()) {
        if (m_clients >= m_maxClients) {
            emit logLine(tr("%1 refused: %2 clients already")
                             .arg(PjlinkConnection::peerOf(*socket)).arg(m_clients));
            socket->abort();
            socket->deleteLater();
            emit connectionRefused();
            continue;
        }
        ++m_clients;
        emit connectionTaken();
        auto *connection = new PjlinkConnection(socket, m_service, m_settings, this);
        connect(connection, &PjlinkConnection::logLine, this, &PjlinkServer::logLine);
        connect(connection, &PjlinkConnection::wrongPassword, this, &PjlinkServer::wrongPassword);
        connect(connection, &PjlinkConnection::closed, this, [this] { --m_clients; });
    }
}

void PjlinkServer::close()
{
    m_server.close();
    for (PjlinkConnection *connection : findChildren<PjlinkConnection *>(Qt::FindDirectChildrenOnly))
        delete connection;
    m_clients = 0;
}
