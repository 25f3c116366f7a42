#pragma once

#include <QByteArray>
#include <QProcess>
#include <QString>

// A real ser2net, in the foreground, serving one device on a free loopback
// port as raw TCP or RFC 2217 (its telnet accepter with rfc2217). Shared by
// the tests and the benchmarks.
class Ser2NetServer
{
public:
    enum class Protocol { RawTcp, Rfc2217 };

    static constexpr int StartTimeoutMs = 10000;

    Ser2NetServer() = default;
    ~Ser2NetServer() { stop(); }
    Ser2NetServer(const Ser2NetServer &) = delete;
    Ser2NetServer &operator=(const Ser2NetServer &) = delete;

    [[nodiscard]] static QString program();

    // `line` as ser2net writes it ("19200n81"); `port` 0: a free one. False,
    // with errorString(), when it does not come up listening. Without
    // `characterDelay` (ser2net's default) it sends what the device sends at
    // once rather than gathering it for a millisecond or more.
    [[nodiscard]] bool start(Protocol protocol, const QString &device, const QString &line, quint16 port = 0,
                             bool characterDelay = false);
    void stop();

    [[nodiscard]] quint16 port() const { return m_port; }
    // The "Ports" entry that reaches it.
    [[nodiscard]] QString url() const;
    [[nodiscard]] QString errorString() const { return m_error; }
    [[nodiscard]] QByteArray log();
    [[nodiscard]] qint64 processId() const { return m_process.processId(); }

private:
    [[nodiscard]] bool startOn(quint16 port, const QString &device, const QString &line, bool characterDelay);

    QProcess m_process;
    Protocol m_protocol = Protocol::RawTcp;
    quint16 m_port = 0;
    QString m_error;
    QByteArray m_log;
};

// Whether something listens on a TCP port of 127.0.0.1, from /proc/net/tcp.
[[nodiscard]] bool isListeningOnLoopback(quint16 port);
// A port on 127.0.0.1 that nothing listens on right now.
[[nodiscard]] quint16 freeLoopbackPort();
