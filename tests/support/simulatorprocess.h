#pragma once

#include <QByteArray>
#include <QProcess>
#include <QString>
#include <QStringList>

// The rm740-sim process, its device reached through a symbolic link that the
// simulator makes and removes again when it stops or hangs up, or its
// network port (--tcp, --rfc2217).
class SimulatorProcess
{
public:
    static constexpr int StartTimeoutMs = 15000;

    SimulatorProcess() = default;
    // The frames a simulator's log shows it was sent ("CR0[CR]  ->  80[CR]" lines).
    [[nodiscard]] static QByteArrayList framesIn(const QByteArray &log);
    ~SimulatorProcess() { stop(); }
    SimulatorProcess(const SimulatorProcess &) = delete;
    SimulatorProcess &operator=(const SimulatorProcess &) = delete;

    [[nodiscard]] static QString program();

    // Starts the simulator with its device behind `link` and waits until the
    // link is in place. False, with errorString(), when it does not come up.
    [[nodiscard]] bool start(const QString &link, const QStringList &options);
    // Starts it on a network port (`options` hold --tcp or --rfc2217) and
    // waits until it listens; devicePath() is then the port's URL.
    [[nodiscard]] bool startListening(const QStringList &options);
    // Ends it as a signal would (the link goes), or kills it if it hangs.
    void stop();

    // In a test function: start() or startListening(), failing the test with
    // the reason when it does not come up.
    void startInTest(const QString &link, const QStringList &options);
    void listenInTest(const QStringList &options);
    // In a test's cleanup: stops it, with its log in the output if the test failed.
    void stopAfterTest();

    [[nodiscard]] QString link() const { return m_link; }
    // The pseudo-terminal the link points to, or the URL of the network port.
    [[nodiscard]] QString devicePath() const { return m_devicePath; }
    [[nodiscard]] QString errorString() const { return m_error; }
    // Everything it has logged so far.
    [[nodiscard]] QByteArray log();
    [[nodiscard]] QProcess &process() { return m_process; }

private:
    bool fail(const QString &error);
    // Starts the process and reads the first line it prints.
    bool launch(const QStringList &arguments);

    QProcess m_process;
    QString m_link;
    QString m_devicePath;
    QString m_error;
    QByteArray m_log;
};
