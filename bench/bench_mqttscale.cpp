// rm740-bridge on MQTT at a campus's scale: 200 projectors on 10 bridges, one
// per building with a topic prefix of its own, publishing to one Mosquitto.
// The projectors are the projector model behind TCP ports of this process,
// polled as the bridges' default has it. Measured: the retained states a new
// subscriber finds, and that they are current after every projector was
// switched on over MQTT; the bridges' CPU time and memory per projector; the
// frames on the lines a minute with no subscriber and with 20 subscribers of
// everything (the same: a subscriber is the broker's, it never reaches a line).
#include "benchsupport.h"
#include "benchwindow.h"
#include "support/bridgeprocess.h"
#include "support/mosquittobroker.h"
#include "tcpprojector.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>
#include <QTest>

#include <cstdio>
#include <memory>
#include <optional>
#include <vector>

namespace {

constexpr int Bridges = 10;
constexpr int PerBridge = 20;
constexpr int Projectors = Bridges * PerBridge;
constexpr int Subscribers = 20;
constexpr int WindowSeconds = 30;
const QString StateFilter = QStringLiteral("campus/+/+/state");

QString topicOf(int bridge, int projector, const char *leaf)
{
    return QStringLiteral("campus/building-%1/room-%1-%2/%3").arg(bridge + 1).arg(projector + 1).arg(QLatin1StringView(leaf));
}

// Runs a client of Debian's to its end, the projectors answering meanwhile.
QByteArray runClient(const QString &program, const QStringList &arguments)
{
    QProcess process;
    process.start(program, arguments);
    (void)QTest::qWaitFor([&process] { return process.state() == QProcess::NotRunning; }, 15000);
    return process.readAllStandardOutput();
}

// The retained states (topic to payload) a new subscriber gets.
QMap<QString, QByteArray> retainedStates(MosquittoBroker &broker)
{
    QMap<QString, QByteArray> states;
    const QByteArray out = runClient(QStringLiteral("mosquitto_sub"), broker.clientOptions() + QStringList{
        QStringLiteral("-t"), StateFilter, QStringLiteral("--retained-only"), QStringLiteral("-W"), QStringLiteral("3"),
        QStringLiteral("-F"), QStringLiteral("%t\t%p")});
    for (const QByteArray &line : out.split('\n')) {
        const qsizetype tab = line.indexOf('\t');
        if (tab > 0)
            states.insert(QString::fromUtf8(line.left(tab)), line.mid(tab + 1));
    }
    return states;
}

int countContaining(const QMap<QString, QByteArray> &states, const QByteArray &part)
{
    return int(std::count_if(states.begin(), states.end(), [&part](const QByteArray &s) { return s.contains(part); }));
}

// States of projectors read whole: their lamp hours known.
int countRead(const QMap<QString, QByteArray> &states)
{
    return countContaining(states, "\"lamp_hours\":") - countContaining(states, "\"lamp_hours\":null");
}

struct Usage {
    double cpuSeconds = 0;
    double residentKiB = 0;
};

Usage usageOf(std::vector<std::unique_ptr<BridgeProcess>> &bridges)
{
    Usage usage;
    for (auto &bridge : bridges) {
        const qint64 pid = bridge->process().processId();
        usage.cpuSeconds += Bench::cpuSeconds(pid);
        usage.residentKiB += double(Bench::residentKiB(pid));
    }
    return usage;
}

struct Window {
    double framesPerProjectorMinute = 0;
    double cpuMsPerProjectorMinute = 0;
    double residentKiBPerProjector = 0;
};

Window measure(const std::vector<std::unique_ptr<TcpProjector>> &projectors,
               std::vector<std::unique_ptr<BridgeProcess>> &bridges)
{
    const auto frames = [&projectors] {
        qint64 n = 0;
        for (const auto &p : projectors)
            n += p->frames;
        return n;
    };
    const qint64 framesBefore = frames();
    const Usage before = usageOf(bridges);
    QElapsedTimer clock;
    clock.start();
    QTest::qWait(WindowSeconds * 1000);
    const double minutes = double(clock.elapsed()) / 60000;
    const Usage after = usageOf(bridges);
    return {double(frames() - framesBefore) / Projectors / minutes,
            (after.cpuSeconds - before.cpuSeconds) * 1000 / Projectors / minutes, after.residentKiB / Projectors};
}

struct Round {
    int retainedAtStart = 0;
    int currentAfterPowerOn = 0;
    double secondsToAllOn = 0;
    Window quiet;
    Window watched;
};

std::optional<Round> runRound()
{
    MosquittoBroker broker;
    if (!broker.start()) {
        std::fprintf(stderr, "bench_mqttscale: %s\n", qPrintable(broker.errorString()));
        return std::nullopt;
    }
    QTemporaryDir dir;
    std::vector<std::unique_ptr<TcpProjector>> projectors;
    std::vector<std::unique_ptr<BridgeProcess>> bridges;
    for (int b = 0; b < Bridges; ++b) {
        QString config;
        for (int p = 0; p < PerBridge; ++p) {
            projectors.push_back(std::make_unique<TcpProjector>(
                ProjectorModel::Timing{std::chrono::milliseconds(10), std::chrono::milliseconds(10)}));
            // PJLink on loopback addresses of their own, clear of the lines' ephemeral ports.
            config += QStringLiteral("[room-%1-%2]\nport = socket://127.0.0.1:%3\npjlink = 127.0.%4.%2:4352\n\n")
                          .arg(b + 1).arg(p + 1).arg(projectors.back()->port()).arg(20 + b);
        }
        config += QStringLiteral("[mqtt]\nbroker = %1\nclient-id = building-%2\ntopic-prefix = campus/building-%2\n")
                      .arg(broker.url()).arg(b + 1);
        QFile file(dir.filePath(QStringLiteral("bridge%1.conf").arg(b + 1)));
        if (!file.open(QIODevice::WriteOnly) || file.write(config.toUtf8()) < 0)
            return std::nullopt;
        file.close();
        bridges.push_back(std::make_unique<BridgeProcess>());
        if (!bridges.back()->start({QStringLiteral("--config"), file.fileName()})
            || !bridges.back()->waitForLog("connected to the broker", 30000)) {
            std::fprintf(stderr, "bench_mqttscale: bridge %d: %s\n%s\n", b + 1, qPrintable(bridges.back()->errorString()),
                         bridges.back()->log().constData());
            return std::nullopt;
        }
    }
    Round round;
    QMap<QString, QByteArray> states;
    // Every projector read once: its state holds its lamp hours.
    (void)QTest::qWaitFor([&] {
        states = retainedStates(broker);
        return countRead(states) == Projectors;
    }, 60000);
    round.retainedAtStart = countRead(states);
    round.quiet = measure(projectors, bridges);

    std::vector<std::unique_ptr<QProcess>> subscribers;
    for (int s = 0; s < Subscribers; ++s) {
        subscribers.push_back(std::make_unique<QProcess>());
        subscribers.back()->setStandardOutputFile(QProcess::nullDevice());
        subscribers.back()->start(QStringLiteral("mosquitto_sub"),
                                  broker.clientOptions() + QStringList{QStringLiteral("-t"), QStringLiteral("campus/#")});
    }
    QTest::qWait(2000);  // their subscriptions taken, the retained messages sent
    round.watched = measure(projectors, bridges);
    for (auto &subscriber : subscribers) {
        subscriber->kill();
        subscriber->waitForFinished();
    }

    QElapsedTimer clock;
    clock.start();
    for (int b = 0; b < Bridges; ++b) {
        for (int p = 0; p < PerBridge; ++p)
            (void)runClient(QStringLiteral("mosquitto_pub"), broker.clientOptions() + QStringList{
                QStringLiteral("-t"), topicOf(b, p, "set/power"), QStringLiteral("-m"), QStringLiteral("ON")});
    }
    (void)QTest::qWaitFor([&] {
        states = retainedStates(broker);
        return countContaining(states, "\"power\":\"on\"") == Projectors;
    }, 60000);
    round.secondsToAllOn = double(clock.elapsed()) / 1000;
    round.currentAfterPowerOn = countContaining(states, "\"power\":\"on\"");
    for (auto &bridge : bridges)
        bridge->stop();
    return round;
}

} // namespace

int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    if (!MosquittoBroker::isInstalled()) {
        std::fprintf(stderr, "bench_mqttscale: needs Debian's mosquitto and mosquitto-clients\n");
        return 1;
    }
    const int rounds = Bench::roundsFrom(argc, argv, 1);
    std::printf("rm740-bridge on MQTT: %d projectors on %d bridges at one broker, %d s with 0 and with %d "
                "subscribers; %d rounds\n", Projectors, Bridges, WindowSeconds, Subscribers, rounds);
    std::fflush(stdout);
    QList<double> retained, current, allOn, framesQuiet, framesWatched, cpuQuiet, cpuWatched, resident;
    for (int r = 0; r < rounds; ++r) {
        const auto round = runRound();
        if (!round)
            return 1;
        retained.append(round->retainedAtStart);
        current.append(round->currentAfterPowerOn);
        allOn.append(round->secondsToAllOn);
        framesQuiet.append(round->quiet.framesPerProjectorMinute);
        framesWatched.append(round->watched.framesPerProjectorMinute);
        cpuQuiet.append(round->quiet.cpuMsPerProjectorMinute);
        cpuWatched.append(round->watched.cpuMsPerProjectorMinute);
        resident.append(round->watched.residentKiBPerProjector);
    }
    const QString n = QString::number(Projectors);
    Bench::report(QStringLiteral("mqtt scale: retained states read whole"), Bench::summarise(retained), "", n);
    Bench::report(QStringLiteral("mqtt scale: retained states on after set/power ON"), Bench::summarise(current), "", n);
    Bench::report(QStringLiteral("mqtt scale: from the first set/power to all on"), Bench::summarise(allOn), "s", "");
    Bench::report(QStringLiteral("mqtt scale: frames a projector a minute, 0 subscribers"), Bench::summarise(framesQuiet),
                  "", "");
    Bench::report(QStringLiteral("mqtt scale: frames a projector a minute, %1 subscribers").arg(Subscribers),
                  Bench::summarise(framesWatched), "", "the same");
    Bench::report(QStringLiteral("mqtt scale: bridges' CPU a projector a minute, 0 subscribers"),
                  Bench::summarise(cpuQuiet), "ms", "");
    Bench::report(QStringLiteral("mqtt scale: bridges' CPU a projector a minute, %1 subscribers").arg(Subscribers),
                  Bench::summarise(cpuWatched), "ms", "");
    Bench::report(QStringLiteral("mqtt scale: bridges' resident memory a projector"), Bench::summarise(resident), "KiB",
                  "");
    return 0;
}
