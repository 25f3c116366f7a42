// rm740-bridge on a real Mosquitto broker, driven by clients the bridge's
// code did not come from (mosquitto_pub and mosquitto_sub, MQTT.js): what
// only the whole process shows.

#include "support/bridgeprocess.h"
#include "support/mosquittobroker.h"
#include "support/pjlinkclient.h"
#include "support/ser2netserver.h"
#include "support/simulatorprocess.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QTemporaryDir>
#include <QTest>

#include <memory>

namespace {

const QString State = QStringLiteral("rm740/rm740/state");
const QString Availability = QStringLiteral("rm740/rm740/availability");
const QString Result = QStringLiteral("rm740/rm740/result");
const QString Status = QStringLiteral("rm740/bridge/test-bridge/status");

// What Home Assistant's MQTT integrations require of a discovery config: each
// integration's "Configuration Variables" marked required. Every entity with
// a device also needs unique_id and the device's identifiers (the MQTT
// integration's discovery section).
const QMap<QString, QStringList> RequiredKeys{
    {"switch", {"command_topic"}},             // home-assistant.io/integrations/switch.mqtt/
    {"select", {"command_topic", "options"}},  // .../select.mqtt/
    {"sensor", {"state_topic"}},               // .../sensor.mqtt/
    {"binary_sensor", {"state_topic"}},        // .../binary_sensor.mqtt/
};

QJsonObject json(const QByteArray &payload)
{
    return QJsonDocument::fromJson(payload).object();
}

} // namespace

class MqttTest : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase()
    {
        if (!MosquittoBroker::isInstalled())
            QSKIP("needs Debian's mosquitto, mosquitto-clients and openssl (./test.sh installs them)");
    }

    void init()
    {
        m_broker = std::make_unique<MosquittoBroker>();
        m_simulator = std::make_unique<SimulatorProcess>();
        m_bridge = std::make_unique<BridgeProcess>();
    }

    void cleanup()
    {
        if (QTest::currentTestFailed())
            qInfo().noquote() << "bridge:" << m_bridge->log() << "\nbroker:" << m_broker->log().right(3000);
        m_bridge.reset();
        m_simulator.reset();
        m_broker.reset();
    }

    void connectsAsTheBrokerAsks_data()
    {
        QTest::addColumn<MosquittoBroker::Mode>("mode");
        QTest::newRow("anonymous") << MosquittoBroker::Mode::Anonymous;
        QTest::newRow("password file") << MosquittoBroker::Mode::Password;
        QTest::newRow("TLS") << MosquittoBroker::Mode::Tls;
    }
    void connectsAsTheBrokerAsks()
    {
        QFETCH(MosquittoBroker::Mode, mode);
        serve(mode, {});
        QTRY_COMPARE_WITH_TIMEOUT(m_broker->retained(Availability).value(Availability), QByteArray("online"), 15000);
        QCOMPARE(json(m_broker->retained(Status).value(Status)).value("state").toString(), QStringLiteral("online"));
        // Killed, the bridge leaves its last will.
        m_bridge->process().kill();
        QTRY_COMPARE_WITH_TIMEOUT(json(m_broker->retained(Status).value(Status)).value("state").toString(),
                                  QStringLiteral("offline"), 15000);
    }

    void powerInputAndMuteFromMqttJs()
    {
        const QString modules = QStringLiteral(RM740_NPM_MODULES);
        if (!QFile::exists(modules + QStringLiteral("/mqtt/package.json")))
            QSKIP("npm's mqtt is not in the build tree (./test.sh installs it)");
        serve(MosquittoBroker::Mode::Anonymous, {"--warmup", "1"});
        QProcess node;
        node.setProcessChannelMode(QProcess::MergedChannels);
        QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
        environment.insert(QStringLiteral("NODE_PATH"), modules);
        node.setProcessEnvironment(environment);
        node.start(QStringLiteral("node"), {QStringLiteral(RM740_MQTT_JS_CLIENT),
                                            QStringLiteral("mqtt://127.0.0.1:%1").arg(m_broker->port()),
                                            QStringLiteral("rm740"), QStringLiteral("rm740")});
        QVERIFY(node.waitForFinished(90000));
        const QByteArray output = node.readAll();
        QVERIFY2(node.exitStatus() == QProcess::NormalExit && node.exitCode() == 0, output.constData());
        // The simulator's log comes in its own time.
        QTRY_VERIFY_WITH_TIMEOUT(SimulatorProcess::framesIn(m_simulator->log()).contains("C0B"), 10000);
        const QByteArrayList frames = SimulatorProcess::framesIn(m_simulator->log());
        QVERIFY2(frames.count("C00") == 1 && frames.contains("C06") && frames.contains("C0B"), (frames.join(' ') + output).constData());
    }

    void everythingRepublishedWhenTheBrokerComesBack()
    {
        serve(MosquittoBroker::Mode::Anonymous, {});
        QTRY_VERIFY_WITH_TIMEOUT(m_broker->retained(State).value(State).contains("\"standby\""), 15000);
        m_broker->stop();
        QVERIFY(m_bridge->waitForLog("trying again"));
        // A change while the broker is away is in the retained state once it is back.
        PjlinkClient pjlink;
        QVERIFY(pjlink.connectTo(m_pjlinkPort));
        QCOMPARE(pjlink.ask("%1POWR 1"), QByteArray("%1POWR=OK"));
        QVERIFY2(m_broker->start(), qPrintable(m_broker->errorString()));
        QTRY_VERIFY_WITH_TIMEOUT(m_broker->retained(State).value(State).contains("\"on\""), 40000);
        const auto all = m_broker->retained(QStringLiteral("#"));
        QCOMPARE(all.value(Availability), QByteArray("online"));
        QVERIFY(all.contains(Status));
        QVERIFY(all.contains(QStringLiteral("homeassistant/switch/test-bridge_rm740/power/config")));
    }

    void hostilePayloadsReachNothingOnTheLine()
    {
        serve(MosquittoBroker::Mode::Anonymous, {}, {"--poll-interval", "0"});
        MqttWatcher watcher(*m_broker);
        QVERIFY(watcher.start(Result));
        // What the parts refuse, sent through the broker: a result each, and no frame.
        for (const QByteArray &payload : {QByteArray("\xff\xfe\xc3("), QByteArray(1024 * 1024, 'O'), QByteArray("ONN")})
            QVERIFY(m_broker->publish(QStringLiteral("rm740/rm740/set/power"), payload));
        QVERIFY(m_broker->publish(QStringLiteral("rm740/rm740/set/a/b"), "ON"));  // no command topic: no result
        QTRY_COMPARE_WITH_TIMEOUT(watcher.messages().size(), 3, 10000);
        // A hundred valid commands within a second: each sent, refused or
        // answered busy, and nothing else on the line.
        QByteArray hundred;
        for (int i = 0; i < 100; ++i)
            hundred += "ON\n";
        QVERIFY(m_broker->publish(QStringLiteral("rm740/rm740/set/video_mute"), hundred, {"-l"}));
        QTRY_COMPARE_WITH_TIMEOUT(watcher.messages().size(), 103, 30000);
        QCOMPARE(m_bridge->process().state(), QProcess::Running);
        QVERIFY(m_broker->publish(QStringLiteral("rm740/rm740/set/power"), "ON"));
        QTRY_VERIFY_WITH_TIMEOUT(watcher.messages().last().payload.contains("set/power ON\",\"result\":\"done\""), 10000);
        // The simulator's log comes in its own time: the last command's frame ends it.
        QTRY_VERIFY_WITH_TIMEOUT(SimulatorProcess::framesIn(m_simulator->log()).contains("C00"), 10000);
        QByteArrayList frames = SimulatorProcess::framesIn(m_simulator->log());
        QVERIFY(frames.contains("C0D"));
        frames.removeIf([](const QByteArray &frame) { return frame == "C0D" || frame == "C00" || frame.startsWith("CR"); });
        QCOMPARE(frames, QByteArrayList{});
    }

    void discoveryMeetsHomeAssistantsKeysAndLeavesWithItsProjector()
    {
        serve(MosquittoBroker::Mode::Anonymous, {});
        const QString filter = QStringLiteral("homeassistant/#");
        QTRY_COMPARE_WITH_TIMEOUT(m_broker->retained(filter).size(), 8, 15000);
        const auto configs = m_broker->retained(filter);
        for (auto it = configs.begin(); it != configs.end(); ++it) {
            const QString component = it.key().section(u'/', 1, 1);
            const QJsonObject config = json(it.value());
            QVERIFY2(RequiredKeys.contains(component), qPrintable(it.key()));
            for (const QString &key : RequiredKeys.value(component))
                QVERIFY2(config.contains(key), qPrintable(QStringLiteral("%1 lacks %2").arg(it.key(), key)));
            QVERIFY(!config.value("unique_id").toString().isEmpty());
            QVERIFY(!config.value("device").toObject().value("identifiers").toArray().isEmpty());
            QVERIFY(!config.value("origin").toObject().value("name").toString().isEmpty());
            for (const QJsonValue &availability : config.value("availability").toArray())
                QVERIFY(!availability.toObject().value("topic").toString().isEmpty());
        }
        // The same bridge with its projector renamed: the old one's entities go.
        m_bridge->stop();
        QVERIFY2(m_bridge->start(bridgeArguments({"--name", "hall"})), qPrintable(m_bridge->errorString()));
        QTRY_VERIFY_WITH_TIMEOUT(m_broker->retained(filter).contains(
                                     QStringLiteral("homeassistant/switch/test-bridge_hall/power/config")), 15000);
        const auto after = m_broker->retained(filter);
        QCOMPARE(after.size(), 8);
        QVERIFY(!after.contains(QStringLiteral("homeassistant/switch/test-bridge_rm740/power/config")));
    }

private:
    QStringList bridgeArguments(const QStringList &extra) const
    {
        const QStringList polling = extra.contains(u"--poll-interval"_qs) ? QStringList{} : QStringList{"--poll-interval", "0.2"};
        return QStringList{"--port", link(), "--pjlink", QStringLiteral("127.0.0.1:%1").arg(m_pjlinkPort),
                           "--mqtt-client-id", "test-bridge"}
            + polling + m_broker->bridgeOptions() + extra;
    }

    void serve(MosquittoBroker::Mode mode, const QStringList &simulatorOptions, const QStringList &bridgeOptions = {})
    {
        QVERIFY2(m_broker->start(mode), qPrintable(m_broker->errorString()));
        m_pjlinkPort = freeLoopbackPort();
        m_simulator->startInTest(link(), simulatorOptions);
        QVERIFY2(m_bridge->start(bridgeArguments(bridgeOptions)), qPrintable(m_bridge->errorString()));
        QVERIFY(m_bridge->waitForLog("connected to the broker"));
    }

    QString link() const { return m_dir.filePath(QStringLiteral("projector")); }

    QTemporaryDir m_dir;
    quint16 m_pjlinkPort = 0;
    std::unique_ptr<MosquittoBroker> m_broker;
    std::unique_ptr<SimulatorProcess> m_simulator;
    std::unique_ptr<BridgeProcess> m_bridge;
};

QTEST_GUILESS_MAIN(MqttTest)
#include "tst_mqtt.moc"
