#pragma once

#include "transports/boundedwait.h"
#include "transports/porttarget.h"
#include "transports/porttransport.h"

#include <QTcpSocket>

#include <chrono>

// A serial line behind a device server, over one TCP connection to the host
// and port that the settings name. Opening connects and then sets the line
// up, each within a bounded time; a connection that ends is a lost line.
// What travels on the connection besides the line's bytes is the business of
// the protocol (raw TCP: nothing; RFC 2217: telnet).
class TcpTransport : public PortTransport
{
    Q_OBJECT

public:
    static constexpr std::chrono::milliseconds ConnectLimit{3000};
    static constexpr std::chrono::milliseconds SetUpLimit{3000};

    TcpTransport(const PortTarget &target, QObject *parent);
    ~TcpTransport() override;

    [[nodiscard]] bool open(const SerialParameters &parameters) final;
    void close() final;
    [[nodiscard]] bool isOpen() const final { return m_open; }
    void write(const QByteArray &bytes) final;
    [[nodiscard]] QByteArray readAll() final;
    void discardInput() final;

protected:
    enum class SetUp { Pending, Done, Failed };
    struct Received {
        QByteArray data;   // the line's bytes
        QByteArray reply;  // for the server
    };

    // What the protocol sends as soon as it is connected.
    [[nodiscard]] virtual QByteArray start(const SerialParameters &parameters) = 0;
    [[nodiscard]] virtual Received decode(QByteArrayView bytes) = 0;
    [[nodiscard]] virtual QByteArray encode(QByteArrayView data) = 0;
    [[nodiscard]] virtual SetUp setUpState() const = 0;
    // Failed: why, in plain words.
    [[nodiscard]] virtual QString setUpFailure() const = 0;

    [[nodiscard]] QString endpoint() const { return m_target.endpoint(); }

private:
    [[nodiscard]] bool connectToServer();
    [[nodiscard]] bool setUpLine(const SerialParameters &parameters);
    void readFromSocket();
    void connectionEnded();
    void sendNow(const QByteArray &bytes);
    [[nodiscard]] QString socketFailure() const;
    void setLowLatencyAndKeepAlive();

    PortTarget m_target;
    QTcpSocket m_socket;
    BoundedWait m_wait;
    bool m_open = false;
    bool m_reading = false;  // the protocol has started and takes what arrives
    bool m_pumpQueued = false;
    QByteArray m_received;
};
