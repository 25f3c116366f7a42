#include "bridge/metrics/metricsserver.h"

#include "bridge/metrics/bridgemetrics.h"

#include <QCryptographicHash>
#include <QHttpServerRequest>
#include <QHttpServerResponder>
#include <QPointer>
#include <QTcpServer>
#include <QTcpSocket>
#include <QTimer>

#include <memory>

namespace {

using Status = QHttpServerResponder::StatusCode;

void answerText(QHttpServerResponder &responder, const QByteArray &text, Status status)
{
    responder.write(text + '\n', {{"Content-Type", "text/plain; charset=utf-8"}}, status);
}

QByteArray authorizationOf(const QHttpServerRequest &request)
{
    for (const auto &[key, value] : request.headers()) {
        if (key.compare("authorization", Qt::CaseInsensitive) == 0)
            return value;
    }
    return {};
}

QByteArray digest(const QByteArray &text)
{
    return QCryptographicHash::hash(text, QCryptographicHash::Sha256);
}

} // namespace

MetricsServer::MetricsServer(Scrape scrape, std::optional<QByteArray> password, QObject *parent)
    : QAbstractHttpServer(parent)
    , m_scrape(std::move(scrape))
    , m_password(std::move(password))
{
}

bool MetricsServer::listen(const QHostAddress &address, quint16 port, QString *error)
{
    auto *server = new QTcpServer(this);
    if (!server->listen(address, port)) {
        *error = server->errorString();
        delete server;
        return false;
    }
    bind(server);
    return true;
}

void MetricsServer::close()
{
    for (QTcpServer *server : servers())
        server->close();
}

bool MetricsServer::authorizes(const QByteArray &authorization, const QByteArray &password)
{
    // The scheme's name is case-insensitive.
    const auto scheme = [&](QByteArrayView name) {
        return authorization.size() > name.size() && QByteArrayView(authorization).first(name.size()).compare(name, Qt::CaseInsensitive) == 0;
    };
    QByteArray given;
    if (scheme("bearer ")) {
        given = authorization.mid(7).trimmed();
    } else if (scheme("basic ")) {
        const QByteArray credentials = QByteArray::fromBase64(authorization.mid(6).trimmed());
        const qsizetype colon = credentials.indexOf(':');
        if (colon < 0)
            return false;
        given = credentials.mid(colon + 1);
    } else {
        return false;
    }
    // Digests compared, so the time taken tells nothing of the password.
    return digest(given) == digest(password);
}

bool MetricsServer::handleRequest(const QHttpServerRequest &request, QTcpSocket *socket)
{
    // An IPv4 client of a dual-stack socket, as people write it.
    bool isIpv4 = false;
    const quint32 ipv4 = request.remoteAddress().toIPv4Address(&isIpv4);
    const QString peer = isIpv4 ? QHostAddress(ipv4).toString() : request.remoteAddress().toString();
    if (m_wrongPasswords.shutOut(peer)) {
        socket->abort();
        return true;
    }
    // A scrape is written in pieces; the last must not wait for the
    // scraper's delayed acknowledgement of the ones before (Nagle).
    socket->setSocketOption(QAbstractSocket::LowDelayOption, 1);
    auto responder = std::make_shared<QHttpServerResponder>(makeResponder(request, socket));
    const QString path = request.url().path();
    const bool isGet = request.method() == QHttpServerRequest::Method::Get;
    const QByteArray authorization = authorizationOf(request);
    const auto wait = m_wrongPasswords.waitFor(peer);
    if (wait.count() == 0) {
        answer(*responder, path, isGet, authorization, peer, socket);
        return true;
    }
    // After a wrong password every request of the peer waits its penalty out.
    QPointer<QTcpSocket> alive(socket);
    QTimer::singleShot(wait, this, [this, responder, path, isGet, authorization, peer, alive] {
        if (alive)
            answer(*responder, path, isGet, authorization, peer, alive);
    });
    return true;
}

void MetricsServer::answer(QHttpServerResponder &responder, const QString &path, bool isGet,
                           const QByteArray &authorization, const QString &peer, QTcpSocket *socket)
{
    if (path != QLatin1StringView(Path)) {
        answerText(responder, "nothing here: the metrics are at /metrics", Status::NotFound);
        return;
    }
    if (!isGet) {
        answerText(responder, "use GET", Status::MethodNotAllowed);
        return;
    }
    if (m_password && !authorizes(authorization, *m_password)) {
        const auto refuse = [](QHttpServerResponder &to) {
            to.write("a password is needed\n",
                     {{"Content-Type", "text/plain; charset=utf-8"},
                      {"WWW-Authenticate", "Basic realm=\"rm740-bridge metrics\", charset=\"UTF-8\""}},
                     Status::Unauthorized);
        };
        if (authorization.isEmpty()) {
            refuse(responder);
            return;
        }
        emit wrongPassword(peer);
        const WrongPasswords::Penalty penalty = m_wrongPasswords.failed(peer);
        if (penalty.shutOut) {
            socket->abort();
            return;
        }
        // Answered after the penalty; the responder moves into the wait.
        auto later = std::make_shared<QHttpServerResponder>(std::move(responder));
        QPointer<QTcpSocket> alive(socket);
        QTimer::singleShot(penalty.delay, this, [later, alive, refuse] {
            if (alive)
                refuse(*later);
        });
        return;
    }
    if (m_password)
        m_wrongPasswords.succeeded(peer);
    answerScrape(responder, m_scrape());
}

void MetricsServer::answerScrape(QHttpServerResponder &responder, const QByteArray &text)
{
    responder.write(text, {{"Content-Type", BridgeMetrics::ContentType}}, Status::Ok);
}

void MetricsServer::missingHandler(const QHttpServerRequest &request, QTcpSocket *socket)
{
    QHttpServerResponder responder = makeResponder(request, socket);
    answerText(responder, "not found", Status::NotFound);
}
