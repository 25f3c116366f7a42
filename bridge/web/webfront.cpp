#include "bridge/web/webfront.h"

#include "bridge/projector/projectorservice.h"
#include "bridge/web/requestrules.h"
#include "bridge/web/webcommand.h"
#include "bridge/web/webconnection.h"
#include "bridge/web/webhold.h"

#include <QFile>
#include <QHttpServerRequest>
#include <QHttpServerResponder>
#include <QJsonArray>
#include <QJsonDocument>
#include <QPointer>
#include <QRandomGenerator>
#include <QRegularExpression>
#include <QTcpServer>
#include <QTcpSocket>
#include <QUrlQuery>
#include <QWebSocket>

#include <algorithm>
#include <functional>
#include <memory>

using Status = QHttpServerResponder::StatusCode;

namespace {

QByteArray header(const QHttpServerRequest &request, QByteArrayView name)
{
    for (const auto &[key, value] : request.headers()) {
        if (key.compare(name, Qt::CaseInsensitive) == 0)
            return value;
    }
    return {};
}

// Compares without telling by its time how much of a guess was right.
bool equalInConstantTime(const QByteArray &a, const QByteArray &b)
{
    unsigned difference = unsigned(a.size() ^ b.size());
    for (qsizetype i = 0; i < a.size(); ++i)
        difference |= unsigned(uchar(a[i]) ^ uchar(i < b.size() ? b[i] : 0));
    return difference == 0;
}

// Headers every answer carries: the page runs its own files alone.
constexpr auto Json = "application/json";

void answerJson(QHttpServerResponder &responder, const QJsonObject &json, Status status = Status::Ok)
{
    responder.write(QJsonDocument(json).toJson(QJsonDocument::Compact),
                    {{"Content-Type", Json}, {"Cache-Control", "no-store"}, {"X-Content-Type-Options", "nosniff"}},
                    status);
}

void answerError(QHttpServerResponder &responder, const QString &error, Status status)
{
    answerJson(responder, QJsonObject{{QStringLiteral("error"), error}}, status);
}

struct StaticFile {
    const char *path;
    const char *resource;
    const char *type;
};

constexpr StaticFile staticFiles[] = {
    {"/", ":/web/index.html", "text/html; charset=utf-8"},
    {"/index.html", ":/web/index.html", "text/html; charset=utf-8"},
    {"/app.js", ":/web/app.js", "text/javascript; charset=utf-8"},
    {"/style.css", ":/web/style.css", "text/css; charset=utf-8"},
};

} // namespace

WebFront::WebFront(const QList<Projector> &projectors, std::optional<QByteArray> password, Limits limits,
                   QObject *parent)
    : QAbstractHttpServer(parent)
    , m_projectors(projectors)
    , m_histories(projectors.size())
    , m_password(std::move(password))
    , m_limits(limits)
{
    // The token proves a WebSocket was opened by a page that passed the password.
    QByteArray random(16, Qt::Uninitialized);
    QRandomGenerator::system()->fillRange(reinterpret_cast<quint32 *>(random.data()), random.size() / 4);
    m_token = random.toHex();

    m_pushTimer.setSingleShot(true);
    m_pushTimer.setInterval(PushDelay);
    connect(&m_pushTimer, &QTimer::timeout, this, &WebFront::push);
    for (int id = 0; id < m_projectors.size(); ++id) {
        ProjectorService *service = m_projectors[id].service;
        connect(service, &ProjectorService::stateChanged, this, [this, id] { markChanged(id); });
        connect(service, &ProjectorService::portOpened, this, [this, id] { markChanged(id); });
        connect(service, &ProjectorService::portClosed, this, [this, id] { markChanged(id); });
        connect(service, &ProjectorService::exchangeFinished, this, [this, id](const ExchangeResult &result) {
            m_histories[id].add(result, QDateTime::currentDateTimeUtc());
            markChanged(id);
        });
    }
    connect(this, &QAbstractHttpServer::newWebSocketConnection, this, &WebFront::acceptWebSockets);
}

bool WebFront::listen(const QHostAddress &address, quint16 port, QString *error)
{
    WebRules rules;
    rules.hosts = {address, m_limits.hosts};
    rules.trustedProxies = m_limits.trustedProxies;
    rules.requestTimeout = m_limits.requestTimeout;
    rules.idleTimeout = m_limits.idleTimeout;
    rules.connections = m_limits.connections;
    rules.connectionsPerPeer = m_limits.connectionsPerPeer;
    auto *server = new WebListener(rules, m_wrongPasswords, [this](const QString &line) { emit logLine(line); }, this);
    if (!server->listen(address, port)) {
        *error = server->errorString();
        delete server;
        return false;
    }
    bind(server);
    return true;
}

void WebFront::close()
{
    for (QTcpServer *server : servers())
        server->close();
    for (QWebSocket *socket : std::as_const(m_sockets))
        socket->close(QWebSocketProtocol::CloseCodeGoingAway);
}

WebFront::Access WebFront::access(const QHttpServerRequest &request) const
{
    if (!m_password)
        return Access::Granted;
    const QByteArray authorization = header(request, "authorization");
    if (authorization.isEmpty())
        return Access::Missing;
    const auto given = RequestRules::basicPassword(authorization);
    return given && equalInConstantTime(*given, *m_password) ? Access::Granted : Access::Wrong;
}

bool WebFront::sameOrigin(const QHttpServerRequest &request) const
{
    // Browsers send Origin with every changing request; a script may send none.
    const QByteArray origin = header(request, "origin");
    if (origin.isEmpty())
        return true;
    const QUrl url(QString::fromLatin1(origin));
    const QString authority = url.port() < 0 ? url.host() : QStringLiteral("%1:%2").arg(url.host()).arg(url.port());
    return authority.compare(QString::fromLatin1(header(request, "host")), Qt::CaseInsensitive) == 0;
}

QString WebFront::peerOf(const QHttpServerRequest &request, const QTcpSocket *socket)
{
    const QString peer = WebConnection::peerOf(socket);
    return peer.isEmpty() ? RequestRules::addressText(request.remoteAddress()) : peer;
}

void WebFront::refuseLater(const QHttpServerRequest &request, QTcpSocket *socket)
{
    const QString peer = peerOf(request, socket);
    const auto penalty = m_wrongPasswords.failed(peer);
    emit wrongPassword();
    if (penalty.shutOut) {
        emit logLine(tr("%1: wrong password for the web page (%2 in a row), its connections closed and refused for %3 ms")
                         .arg(peer).arg(penalty.inARow).arg(penalty.delay.count()));
        for (QTcpServer *server : servers()) {
            if (auto *listener = dynamic_cast<WebListener *>(server))
                listener->shutOut(peer);
        }
        return;
    }
    emit logLine(tr("%1: wrong password for the web page (%2 in a row), answered after %3 ms")
                     .arg(peer).arg(penalty.inARow).arg(penalty.delay.count()));
    auto responder = std::make_shared<QHttpServerResponder>(makeResponder(request, socket));
    QPointer<QTcpSocket> alive(socket);
    QTimer::singleShot(penalty.delay, this, [responder, alive] {
        if (alive)
            answerError(*responder, QStringLiteral("wrong password"), Status::Unauthorized);
    });
}

bool WebFront::handleRequest(const QHttpServerRequest &request, QTcpSocket *socket)
{
    const QString path = request.url().path();
    const auto method = request.method();
    // A WebSocket is upgraded when this says yes and answers nothing; a no
    // is answered as missing and the connection closed.
    if (header(request, "upgrade").compare("websocket", Qt::CaseInsensitive) == 0) {
        return acceptsWebSocket(request, socket);
    }
    switch (access(request)) {
    case Access::Granted:
        m_wrongPasswords.succeeded(peerOf(request, socket));
        break;
    case Access::Missing: {
        QHttpServerResponder responder = makeResponder(request, socket);
        responder.write(QJsonDocument(QJsonObject{{QStringLiteral("error"), QStringLiteral("a password is needed")}})
                            .toJson(QJsonDocument::Compact),
                        {{"Content-Type", Json}, {"WWW-Authenticate", "Basic realm=\"rm740-bridge\", charset=\"UTF-8\""}},
                        Status::Unauthorized);
        return true;
    }
    case Access::Wrong:
        refuseLater(request, socket);
        return true;
    }

    QHttpServerResponder responder = makeResponder(request, socket);
    if (method == QHttpServerRequest::Method::Get) {
        if (const auto route = m_getRoutes.constFind(path); route != m_getRoutes.cend()) {
            (*route)(responder);
            return true;
        }
        for (const StaticFile &file : staticFiles) {
            if (path == QLatin1StringView(file.path)) {
                QFile resource(QLatin1StringView(file.resource));
                if (!resource.open(QIODevice::ReadOnly)) {
                    answerError(responder, QStringLiteral("the page is missing from this build"), Status::InternalServerError);
                    return true;
                }
                responder.write(resource.readAll(),
                                {{"Content-Type", file.type},
                                 {"Content-Security-Policy", "default-src 'self'; connect-src 'self'; frame-ancestors 'none'"},
                                 {"X-Content-Type-Options", "nosniff"}},
                                Status::Ok);
                return true;
            }
        }
        if (path == u"/api/projectors") {
            QJsonArray list;
            for (int id = 0; id < m_projectors.size(); ++id)
                list.append(projectorJson(id));
            answerJson(responder, QJsonObject{{QStringLiteral("projectors"), list}});
            return true;
        }
        if (path == u"/api/panel") {
            QJsonObject panel = WebState::panel();
            panel.insert(QStringLiteral("token"), QString::fromLatin1(m_token));
            answerJson(responder, panel);
            return true;
        }
    }
    static const QRegularExpression commandPath(QStringLiteral("^/api/projectors/(\\d{1,4})/command$"));
    const auto match = commandPath.match(path);
    if (match.hasMatch()) {
        if (method != QHttpServerRequest::Method::Post) {
            responder.write(QJsonDocument(QJsonObject{{QStringLiteral("error"), QStringLiteral("use POST")}})
                                .toJson(QJsonDocument::Compact),
                            {{"Content-Type", Json}, {"Allow", "POST"}}, Status::MethodNotAllowed);
            return true;
        }
        const int id = match.captured(1).toInt();
        if (id >= m_projectors.size()) {
            answerError(responder, QStringLiteral("no projector %1 (there are %2, from 0)").arg(id).arg(m_projectors.size()),
                        Status::NotFound);
            return true;
        }
        if (!sameOrigin(request)) {
            emit logLine(tr("%1: a command from another site (%2) refused")
                             .arg(peerOf(request, socket), QString::fromLatin1(header(request, "origin").left(100))));
            answerError(responder, QStringLiteral("commands are taken from this bridge's own page only"), Status::Forbidden);
            return true;
        }
        if (!header(request, "content-type").startsWith("application/json")) {
            answerError(responder, QStringLiteral("the request must be JSON (Content-Type: application/json)"),
                        Status::UnsupportedMediaType);
            return true;
        }
        if (request.body().size() > WebCommand::LongestBody) {
            answerError(responder, QStringLiteral("the request is longer than %1 bytes").arg(WebCommand::LongestBody),
                        Status::PayloadTooLarge);
            return true;
        }
        QString error;
        const auto action = WebCommand::parse(request.body(), m_projectors[id].inputs, &error);
        if (!action) {
            answerError(responder, error, Status::BadRequest);
            return true;
        }
        auto shared = std::make_shared<QHttpServerResponder>(std::move(responder));
        QPointer<QTcpSocket> alive(socket);
        const QString peer = peerOf(request, socket);
        const QString name = QString::fromLatin1(action->name);
        m_projectors[id].service->perform({*action}, ProjectorService::Origin::Web, this, [this, shared, alive, peer, name, id](ActionOutcome outcome) {
            static const char *const words[] = {"done", "refused", "failed"};
            const QString word = QLatin1StringView(words[int(outcome)]);
            emit logLine(tr("%1 web: %2 on %3 -> %4").arg(peer, name, m_projectors[id].service->settings().name, word));
            if (!alive)
                return;
            const Status status = outcome == ActionOutcome::Done      ? Status::Ok
                                  : outcome == ActionOutcome::Refused ? Status::Conflict
                                                                      : Status::BadGateway;
            answerJson(*shared, QJsonObject{{QStringLiteral("outcome"), word}}, status);
        });
        return true;
    }
    if (path.startsWith(u"/api/") || method == QHttpServerRequest::Method::Get)
        answerError(responder, QStringLiteral("nothing at %1").arg(path.left(100)), Status::NotFound);
    else
        answerError(responder, QStringLiteral("use GET"), Status::MethodNotAllowed);
    return true;
}

void WebFront::missingHandler(const QHttpServerRequest &request, QTcpSocket *socket)
{
    QHttpServerResponder responder = makeResponder(request, socket);
    answerError(responder, QStringLiteral("not found"), Status::NotFound);
}

bool WebFront::acceptsWebSocket(const QHttpServerRequest &request, const QTcpSocket *socket)
{
    const bool originOk = sameOrigin(request);
    const bool tokenOk = !m_password || QUrlQuery(request.url()).queryItemValue(QStringLiteral("token")).toLatin1() == m_token;
    if (request.url().path() == u"/ws" && originOk && tokenOk)
        return true;
    emit logLine(tr("%1: a WebSocket refused (%2)")
                     .arg(peerOf(request, socket), !originOk ? QStringLiteral("from %1").arg(QString::fromLatin1(header(request, "origin").left(100)))
                                           : !tokenOk ? QStringLiteral("no token") : QStringLiteral("no such path")));
    return false;
}

void WebFront::acceptWebSockets()
{
    while (hasPendingWebSocketConnections()) {
        QWebSocket *socket = nextPendingWebSocketConnection().release();
        socket->setParent(this);
        // A page sends small messages only.
        socket->setMaxAllowedIncomingMessageSize(1024);
        socket->setMaxAllowedIncomingFrameSize(1024);
        m_sockets.append(socket);
        auto *hold = new WebHold(socket);
        hold->setObjectName(QStringLiteral("hold"));
        keepAlive(socket);
        connect(socket, &QWebSocket::textMessageReceived, this,
                [this, socket](const QString &message) { received(socket, message); });
        connect(socket, &QWebSocket::disconnected, this, [this, socket] {
            m_sockets.removeOne(socket);
            socket->deleteLater();  // its hold with it
        });
        QJsonArray list;
        for (int id = 0; id < m_projectors.size(); ++id)
            list.append(projectorJson(id));
        socket->sendTextMessage(QString::fromUtf8(
            QJsonDocument(QJsonObject{{QStringLiteral("projectors"), list}}).toJson(QJsonDocument::Compact)));
    }
}

// A page's browser answers pings by itself; a page that stopped answering
// (a phone gone to sleep, a cable pulled) is closed, its hold with it.
void WebFront::keepAlive(QWebSocket *socket)
{
    auto *ping = new QTimer(socket);
    ping->start(m_limits.idleTimeout / 2);
    // Only the answer to a ping counts: pongs nobody asked for keep nothing alive.
    auto pinged = std::make_shared<bool>(false);
    connect(ping, &QTimer::timeout, socket, [socket, pinged] {
        *pinged = true;
        socket->ping();
    });
    auto *deadline = new QTimer(socket);
    deadline->setSingleShot(true);
    deadline->start(m_limits.idleTimeout);
    connect(deadline, &QTimer::timeout, socket, &QWebSocket::abort);
    const auto heard = [deadline] { deadline->start(); };
    connect(socket, &QWebSocket::pong, deadline, [deadline, pinged] {
        if (std::exchange(*pinged, false))
            deadline->start();
    });
    connect(socket, &QWebSocket::textMessageReceived, deadline, heard);
}

// {"hold": "start", "projector": N, "button": NAME}, {"hold": "still"} or {"hold": "stop"}.
void WebFront::received(QWebSocket *socket, const QString &message)
{
    auto *hold = socket->findChild<WebHold *>(QStringLiteral("hold"));
    const QJsonObject json = QJsonDocument::fromJson(message.toUtf8()).object();
    const QString what = json.value(QStringLiteral("hold")).toString();
    if (what == u"stop" || !hold) {
        if (hold)
            hold->stop();
        return;
    }
    if (what == u"still") {
        hold->stillHeld();
        return;
    }
    const int id = json.value(QStringLiteral("projector")).toInt(-1);
    if (what != u"start" || id < 0 || id >= m_projectors.size())
        return;
    const QString name = json.value(QStringLiteral("button")).toString();
    const auto action = WebCommand::button(name, m_projectors[id].inputs);
    if (!action || !WebState::isHoldButton(name))
        return;
    hold->start(*m_projectors[id].service, *action);
}

void WebFront::markChanged(int id)
{
    if (!m_changed.contains(id))
        m_changed.append(id);
    if (!m_pushTimer.isActive())
        m_pushTimer.start();
}

void WebFront::push()
{
    const QList<int> changed = std::exchange(m_changed, {});
    if (m_sockets.isEmpty())
        return;
    for (const int id : changed) {
        // One text for every page: serialised once.
        const QString text = QString::fromUtf8(
            QJsonDocument(QJsonObject{{QStringLiteral("projector"), projectorJson(id)}}).toJson(QJsonDocument::Compact));
        for (QWebSocket *socket : std::as_const(m_sockets))
            socket->sendTextMessage(text);
    }
}

QJsonObject WebFront::projectorJson(int id) const
{
    return WebState::projector(id, *m_projectors[id].service, m_histories[id], m_projectors[id].temperatureWarning,
                               m_projectors[id].inputs);
}
