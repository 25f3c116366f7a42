#pragma once

#include "bridge/projector/inputtable.h"
#include "bridge/pjlink/pjlinkcodec.h"
#include "bridge/pjlink/pjlinktable.h"
#include "bridge/pjlink/repeatedlines.h"

#include <QByteArray>
#include <QElapsedTimer>
#include <QList>
#include <QObject>
#include <QTimer>

#include <optional>

class ProjectorService;
class QTcpSocket;
class WrongPasswords;

// What every connection of one projector's PJLink port shares.
struct PjlinkSettings {
    std::optional<QByteArray> password;   // nothing: no authentication
    std::chrono::milliseconds idleTimeout{30000};
    InputTable inputs = InputTable::defaults();
    PjlinkTable::Identity identity;
};

// One client of the PJLink port: greets it (with a fresh challenge when a
// password is set), reads its requests one at a time, answers each from the
// projector's state or through its queue, and closes the connection on a
// wrong digest, a line that is no request, or silence. A digest waits while
// its peer's wrong ones are penalized, and a shut-out peer is closed.
class PjlinkConnection : public QObject
{
    Q_OBJECT

public:
    // Bytes read from the socket at a time: a client that sends faster than
    // it is answered waits in TCP, not in memory.
    static constexpr qint64 ReadChunk = 1024;
    // Answers not yet taken by the client above which nothing more is read
    // from it, until they drain: one that asks without reading waits in TCP too.
    static constexpr qint64 MostUnsent = 64 * 1024;
    // How long a closed connection may take to send what was written to it.
    static constexpr int LingerMs = 1000;

    PjlinkConnection(QTcpSocket *socket, ProjectorService &service, const PjlinkSettings &settings,
                     const WrongPasswords &wrong, QObject *parent = nullptr);

    [[nodiscard]] QString peer() const { return m_peer; }
    // "192.0.2.7:51234", "[2001:db8::7]:51234": for the log.
    [[nodiscard]] static QString peerOf(const QTcpSocket &socket);
    // "192.0.2.7", "2001:db8::7": what penalties count by.
    [[nodiscard]] static QString addressOf(const QTcpSocket &socket);

signals:
    void closed();
    // A wrong digest, and the line the log would have of it.
    void wrongPassword(const QString &line);
    void authenticated();
    void logLine(const QString &line);

private:
    void readRequests();
    void writeLog(const QStringList &lines);
    void handle(const QByteArray &line);
    void answer(const Pjlink::Request &request, QByteArrayView result);
    void close(const QString &why);
    [[nodiscard]] bool acceptsDigest(const QByteArray &digest) const;

    QTcpSocket *const m_socket;
    ProjectorService &m_service;
    const PjlinkSettings &m_settings;
    const QString m_peer;
    const QString m_address;
    const WrongPasswords &m_wrong;
    QTimer m_wait;                // the peer's penalty
    QByteArray m_challenge;       // empty: no authentication, or done
    Pjlink::LineReader m_reader;
    QList<QByteArray> m_lines;    // read, not yet handled
    bool m_busy = false;          // a request waits for the projector
    bool m_closing = false;
    QTimer m_idle;
    QElapsedTimer m_requestClock;
    QByteArray m_requestText;     // for the log: the request without a digest
    RepeatedLines m_logged;
};
