#include "support/ser2netserver.h"

#include "support/childprocess.h"

#include <QDeadlineTimer>
#include <QFile>
#include <QHostAddress>
#include <QTcpServer>

QString Ser2NetServer::program()
{
#ifdef RM740_SER2NET_PATH
    return QStringLiteral(RM740_SER2NET_PATH);
#else
    return QStringLiteral("ser2net");
#endif
}

bool Ser2NetServer::start(Protocol protocol, const QString &device, const QString &line, quint16 port,
                          bool characterDelay)
{
    m_protocol = protocol;
    // A port found free may be taken before ser2net binds it: try a few.
    for (int attempt = 0; attempt < 3; ++attempt) {
        if (startOn(port ? port : freeLoopbackPort(), device, line, characterDelay))
            return true;
        if (port)
            break;
    }
    return false;
}

bool Ser2NetServer::startOn(quint16 port, const QString &device, const QString &line, bool characterDelay)
{
    stop();
    m_port = port;
    m_log.clear();
    const QString accepter = m_protocol == Protocol::Rfc2217 ? QStringLiteral("telnet(rfc2217),tcp")
                                                             : QStringLiteral("tcp");
    // "#" is ser2net's newline in -Y.
    const QString yaml = QStringLiteral("connection: &projector#"
                                        "  accepter: %1,127.0.0.1,%2#"
                                        "  connector: serialdev,%3,%4,local#"
                                        "  options:#"
                                        "    chardelay: %5")
                             .arg(accepter)
                             .arg(port)
                             .arg(device, line, characterDelay ? QStringLiteral("true") : QStringLiteral("false"));
    m_process.setProcessChannelMode(QProcess::MergedChannels);
    m_process.start(program(), {QStringLiteral("-n"), QStringLiteral("-d"), QStringLiteral("-u"),
                                QStringLiteral("-Y"), yaml});
    if (!m_process.waitForStarted(StartTimeoutMs)) {
        m_error = QStringLiteral("ser2net did not start: %1").arg(m_process.errorString());
        return false;
    }
    // Polled: ser2net says nothing when it is ready.
    const QDeadlineTimer deadline(StartTimeoutMs);
    while (!isListeningOnLoopback(port) && !deadline.hasExpired() && !m_process.waitForFinished(20)) {
    }
    if (!isListeningOnLoopback(port)) {
        m_error = QStringLiteral("ser2net is not listening on %1: %2").arg(port).arg(QString::fromLocal8Bit(log()));
        stop();
        return false;
    }
    return true;
}

void Ser2NetServer::stop()
{
    if (m_process.state() == QProcess::NotRunning)
        return;
    ChildProcess::end(m_process);
    m_log += m_process.readAll();
}

QString Ser2NetServer::url() const
{
    const QString scheme = m_protocol == Protocol::Rfc2217 ? QStringLiteral("rfc2217") : QStringLiteral("socket");
    return QStringLiteral("%1://127.0.0.1:%2").arg(scheme).arg(m_port);
}

QByteArray Ser2NetServer::log()
{
    m_log += m_process.readAll();
    return m_log;
}

bool isListeningOnLoopback(quint16 port)
{
    QFile table(QStringLiteral("/proc/net/tcp"));
    if (!table.open(QIODevice::ReadOnly))
        return false;
    // "0100007F:PORT 00000000:0000 0A": 127.0.0.1, any peer, LISTEN.
    const QByteArray local = "0100007F:" + QByteArray::number(port, 16).toUpper().rightJustified(4, '0');
    for (const QByteArray &line : table.readAll().split('\n')) {
        const QList<QByteArray> fields = line.simplified().split(' ');
        if (fields.size() > 3 && fields[1] == local && fields[3] == "0A")
            return true;
    }
    return false;
}

quint16 freeLoopbackPort()
{
    QTcpServer probe;
    if (!probe.listen(QHostAddress::LocalHost, 0))
        return 0;
    return probe.serverPort();
}
