#include "support/bridgeprocess.h"

#include "support/childprocess.h"

#include <QTest>

QString BridgeProcess::program()
{
    return QStringLiteral(RM740_BRIDGE_PATH);
}

bool BridgeProcess::start(const QStringList &arguments)
{
    m_log.clear();
    m_process.start(program(), arguments);
    if (!m_process.waitForStarted(StartTimeoutMs)) {
        m_error = QStringLiteral("rm740-bridge did not start: %1").arg(m_process.errorString());
        return false;
    }
    if (!waitForLog("PJLink on", StartTimeoutMs)) {
        m_error = QStringLiteral("rm740-bridge does not listen: %1").arg(QString::fromLocal8Bit(log()));
        stop();
        return false;
    }
    return true;
}

void BridgeProcess::stop()
{
    ChildProcess::end(m_process);
}

bool BridgeProcess::waitForLog(const QByteArray &text, int timeoutMs)
{
    return QTest::qWaitFor([&] { return log().contains(text) || m_process.state() == QProcess::NotRunning; },
                           timeoutMs)
        && log().contains(text);
}

QByteArray BridgeProcess::log()
{
    m_log += m_process.readAllStandardError();
    return m_log;
}
