// rm740-bridge under load: 50 PJLink clients each asking "POWR ?" every
// 100 ms for 10 s against one simulated projector on a pseudo-terminal whose
// device end a thread of its own reads (so frame times are the wire's).
// Phase one: answer latency, frames per second on the line (the bridge's own
// polling is the target, whatever the client count), the bridge's CPU and
// memory. Phase two, the same 50 polling: one more client switches the power
// on and off every 200 ms, timed from its request to the frame on the wire.
#include "benchsupport.h"
#include "benchwindow.h"
#include "sim/model/projectormodel.h"
#include "support/bridgeprocess.h"
#include "support/ser2netserver.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QTcpSocket>
#include <QTimer>

#include <cstdio>
#include <memory>
#include <unistd.h>
#include <vector>

namespace {

using Bench::Clock;

constexpr int Clients = 50;
constexpr int AskEveryMs = 100;
constexpr int PhaseMs = 10000;
constexpr int PollSeconds = 5;
constexpr int FramesPerPoll = 5;
constexpr int ToggleEveryMs = 200;

// One client on one connection: sends `request` every period, times each answer.
class Asker : public QObject
{
public:
    Asker(quint16 port, int startAfterMs, int periodMs, QList<QByteArray> requests, QObject *parent = nullptr)
        : QObject(parent)
        , m_requests(std::move(requests))
    {
        connect(&m_socket, &QTcpSocket::readyRead, this, [this] { read(); });
        m_socket.connectToHost(QHostAddress::LocalHost, port);
        m_socket.setSocketOption(QAbstractSocket::LowDelayOption, 1);
        m_timer.setTimerType(Qt::PreciseTimer);
        m_timer.setInterval(periodMs);
        connect(&m_timer, &QTimer::timeout, this, [this] { ask(); });
        QTimer::singleShot(startAfterMs, this, [this] { m_timer.start(); });
    }
    void stop() { m_timer.stop(); }

    QList<double> latencies;               // ms, request written to answer read
    QList<Clock::time_point> sentAt;       // every request
    QList<QByteArray> answers;
    int missed = 0;                        // periods skipped while an answer was awaited

private:
    void ask()
    {
        if (m_waiting || !m_greeted) {
            ++missed;
            return;
        }
        m_waiting = true;
        m_sent = Clock::now();
        sentAt.append(m_sent);
        m_socket.write(m_requests[m_next++ % m_requests.size()] + '\r');
    }
    void read()
    {
        m_buffer += m_socket.readAll();
        qsizetype cr;
        while ((cr = m_buffer.indexOf('\r')) >= 0) {
            const QByteArray line = m_buffer.first(cr);
            m_buffer.remove(0, cr + 1);
            if (!m_greeted) {
                m_greeted = true;
                continue;
            }
            latencies.append(Bench::millisecondsBetween(m_sent, Clock::now()));
            answers.append(line);
            m_waiting = false;
        }
    }

    QTcpSocket m_socket;
    QTimer m_timer;
    QList<QByteArray> m_requests;
    qsizetype m_next = 0;
    QByteArray m_buffer;
    Clock::time_point m_sent;
    bool m_greeted = false;
    bool m_waiting = false;
};

// The bridge's CPU time (user and system) in ms, from /proc.
double cpuMs(qint64 pid)
{
    QFile stat(QStringLiteral("/proc/%1/stat").arg(pid));
    if (!stat.open(QIODevice::ReadOnly))
        return 0;
    const QByteArray text = stat.readAll();
    const QList<QByteArray> fields = text.mid(text.lastIndexOf(')') + 2).split(' ');
    return double(fields[11].toLongLong() + fields[12].toLongLong()) * 1000.0 / double(sysconf(_SC_CLK_TCK));
}

void runFor(int ms)
{
    QEventLoop loop;
    QTimer::singleShot(ms, Qt::PreciseTimer, &loop, &QEventLoop::quit);
    loop.exec();
}

struct Round {
    double p50 = 0, p99 = 0, framesPerSecond = 0, cpuPercent = 0, rssMiB = 0, setP50 = 0, setP99 = 0;
    int answers = 0, wrongAnswers = 0, sets = 0, frames = 0;
};

std::optional<Round> runRound()
{
    Bench::WireDevice device;
    ProjectorModel model(ProjectorModel::Timing{std::chrono::milliseconds(0), std::chrono::milliseconds(0)});
    QElapsedTimer modelClock;
    modelClock.start();
    device.setResponder([&](const QByteArray &frame) {
        return model.answer(frame.chopped(1), ProjectorModel::Duration(modelClock.elapsed()));
    });
    const quint16 port = freeLoopbackPort();
    BridgeProcess bridge;
    bridge.process().setStandardOutputFile(QProcess::nullDevice());
    if (!bridge.start({"--port", device.devicePath(), "--pjlink", QStringLiteral("127.0.0.1:%1").arg(port),
                       "--poll-interval", QString::number(PollSeconds), "--max-clients", "64"})
        || !bridge.waitForLog("is open")) {
        std::fprintf(stderr, "%s\n", qPrintable(bridge.errorString()));
        return std::nullopt;
    }
    const qint64 pid = bridge.process().processId();
    // Its log (a line a request) is read as it comes, so no pipe fills.
    QObject::connect(&bridge.process(), &QProcess::readyReadStandardError, [&bridge] { (void)bridge.log(); });

    std::vector<std::unique_ptr<Asker>> askers;
    for (int i = 0; i < Clients; ++i)
        askers.push_back(std::make_unique<Asker>(port, i * AskEveryMs / Clients, AskEveryMs, QList<QByteArray>{"%1POWR ?"}));
    runFor(1000);  // every client connected and greeted; the first poll done
    for (auto &asker : askers) {
        asker->latencies.clear();
        asker->answers.clear();
    }

    Round round;
    device.clearFrames();
    const double cpuBefore = cpuMs(pid);
    QElapsedTimer phase;
    phase.start();
    runFor(PhaseMs);
    const double seconds = double(phase.nsecsElapsed()) / 1e9;
    round.cpuPercent = (cpuMs(pid) - cpuBefore) / (seconds * 1000) * 100;
    round.frames = int(device.frames().size());
    round.framesPerSecond = double(round.frames) / seconds;
    round.rssMiB = double(Bench::residentKiB(pid)) / 1024;
    QList<double> latencies;
    for (auto &asker : askers) {
        latencies += asker->latencies;
        for (const QByteArray &answer : asker->answers)
            round.wrongAnswers += answer != "%1POWR=0";
    }
    round.answers = int(latencies.size());
    round.p50 = Bench::percentile(latencies, 50);
    round.p99 = Bench::percentile(latencies, 99);

    // Phase two: power on and off from one more client while the 50 poll.
    device.clearFrames();
    Asker toggler(port, 0, ToggleEveryMs, {"%1POWR 1", "%1POWR 0"});
    runFor(PhaseMs);
    toggler.stop();
    runFor(200);
    for (auto &asker : askers)
        asker->stop();
    const QList<Bench::WireDevice::Frame> frames = device.frames();
    QList<double> toWire;
    qsizetype f = 0;
    for (qsizetype i = 0; i < toggler.sentAt.size(); ++i) {
        const QByteArray expected = i % 2 == 0 ? "C00\r" : "C01\r";
        while (f < frames.size() && (frames[f].at < toggler.sentAt[i] || frames[f].text != expected))
            ++f;
        if (f < frames.size()) {
            toWire.append(Bench::millisecondsBetween(toggler.sentAt[i], frames[f].at));
            if (qEnvironmentVariableIsSet("BENCH_DEBUG") && toWire.last() > 2) {
                std::fprintf(stderr, "slow set %.3f ms; frames before it:", toWire.last());
                for (qsizetype k = std::max<qsizetype>(0, f - 8); k <= f; ++k)
                    std::fprintf(stderr, " %s@%.3f", frames[k].text.chopped(1).constData(),
                                 Bench::millisecondsBetween(toggler.sentAt[i], frames[k].at));
                std::fprintf(stderr, "\n");
            }
        }
    }
    round.sets = int(toWire.size());
    round.setP50 = Bench::percentile(toWire, 50);
    round.setP99 = Bench::percentile(toWire, 99);
    return round;
}

} // namespace

int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    const int rounds = Bench::roundsFrom(argc, argv, 5);
    std::printf("rm740-bridge: %d clients asking POWR ? every %d ms for %d s, polling every %d s; %d rounds\n",
                Clients, AskEveryMs, PhaseMs / 1000, PollSeconds, rounds);
    QList<double> p50, p99, fps, cpu, rss, setP50, setP99;
    for (int r = 0; r < rounds; ++r) {
        const auto round = runRound();
        if (!round)
            return 1;
        std::fprintf(stderr, "round %d: %d answers (%d wrong), %d frames on the line, %d sets timed\n", r + 1,
                     round->answers, round->wrongAnswers, round->frames, round->sets);
        p50.append(round->p50);
        p99.append(round->p99);
        fps.append(round->framesPerSecond);
        cpu.append(round->cpuPercent);
        rss.append(round->rssMiB);
        setP50.append(round->setP50);
        setP99.append(round->setP99);
    }
    Bench::report(QStringLiteral("bridge: POWR ? answer, median (50 clients, 10/s each)"), Bench::summarise(p50), "ms", "");
    Bench::report(QStringLiteral("bridge: POWR ? answer, 99th percentile"), Bench::summarise(p99), "ms", "<= 2");
    Bench::report(QStringLiteral("bridge: frames per second on the line with 50 clients"), Bench::summarise(fps), "",
                  QStringLiteral("%1 (its own polling)").arg(double(FramesPerPoll) / PollSeconds));
    Bench::report(QStringLiteral("bridge: CPU while serving them"), Bench::summarise(cpu), "% of a core", "");
    Bench::report(QStringLiteral("bridge: resident memory then"), Bench::summarise(rss), "MiB", "");
    Bench::report(QStringLiteral("bridge: POWR 1/0 request to its frame on the wire, median"), Bench::summarise(setP50),
                  "ms", "");
    Bench::report(QStringLiteral("bridge: POWR 1/0 request to its frame on the wire, 99th percentile"),
                  Bench::summarise(setP99), "ms", "<= 5");
    return 0;
}
