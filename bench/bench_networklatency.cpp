// The "Status" reply latency (last reply byte written by the device to the
// status line showing the decoded text) over a pseudo-terminal and through
// Debian's ser2net on loopback, as raw TCP and as RFC 2217, in one run: the
// paths take turns, round by round, so that they meet the same machine load.
#include "benchwindow.h"
#include "support/ser2netserver.h"

#include <cstdio>
#include <memory>
#include <optional>
#include <vector>

namespace {

struct Path {
    const char *name;
    std::optional<Ser2NetServer::Protocol> protocol;  // none: the pseudo-terminal itself
    bool characterDelay = false;                      // ser2net's default gathering of bytes
};

constexpr Path Paths[] = {
    {"pseudo-terminal", std::nullopt},
    {"raw TCP via ser2net", Ser2NetServer::Protocol::RawTcp},
    {"RFC 2217 via ser2net", Ser2NetServer::Protocol::Rfc2217},
    {"raw TCP via ser2net, chardelay on", Ser2NetServer::Protocol::RawTcp, true},
};

struct Running {
    Bench::BenchWindow window;
    Ser2NetServer server;
    QList<double> medians;
    QList<double> p99s;
};

} // namespace

int main(int argc, char **argv)
{
    QApplication app(argc, argv);
    const int rounds = Bench::roundsFrom(argc, argv, 3);
    constexpr int Exchanges = 500;
    constexpr int WarmUpExchanges = 20;

    std::vector<std::unique_ptr<Running>> running;
    for (const Path &path : Paths) {
        auto &r = *running.emplace_back(std::make_unique<Running>());
        r.window.device.setResponder([](const QByteArray &frame) {
            return frame == "CR0\r" ? QByteArray("00\r") : QByteArray();
        });
        QString entry;
        if (path.protocol) {
            if (!r.server.start(*path.protocol, r.window.device.devicePath(), QStringLiteral("19200n81"), 0,
                                path.characterDelay)) {
                std::fprintf(stderr, "%s: %s\n", path.name, qPrintable(r.server.errorString()));
                return 1;
            }
            entry = r.server.url();
        }
        if (!r.window.start(entry)) {
            std::fprintf(stderr, "%s: the port did not open: %s\n", path.name,
                         qPrintable(r.window.form->MSComm1().errorString()));
            return 1;
        }
        (void)Bench::statusReplyLatencies(*r.window.form, r.window.device, WarmUpExchanges);
    }

    for (int round = 0; round < rounds; ++round) {
        for (auto &r : running) {
            const QList<double> latencies = Bench::statusReplyLatencies(*r->window.form, r->window.device, Exchanges);
            r->medians.append(Bench::percentile(latencies, 50));
            r->p99s.append(Bench::percentile(latencies, 99));
        }
    }

    std::printf("Reply latency over the network, %d rounds of %d exchanges per path\n", rounds, Exchanges);
    const QList<double> &ptyMedians = running.front()->medians;
    for (std::size_t i = 0; i < running.size(); ++i) {
        const Running &r = *running[i];
        const QString name = QString::fromLatin1(Paths[i].name);
        Bench::report(QStringLiteral("reply latency, median, %1").arg(name), Bench::summarise(r.medians),
                      QStringLiteral("ms"), QString());
        Bench::report(QStringLiteral("reply latency, p99, %1").arg(name), Bench::summarise(r.p99s),
                      QStringLiteral("ms"), QString());
        if (i == 0 || Paths[i].characterDelay)
            continue;
        QList<double> extra;
        for (int round = 0; round < rounds; ++round)
            extra.append(r.medians[round] - ptyMedians[round]);
        Bench::report(QStringLiteral("median minus the pty's, %1").arg(name), Bench::summarise(extra),
                      QStringLiteral("ms"), QStringLiteral("<= 1"));
    }
    return 0;
}
