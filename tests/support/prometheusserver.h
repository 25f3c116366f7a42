#pragma once

#include "support/serverprocess.h"

#include <QJsonArray>

// Debian's Prometheus with a generated configuration scraping the given
// targets every second.
class PrometheusServer : public ServerProcess
{
public:
    static constexpr int StartTimeoutMs = 60000;

    // Starts it scraping `targets` ("127.0.0.1:9740") as the job "rm740" and
    // waits until it is ready.
    [[nodiscard]] bool start(const QStringList &targets);

    // An instant query's result (/api/v1/query): its vector; nothing when the query fails.
    [[nodiscard]] std::optional<QJsonArray> query(const QString &expression);
    // The value of the one series `expression` gives, or nothing.
    [[nodiscard]] std::optional<double> value(const QString &expression);

private:
    [[nodiscard]] QString url(const QString &pathAndQuery) const;
};
