// rm740-bridge's /metrics with 200 projectors: each scrape timed from the
// request to the whole answer, and the frames on the projectors' lines
// counted while the scrapes run (a scrape reads the state; it sends nothing).
// The projectors are the projector model behind raw TCP ports of this
// process, which the bridge opens as socket:// ports; each is read whole once
// when its port opens and then not for an hour. The bridge keeps a scrape's
// text until something it shows changes, as it does between polls; in the
// "changed" rounds a PJLink client mutes or unmutes the sound of one
// projector before each scrape (an exchange counted, a state changed), so
// that each scrape writes the text anew, as when polls come between scrapes.
#include "benchsupport.h"
#include "benchwindow.h"
#include "support/bridgeprocess.h"
#include "support/ser2netserver.h"
#include "tcpprojector.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QFile>
#include <QNetworkAccessManager>
#include <QNetworkReply>
#include <QSet>
#include <QTcpServer>
#include <QTcpSocket>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>

#include <cstdio>
#include <memory>
#include <vector>

namespace {

constexpr int Projectors = 200;
constexpr int ScrapesPerRound = 200;
constexpr int ReadsPerProjector = 5;  // the poll when the port opens

// Waits for the reply in an event loop of its own: qWaitFor sleeps 10 ms
// between its looks, which a scrape's time would show.
bool finish(QNetworkReply *reply)
{
    QEventLoop loop;
    QObject::connect(reply, &QNetworkReply::finished, &loop, &QEventLoop::quit);
    QTimer::singleShot(10000, &loop, &QEventLoop::quit);
    if (!reply->isFinished())
        loop.exec();
    return reply->isFinished();
}

struct Round {
    double p50 = 0;
    double p99 = 0;
    double framesDuringScrapes = 0;
    double kiB = 0;
    double cpuMsPerScrape = 0;  // the bridge's, the mutes' included
};

std::optional<Round> runRound(bool changed)
{
    QTemporaryDir dir;
    std::vector<std::unique_ptr<TcpProjector>> projectors;
    QString config;
    // The bridge's 200 connections to the projectors take ephemeral ports of
    // 127.0.0.1, so its listeners are on loopback addresses of their own,
    // where nothing else can have taken the port.
    for (int i = 0; i < Projectors; ++i) {
        projectors.push_back(std::make_unique<TcpProjector>());
        config += QStringLiteral("[room-%1]\nport = socket://127.0.0.1:%2\npjlink = 127.0.%3.%4:4352\npoll-interval = 3600\n"
                                 "lamp-life = 3000\n\n")
                      .arg(i + 1).arg(projectors.back()->port()).arg(1 + i / 250).arg(1 + i % 250);
    }
    const quint16 metricsPort = 9740;
    config += QStringLiteral("[metrics]\nlisten = 127.0.9.1:%1\n").arg(metricsPort);
    QFile file(dir.filePath(QStringLiteral("bridge.conf")));
    if (!file.open(QIODevice::WriteOnly) || file.write(config.toUtf8()) < 0)
        return std::nullopt;
    file.close();

    BridgeProcess bridge;
    if (!bridge.start({QStringLiteral("--config"), file.fileName()}) || !bridge.waitForLog("the metrics on", 30000)) {
        std::fprintf(stderr, "bench_metrics: %s\n%s\n", qPrintable(bridge.errorString()), bridge.log().constData());
        return std::nullopt;
    }
    const auto framesNow = [&projectors] {
        int n = 0;
        for (const auto &p : projectors)
            n += p->frames;
        return n;
    };
    if (!QTest::qWaitFor([&] { return framesNow() >= Projectors * ReadsPerProjector; }, 60000)) {
        std::fprintf(stderr, "bench_metrics: only %d frames of the first polls\n", framesNow());
        return std::nullopt;
    }
    QTest::qWait(500);

    QNetworkAccessManager network;
    const QUrl url(QStringLiteral("http://127.0.9.1:%1/metrics").arg(metricsPort));
    QList<double> times;
    qint64 bytes = 0;
    const int framesBefore = framesNow();
    const double cpuBefore = Bench::cpuSeconds(bridge.process().processId());
    QTcpSocket pjlink;
    QByteArray received;
    // PJLink's lines end in CR alone.
    const auto answered = [&pjlink, &received](const QByteArray &ending) {
        return QTest::qWaitFor([&] {
            received += pjlink.readAll();
            const qsizetype cr = received.indexOf('\r');
            if (cr < 0)
                return false;
            const bool ends = received.first(cr).endsWith(ending);
            received.remove(0, cr + 1);
            return ends;
        }, 10000);
    };
    if (changed) {
        pjlink.connectToHost(QStringLiteral("127.0.1.1"), 4352);
        if (!answered("PJLINK 0")) {
            std::fprintf(stderr, "bench_metrics: no PJLink greeting\n");
            return std::nullopt;
        }
    }
    for (int i = 0; i < ScrapesPerRound; ++i) {
        if (changed) {
            pjlink.write(i % 2 == 0 ? "%1AVMT 21\r" : "%1AVMT 20\r");
            if (!answered("=OK")) {
                std::fprintf(stderr, "bench_metrics: the mute was not answered\n");
                return std::nullopt;
            }
        }
        QElapsedTimer timer;
        timer.start();
        QNetworkReply *reply = network.get(QNetworkRequest(url));
        if (!finish(reply) || reply->error() != QNetworkReply::NoError) {
            std::fprintf(stderr, "bench_metrics: scrape %d failed: %s\n", i, qPrintable(reply->errorString()));
            return std::nullopt;
        }
        bytes = reply->readAll().size();
        times.append(double(timer.nsecsElapsed()) / 1e6);
        delete reply;
    }
    const double cpu = Bench::cpuSeconds(bridge.process().processId()) - cpuBefore;
    return Round{Bench::percentile(times, 50), Bench::percentile(times, 99), double(framesNow() - framesBefore),
                 double(bytes) / 1024, cpu * 1000 / ScrapesPerRound};
}

} // namespace

struct Figures {
    QList<double> p50, p99, frames, size, cpu;
};

bool runRounds(int rounds, bool changed, Figures &figures)
{
    for (int r = 0; r < rounds; ++r) {
        // A port probed free may be taken by another program before the bridge listens: try again.
        auto round = runRound(changed);
        for (int again = 0; !round && again < 3; ++again)
            round = runRound(changed);
        if (!round)
            return false;
        figures.p50.append(round->p50);
        figures.p99.append(round->p99);
        figures.frames.append(round->framesDuringScrapes);
        figures.size.append(round->kiB);
        figures.cpu.append(round->cpuMsPerScrape);
    }
    return true;
}

int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    const int rounds = Bench::roundsFrom(argc, argv, 3);
    std::printf("rm740-bridge's /metrics: %d projectors, %d scrapes a round one after another; %d rounds as they are, "
                "%d changed before each scrape\n", Projectors, ScrapesPerRound, rounds, rounds);
    std::fflush(stdout);
    Figures quiet, changed;
    if (!runRounds(rounds, false, quiet) || !runRounds(rounds, true, changed))
        return 1;
    Bench::report(QStringLiteral("metrics: a scrape of 200 projectors, median"), Bench::summarise(quiet.p50), "ms", "");
    Bench::report(QStringLiteral("metrics: a scrape of 200 projectors, 99th percentile"), Bench::summarise(quiet.p99),
                  "ms", "<= 20");
    Bench::report(QStringLiteral("metrics: the bridge's CPU a scrape"), Bench::summarise(quiet.cpu), "ms", "");
    Bench::report(QStringLiteral("metrics: frames on the lines during the scrapes"), Bench::summarise(quiet.frames), "",
                  "0");
    Bench::report(QStringLiteral("metrics: the scrape's size"), Bench::summarise(quiet.size), "KiB", "");
    Bench::report(QStringLiteral("metrics: changed before each, a scrape, median"), Bench::summarise(changed.p50), "ms",
                  "");
    Bench::report(QStringLiteral("metrics: changed before each, a scrape, 99th percentile"),
                  Bench::summarise(changed.p99), "ms", "<= 20");
    Bench::report(QStringLiteral("metrics: changed before each, the bridge's CPU a scrape"),
                  Bench::summarise(changed.cpu), "ms", "");
    return 0;
}
