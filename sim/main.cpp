// rm740-sim: a projector on a pseudo-terminal (or on a network port, as a
// device server offers it), for trying the control panel, the end-to-end
// tests and the benchmarks without the real device.

#include "signals/terminationsignals.h"
#include "sim/projectorsimulator.h"
#include "sim/simulatoroptions.h"

#include <QCoreApplication>
#include <QFile>
#include <QFileInfo>

#include <cstdio>

namespace {

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
    QCoreApplication::setApplicationVersion(QStringLiteral(PROJECT_VERSION));

    const SimulatorCommandLine line = parseSimulatorCommandLine(QCoreApplication::arguments());
    if (line.helpRequested) {
        std::printf("%s", qPrintable(line.helpText));
        return 0;
    }
    if (line.versionRequested) {
        std::printf("rm740-sim %s\n", qPrintable(QCoreApplication::applicationVersion()));
        return 0;
    }
    if (!line.error.isEmpty()) {
        std::fprintf(stderr, "rm740-sim: %s\n\n%s", qPrintable(line.error), qPrintable(line.helpText));
        return 2;
    }

    // Runs until stopped: a signal is its ordinary end (status 0), the link removed.
    TerminationSignals termination;
    QObject::connect(&termination, &TerminationSignals::received, &app, &QCoreApplication::quit);
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
