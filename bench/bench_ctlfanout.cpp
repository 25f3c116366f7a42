// rm740ctl against one simulated projector and against ten at once: the
// wall-clock time of the whole call (start, "status" to every port, exit),
// each rm740-sim a process of its own on a pseudo-terminal. The ports are
// served side by side, so ten should take about as long as one. Run with
// replies at once and with replies that take 100 ms, as a projector's may.
#include "benchsupport.h"
#include "benchwindow.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QProcess>

#include <cstdio>
#include <memory>
#include <vector>

namespace {

constexpr int Projectors = 10;

// rm740-sim on a pseudo-terminal; its device once it has printed it.
struct Simulator {
    QProcess process;
    QString device;

    bool start(int delayMs)
    {
        // Its log is not read here; a pipe would fill and stop it.
        process.setStandardErrorFile(QProcess::nullDevice());
        process.start(QStringLiteral(RM740_SIM_PATH), {"--delay", QString::number(delayMs)});
        if (!process.waitForStarted(10000) || !process.waitForReadyRead(10000))
            return false;
        device = QString::fromLocal8Bit(process.readLine()).trimmed();
        return device.startsWith(u"/dev/");
    }
    ~Simulator()
    {
        process.terminate();
        if (!process.waitForFinished(5000))
            process.kill();
    }
};

// One call of rm740ctl: milliseconds from its start to its exit, or -1.
double timedCall(const QStringList &ports)
{
    QStringList arguments;
    for (const QString &port : ports)
        arguments << "--port" << port;
    arguments << "status";
    QProcess ctl;
    ctl.setStandardOutputFile(QProcess::nullDevice());
    QElapsedTimer clock;
    clock.start();
    ctl.start(QStringLiteral(RM740CTL_PATH), arguments);
    if (!ctl.waitForFinished(30000) || ctl.exitStatus() != QProcess::NormalExit || ctl.exitCode() != 0) {
        std::fprintf(stderr, "rm740ctl exit %d: %s", ctl.exitCode(), ctl.readAllStandardError().constData());
        return -1;
    }
    return double(clock.nsecsElapsed()) / 1e6;
}

} // namespace

int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    const int rounds = Bench::roundsFrom(argc, argv, 5);
    constexpr int CallsPerRound = 10;

    std::printf("rm740ctl status, one projector against %d, %d rounds of %d calls each\n", Projectors, rounds,
                CallsPerRound);
    for (const int delayMs : {0, 100}) {
        std::vector<std::unique_ptr<Simulator>> simulators;
        QStringList devices;
        for (int i = 0; i < Projectors; ++i) {
            auto &simulator = *simulators.emplace_back(std::make_unique<Simulator>());
            if (!simulator.start(delayMs)) {
                std::fprintf(stderr, "rm740-sim did not start\n");
                return 1;
            }
            devices.append(simulator.device);
        }
        Bench::useTemporarySettings(devices.front());
        (void)timedCall(devices);  // fills the caches

        QList<double> one, ten, ratio;
        for (int round = 0; round < rounds; ++round) {
            QList<double> oneCalls, tenCalls;
            // Taking turns, so both meet the same load.
            for (int call = 0; call < CallsPerRound; ++call) {
                oneCalls.append(timedCall(devices.mid(0, 1)));
                tenCalls.append(timedCall(devices));
            }
            if (oneCalls.contains(-1) || tenCalls.contains(-1)) {
                std::fprintf(stderr, "rm740ctl failed\n");
                return 1;
            }
            one.append(Bench::percentile(oneCalls, 50));
            ten.append(Bench::percentile(tenCalls, 50));
            ratio.append(ten.constLast() / one.constLast());
        }
        const QString replies = delayMs == 0 ? QStringLiteral("replies at once")
                                             : QStringLiteral("replies after %1 ms").arg(delayMs);
        Bench::report(QStringLiteral("rm740ctl status, 1 projector, %1").arg(replies), Bench::summarise(one),
                      QStringLiteral("ms"), QString());
        Bench::report(QStringLiteral("rm740ctl status, %1 projectors, %2").arg(Projectors).arg(replies),
                      Bench::summarise(ten), QStringLiteral("ms"), QString());
        Bench::report(QStringLiteral("%1 projectors / 1, %2").arg(Projectors).arg(replies), Bench::summarise(ratio),
                      QStringLiteral("x"), QStringLiteral("<= 2"));
    }
    return 0;
}
