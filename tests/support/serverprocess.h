#pragma once

#include <QByteArray>
#include <QProcess>
#include <QString>
#include <QStringList>
#include <QTemporaryDir>

#include <functional>
#include <optional>

// A server the tests start from Debian's package: in the foreground, on a
// loopback port of its own, with its configuration and data in a temporary
// folder and its output kept for a failure report.
class ServerProcess
{
public:
    ServerProcess() = default;
    ~ServerProcess() { stop(); }
    ServerProcess(const ServerProcess &) = delete;
    ServerProcess &operator=(const ServerProcess &) = delete;

    void stop();
    [[nodiscard]] quint16 port() const { return m_port; }
    [[nodiscard]] QString errorString() const { return m_error; }
    [[nodiscard]] QByteArray log();

protected:
    // Starts `program` and waits until `ready` holds; false, with
    // errorString(), when it ends or does not become ready in time.
    [[nodiscard]] bool launch(const QString &program, const QStringList &arguments, const std::function<bool()> &ready,
                              int timeoutMs);
    [[nodiscard]] bool writeFile(const QString &name, const QByteArray &content);
    [[nodiscard]] bool failed(const QString &why);
    [[nodiscard]] QString filePath(const QString &name) const { return m_dir.filePath(name); }

    QProcess m_process;
    quint16 m_port = 0;

private:
    QTemporaryDir m_dir;
    QString m_error;
    QByteArray m_log;
};

// A GET's body, or nothing when it is not answered with success in time.
[[nodiscard]] std::optional<QByteArray> httpGet(const QString &url, int timeoutMs = 10000);
