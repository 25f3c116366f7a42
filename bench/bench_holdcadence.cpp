// Frames on the wire while an arrow button is held for 5 s: mean period,
// 99th-percentile deviation of a single period from 100 ms, and drift (how far
// the last frame is from where 100 ms steps from the first would put it).
#include "benchwindow.h"

#include <cmath>
#include <cstdio>

int main(int argc, char **argv)
{
    QApplication app(argc, argv);
    const int rounds = Bench::roundsFrom(argc, argv, 3);
    constexpr int HoldMs = 5000;
    constexpr double PeriodMs = 100.0;

    Bench::BenchWindow window;
    if (!window.start()) {
        std::fprintf(stderr, "could not open the pseudo-terminal\n");
        return 1;
    }
    QPushButton *volumeUp = window.button("Command1");

    QList<double> means, p99s, drifts, counts;
    for (int round = 0; round < rounds; ++round) {
        window.device.clearFrames();
        Bench::sendMouse(volumeUp, QEvent::MouseButtonPress);
        Bench::runEventLoopFor(HoldMs);
        Bench::sendMouse(volumeUp, QEvent::MouseButtonRelease);
        Bench::runEventLoopFor(300);

        const auto frames = window.device.frames();
        QList<double> periods, deviations;
        for (qsizetype i = 1; i < frames.size(); ++i) {
            periods.append(Bench::millisecondsBetween(frames[i - 1].at, frames[i].at));
            deviations.append(std::abs(periods.last() - PeriodMs));
        }
        means.append(Bench::mean(periods));
        p99s.append(Bench::percentile(deviations, 99));
        const double span = Bench::millisecondsBetween(frames.first().at, frames.last().at);
        drifts.append(std::abs(span - double(frames.size() - 1) * PeriodMs));
        counts.append(double(frames.size()));
    }

    std::printf("Hold cadence, %d rounds of a %d ms hold\n", rounds, HoldMs);
    Bench::report(QStringLiteral("frames per hold"), Bench::summarise(counts), QStringLiteral(""), QStringLiteral("51"));
    Bench::report(QStringLiteral("mean period"), Bench::summarise(means), QStringLiteral("ms"), QStringLiteral("100 +/- 1"));
    Bench::report(QStringLiteral("p99 deviation of a period"), Bench::summarise(p99s), QStringLiteral("ms"), QStringLiteral("<= 10"));
    Bench::report(QStringLiteral("drift over the hold"), Bench::summarise(drifts), QStringLiteral("ms"), QStringLiteral("none"));
    return 0;
}
