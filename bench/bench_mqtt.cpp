// rm740-bridge on MQTT: how long a change of a projector's state takes to
// reach a subscriber. A PJLink client mutes and unmutes the sound; the time
// runs from its command's write to the arrival, at a mosquitto_sub of
// Debian's, of the retained state that shows it. The path is the whole one:
// PJLink, the projector's queue, the line (the projector model behind a TCP
// port), the state, libmosquitto, the broker (Mosquitto on loopback).
#include "benchsupport.h"
#include "benchwindow.h"
#include "support/bridgeprocess.h"
#include "support/mosquittobroker.h"
#include "tcpprojector.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QProcess>
#include <QTcpSocket>
#include <QTest>

#include <cstdio>
#include <optional>

namespace {

constexpr int ChangesPerRound = 200;

// The state payloads as a subscriber gets them, each with the time it came.
class StateSubscriber
{
public:
    StateSubscriber(MosquittoBroker &broker, const QString &topic)
    {
        QObject::connect(&m_process, &QProcess::readyReadStandardOutput, [this] {
            m_buffer += m_process.readAllStandardOutput();
            qsizetype end;
            while ((end = m_buffer.indexOf('\n')) >= 0) {
                m_last = {m_buffer.first(end), m_clock.nsecsElapsed()};
                m_buffer.remove(0, end + 1);
            }
        });
        m_clock.start();
        m_process.start(QStringLiteral("mosquitto_sub"),
                        broker.clientOptions() + QStringList{QStringLiteral("-t"), topic});
    }
    ~StateSubscriber() { m_process.kill(); m_process.waitForFinished(); }

    // The nanoseconds (on this clock) at which a state containing `part` came, waiting up to 5 s.
    [[nodiscard]] std::optional<qint64> waitFor(const QByteArray &part)
    {
        if (!Bench::waitUntil([&] { return m_last.first.contains(part); }, 5000))
            return std::nullopt;
        return m_last.second;
    }
    [[nodiscard]] qint64 now() const { return m_clock.nsecsElapsed(); }

private:
    QProcess m_process;
    QByteArray m_buffer;
    QElapsedTimer m_clock;
    std::pair<QByteArray, qint64> m_last;
};

struct Times {
    QList<double> fromCommand;  // the PJLink command's write to the subscriber
    QList<double> fromAnswer;   // the PJLink answer's arrival to the subscriber (the bridge knows the change)
};

std::optional<Times> runRound()
{
    MosquittoBroker broker;
    if (!broker.start()) {
        std::fprintf(stderr, "bench_mqtt: %s\n", qPrintable(broker.errorString()));
        return std::nullopt;
    }
    TcpProjector projector(ProjectorModel::Timing{std::chrono::milliseconds(10), std::chrono::milliseconds(10)});
    const quint16 pjlinkPort = 4352;
    BridgeProcess bridge;
    if (!bridge.start(QStringList{QStringLiteral("--port"), QStringLiteral("socket://127.0.0.1:%1").arg(projector.port()),
                                  QStringLiteral("--pjlink"), QStringLiteral("127.0.8.1:%1").arg(pjlinkPort),
                                  QStringLiteral("--name"), QStringLiteral("bench"),
                                  QStringLiteral("--mqtt-client-id"), QStringLiteral("bench")}
                      + broker.bridgeOptions())
        || !bridge.waitForLog("connected to the broker", 30000)) {
        std::fprintf(stderr, "bench_mqtt: %s\n%s\n", qPrintable(bridge.errorString()), bridge.log().constData());
        return std::nullopt;
    }
    StateSubscriber subscriber(broker, QStringLiteral("rm740/bench/state"));
    QTcpSocket pjlink;
    pjlink.connectToHost(QStringLiteral("127.0.8.1"), pjlinkPort);
    // PJLink's lines end in CR alone.
    QByteArray received;
    const auto line = [&pjlink, &received]() -> QByteArray {
        if (!Bench::waitUntil([&] { received += pjlink.readAll(); return received.contains('\r'); }, 5000))
            return {};
        const qsizetype cr = received.indexOf('\r');
        const QByteArray text = received.first(cr);
        received.remove(0, cr + 1);
        return text;
    };
    const auto exchange = [&pjlink, &line](const QByteArray &command) {
        pjlink.write(command);
        return line().endsWith("=OK");
    };
    // The bridge answers ERR3 until it has read the projector once.
    if (!line().startsWith("PJLINK 0") || !QTest::qWaitFor([&] { return exchange("%1POWR 1\r"); }, 10000)
        || !subscriber.waitFor("\"power\":\"on\"")) {
        std::fprintf(stderr, "bench_mqtt: the projector did not come on\n%s\n", bridge.log().constData());
        return std::nullopt;
    }
    Times times;
    for (int i = 0; i < ChangesPerRound; ++i) {
        const bool mute = i % 2 == 0;
        const qint64 sent = subscriber.now();
        if (!exchange(mute ? "%1AVMT 21\r" : "%1AVMT 20\r")) {
            std::fprintf(stderr, "bench_mqtt: no PJLink answer\n");
            return std::nullopt;
        }
        const qint64 answered = subscriber.now();
        const auto came = subscriber.waitFor(mute ? "\"audio_mute\":true" : "\"audio_mute\":false");
        if (!came) {
            std::fprintf(stderr, "bench_mqtt: change %d never reached the subscriber\n%s\n", i, bridge.log().constData());
            return std::nullopt;
        }
        times.fromCommand.append(double(*came - sent) / 1e6);
        times.fromAnswer.append(double(*came - answered) / 1e6);
    }
    return times;
}

} // namespace

int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    if (!MosquittoBroker::isInstalled()) {
        std::fprintf(stderr, "bench_mqtt: needs Debian's mosquitto and mosquitto-clients\n");
        return 1;
    }
    const int rounds = Bench::roundsFrom(argc, argv, 3);
    std::printf("rm740-bridge on MQTT: %d changes of the sound mute a round (PJLink to a subscriber); %d rounds\n",
                ChangesPerRound, rounds);
    std::fflush(stdout);
    QList<double> p50, p99, answerP50, answerP99;
    for (int r = 0; r < rounds; ++r) {
        const auto times = runRound();
        if (!times)
            return 1;
        p50.append(Bench::percentile(times->fromCommand, 50));
        p99.append(Bench::percentile(times->fromCommand, 99));
        answerP50.append(Bench::percentile(times->fromAnswer, 50));
        answerP99.append(Bench::percentile(times->fromAnswer, 99));
    }
    Bench::report(QStringLiteral("mqtt: PJLink command to the subscriber, median"), Bench::summarise(p50), "ms", "");
    Bench::report(QStringLiteral("mqtt: PJLink command to the subscriber, 99th percentile"), Bench::summarise(p99), "ms",
                  "<= 50");
    // Negative: the subscriber had the state before the PJLink client had its answer.
    Bench::report(QStringLiteral("mqtt: the subscriber against the PJLink answer, median"),
                  Bench::summarise(answerP50), "ms", "");
    Bench::report(QStringLiteral("mqtt: the subscriber against the PJLink answer, 99th percentile"),
                  Bench::summarise(answerP99), "ms", "");
    return 0;
}
