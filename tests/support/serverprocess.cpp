#include "support/serverprocess.h"

#include "support/childprocess.h"

#include <QFile>
#include <QNetworkAccessManager>
#include <QNetworkReply>
#include <QSignalSpy>
#include <QTest>

bool ServerProcess::launch(const QString &program, const QStringList &arguments, const std::function<bool()> &ready,
                           int timeoutMs)
{
    if (!m_dir.isValid() || m_port == 0)
        return failed(QStringLiteral("no temporary folder or free port for %1").arg(program));
    m_log.clear();
    m_process.setProcessChannelMode(QProcess::MergedChannels);
    m_process.start(program, arguments);
    const bool up = QTest::qWaitFor([&] { return m_process.state() == QProcess::NotRunning || ready(); }, timeoutMs);
    if (up && m_process.state() == QProcess::Running)
        return true;
    const QString why = QStringLiteral("%1 did not come up: %2 %3")
                            .arg(program, m_process.errorString(), QString::fromLocal8Bit(log()));
    stop();
    return failed(why);
}

void ServerProcess::stop()
{
    m_log += m_process.readAll();  // kept for a failure report after the stop
    ChildProcess::end(m_process);
}

QByteArray ServerProcess::log()
{
    m_log += m_process.readAll();
    return m_log;
}

bool ServerProcess::writeFile(const QString &name, const QByteArray &content)
{
    QFile file(m_dir.filePath(name));
    if (file.open(QIODevice::WriteOnly) && file.write(content) == content.size())
        return true;
    return failed(file.errorString());
}

bool ServerProcess::failed(const QString &why)
{
    m_error = why;
    return false;
}

std::optional<QByteArray> httpGet(const QString &url, int timeoutMs)
{
    QNetworkAccessManager network;
    std::unique_ptr<QNetworkReply> reply(network.get(QNetworkRequest(QUrl(url))));
    QSignalSpy finished(reply.get(), &QNetworkReply::finished);
    if (!reply->isFinished())
        (void)finished.wait(timeoutMs);
    if (!reply->isFinished() || reply->error() != QNetworkReply::NoError)
        return std::nullopt;
    return reply->readAll();
}
