// rm740-sim: a projector on a pseudo-terminal (or on a network port, as a
// device server offers it), for trying the control panel, the end-to-end
// tests and the benchmarks without the real device.

#include "sim/projectorsimulator.h"
#include "sim/simulatoroptions.h"

#include <QCoreApplication>
#include <QFile>
#include <QFileInfo>
#include <QSocketNotifier>

#include <csignal>
#include <cstdio>
#include <sys/socket.h>
#include <unistd.h>

namespace {

// Turns SIGINT, SIGTERM and SIGHUP into a normal quit, so the link is removed.
class QuitOnSignals
{
public:
    QuitOnSignals()
    {
        if (::socketpair(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0, s_pipe) != 0)
            return;
        m_notifier = std::make_unique<QSocketNotifier>(s_pipe[1], QSocketNotifier::Read);
        QObject::connect(m_notifier.get(), &QSocketNotifier::activated, [] {
            char c;
            (void)::read(s_pipe[1], &c, 1);
            QCoreApplication::quit();
        });
        struct sigaction action {};
        action.sa_handler = [](int) { (void)::write(s_pipe[0], "q", 1); };
        sigemptyset(&action.sa_mask);
        action.sa_flags = SA_RESTART;
        for (int signal : {SIGINT, SIGTERM, SIGHUP})
            ::sigaction(signal, &action, nullptr);
    }

private:
    static inline int s_pipe[2] = {-1, -1};
    std::unique_ptr<QSocketNotifier> m_notifier;
};

// The symbolic link by which the program finds the device; an existing link
// is replaced, anything else at that path is left alone.
class DeviceLink
{
public:
    ~DeviceLink() { remove(); }

    bool create(const QString &path, const QString &target, QString *error)
    {
        const QFileInfo existing(path);
        if (existing.isSymLink())
            QFile::remove(path);
        else if (existing.exists()) {
            *error = QStringLiteral("%1 exists and is not a symbolic link").arg(path);
            return false;
        }
        if (!QFile::link(target, path)) {
            *error = QStringLiteral("cannot make the link %1").arg(path);
            return false;
        }
        m_path = path;
        m_target = target;
        return true;
    }

    void remove()
    {
        if (!m_path.isEmpty() && QFileInfo(m_path).symLinkTarget() == m_target)
            QFile::remove(m_path);
        m_path.clear();
    }

private:
    QString m_path;
    QString m_target;
};

} // namespace

int main(int argc, char *argv[])
{
    QCoreApplication app(argc, argv);
    QCoreApplication::setApplicationName(QStringLiteral("rm740-sim"));

    const SimulatorCommandLine line = parseSimulatorCommandLine(QCoreApplication::arguments());
    if (line.helpRequested) {
        std::printf("%s", qPrintable(line.helpText));
        return 0;
    }
    if (!line.error.isEmpty()) {
        std::fprintf(stderr, "rm740-sim: %s\n\n%s", qPrintable(line.error), qPrintable(line.helpText));
        return 2;
    }

    QuitOnSignals quitOnSignals;
    ProjectorSimulator simulator(line.options);
    if (!simulator.open()) {
        if (line.options.listening == SimulatorOptions::Listening::None)
            std::fprintf(stderr, "rm740-sim: no pseudo-terminal: %s\n", qPrintable(simulator.errorString()));
        else
            std::fprintf(stderr, "rm740-sim: %s\n", qPrintable(simulator.errorString()));
        return 1;
    }
    DeviceLink link;
    if (!line.options.link.isEmpty()) {
        QString error;
        if (!link.create(line.options.link, simulator.devicePath(), &error)) {
            std::fprintf(stderr, "rm740-sim: %s\n", qPrintable(error));
            return 1;
        }
    }
    std::printf("%s\n", qPrintable(simulator.devicePath()));
    std::fflush(stdout);

    // An unplugged adapter's device disappears.
    QObject::connect(&simulator, &ProjectorSimulator::hungUp, &app, [&link] {
        link.remove();
        QCoreApplication::quit();
    });
    return QCoreApplication::exec();
}
