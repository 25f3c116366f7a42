// From the last reply byte written by the device to the status line showing
// the decoded text, over 500 "Status" exchanges per round.
#include "benchwindow.h"

#include <cstdio>

int main(int argc, char **argv)
{
    QApplication app(argc, argv);
    const int rounds = Bench::roundsFrom(argc, argv, 3);
    constexpr int Exchanges = 500;

    Bench::BenchWindow window;
    if (!window.start()) {
        std::fprintf(stderr, "could not open the pseudo-terminal\n");
        return 1;
    }
    window.device.setResponder([](const QByteArray &frame) {
        return frame == "CR0\r" ? QByteArray("00\r") : QByteArray();
    });
    QList<double> medians, p99s;
    for (int round = 0; round < rounds; ++round) {
        const QList<double> latencies = Bench::statusReplyLatencies(*window.form, window.device, Exchanges);
        medians.append(Bench::percentile(latencies, 50));
        p99s.append(Bench::percentile(latencies, 99));
    }

    std::printf("Reply latency, %d rounds of %d exchanges\n", rounds, Exchanges);
    Bench::report(QStringLiteral("median latency"), Bench::summarise(medians), QStringLiteral("ms"), QStringLiteral("<= 1"));
    Bench::report(QStringLiteral("p99 latency"), Bench::summarise(p99s), QStringLiteral("ms"), QStringLiteral("<= 5"));
    return 0;
}
