#pragma once

#include "bridge/projector/inputtable.h"
#include "bridge/projector/wrongpasswords.h"
#include "bridge/web/webstate.h"

#include <QAbstractHttpServer>
#include <QByteArray>
#include <QHash>
#include <QHostAddress>
#include <QList>
#include <QStringList>
#include <QTimer>

#include <chrono>
#include <functional>
#include <optional>

class ProjectorService;
class QWebSocket;

// The web page and its JSON API for every projector the bridge serves, on the
// projectors' own services (their one queue and one state, as PJLink's):
//   GET  /                              the page (built in)
//   GET  /api/projectors                every projector with its state
//   GET  /api/panel                     the panel's button table
//   POST /api/projectors/N/command      {"command"|"button"|"send": TEXT}
//   GET  /ws (WebSocket)                state as it changes; held arrows
// With a password, every request needs it (HTTP basic authentication, any
// user name); a wrong one is logged with the peer and answered late.
// Changing requests must come from the page's own origin and be JSON.
class WebFront : public QAbstractHttpServer
{
    Q_OBJECT

public:
    struct Projector {
        ProjectorService *service = nullptr;
        InputTable inputs;
        double temperatureWarning = 0;  // as ERST has it
    };

    // How many connections at once (pages, scripts, a request half sent),
    // and how long one may stay silent: an HTTP connection that sends
    // nothing for that long is closed; a page's WebSocket is pinged twice
    // in that time and closed when it stops answering.
    struct Limits {
        int connections = 256;
        std::chrono::milliseconds idleTimeout{30000};
        // Beyond: a request's head and body must be whole within this; one
        // peer holds so many places; Host names that reach this front besides
        // its address (a reverse proxy's); proxies whose X-Forwarded-For counts.
        std::chrono::milliseconds requestTimeout{10000};
        int connectionsPerPeer = 32;
        QStringList hosts;
        QList<QHostAddress> trustedProxies;
    };
    // Changes within this long reach the pages as one message.
    static constexpr std::chrono::milliseconds PushDelay{5};

    WebFront(const QList<Projector> &projectors, std::optional<QByteArray> password, Limits limits,
             QObject *parent = nullptr);

    [[nodiscard]] bool listen(const QHostAddress &address, quint16 port, QString *error);
    void close();

    // Another room's page behind the same password (the metrics' /metrics).
    using GetRoute = std::function<void(QHttpServerResponder &responder)>;
    void addGetRoute(const QString &path, GetRoute route) { m_getRoutes.insert(path, std::move(route)); }
    [[nodiscard]] int pagesOpen() const { return int(m_sockets.size()); }

signals:
    void logLine(const QString &line);
    void wrongPassword();

protected:
    bool handleRequest(const QHttpServerRequest &request, QTcpSocket *socket) override;
    void missingHandler(const QHttpServerRequest &request, QTcpSocket *socket) override;

private:
    enum class Access { Granted, Missing, Wrong };
    [[nodiscard]] Access access(const QHttpServerRequest &request) const;
    [[nodiscard]] bool sameOrigin(const QHttpServerRequest &request) const;
    void refuseLater(const QHttpServerRequest &request, QTcpSocket *socket);
    [[nodiscard]] static QString peerOf(const QHttpServerRequest &request, const QTcpSocket *socket);
    void serveFile(const QString &path, QHttpServerResponder &responder);
    void command(int id, const QHttpServerRequest &request, QTcpSocket *socket);
    [[nodiscard]] bool acceptsWebSocket(const QHttpServerRequest &request, const QTcpSocket *socket);
    void acceptWebSockets();
    void keepAlive(QWebSocket *socket);
    void received(QWebSocket *socket, const QString &message);
    void markChanged(int id);
    void push();
    [[nodiscard]] QJsonObject projectorJson(int id) const;

    QList<Projector> m_projectors;
    QList<ExchangeHistory> m_histories;
    std::optional<QByteArray> m_password;
    QByteArray m_token;              // the page's WebSocket token, fresh each run
    Limits m_limits;
    WrongPasswords m_wrongPasswords;
    QList<QWebSocket *> m_sockets;
    QList<int> m_changed;
    QTimer m_pushTimer;
    QHash<QString, GetRoute> m_getRoutes;
};
