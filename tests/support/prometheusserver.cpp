#include "support/prometheusserver.h"

#include "support/childprocess.h"
#include "support/ser2netserver.h"

#include <QFile>
#include <QJsonDocument>
#include <QJsonObject>
#include <QNetworkReply>
#include <QSignalSpy>
#include <QTest>
#include <QUrlQuery>

bool PrometheusServer::start(const QStringList &targets)
{
    if (!m_dir.isValid()) {
        m_error = QStringLiteral("no temporary folder");
        return false;
    }
    QStringList quoted;
    for (const QString &target : targets)
        quoted.append(QStringLiteral("'%1'").arg(target));
    const QString config = m_dir.filePath(QStringLiteral("prometheus.yml"));
    QFile file(config);
    if (!file.open(QIODevice::WriteOnly)) {
        m_error = file.errorString();
        return false;
    }
    file.write(QStringLiteral("global:\n  scrape_interval: 1s\n  scrape_timeout: 1s\n  evaluation_interval: 1s\n"
                              "scrape_configs:\n  - job_name: rm740\n    static_configs:\n      - targets: [%1]\n")
                   .arg(quoted.join(QStringLiteral(", ")))
                   .toUtf8());
    file.close();
    m_port = freeLoopbackPort();
    m_process.setProcessChannelMode(QProcess::MergedChannels);
    m_process.start(QStringLiteral(RM740_PROMETHEUS_PATH),
                    {QStringLiteral("--config.file=%1").arg(config),
                     QStringLiteral("--storage.tsdb.path=%1").arg(m_dir.filePath(QStringLiteral("data"))),
                     QStringLiteral("--web.listen-address=127.0.0.1:%1").arg(m_port)});
    if (!m_process.waitForStarted()) {
        m_error = QStringLiteral("prometheus did not start: %1").arg(m_process.errorString());
        return false;
    }
    const bool ready = QTest::qWaitFor([this] { return m_process.state() == QProcess::NotRunning
                                                    || get(QStringLiteral("/-/ready")).has_value(); },
                                       StartTimeoutMs);
    if (!ready || m_process.state() == QProcess::NotRunning) {
        m_error = QStringLiteral("prometheus is not ready: %1").arg(QString::fromLocal8Bit(log()));
        stop();
        return false;
    }
    return true;
}

void PrometheusServer::stop()
{
    ChildProcess::end(m_process);
}

std::optional<QByteArray> PrometheusServer::get(const QString &pathAndQuery)
{
    QNetworkReply *reply = m_network.get(QNetworkRequest(QUrl(QStringLiteral("http://127.0.0.1:%1%2").arg(m_port).arg(pathAndQuery))));
    QSignalSpy finished(reply, &QNetworkReply::finished);
    if (!reply->isFinished())
        (void)finished.wait(10000);
    std::optional<QByteArray> body;
    if (reply->isFinished() && reply->error() == QNetworkReply::NoError)
        body = reply->readAll();
    reply->deleteLater();
    return body;
}

std::optional<QJsonArray> PrometheusServer::query(const QString &expression)
{
    QUrlQuery query;
    query.addQueryItem(QStringLiteral("query"), expression);
    const auto body = get(QStringLiteral("/api/v1/query?") + query.toString(QUrl::FullyEncoded));
    if (!body)
        return std::nullopt;
    const QJsonObject answer = QJsonDocument::fromJson(*body).object();
    if (answer.value(QStringLiteral("status")) != QStringLiteral("success"))
        return std::nullopt;
    return answer.value(QStringLiteral("data")).toObject().value(QStringLiteral("result")).toArray();
}

std::optional<double> PrometheusServer::value(const QString &expression)
{
    const auto result = query(expression);
    if (!result || result->size() != 1)
        return std::nullopt;
    // [time, "value"]
    return result->first().toObject().value(QStringLiteral("value")).toArray().at(1).toString().toDouble();
}

QByteArray PrometheusServer::log()
{
    m_log += m_process.readAll();
    return m_log;
}
