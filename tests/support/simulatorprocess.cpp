#include "support/simulatorprocess.h"

#include "support/childprocess.h"

#include <QDebug>
#include <QFileInfo>
#include <QTest>

QString SimulatorProcess::program()
{
    return QStringLiteral(RM740_SIM_PATH);
}

bool SimulatorProcess::start(const QString &link, const QStringList &options)
{
    m_link = link;
    if (!launch(QStringList{QStringLiteral("--link"), link} + options))
        return false;
    if (!m_devicePath.startsWith(QLatin1StringView("/dev/")))
        return fail(QStringLiteral("rm740-sim printed %1").arg(m_devicePath));
    if (QFileInfo(m_link).symLinkTarget() != m_devicePath)
        return fail(QStringLiteral("%1 does not lead to %2").arg(m_link, m_devicePath));
    return true;
}

bool SimulatorProcess::startListening(const QStringList &options)
{
    m_link.clear();
    if (!launch(options))
        return false;
    if (!m_devicePath.contains(QLatin1StringView("://127.0.0.1:")) && !m_devicePath.contains(QLatin1StringView("://[::1]:")))
        return fail(QStringLiteral("rm740-sim printed %1").arg(m_devicePath));
    return true;
}

void SimulatorProcess::startInTest(const QString &link, const QStringList &options)
{
    QVERIFY2(start(link, options), qPrintable(m_error));
}

void SimulatorProcess::listenInTest(const QStringList &options)
{
    QVERIFY2(startListening(options), qPrintable(m_error));
}

void SimulatorProcess::stopAfterTest()
{
    stop();
    if (const QByteArray logged = log(); QTest::currentTestFailed() && !logged.isEmpty())
        qWarning().noquote() << "simulator log:\n" << logged;
    m_log.clear();
}

bool SimulatorProcess::launch(const QStringList &arguments)
{
    stop();
    m_devicePath.clear();
    m_log.clear();
    m_process.start(program(), arguments);
    if (!m_process.waitForStarted(StartTimeoutMs))
        return fail(QStringLiteral("rm740-sim did not start: %1").arg(m_process.errorString()));
    // The device path is printed once the device is in place.
    if (!QTest::qWaitFor([this] { return m_process.canReadLine()
                                      || m_process.state() == QProcess::NotRunning; },
                         StartTimeoutMs)
        || !m_process.canReadLine())
        return fail(QStringLiteral("rm740-sim printed no device: %1").arg(QString::fromLocal8Bit(log())));
    m_devicePath = QString::fromLocal8Bit(m_process.readLine()).trimmed();
    return true;
}

void SimulatorProcess::stop()
{
    ChildProcess::end(m_process);
}

QByteArray SimulatorProcess::log()
{
    if (m_process.isOpen())
        m_log += m_process.readAllStandardError();
    return m_log;
}

bool SimulatorProcess::fail(const QString &error)
{
    m_error = error;
    stop();
    return false;
}

QByteArrayList SimulatorProcess::framesIn(const QByteArray &log)
{
    QByteArrayList frames;
    for (const QByteArray &line : log.split('\n')) {
        const qsizetype arrow = line.indexOf("[CR]  ->");
        if (arrow > 14)
            frames.append(line.mid(14, arrow - 14).trimmed());
    }
    return frames;
}
