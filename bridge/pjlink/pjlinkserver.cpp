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
    m_summary.setSingleShot(true);
    m_summary.setInterval(SummaryInterval);
    connect(&m_summary, &QTimer::timeout, this, &PjlinkServer::summarize);
}

bool PjlinkServer::listen(const QHostAddress &address, quint16 port)
{
    return m_server.listen(address, port);
}

void PjlinkServer::accept()
{
    while (QTcpSocket *socket = m_server.nextPendingConnection()) {
        const QString address = PjlinkConnection::addressOf(*socket);
        if (m_wrong.shutOut(address)) {
            socket->abort();
            socket->deleteLater();
            emit connectionRefused();
            continue;
        }
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
        auto *connection = new PjlinkConnection(socket, m_service, m_settings, m_wrong, this);
        connect(connection, &PjlinkConnection::logLine, this, &PjlinkServer::logLine);
        connect(connection, &PjlinkConnection::wrongPassword, this,
                [this, address](const QString &line) { wrongDigest(address, line); });
        connect(connection, &PjlinkConnection::authenticated, this, [this, address] { m_wrong.succeeded(address); });
        connect(connection, &PjlinkConnection::closed, this, [this] { --m_clients; });
    }
}

void PjlinkServer::wrongDigest(const QString &address, const QString &line)
{
    emit wrongPassword();
    const WrongPasswords::Penalty penalty = m_wrong.failed(address);
    if (penalty.inARow == 1) {
        emit logLine(line);
    } else {
        ++m_unlogged[address];
        if (!m_summary.isActive())
            m_summary.start();
    }
    if (penalty.shutOut && penalty.inARow == WrongPasswords::ShutOutAfter)
        emit logLine(tr("%1: %2 wrong digests in a row, its connections refused for %3 ms")
                         .arg(address).arg(penalty.inARow).arg(penalty.delay.count()));
}

void PjlinkServer::summarize()
{
    for (auto it = m_unlogged.cbegin(); it != m_unlogged.cend(); ++it)
        emit logLine(tr("%1 more wrong digests from %2").arg(it.value()).arg(it.key()));
    m_unlogged.clear();
}

void PjlinkServer::close()
{
    m_server.close();
    m_summary.stop();
    summarize();
    for (PjlinkConnection *connection : findChildren<PjlinkConnection *>(Qt::FindDirectChildrenOnly))
        delete connection;
    m_clients = 0;
}
