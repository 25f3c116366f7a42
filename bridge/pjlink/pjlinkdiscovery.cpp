#include "bridge/pjlink/pjlinkdiscovery.h"

#include "bridge/pjlink/pjlinkcodec.h"

#include <QNetworkDatagram>
#include <QNetworkInterface>

namespace {

bool isEveryAddress(const QHostAddress &address)
{
    return address == QHostAddress::Any || address == QHostAddress::AnyIPv4 || address == QHostAddress::AnyIPv6;
}

// "00:11:22:aa:bb:cc"; a loopback interface has none and reads as zeros.
QByteArray macOf(const QNetworkInterface &interface)
{
    const QString mac = interface.hardwareAddress();
    return (mac.isEmpty() ? QStringLiteral("00:00:00:00:00:00") : mac).toLower().toLatin1();
}

QNetworkInterface interfaceReached(const QNetworkDatagram &datagram)
{
    if (datagram.interfaceIndex() > 0)
        return QNetworkInterface::interfaceFromIndex(int(datagram.interfaceIndex()));
    for (const QNetworkInterface &interface : QNetworkInterface::allInterfaces()) {
        for (const QNetworkAddressEntry &entry : interface.addressEntries()) {
            if (entry.ip().isEqual(datagram.destinationAddress(), QHostAddress::TolerantConversion))
                return interface;
        }
    }
    return {};
}

} // namespace

PjlinkDiscovery::PjlinkDiscovery(const QHostAddress &listenAddress, quint16 udpPort, QObject *parent)
    : QObject(parent)
    , m_listenAddress(listenAddress)
    , m_udpPort(udpPort)
{
    connect(&m_socket, &QUdpSocket::readyRead, this, &PjlinkDiscovery::readDatagrams);
}

bool PjlinkDiscovery::start()
{
    // Searches are broadcast: only a socket on every address hears them; a
    // loopback port is searched for on loopback alone.
    const QHostAddress bound = m_listenAddress.isLoopback() ? m_listenAddress : QHostAddress(QHostAddress::AnyIPv4);
    if (!m_socket.bind(bound, m_udpPort, QUdpSocket::ShareAddress))
        return false;
    announce();
    return true;
}

bool PjlinkDiscovery::serves(const QNetworkInterface &interface) const
{
    if (!interface.isValid())
        return false;
    if (isEveryAddress(m_listenAddress))
        return true;
    for (const QNetworkAddressEntry &entry : interface.addressEntries()) {
        if (entry.ip().isEqual(m_listenAddress, QHostAddress::TolerantConversion))
            return true;
    }
    return false;
}

void PjlinkDiscovery::readDatagrams()
{
    while (m_socket.hasPendingDatagrams()) {
        const QNetworkDatagram datagram = m_socket.receiveDatagram(Pjlink::MaxRequestLength);
        if (!Pjlink::isSearch(datagram.data()))
            continue;
        const QNetworkInterface interface = interfaceReached(datagram);
        if (!serves(interface))
            continue;
        m_socket.writeDatagram(datagram.makeReply(Pjlink::searchAnswer(macOf(interface))));
        emit logLine(tr("%1:%2 searched; answered on %3")
                         .arg(datagram.senderAddress().toString()).arg(datagram.senderPort())
                         .arg(interface.humanReadableName()));
    }
}

void PjlinkDiscovery::announce()
{
    for (const QNetworkInterface &interface : QNetworkInterface::allInterfaces()) {
        if (!(interface.flags() & QNetworkInterface::IsUp) || !(interface.flags() & QNetworkInterface::CanBroadcast)
            || !serves(interface))
            continue;
        for (const QNetworkAddressEntry &entry : interface.addressEntries()) {
            if (entry.broadcast().isNull())
                continue;
            m_socket.writeDatagram(Pjlink::announcement(macOf(interface)), entry.broadcast(), m_udpPort);
            emit logLine(tr("announced on %1 (%2)").arg(interface.humanReadableName(), entry.broadcast().toString()));
        }
    }
}
