#include "bridge/metrics/metricsserver.h"

#include "bridge/metrics/bridgemetrics.h"

#include <QCryptographicHash>
#include <QHttpServerRequest>
#include <QHttpServerResponder>
#include <QTcpServer>

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
    QByteArray given;
    if (authorization.startsWith("Bearer ")) {
        given = authorization.mid(7).trimmed();
    } else if (authorization.startsWith("Basic ")) {
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
    QHttpServerResponder responder = makeResponder(request, socket);
    if (request.url().path() != QLatin1StringView(Path)) {
        answerText(responder, "nothing here: the metrics are at /metrics", Status::NotFound);
        return true;
    }
    if (request.method() != QHttpServerRequest::Method::Get) {
        answerText(responder, "use GET", Status::MethodNotAllowed);
        return true;
    }
    if (m_password) {
        const QByteArray authorization = authorizationOf(request);
        if (!authorizes(authorization, *m_password)) {
            if (!authorization.isEmpty())
                emit wrongPassword(request.remoteAddress().toString());
            responder.write("a password is needed\n",
                            {{"Content-Type", "text/plain; charset=utf-8"},
                             {"WWW-Authenticate", "Basic realm=\"rm740-bridge metrics\", charset=\"UTF-8\""}},
                            Status::Unauthorized);
            return true;
        }
    }
    answerScrape(responder, m_scrape());
    return true;
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
