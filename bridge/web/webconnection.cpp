#include "bridge/web/webconnection.h"

#include "bridge/projector/wrongpasswords.h"

#include <QTcpSocket>

#include <sys/socket.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <limits>

namespace {

constexpr char PeerProperty[] = "rm740-peer";
constexpr qsizetype LongestRequest = RequestRules::LongestHead + RequestRules::LongestBody;

} // namespace

WebConnection::WebConnection(QTcpSocket *client, QTcpSocket *server, QTcpSocket *qtEnd, const WebRules &rules,
                             const WrongPasswords &wrong, QObject *parent)
    : QObject(parent)
    , m_client(client)
    , m_server(server)
    , m_qtEnd(qtEnd)
    , m_rules(rules)
    , m_wrong(wrong)
{
    m_client->setParent(this);
    m_server->setParent(this);
    m_client->setReadBufferSize(MostUnsent);
    m_server->setReadBufferSize(MostUnsent);
    m_peer = socketPeer();
    qtEnd->setProperty(PeerProperty, m_peer);

    for (QTimer *timer : {&m_deadline, &m_idle, &m_wait})
        timer->setSingleShot(true);
    m_deadline.setInterval(m_rules.requestTimeout);
    m_idle.setInterval(m_rules.idleTimeout);
    connect(&m_deadline, &QTimer::timeout, this, [this] {
        refuse(408, QStringLiteral("a request must be whole within %1 s").arg(m_rules.requestTimeout.count() / 1000.0));
    });
    connect(&m_idle, &QTimer::timeout, this, &WebConnection::abort);
    connect(&m_wait, &QTimer::timeout, this, &WebConnection::advance);

    connect(m_client, &QIODevice::readyRead, this, &WebConnection::readClient);
    connect(m_client, &QIODevice::bytesWritten, this, [this] {
        readServer();
        readClient();
    });
    connect(m_client, &QAbstractSocket::disconnected, this, [this] {
        m_state = State::Closing;
        m_server->abort();
        deleteLater();
    });
    connect(m_server, &QIODevice::readyRead, this, &WebConnection::readServer);
    connect(m_server, &QIODevice::bytesWritten, this, &WebConnection::readClient);
    connect(m_server, &QAbstractSocket::disconnected, this, [this] {
        // Closed by this side, which says what goes out last.
        if (m_state == State::Closing)
            return;
        // Qt's server closed: what it said still goes out.
        m_client->write(m_server->readAll());
        m_state = State::Closing;
        m_client->disconnectFromHost();
    });
    m_idle.start();
}

QString WebConnection::socketPeer() const
{
    return RequestRules::addressText(m_client->peerAddress());
}

QString WebConnection::peerOf(const QTcpSocket *socket)
{
    return socket->property(PeerProperty).toString();
}

void WebConnection::abort()
{
    m_state = State::Closing;
    m_server->abort();
    m_client->abort();
}

void WebConnection::readClient()
{
    if (m_state == State::Tunnel) {
        while (m_client->bytesAvailable() > 0 && m_client->bytesToWrite() < MostUnsent
               && m_server->bytesToWrite() < MostUnsent) {
            if (!passFrames(m_client->read(MostUnsent)))
                return;
        }
        return;
    }
    advance();
}

void WebConnection::advance()
{
    if (m_state != State::Head)
        return;
    if (m_in.size() < LongestRequest && m_client->bytesAvailable() > 0)
        m_in += m_client->read(LongestRequest - m_in.size());
    if (m_in.isEmpty()) {
        m_deadline.stop();
        if (!m_idle.isActive())
            m_idle.start();
        return;
    }
    m_idle.stop();
    if (!m_deadline.isActive() && !m_wait.isActive())
        m_deadline.start();
    // The answers before wait to be read first.
    if (m_client->bytesToWrite() >= MostUnsent)
        return;
    const RequestRules::Verdict verdict = RequestRules::examine(m_in, m_rules.hosts);
    if (verdict.kind == RequestRules::Verdict::Incomplete)
        return;
    if (verdict.kind == RequestRules::Verdict::Refused) {
        refuse(verdict.status, verdict.reason);
        return;
    }
    m_deadline.stop();
    m_peer = RequestRules::peer(m_client->peerAddress(), verdict.head.values("x-forwarded-for"), m_rules.trustedProxies);
    if (m_wrong.shutOut(m_peer)) {
        abort();
        return;
    }
    // A peer that gave a wrong password waits, its whole pipeline with it.
    if (const auto wait = m_wrong.waitFor(m_peer); wait.count() > 0) {
        m_wait.start(wait);
        return;
    }
    if (m_qtEnd)
        m_qtEnd->setProperty(PeerProperty, m_peer);
    m_server->write(m_in.first(verdict.length));
    m_in.remove(0, verdict.length);
    m_state = State::Answer;
    m_answerHead.clear();
    m_answerLeft = -1;
    m_bodyless = verdict.bodylessAnswer;
    m_closeAfter = verdict.close;
    m_upgrade = verdict.upgrade;
    // Qt's server answers within the idle time, or the connection goes.
    m_idle.start();
}

void WebConnection::readServer()
{
    while (m_server->bytesAvailable() > 0 && m_client->bytesToWrite() < MostUnsent && m_state != State::Closing) {
        const QByteArray bytes = m_server->read(MostUnsent);
        m_client->write(bytes);
        if (m_state == State::Answer)
            answered(bytes);
    }
}

void WebConnection::answered(QByteArrayView bytes)
{
    m_idle.start();
    if (m_answerLeft >= 0) {
        m_answerLeft -= bytes.size();
    } else {
        m_answerHead += bytes;
        const RequestRules::Answer answer = RequestRules::answer(m_answerHead, m_bodyless);
        if (!answer.complete)
            return;
        m_answerLeft = answer.bodyLength < 0 ? std::numeric_limits<qint64>::max()
                                             : answer.headLength + answer.bodyLength - m_answerHead.size();
        m_answerHead.clear();
        if (answer.status == 101 && m_upgrade) {
            enterTunnel();
            return;
        }
    }
    if (m_answerLeft <= 0)
        answerDone();
}

void WebConnection::answerDone()
{
    if (m_closeAfter) {
        m_state = State::Closing;
        m_server->abort();
        m_client->disconnectFromHost();
        return;
    }
    m_state = State::Head;
    advance();
}

void WebConnection::enterTunnel()
{
    m_state = State::Tunnel;
    m_idle.stop();
    m_deadline.stop();
    // The page's WebSocket keeps itself alive from here on.
    if (!m_in.isEmpty() && !passFrames(std::exchange(m_in, {})))
        return;
    readClient();
}

bool WebConnection::passFrames(const QByteArray &bytes)
{
    if (m_frames.feed(bytes) == ClientFrames::Verdict::Unmasked) {
        emit logLine(tr("%1: an unmasked WebSocket frame, closed (1002)").arg(m_peer));
        m_state = State::Closing;
        m_server->abort();
        m_client->write(ClientFrames::protocolErrorClose());
        m_client->disconnectFromHost();
        return false;
    }
    m_server->write(bytes);
    return true;
}

void WebConnection::refuse(int status, const QString &reason)
{
    emit logLine(tr("%1: %2 %3, closed").arg(m_peer).arg(status).arg(reason));
    m_state = State::Closing;
    m_in.clear();
    m_deadline.stop();
    m_server->abort();
    (void)m_client->readAll();  // read, so the close is no reset that loses the answer
    m_client->write(RequestRules::refusal(status, reason));
    m_client->disconnectFromHost();
}

WebListener::WebListener(const WebRules &rules, const WrongPasswords &wrong, std::function<void(const QString &)> log,
                         QObject *parent)
    : QTcpServer(parent)
    , m_rules(rules)
    , m_wrong(wrong)
    , m_log(std::move(log))
{
}

void WebListener::shutOut(const QString &peer)
{
    for (WebConnection *connection : findChildren<WebConnection *>(Qt::FindDirectChildrenOnly)) {
        if (connection->peer() == peer)
            connection->abort();
    }
}

void WebListener::incomingConnection(qintptr descriptor)
{
    auto *client = new QTcpSocket(this);
    if (!client->setSocketDescriptor(descriptor)) {
        delete client;
        return;
    }
    // Answers go out in pieces; the last must not wait for the client's
    // delayed acknowledgement of the ones before (Nagle), as /metrics did.
    client->setSocketOption(QAbstractSocket::LowDelayOption, 1);
    const QString peer = RequestRules::addressText(client->peerAddress());
    const bool proxy = std::any_of(m_rules.trustedProxies.begin(), m_rules.trustedProxies.end(), [&](const QHostAddress &a) {
        return a.isEqual(client->peerAddress(), QHostAddress::ConvertV4MappedToIPv4);
    });
    const auto refuse = [client] {
        client->abort();
        client->deleteLater();
    };
    if (!proxy && m_wrong.shutOut(peer))
        return refuse();
    if (*m_total >= m_rules.connections) {
        m_log(QStringLiteral("%1: refused, %2 connections already").arg(peer).arg(*m_total));
        return refuse();
    }
    if (!proxy && m_open->value(peer) >= m_rules.connectionsPerPeer) {
        m_log(QStringLiteral("%1: refused, %2 connections from it already").arg(peer).arg(m_open->value(peer)));
        return refuse();
    }
    int pair[2];
    if (::socketpair(AF_UNIX, SOCK_STREAM | SOCK_NONBLOCK | SOCK_CLOEXEC, 0, pair) != 0) {
        m_log(QStringLiteral("%1: refused, no socket pair: %2").arg(peer, QString::fromLocal8Bit(strerror(errno))));
        return refuse();
    }
    auto *qtEnd = new QTcpSocket(this);
    auto *server = new QTcpSocket(this);
    const bool qtEndOpen = qtEnd->setSocketDescriptor(pair[0]);
    const bool serverOpen = server->setSocketDescriptor(pair[1]);
    if (!qtEndOpen || !serverOpen) {
        for (const int end : {qtEndOpen ? -1 : pair[0], serverOpen ? -1 : pair[1]}) {
            if (end >= 0)
                ::close(end);
        }
        delete qtEnd;
        delete server;
        return refuse();
    }
    auto *connection = new WebConnection(client, server, qtEnd, m_rules, m_wrong, this);
    connect(connection, &WebConnection::logLine, this, [this](const QString &line) { m_log(line); });
    // Counted while the connection lives.
    ++*m_total;
    ++(*m_open)[peer];
    connect(connection, &QObject::destroyed, this, [open = m_open, total = m_total, peer] {
        --*total;
        if (--(*open)[peer] <= 0)
            open->remove(peer);
    });
    addPendingConnection(qtEnd);
}
