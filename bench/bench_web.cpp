// rm740-bridge's web page under load: pages are WebSocket clients (what the
// page's script is to the bridge), against the projector model on a
// pseudo-terminal read by a thread of its own, the bridge polling every 1 s.
// Figures: from a reply on the wire to each of 20 pages receiving the state
// that holds it; frames per second on the line with 0 and with 100 pages;
// the bridge's memory with 100 pages open.
#include "benchsupport.h"
#include "benchwindow.h"
#include "sim/model/projectormodel.h"
#include "support/bridgeprocess.h"
#include "support/ser2netserver.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QTimer>
#include <QWebSocket>

#include <cstdio>
#include <memory>
#include <vector>

namespace {

using Bench::Clock;

constexpr int PhaseMs = 10000;
constexpr int TimedPages = 20;
constexpr int ManyPages = 100;

void runFor(int ms)
{
    QEventLoop loop;
    QTimer::singleShot(ms, Qt::PreciseTimer, &loop, &QEventLoop::quit);
    loop.exec();
}

// One page: its WebSocket and when each message came.
class Page
{
public:
    explicit Page(quint16 port)
    {
        QObject::connect(&m_socket, &QWebSocket::textMessageReceived, [this](const QString &) {
            arrivals.push_back(Clock::now());
        });
        m_socket.open(QUrl(QStringLiteral("ws://127.0.0.1:%1/ws").arg(port)));
    }
    [[nodiscard]] bool isOpen() const { return m_socket.state() == QAbstractSocket::ConnectedState; }
    std::vector<Clock::time_point> arrivals;

private:
    QWebSocket m_socket;
};

struct Round {
    double p50 = 0, p99 = 0, fpsWithout = 0, fpsWith = 0, rssMiB = 0;
    int samples = 0;
};

double framesPerSecond(Bench::WireDevice &device)
{
    device.clearFrames();
    QElapsedTimer phase;
    phase.start();
    runFor(PhaseMs);
    return double(device.frames().size()) / (double(phase.nsecsElapsed()) / 1e9);
}

std::optional<Round> runRound()
{
    Bench::WireDevice device;
    ProjectorModel model(ProjectorModel::Timing{std::chrono::milliseconds(0), std::chrono::milliseconds(0)});
    QElapsedTimer modelClock;
    modelClock.start();
    device.setResponder([&](const QByteArray &frame) {
        return model.answer(frame.chopped(1), ProjectorModel::Duration(modelClock.elapsed()));
    });
    const quint16 http = freeLoopbackPort();
    BridgeProcess bridge;
    bridge.process().setStandardOutputFile(QProcess::nullDevice());
    if (!bridge.start({"--port", device.devicePath(), "--pjlink", QStringLiteral("127.0.0.1:%1").arg(freeLoopbackPort()),
                       "--http", QStringLiteral("127.0.0.1:%1").arg(http), "--poll-interval", "1"})
        || !bridge.waitForLog("is open")) {
        std::fprintf(stderr, "%s\n", qPrintable(bridge.errorString()));
        return std::nullopt;
    }
    const qint64 pid = bridge.process().processId();
    Round round;
    runFor(1500);
    round.fpsWithout = framesPerSecond(device);

    std::vector<std::unique_ptr<Page>> pages;
    for (int i = 0; i < TimedPages; ++i)
        pages.push_back(std::make_unique<Page>(http));
    runFor(1000);
    for (auto &page : pages)
        page->arrivals.clear();
    device.clearFrames();
    runFor(PhaseMs);
    // Each reply (written as its frame is read) against the first message
    // each page got after it.
    const QList<Bench::WireDevice::Frame> frames = device.frames();
    QList<double> latencies;
    for (auto &page : pages) {
        std::size_t next = 0;
        for (const auto &frame : frames) {
            while (next < page->arrivals.size() && page->arrivals[next] < frame.at)
                ++next;
            if (next < page->arrivals.size())
                latencies.append(Bench::millisecondsBetween(frame.at, page->arrivals[next]));
        }
    }
    round.samples = int(latencies.size());
    round.p50 = Bench::percentile(latencies, 50);
    round.p99 = Bench::percentile(latencies, 99);

    while (pages.size() < ManyPages)
        pages.push_back(std::make_unique<Page>(http));
    const auto openPages = [&pages] {
        int open = 0;
        for (auto &page : pages)
            open += page->isOpen();
        return open;
    };
    for (int waited = 0; openPages() < ManyPages && waited < 10000; waited += 100)
        runFor(100);
    const int open = openPages();
    round.fpsWith = framesPerSecond(device);
    round.rssMiB = double(Bench::residentKiB(pid)) / 1024;
    std::fprintf(stderr, "%d pages open, %d latency samples\n", open, round.samples);
    return round;
}

} // namespace

int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    const int rounds = Bench::roundsFrom(argc, argv, 5);
    std::printf("rm740-bridge's web page: %d pages timed, then %d open, polling every 1 s for %d s; %d rounds\n",
                TimedPages, ManyPages, PhaseMs / 1000, rounds);
    QList<double> p50, p99, without, with, rss;
    for (int r = 0; r < rounds; ++r) {
        const auto round = runRound();
        if (!round)
            return 1;
        p50.append(round->p50);
        p99.append(round->p99);
        without.append(round->fpsWithout);
        with.append(round->fpsWith);
        rss.append(round->rssMiB);
    }
    Bench::report(QStringLiteral("web: reply on the wire to a page receiving it, median (20 pages)"),
                  Bench::summarise(p50), "ms", "");
    Bench::report(QStringLiteral("web: reply on the wire to a page receiving it, 99th percentile"),
                  Bench::summarise(p99), "ms", "<= 50");
    Bench::report(QStringLiteral("web: frames per second on the line, no page open"), Bench::summarise(without), "", "");
    Bench::report(QStringLiteral("web: frames per second on the line, 100 pages open"), Bench::summarise(with), "",
                  "as with none");
    Bench::report(QStringLiteral("web: the bridge's resident memory with 100 pages open"), Bench::summarise(rss),
                  "MiB", "");
    return 0;
}
