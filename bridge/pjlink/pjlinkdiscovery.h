#pragma once

#include <QHostAddress>
#include <QObject>
#include <QUdpSocket>

class QNetworkDatagram;
class QNetworkInterface;

// PJLink's search (Class 2), opt-in: answers "%2SRCH" with the MAC of the
// interface the search came in on, where the PJLink port can be reached
// through it, and announces the projector once at start ("%2LKUP").
class PjlinkDiscovery : public QObject
{
    Q_OBJECT

public:
    // `listenAddress`: the PJLink port's; searches are answered only on the
    // interfaces that carry it (every one for an address of all interfaces).
    PjlinkDiscovery(const QHostAddress &listenAddress, quint16 udpPort, QObject *parent = nullptr);

    // False, with errorString(), when the UDP port cannot be bound.
    [[nodiscard]] bool start();
    [[nodiscard]] QString errorString() const { return m_socket.errorString(); }

signals:
    void logLine(const QString &line);

private:
    void readDatagrams();
    [[nodiscard]] bool serves(const QNetworkInterface &interface) const;
    void announce();

    const QHostAddress m_listenAddress;
    const quint16 m_udpPort;
    QUdpSocket m_socket;
};
