#include "support/prometheusserver.h"

#include "support/ser2netserver.h"

#include <QJsonDocument>
#include <QJsonObject>
#include <QUrlQuery>

bool PrometheusServer::start(const QStringList &targets)
{
    QStringList quoted;
    for (const QString &target : targets)
        quoted.append(QStringLiteral("'%1'").arg(target));
    const QString config = filePath(QStringLiteral("prometheus.yml"));
    m_port = freeLoopbackPort();
    return writeFile(QStringLiteral("prometheus.yml"),
                     QStringLiteral("global:\n  scrape_interval: 1s\n  scrape_timeout: 1s\n  evaluation_interval: 1s\n"
                                    "scrape_configs:\n  - job_name: rm740\n    static_configs:\n      - targets: [%1]\n")
                         .arg(quoted.join(QStringLiteral(", ")))
                         .toUtf8())
        && launch(QStringLiteral(RM740_PROMETHEUS_PATH),
                  {QStringLiteral("--config.file=%1").arg(config),
                   QStringLiteral("--storage.tsdb.path=%1").arg(filePath(QStringLiteral("data"))),
                   QStringLiteral("--web.listen-address=127.0.0.1:%1").arg(m_port)},
                  [this] { return httpGet(url(QStringLiteral("/-/ready"))).has_value(); }, StartTimeoutMs);
}

QString PrometheusServer::url(const QString &pathAndQuery) const
{
    return QStringLiteral("http://127.0.0.1:%1%2").arg(m_port).arg(pathAndQuery);
}

std::optional<QJsonArray> PrometheusServer::query(const QString &expression)
{
    QUrlQuery query;
    query.addQueryItem(QStringLiteral("query"), expression);
    const auto body = httpGet(url(QStringLiteral("/api/v1/query?") + query.toString(QUrl::FullyEncoded)));
    const QJsonObject answer = QJsonDocument::fromJson(body.value_or(QByteArray())).object();
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
