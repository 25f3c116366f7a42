#pragma once

#include <QByteArray>
#include <QByteArrayView>
#include <QHostAddress>
#include <QList>
#include <QPair>
#include <QString>
#include <QStringList>

#include <optional>

// What the web front checks of a request's head before Qt's HTTP server
// reads it: the bytes a request takes, the Host it names, and the ambiguities
// a server and a proxy could read two ways. Widget-free, socket-free.
namespace RequestRules {

constexpr qsizetype LongestHead = 16 * 1024;
constexpr qsizetype LongestBody = 64 * 1024;

// The names that reach this front: the listen address (every address of the
// machine when it listens on all), "localhost" on loopback, and the names
// the configuration adds for a reverse proxy.
struct Hosts {
    QHostAddress listen = QHostAddress(QHostAddress::LocalHost);
    QStringList names;
};

struct Head {
    QByteArray method;
    QByteArray target;
    QByteArray version;
    QList<QPair<QByteArray, QByteArray>> fields;

    // Every value of the field, in order (names compared without case).
    [[nodiscard]] QList<QByteArray> values(QByteArrayView name) const;
    [[nodiscard]] QByteArray value(QByteArrayView name) const;  // the last one
};

struct Verdict {
    enum Kind { Incomplete, Complete, Refused };
    Kind kind = Incomplete;
    int status = 0;          // when refused
    QString reason;          // when refused
    qsizetype length = 0;    // the request's bytes, head and body, when complete
    bool close = false;      // the client asked to close after the answer
    bool upgrade = false;    // a WebSocket upgrade
    bool bodylessAnswer = false;  // HEAD
    Head head;
};

// The first request of `bytes`: incomplete, complete (its length), or refused
// with the status to answer before closing.
[[nodiscard]] Verdict examine(QByteArrayView bytes, const Hosts &hosts);

// Whether a Host field names this front.
[[nodiscard]] bool hostAllowed(QByteArrayView host, const Hosts &hosts);

// The address a request counts for: the socket's, or, from a trusted
// proxy, the last address X-Forwarded-For names.
[[nodiscard]] QString peer(const QHostAddress &socketPeer, const QList<QByteArray> &forwardedFor,
                           const QList<QHostAddress> &trustedProxies);
[[nodiscard]] QString addressText(const QHostAddress &address);

// The password of an Authorization field's basic credentials (any user
// name: the bridge has one password), or nothing for another scheme.
[[nodiscard]] std::optional<QByteArray> basicPassword(QByteArrayView authorization);

// Where an answer of Qt's ends: its head's length and its body's, once the
// head is in. A 1xx other than 101 is followed by the real answer.
struct Answer {
    bool complete = false;
    qsizetype headLength = 0;
    qsizetype bodyLength = -1;  // -1: until the connection closes
    int status = 0;
};
[[nodiscard]] Answer answer(QByteArrayView bytes, bool bodyless);

// A whole answer that refuses a request and closes the connection.
[[nodiscard]] QByteArray refusal(int status, const QString &reason);

} // namespace RequestRules
