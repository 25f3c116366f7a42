// A device that streams 1 MiB as fast as the pseudo-terminal carries it, in
// 1-byte and in 4-KiB writes: CPU time of the program's thread per KiB, the
// longest stall of its event loop, memory growth; and the cost of one receive
// event with a full buffer against an empty one, and what the log's listening
// adds to a receive event. Each without the exchange log, with it recording,
// and with its window open on the rows.
#include "benchwindow.h"

#include "exchange/exchange.h"

#include <QElapsedTimer>

#include <atomic>
#include <iterator>
#include <memory>
#include <vector>
#include <cstdio>
#include <ctime>
#include <thread>

namespace {

double threadCpuMs()
{
    timespec ts{};
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &ts);
    return double(ts.tv_sec) * 1e3 + double(ts.tv_nsec) / 1e6;
}

struct FloodResult {
    double cpuMsPerKiB = 0;
    double longestStallMs = 0;
    double memoryGrowthMB = 0;
};

FloodResult flood(Bench::BenchWindow &window, qsizetype chunk)
{
    constexpr qsizetype Total = 1024 * 1024;
    QByteArray payload(Total, 'A');
    for (qsizetype i = 0; i < Total; i += 7)
        payload[i] = char(i % 251);

    // The event loop's pulse: the longest gap between 1 ms ticks is its longest stall.
    QElapsedTimer pulse;
    double longestGap = 0;
    QTimer ticker;
    ticker.setTimerType(Qt::PreciseTimer);
    ticker.setInterval(1);
    QObject::connect(&ticker, &QTimer::timeout, [&] {
        longestGap = qMax(longestGap, double(pulse.nsecsElapsed()) / 1e6 - 1.0);
        pulse.restart();
    });

    QElapsedTimer quiet;
    QObject::connect(&window.form->MSComm1(), &MSComm::OnComm, &ticker, [&quiet] { quiet.restart(); });

    const qint64 rssBefore = Bench::residentKiB();
    const double cpuBefore = threadCpuMs();
    std::atomic<bool> stop{false};
    std::atomic<bool> done{false};
    std::thread writer([&] {
        window.device.writeAll(payload, chunk, stop);
        done = true;
    });
    pulse.start();
    quiet.start();
    ticker.start();
    // Until the writer is done and nothing has arrived for 200 ms.
    while (!done || quiet.elapsed() < 200)
        QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents, 50);
    ticker.stop();
    writer.join();
    const double cpu = threadCpuMs() - cpuBefore;
    return {cpu / 1024.0, longestGap, double(Bench::residentKiB() - rssBefore) / 1024.0};
}

// Mean CPU time in microseconds of one receive event (one character, read
// from the port, added to the buffer, shown and interpreted) when the buffer
// already holds `from` characters.
double receiveEventMicroseconds(Bench::BenchWindow &window, qsizetype from)
{
    constexpr int Events = 2000;
    Exchange &exchange = window.form->exchange();
    exchange.setIntervals({600000, 600000});
    window.button("Command44")->click();  // empties the buffer
    const std::atomic<bool> never{false};
    // From another thread: the pseudo-terminal holds less than the buffer.
    std::thread prefill([&] { window.device.writeAll(QByteArray(from, '7'), 4096, never); });
    while (exchange.receiveBuffer().size() < from)
        QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents, 50);
    prefill.join();

    const double before = threadCpuMs();
    for (int i = 0; i < Events; ++i) {
        window.device.writeAll(QByteArray(1, char('0' + i % 10)), 1, never);
        const qsizetype expected = from + i + 1;
        while (exchange.receiveBuffer().size() < expected)
            QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents, 50);
    }
    return (threadCpuMs() - before) * 1e3 / Events;
}

// Mean CPU time in microseconds that listening to one receive event costs:
// the exchange's report of it, and whatever the log does with it.
double reportMicroseconds(Bench::BenchWindow &window)
{
    constexpr int Reports = 200000;
    Exchange &exchange = window.form->exchange();
    const QByteArray bytes("7");
    const double before = threadCpuMs();
    for (int i = 0; i < Reports; ++i)
        emit exchange.bytesReceived(bytes);
    return (threadCpuMs() - before) * 1e3 / Reports;
}

} // namespace

int main(int argc, char **argv)
{
    QApplication app(argc, argv);
    const int rounds = Bench::roundsFrom(argc, argv, 3);
    constexpr size_t Modes = std::size(Bench::LogModes);

    const Bench::WindowPerMode windows = Bench::startWindowPerMode();
    if (windows.empty())
        return 1;
    for (const auto &window : windows)
        window->button("Command44")->click();

    struct Figures {
        QList<double> cpu[2], stall[2], memory[2];
        QList<double> empty, full, ratio, report;
    } figures[Modes];
    const qsizetype chunks[2] = {1, 4096};
    for (int round = 0; round < rounds; ++round) {
        // Each round starts with another mode, so no mode always runs first.
        for (size_t turn = 0; turn < Modes; ++turn) {
            const size_t m = (turn + size_t(round)) % Modes;
            Figures &f = figures[m];
            for (int c = 0; c < 2; ++c) {
                const FloodResult r = flood(*windows[m], chunks[c]);
                f.cpu[c].append(r.cpuMsPerKiB);
                f.stall[c].append(r.longestStallMs);
                f.memory[c].append(r.memoryGrowthMB);
            }
            f.empty.append(receiveEventMicroseconds(*windows[m], 0));
            f.full.append(receiveEventMicroseconds(*windows[m], 32767 - 2000));
            f.ratio.append(f.full.last() / f.empty.last());
            f.report.append(reportMicroseconds(*windows[m]));
        }
    }

    std::printf("Flood, %d rounds of 1 MiB per write size and mode\n", rounds);
    for (size_t m = 0; m < Modes; ++m) {
        const Figures &f = figures[m];
        const QString suffix = QStringLiteral(", ") + QString::fromLatin1(Bench::logModeName(Bench::LogModes[m]));
        for (int c = 0; c < 2; ++c) {
            const QString label = (c == 0 ? QStringLiteral("1-byte writes") : QStringLiteral("4-KiB writes")) + suffix;
            Bench::report(QStringLiteral("CPU per KiB received, ") + label, Bench::summarise(f.cpu[c]), QStringLiteral("ms"), QStringLiteral(""));
            Bench::report(QStringLiteral("longest event-loop stall, ") + label, Bench::summarise(f.stall[c]), QStringLiteral("ms"), QStringLiteral("<= 20"));
            Bench::report(QStringLiteral("memory growth, ") + label, Bench::summarise(f.memory[c]), QStringLiteral("MB"), QStringLiteral("<= 5"));
        }
        Bench::report(QStringLiteral("receive event, empty buffer") + suffix, Bench::summarise(f.empty), QStringLiteral("us"), QStringLiteral(""));
        Bench::report(QStringLiteral("receive event, full buffer") + suffix, Bench::summarise(f.full), QStringLiteral("us"), QStringLiteral(""));
        Bench::report(QStringLiteral("full / empty") + suffix, Bench::summarise(f.ratio), QStringLiteral("x"), QStringLiteral("<= 2"));
        Bench::report(QStringLiteral("listening to one receive event") + suffix, Bench::summarise(f.report), QStringLiteral("us"), QStringLiteral(""));
    }
    return 0;
}
