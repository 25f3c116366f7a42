#include "sim/networkline.h"

namespace {

// The line as it is before any client sets it.
const SerialParameters InitialLine{19200, SerialParameters::Parity::None, 8, SerialParameters::StopBits::One};

} // namespace

Rfc2217Server::Device NetworkLine::projectorSide()
{
    Rfc2217Server::Device device;
    device.speeds = {9600, 19200};
    device.fixedFormat = true;
    device.signature = QByteArrayLiteral("rm740-sim");
    return device;
}

NetworkLine::NetworkLine(Protocol protocol, const QHostAddress &address, quint16 port, QObject *parent)
    : SimulatorLine(parent)
    , m_protocol(protocol)
    , m_address(address)
    , m_port(port)
    , m_line(InitialLine)
{
    connect(&m_server, &QTcpServer::newConnection, this, &NetworkLine::accept);
}

NetworkLine::~NetworkLine()
{
    close();
}

bool NetworkLine::open()
{
    if (m_server.isListening())
        return true;
    if (!m_server.listen(m_address, m_port)) {
        m_error = QStringLiteral("cannot listen on %1: %2").arg(address(), m_server.errorString());
        return false;
    }
    m_port = m_server.serverPort();
    return true;
}

QString NetworkLine::address() const
{
    const QString scheme = m_protocol == Protocol::RawTcp ? QStringLiteral("socket") : QStringLiteral("rfc2217");
    const QString host = m_address.protocol() == QAbstractSocket::IPv6Protocol
        ? u'[' + m_address.toString() + u']'
        : m_address.toString();
    return QStringLiteral("%1://%2:%3").arg(scheme, host).arg(m_port);
}

void NetworkLine::write(QByteArrayView bytes)
{
    if (!m_client || m_client->state() != QAbstractSocket::ConnectedState)
        return;
    m_client->write(m_rfc2217 ? m_rfc2217->encode(bytes) : bytes.toByteArray());
}

qsizetype NetworkLine::pendingBytes() const
{
    return m_client ? qsizetype(m_client->bytesToWrite()) : 0;
}

void NetworkLine::close()
{
    dropClient();
    m_server.close();
}

std::optional<qint32> NetworkLine::lineSpeed() const
{
    if (m_protocol == Protocol::RawTcp)
        return std::nullopt;  // the speed is the server's own business
    return m_rfc2217 ? m_rfc2217->line().baudRate : m_line.baudRate;
}

void NetworkLine::accept()
{
    while (QTcpSocket *incoming = m_server.nextPendingConnection()) {
        if (m_client) {
            emit note(QStringLiteral("%1 takes the line over from %2")
                          .arg(incoming->peerAddress().toString(), peerName()));
            dropClient();
        }
        m_client = incoming;
        m_client->setParent(this);
        m_client->setSocketOption(QAbstractSocket::LowDelayOption, 1);
        if (m_protocol == Protocol::Rfc2217) {
            m_rfc2217.emplace(m_line, projectorSide());
            m_client->write(m_rfc2217->start());
        }
        connect(m_client, &QTcpSocket::readyRead, this, &NetworkLine::readClient);
        connect(m_client, &QTcpSocket::disconnected, this, &NetworkLine::clientGone);
        connect(m_client, &QTcpSocket::bytesWritten, this, &NetworkLine::bytesWritten);
        emit note(QStringLiteral("connection from %1").arg(peerName()));
        emit partnerCame();
    }
}

void NetworkLine::readClient()
{
    if (!m_client)
        return;
    const QByteArray bytes = m_client->readAll();
    if (!m_rfc2217) {
        emit received(bytes);
        return;
    }
    const Rfc2217Server::Step step = m_rfc2217->receive(bytes);
    if (!step.reply.isEmpty())
        m_client->write(step.reply);
    if (step.lineChanged)
        emit lineSet();
    if (!step.data.isEmpty())
        emit received(step.data);
}

void NetworkLine::clientGone()
{
    if (sender() != m_client)
        return;
    emit note(QStringLiteral("%1 closed the connection").arg(peerName()));
    dropClient();
}

void NetworkLine::bytesWritten()
{
    if (m_client && m_client->bytesToWrite() == 0)
        emit drained();
}

void NetworkLine::dropClient()
{
    if (!m_client)
        return;
    if (m_rfc2217)
        m_line = m_rfc2217->line();
    m_rfc2217.reset();
    QTcpSocket *client = m_client;
    m_client = nullptr;
    client->disconnect(this);
    client->abort();
    client->deleteLater();
    emit partnerGone();
}

QString NetworkLine::peerName() const
{
    if (!m_client)
        return {};
    return QStringLiteral("%1:%2").arg(m_client->peerAddress().toString()).arg(m_client->peerPort());
}
