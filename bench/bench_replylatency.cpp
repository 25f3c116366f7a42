// From the last reply byte written by the device to the status line showing
// the decoded text, over 500 "Status" exchanges per round; without the
// exchange log, with it recording, and with its window open on the rows.
#include "benchwindow.h"

#include <cstdio>
#include <memory>
#include <vector>

int main(int argc, char **argv)
{
    QApplication app(argc, argv);
    const int rounds = Bench::roundsFrom(argc, argv, 3);
    constexpr int Exchanges = 500;

    const Bench::WindowPerMode windows = Bench::startWindowPerMode();
    if (windows.empty())
        return 1;
    for (const auto &window : windows) {
        window->device.setResponder([](const QByteArray &frame) {
            return frame == "CR0\r" ? QByteArray("00\r") : QByteArray();
        });
    }
    QList<double> medians[3], p99s[3];
    for (int round = 0; round < rounds; ++round) {
        // Each round starts with another mode, so no mode always runs first.
        for (size_t turn = 0; turn < windows.size(); ++turn) {
            const size_t m = (turn + size_t(round)) % windows.size();
            Bench::BenchWindow &window = *windows[m];
            const QList<double> latencies = Bench::statusReplyLatencies(*window.form, window.device, Exchanges);
            medians[m].append(Bench::percentile(latencies, 50));
            p99s[m].append(Bench::percentile(latencies, 99));
        }
    }

    std::printf("Reply latency, %d rounds of %d exchanges per mode\n", rounds, Exchanges);
    for (size_t m = 0; m < windows.size(); ++m) {
        const QString mode = QString::fromLatin1(Bench::logModeName(Bench::LogModes[m]));
        Bench::report(QStringLiteral("median latency, ") + mode, Bench::summarise(medians[m]), QStringLiteral("ms"), QStringLiteral("<= 1"));
        Bench::report(QStringLiteral("p99 latency, ") + mode, Bench::summarise(p99s[m]), QStringLiteral("ms"), QStringLiteral("<= 5"));
    }
    return 0;
}
