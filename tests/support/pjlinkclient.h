#pragma once

#include <QByteArray>
#include <QTcpSocket>

// A PJLink client as plain as the protocol: a connection, the greeting, one
// request and its answer at a time. It waits (bounded) for what it reads, so
// it serves against a server in another process.
class PjlinkClient
{
public:
    static constexpr int WaitMs = 5000;

    // Connects to 127.0.0.1:`port` and reads the greeting ("PJLINK 0").
    [[nodiscard]] bool connectTo(quint16 port);
    [[nodiscard]] const QByteArray &greeting() const { return m_greeting; }
    // The 8-digit challenge of a "PJLINK 1" greeting.
    [[nodiscard]] QByteArray challenge() const { return m_greeting.mid(9, 8); }

    // Sends `request` and a CR; the answer line without its CR, or empty when
    // none came (the connection closed or the wait ran out).
    [[nodiscard]] QByteArray ask(const QByteArray &request);
    [[nodiscard]] QByteArray readLine();
    // Whether the server closed the connection (within the wait).
    [[nodiscard]] bool isClosedByServer();

    [[nodiscard]] QTcpSocket &socket() { return m_socket; }

private:
    QTcpSocket m_socket;
    QByteArray m_buffer;
    QByteArray m_greeting;
};
