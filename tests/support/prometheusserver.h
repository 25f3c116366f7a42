#pragma once

#include <QByteArray>
#include <QJsonArray>
#include <QNetworkAccessManager>
#include <QProcess>
#include <QString>
#include <QStringList>
#include <QTemporaryDir>

#include <optional>

// Debian's Prometheus in the foreground on a loopback port of its own, with
// a generated configuration scraping the given targets every second and its
// data in a temporary folder.
class PrometheusServer
{
public:
    static constexpr int StartTimeoutMs = 60000;

    PrometheusServer() = default;
    ~PrometheusServer() { stop(); }
    PrometheusServer(const PrometheusServer &) = delete;
    PrometheusServer &operator=(const PrometheusServer &) = delete;

    // Starts it scraping `targets` ("127.0.0.1:9740") as the job "rm740" and
    // waits until it is ready. False, with errorString(), when it is not.
    [[nodiscard]] bool start(const QStringList &targets);
    void stop();

    // An instant query's result (/api/v1/query): its vector; nothing when the
    // query fails.
    [[nodiscard]] std::optional<QJsonArray> query(const QString &expression);
    // The value of the one series `expression` gives, or nothing.
    [[nodiscard]] std::optional<double> value(const QString &expression);

    [[nodiscard]] QString errorString() const { return m_error; }
    [[nodiscard]] QByteArray log();

private:
    [[nodiscard]] std::optional<QByteArray> get(const QString &pathAndQuery);

    QTemporaryDir m_dir;
    QProcess m_process;
    QNetworkAccessManager m_network;
    quint16 m_port = 0;
    QString m_error;
    QByteArray m_log;
};
