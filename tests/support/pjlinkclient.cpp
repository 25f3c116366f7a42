#include "support/pjlinkclient.h"

#include <QHostAddress>
#include <QTest>

bool PjlinkClient::connectTo(quint16 port)
{
    m_socket.connectToHost(QHostAddress::LocalHost, port);
    if (!QTest::qWaitFor([this] { return m_socket.state() != QAbstractSocket::ConnectingState
                                         && m_socket.state() != QAbstractSocket::HostLookupState; }, WaitMs)
        || m_socket.state() != QAbstractSocket::ConnectedState)
        return false;
    m_socket.setSocketOption(QAbstractSocket::LowDelayOption, 1);
    m_greeting = readLine();
    return !m_greeting.isEmpty();
}

QByteArray PjlinkClient::readLine()
{
    // The event loop runs meanwhile: the projector may be in this process.
    const bool lineCame = QTest::qWaitFor([this] {
        m_buffer += m_socket.readAll();
        return m_buffer.contains('\r') || m_socket.state() != QAbstractSocket::ConnectedState;
    }, WaitMs);
    if (!lineCame || !m_buffer.contains('\r'))
        return {};
    const qsizetype cr = m_buffer.indexOf('\r');
    const QByteArray line = m_buffer.first(cr);
    m_buffer.remove(0, cr + 1);
    return line;
}

QByteArray PjlinkClient::ask(const QByteArray &request)
{
    m_socket.write(request + '\r');
    m_socket.flush();
    return readLine();
}

bool PjlinkClient::isClosedByServer()
{
    return QTest::qWaitFor([this] {
        m_socket.readAll();
        return m_socket.state() == QAbstractSocket::UnconnectedState;
    }, WaitMs);
}
