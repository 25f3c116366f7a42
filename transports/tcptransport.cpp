#include "transports/tcptransport.h"

#include <QTimer>

#include <utility>

#ifdef Q_OS_LINUX
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <sys/socket.h>
#endif

namespace {

QString seconds(std::chrono::milliseconds limit)
{
    return QString::number(double(limit.count()) / 1000.0);
}

} // namespace

TcpTransport::TcpTransport(const PortTarget &target, QObject *parent)
    : PortTransport(parent)
    , m_target(target)
{
    m_socket.setReadBufferSize(InBufferSize);
    connect(&m_socket, &QTcpSocket::connected, this, [this] { m_wait.finish(); });
    connect(&m_socket, &QTcpSocket::errorOccurred, this, &TcpTransport::connectionEnded);
    connect(&m_socket, &QTcpSocket::disconnected, this, &TcpTransport::connectionEnded);
    connect(&m_socket, &QTcpSocket::readyRead, this, &TcpTransport::readFromSocket);
}

TcpTransport::~TcpTransport()
{
    m_socket.disconnect(this);
    m_socket.abort();
}

bool TcpTransport::open(const SerialParameters &parameters)
{
    close();
    setErrorString({});
    if (!connectToServer())
        return false;
    if (!setUpLine(parameters)) {
        m_reading = false;
        m_socket.abort();
        return false;
    }
    m_open = true;
    // What came during the set-up is the line's too.
    if (!m_received.isEmpty())
        QTimer::singleShot(0, this, [this] {
            if (m_open && !m_received.isEmpty())
                emit readyRead();
        });
    return true;
}

bool TcpTransport::connectToServer()
{
    m_wait.reset();
    m_socket.connectToHost(m_target.host, m_target.port);
    const bool answered = m_wait.wait(ConnectLimit);
    if (m_socket.state() == QAbstractSocket::ConnectedState) {
        setLowLatencyAndKeepAlive();
        return true;
    }
    if (answered)
        setErrorString(socketFailure());
    else
        setErrorString(QStringLiteral("no answer from %1 within %2 s").arg(endpoint(), seconds(ConnectLimit)));
    m_socket.abort();
    return false;
}

bool TcpTransport::setUpLine(const SerialParameters &parameters)
{
    m_wait.reset();
    m_reading = true;
    sendNow(start(parameters));
    readFromSocket();  // what the server sent as the connection opened
    if (setUpState() == SetUp::Pending)
        (void)m_wait.wait(SetUpLimit);
    switch (setUpState()) {
    case SetUp::Done:
        return true;
    case SetUp::Failed:
        setErrorString(setUpFailure());
        return false;
    case SetUp::Pending:
        break;
    }
    if (m_socket.state() != QAbstractSocket::ConnectedState)
        setErrorString(socketFailure());
    else
        setErrorString(QStringLiteral("no answer to the line settings from %1 within %2 s")
                 .arg(endpoint(), seconds(SetUpLimit)));
    return false;
}

void TcpTransport::close()
{
    m_open = false;
    m_reading = false;
    m_received.clear();
    if (m_socket.state() != QAbstractSocket::UnconnectedState)
        m_socket.abort();
}

void TcpTransport::write(const QByteArray &bytes)
{
    if (m_open)
        sendNow(encode(bytes));
}

QByteArray TcpTransport::readAll()
{
    QByteArray bytes = std::exchange(m_received, {});
    // The socket holds back what did not fit; take it on the next turn.
    if (m_open && m_socket.bytesAvailable() > 0 && !m_pumpQueued) {
        m_pumpQueued = true;
        QMetaObject::invokeMethod(this, &TcpTransport::readFromSocket, Qt::QueuedConnection);
    }
    return bytes;
}

void TcpTransport::discardInput()
{
    m_received.clear();
    // What the socket holds is decoded all the same: the server's telnet
    // commands in it still get their answers.
    while (m_open && m_socket.bytesAvailable() > 0)
        sendNow(decode(m_socket.read(InBufferSize)).reply);
}

void TcpTransport::readFromSocket()
{
    m_pumpQueued = false;
    if (!m_reading)
        return;
    // Before the line is open everything is read, so that the set-up's answers
    // are not held up behind line bytes; what does not fit is dropped.
    while (m_socket.bytesAvailable() > 0 && (!m_open || m_received.size() < InBufferSize)) {
        const qint64 room = m_open ? InBufferSize - m_received.size() : InBufferSize;
        const Received received = decode(m_socket.read(room));
        sendNow(received.reply);
        m_received += received.data.first(qMin(received.data.size(), InBufferSize - m_received.size()));
    }
    if (!m_open) {
        if (setUpState() != SetUp::Pending)
            m_wait.finish();
        return;
    }
    if (!m_received.isEmpty())
        emit readyRead();
}

void TcpTransport::connectionEnded()
{
    if (!m_open) {
        m_wait.finish();  // an opening in progress learns of it
        return;
    }
    // The server went away, the connection was reset or timed out.
    m_open = false;
    m_reading = false;
    setErrorString(socketFailure());
    m_socket.abort();
    emit lost();
}

void TcpTransport::sendNow(const QByteArray &bytes)
{
    if (bytes.isEmpty() || m_socket.state() != QAbstractSocket::ConnectedState)
        return;
    m_socket.write(bytes);
    // On the wire now rather than at the next turn of the event loop.
    m_socket.flush();
}

QString TcpTransport::socketFailure() const
{
    switch (m_socket.error()) {
    case QAbstractSocket::ConnectionRefusedError:
        return QStringLiteral("connection refused by %1").arg(endpoint());
    case QAbstractSocket::HostNotFoundError:
        return QStringLiteral("host %1 not found").arg(m_target.host);
    case QAbstractSocket::RemoteHostClosedError:
    case QAbstractSocket::UnknownSocketError:
        return QStringLiteral("%1 closed the connection").arg(endpoint());
    default:
        return QStringLiteral("%1: %2").arg(endpoint(), m_socket.errorString());
    }
}

void TcpTransport::setLowLatencyAndKeepAlive()
{
    // Frames are a few bytes: each goes at once, not held back to fill a segment.
    m_socket.setSocketOption(QAbstractSocket::LowDelayOption, 1);
    // A server that vanishes without closing (power cut, cable pulled) is
    // noticed within about half a minute, idle or not.
    m_socket.setSocketOption(QAbstractSocket::KeepAliveOption, 1);
#ifdef Q_OS_LINUX
    const int fd = int(m_socket.socketDescriptor());
    const int idleSeconds = 10, intervalSeconds = 5, probes = 3;
    const unsigned unacknowledgedMs = 20000;
    (void)::setsockopt(fd, IPPROTO_TCP, TCP_KEEPIDLE, &idleSeconds, sizeof idleSeconds);
    (void)::setsockopt(fd, IPPROTO_TCP, TCP_KEEPINTVL, &intervalSeconds, sizeof intervalSeconds);
    (void)::setsockopt(fd, IPPROTO_TCP, TCP_KEEPCNT, &probes, sizeof probes);
    (void)::setsockopt(fd, IPPROTO_TCP, TCP_USER_TIMEOUT, &unacknowledgedMs, sizeof unacknowledgedMs);
#endif
}
