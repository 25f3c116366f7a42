#pragma once

#include "rfc2217/rfc2217server.h"
#include "sim/simulatorline.h"

#include <QHostAddress>
#include <QPointer>
#include <QTcpServer>
#include <QTcpSocket>

#include <optional>

// The projector behind a device server: a listening TCP port that serves one
// connection at a time, in raw TCP (the connection's bytes are the line's) or
// as an RFC 2217 server (telnet, the client sets the line). A new connection
// takes the line over from an old one, which is closed.
class NetworkLine : public SimulatorLine
{
    Q_OBJECT

public:
    enum class Protocol { RawTcp, Rfc2217 };

    NetworkLine(Protocol protocol, const QHostAddress &address, quint16 port, QObject *parent = nullptr);
    ~NetworkLine() override;

    [[nodiscard]] bool open() override;
    [[nodiscard]] bool isOpen() const override { return m_server.isListening(); }
    [[nodiscard]] QString address() const override;
    [[nodiscard]] QString errorString() const override { return m_error; }

    void write(QByteArrayView bytes) override;
    [[nodiscard]] qsizetype pendingBytes() const override;
    void close() override;

    [[nodiscard]] std::optional<qint32> lineSpeed() const override;

    // The projector's serial side as an RFC 2217 client may set it: its two
    // speeds, 8N1, no flow control.
    [[nodiscard]] static Rfc2217Server::Device projectorSide();

private:
    void accept();
    void readClient();
    void clientGone();
    void bytesWritten();
    void dropClient();
    [[nodiscard]] QString peerName() const;

    Protocol m_protocol;
    QHostAddress m_address;
    quint16 m_port;
    QTcpServer m_server;
    QPointer<QTcpSocket> m_client;
    std::optional<Rfc2217Server> m_rfc2217;  // for the connection in progress
    SerialParameters m_line;  // as the last client left it
    QString m_error;
};
