// Memory of the exchange log. Resident memory grown by 10,000 "Status"
// exchanges with their replies through the real program, without the log
// and with it (each in a process of its own), then with the log window open
// on them; and the ring alone with every record as full as a record gets.
//
//   bench_logmemory ROUNDS            runs the rounds, each in child processes
//   bench_logmemory --child MODE      one measurement, printed as KiB
#include "benchwindow.h"

#include "logwindow/exchangelogmodel.h"
#include "logwindow/exchangelogwindow.h"

#include <QProcess>
#include <QTreeView>

#include <cstdio>

namespace {

constexpr int Exchanges = 10000;

void runExchanges(Bench::BenchWindow &window, int count)
{
    (void)Bench::statusReplyLatencies(*window.form, window.device, count);
}

// Prints the growth of resident memory in KiB: by the exchanges, and by the
// window on them.
int child(const QByteArray &mode)
{
    if (mode == "ring") {
        // Every record with its frame, 16 receive events and 256 bytes kept.
        const qint64 before = Bench::residentKiB();
        ExchangeRing ring;
        const TransmitOrigin origin = TransmitOrigin::button("Status", "Command44");
        for (int i = 0; i < int(ring.capacity()); ++i) {
            ring.transmit(i, origin, "CR LAMPSTS\r", true);
            for (int e = 0; e < 40; ++e)
                ring.receive(i, QByteArray(16, 'A'));
            ring.statusWritten(QStringLiteral(" Lamp is ON"));
        }
        std::printf("%lld\n", Bench::residentKiB() - before);
        return ring.size() == ring.capacity() ? 0 : 1;
    }
    Bench::BenchWindow window;
    if (!window.start())
        return 1;
    window.setLogMode(mode == "with" ? Bench::LogMode::Recording : Bench::LogMode::Without);
    window.device.setResponder([](const QByteArray &frame) {
        return frame == "CR0\r" ? QByteArray("00\r") : QByteArray();
    });
    // The caches and pools settle first; the log starts empty.
    runExchanges(window, 500);
    window.form->exchangeLog().recorder().clear();
    const qint64 before = Bench::residentKiB();
    runExchanges(window, Exchanges);
    const qint64 after = Bench::residentKiB();
    std::printf("%lld\n", after - before);
    if (mode != "with")
        return 0;
    window.form->exchangeLog().showWindow();
    ExchangeLogWindow &log = *window.form->exchangeLog().window();
    log.model().sync();
    Bench::runEventLoopFor(200);
    std::printf("%lld\n", Bench::residentKiB() - after);
    return log.model().rowCount() >= Exchanges * 2 ? 0 : 1;
}

QList<qint64> childFigures(const char *program, const char *mode)
{
    QProcess process;
    process.start(QString::fromLocal8Bit(program), {QStringLiteral("--child"), QString::fromLatin1(mode)});
    if (!process.waitForFinished(600000) || process.exitCode() != 0)
        return {};
    QList<qint64> figures;
    for (const QByteArray &line : process.readAllStandardOutput().split('\n')) {
        if (!line.isEmpty())
            figures << line.toLongLong();
    }
    return figures;
}

} // namespace

int main(int argc, char **argv)
{
    if (argc > 2 && QByteArray(argv[1]) == "--child") {
        QApplication app(argc, argv);
        return child(argv[2]);
    }
    const int rounds = Bench::roundsFrom(argc, argv, 3);
    QList<double> without, with, window, extra, ring;
    for (int round = 0; round < rounds; ++round) {
        const QList<qint64> a = childFigures(argv[0], "without");
        const QList<qint64> b = childFigures(argv[0], "with");
        const QList<qint64> c = childFigures(argv[0], "ring");
        if (a.size() != 1 || b.size() != 2 || c.size() != 1) {
            std::fprintf(stderr, "a measurement failed\n");
            return 1;
        }
        without << double(a[0]) / 1024;
        with << double(b[0]) / 1024;
        window << double(b[1]) / 1024;
        extra << double(b[0] - a[0]) / 1024;
        ring << double(c[0]) / 1024;
    }
    std::printf("Exchange log memory, %d rounds of %d exchanges with replies\n", rounds, Exchanges);
    Bench::report(QStringLiteral("memory growth, 10,000 exchanges, without the log"), Bench::summarise(without), QStringLiteral("MB"), QStringLiteral(""));
    Bench::report(QStringLiteral("memory growth, 10,000 exchanges, log recording"), Bench::summarise(with), QStringLiteral("MB"), QStringLiteral(""));
    Bench::report(QStringLiteral("the full log's share (recording less without)"), Bench::summarise(extra), QStringLiteral("MB"), QStringLiteral("< 20"));
    Bench::report(QStringLiteral("then the log window opened on it"), Bench::summarise(window), QStringLiteral("MB"), QStringLiteral(""));
    Bench::report(QStringLiteral("the ring alone, every record full (16 events, 256 bytes)"), Bench::summarise(ring), QStringLiteral("MB"), QStringLiteral("< 20"));
    return 0;
}
