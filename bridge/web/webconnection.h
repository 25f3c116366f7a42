#pragma once

#include "bridge/web/clientframes.h"
#include "bridge/web/requestrules.h"

#include <QByteArray>
#include <QHash>
#include <QPointer>
#include <QTcpServer>
#include <QTimer>

#include <chrono>
#include <functional>
#include <memory>

class QTcpSocket;
class WrongPasswords;

// What the front holds every connection to, before Qt's HTTP server sees a byte.
struct WebRules {
    RequestRules::Hosts hosts;
    QList<QHostAddress> trustedProxies;     // X-Forwarded-For counts from these only
    std::chrono::milliseconds requestTimeout{10000};  // a request's head and body, however it trickles
    std::chrono::milliseconds idleTimeout{30000};     // silence between requests
    int connections = 256;
    int connectionsPerPeer = 32;
};

// One client's connection, between its socket and Qt's HTTP server, which
// reads the other end of a socket pair: requests are handed on one at a time
// (so answers leave in request order and a peer's penalty holds its whole
// pipeline), each whole within the request time and checked by
// RequestRules first; a WebSocket's client frames must be masked. Nothing is
// read from either side while more than MostUnsent bytes wait to be sent
// to the client: a client that does not read waits in TCP, not in memory.
class WebConnection : public QObject
{
    Q_OBJECT

public:
    static constexpr qint64 MostUnsent = 64 * 1024;

    // `server` is this end of the pair, `qtEnd` the end Qt's server reads.
    WebConnection(QTcpSocket *client, QTcpSocket *server, QTcpSocket *qtEnd, const WebRules &rules,
                  const WrongPasswords &wrong, QObject *parent);

    // The address the current request counts for.
    [[nodiscard]] QString peer() const { return m_peer; }
    [[nodiscard]] QString socketPeer() const;
    // The peer of a request that Qt's server reads from `socket`.
    [[nodiscard]] static QString peerOf(const QTcpSocket *socket);
    void abort();

signals:
    void logLine(const QString &line);

private:
    enum class State { Head, Answer, Tunnel, Closing };
    void readClient();
    void advance();
    void readServer();
    void answered(QByteArrayView bytes);
    void answerDone();
    void enterTunnel();
    [[nodiscard]] bool passFrames(const QByteArray &bytes);
    void refuse(int status, const QString &reason);
    void finish();

    QTcpSocket *m_client;
    QTcpSocket *m_server;          // our end of the pair
    QPointer<QTcpSocket> m_qtEnd;  // the end Qt's server reads
    const WebRules &m_rules;
    const WrongPasswords &m_wrong;
    State m_state = State::Head;
    QByteArray m_in;               // the client's bytes not yet handed on
    QByteArray m_answerHead;       // the current answer's head so far
    qint64 m_answerLeft = -1;      // its body still to come; -1: its head is not in
    bool m_bodyless = false;
    bool m_closeAfter = false;
    bool m_upgrade = false;
    QString m_peer;
    ClientFrames m_frames;
    QTimer m_deadline;             // the request's time
    QTimer m_idle;
    QTimer m_wait;                 // the peer's penalty
};

// The listening socket of the web front: places bounded in all and per
// peer, a shut-out peer refused, every connection behind a WebConnection.
class WebListener : public QTcpServer
{
    Q_OBJECT

public:
    WebListener(const WebRules &rules, const WrongPasswords &wrong, std::function<void(const QString &)> log,
                QObject *parent);

    // Closes every connection of the peer.
    void shutOut(const QString &peer);

protected:
    void incomingConnection(qintptr descriptor) override;

private:
    const WebRules m_rules;
    const WrongPasswords &m_wrong;
    const std::function<void(const QString &)> m_log;
    // Shared with the counters, which may outlive the listener.
    const std::shared_ptr<QHash<QString, int>> m_open = std::make_shared<QHash<QString, int>>();
    const std::shared_ptr<int> m_total = std::make_shared<int>(0);
};
