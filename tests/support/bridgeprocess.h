#pragma once

#include <QByteArray>
#include <QProcess>
#include <QString>
#include <QStringList>

class QTemporaryDir;

// A file in `dir` readable by its owner alone, as the bridge wants its
// password files; its path. Ends the test program if it cannot be written.
[[nodiscard]] QString writePrivateFile(const QTemporaryDir &dir, const char *name, const QByteArray &contents);

// The rm740-bridge process, its log (standard error) kept; shared by the
// tests and the benchmarks.
class BridgeProcess
{
public:
    static constexpr int StartTimeoutMs = 15000;

    BridgeProcess() = default;
    ~BridgeProcess() { stop(); }
    BridgeProcess(const BridgeProcess &) = delete;
    BridgeProcess &operator=(const BridgeProcess &) = delete;

    [[nodiscard]] static QString program();

    // Starts it and waits until it listens (its log says "PJLink on").
    // False, with errorString(), when it ends or does not come up.
    [[nodiscard]] bool start(const QStringList &arguments);
    // Ends it as a signal would, or kills it if it hangs.
    void stop();
    // Waits until its log holds `text`.
    [[nodiscard]] bool waitForLog(const QByteArray &text, int timeoutMs = 10000);

    [[nodiscard]] QByteArray log();
    [[nodiscard]] QString errorString() const { return m_error; }
    [[nodiscard]] QProcess &process() { return m_process; }

private:
    QProcess m_process;
    QByteArray m_log;
    QString m_error;
};
