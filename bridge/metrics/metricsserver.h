#pragma once

#include "bridge/projector/wrongpasswords.h"

#include <QAbstractHttpServer>
#include <QByteArray>
#include <QHostAddress>

class QHttpServerResponder;

#include <functional>
#include <optional>

// GET /metrics on a listener of its own, for Prometheus: the text a scrape
// gets comes from `scrape`, asked at each request. With a password, a scrape
// must give it (HTTP basic authentication with any user name, or a bearer
// token, as Prometheus' basic_auth and authorization take it). A wrong one
// is answered after its penalty, a peer's later requests wait it out, and a
// peer that keeps guessing is shut out for a while.
class MetricsServer : public QAbstractHttpServer
{
    Q_OBJECT

public:
    using Scrape = std::function<QByteArray()>;
    static constexpr const char *Path = "/metrics";

    MetricsServer(Scrape scrape, std::optional<QByteArray> password, QObject *parent = nullptr);

    [[nodiscard]] bool listen(const QHostAddress &address, quint16 port, QString *error);
    void close();

    // A scrape's answer, here or on another listener (the web page's).
    static void answerScrape(QHttpServerResponder &responder, const QByteArray &text);
    // Whether a request's Authorization header gives `password`.
    [[nodiscard]] static bool authorizes(const QByteArray &authorization, const QByteArray &password);

signals:
    void wrongPassword(const QString &peer);

protected:
    bool handleRequest(const QHttpServerRequest &request, QTcpSocket *socket) override;
    void missingHandler(const QHttpServerRequest &request, QTcpSocket *socket) override;

private:
    void answer(QHttpServerResponder &responder, const QString &path, bool isGet, const QByteArray &authorization,
                const QString &peer, QTcpSocket *socket);

    Scrape m_scrape;
    std::optional<QByteArray> m_password;
    WrongPasswords m_wrongPasswords;
};
