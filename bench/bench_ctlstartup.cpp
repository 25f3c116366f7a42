// rm740ctl from process start to exit for one "status" on a pseudo-terminal
// whose far end answers at once, and its peak resident memory, against the
// floor: a bare Qt Core program that opens the port, writes the frame and
// reads the reply. The two take turns, so both meet the same load.
#include "benchsupport.h"

#include <QCoreApplication>

#include <cstdio>
#include <fcntl.h>
#include <spawn.h>
#include <sys/resource.h>
#include <sys/wait.h>

extern char **environ;

namespace {

struct Run {
    double ms = -1;
    double peakMB = 0;
};

Run timedRun(const QList<QByteArray> &command)
{
    std::vector<char *> argv;
    for (const QByteArray &arg : command)
        argv.push_back(const_cast<char *>(arg.constData()));
    argv.push_back(nullptr);
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, 1, "/dev/null", O_WRONLY, 0);
    const auto started = Bench::Clock::now();
    pid_t pid = 0;
    Run run;
    if (posix_spawn(&pid, argv[0], &actions, nullptr, argv.data(), environ) == 0) {
        int status = 0;
        struct rusage usage {};
        if (::wait4(pid, &status, 0, &usage) == pid && WIFEXITED(status) && WEXITSTATUS(status) == 0) {
            run.ms = Bench::millisecondsBetween(started, Bench::Clock::now());
            run.peakMB = double(usage.ru_maxrss) / 1024.0;
        }
    }
    posix_spawn_file_actions_destroy(&actions);
    return run;
}

} // namespace

int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    const int rounds = qMax(1, QByteArray(argc > 1 ? argv[1] : "5").toInt()) * 4;

    Bench::WireDevice device;
    device.setResponder([](const QByteArray &) { return QByteArray("00\r"); });
    Bench::useTemporarySettings(device.devicePath());
    const QByteArray path = device.devicePath().toLocal8Bit();
    const QList<QByteArray> ctl{RM740CTL_PATH, "--port", path, "status"};
    const QList<QByteArray> floor{FLOOR_PATH, path};

    QList<double> ctlMs, ctlMB, floorMs, floorMB, timeRatio, memoryRatio;
    (void)timedRun(ctl);  // fills the caches
    (void)timedRun(floor);
    for (int round = 0; round < rounds; ++round) {
        const Run c = timedRun(ctl);
        const Run f = timedRun(floor);
        if (c.ms < 0 || f.ms < 0) {
            std::fprintf(stderr, "a run failed\n");
            return 1;
        }
        ctlMs.append(c.ms);
        ctlMB.append(c.peakMB);
        floorMs.append(f.ms);
        floorMB.append(f.peakMB);
        timeRatio.append(c.ms / f.ms);
        memoryRatio.append(c.peakMB / f.peakMB);
    }
    std::printf("rm740ctl status, start to exit, against a bare Qt Core exchange, %d rounds\n", rounds);
    Bench::report(QStringLiteral("rm740ctl status: start to exit"), Bench::summarise(ctlMs), QStringLiteral("ms"), QString());
    Bench::report(QStringLiteral("rm740ctl status: peak resident memory"), Bench::summarise(ctlMB), QStringLiteral("MB"), QString());
    Bench::report(QStringLiteral("floor exchange: start to exit"), Bench::summarise(floorMs), QStringLiteral("ms"), QString());
    Bench::report(QStringLiteral("floor exchange: peak resident memory"), Bench::summarise(floorMB), QStringLiteral("MB"), QString());
    Bench::report(QStringLiteral("time ratio rm740ctl / floor"), Bench::summarise(timeRatio), QStringLiteral("x"), QStringLiteral("<= 1.5"));
    Bench::report(QStringLiteral("memory ratio rm740ctl / floor"), Bench::summarise(memoryRatio), QStringLiteral("x"), QString());
    return 0;
}
