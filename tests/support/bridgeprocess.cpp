#include "support/bridgeprocess.h"

#include "support/childprocess.h"

#include <QFile>
#include <QTemporaryDir>
#include <QTest>

#include <sys/stat.h>

QString writePrivateFile(const QTemporaryDir &dir, const char *name, const QByteArray &contents)
{
    const QString path = dir.filePath(QLatin1StringView(name));
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly) || file.write(contents) != contents.size())
        qFatal("cannot write %s", qPrintable(path));
    file.close();
    ::chmod(QFile::encodeName(path).constData(), 0600);
    return path;
}

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
