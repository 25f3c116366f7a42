// The bridge's MQTT parts without a broker: topic names, commands, the
// [mqtt] section, what discovery removes.

#include "bridge/daemon/bridgeconfig.h"
#include "bridge/mqtt/homeassistantdiscovery.h"
#include "bridge/mqtt/mqttcommand.h"
#include "bridge/mqtt/mqtttopics.h"

#include <QTest>

using Command = MqttTopics::Command;
Q_DECLARE_METATYPE(std::optional<Command>)

class MqttPartsTest : public QObject
{
    Q_OBJECT

private slots:
    void commandTopics_data()
    {
        QTest::addColumn<QString>("topic");
        QTest::addColumn<std::optional<Command>>("command");
        QTest::newRow("set") << "site/a/room-101/set/power" << std::optional(Command{"room-101", "power"});
        QTest::newRow("press") << "site/a/room-101/press" << std::optional(Command{"room-101", {}});
        QTest::newRow("state is no command") << "site/a/room-101/state" << std::optional<Command>();
        QTest::newRow("set without item") << "site/a/room-101/set" << std::optional<Command>();
        QTest::newRow("too deep") << "site/a/room-101/set/power/x" << std::optional<Command>();
        QTest::newRow("another prefix") << "site/ab/room-101/set/power" << std::optional<Command>();
        QTest::newRow("empty projector") << "site/a//set/power" << std::optional<Command>();
    }
    void commandTopics()
    {
        QFETCH(QString, topic);
        QFETCH(std::optional<Command>, command);
        QCOMPARE(MqttTopics(QStringLiteral("site/a"), QStringLiteral("b1")).command(topic), command);
    }

    void prefixes_data()
    {
        QTest::addColumn<QString>("prefix");
        QTest::addColumn<bool>("valid");
        QTest::newRow("one level") << "rm740" << true;
        QTest::newRow("levels") << "campus/building-a/rm740" << true;
        QTest::newRow("wildcard") << "rm740/+" << false;
        QTest::newRow("hash") << "rm#740" << false;
        QTest::newRow("empty level") << "campus//rm740" << false;
        QTest::newRow("trailing slash") << "rm740/" << false;
        QTest::newRow("broker's own") << "$SYS" << false;
        QTest::newRow("control character") << "rm\u0001740" << false;
    }
    void prefixes()
    {
        QFETCH(QString, prefix);
        QFETCH(bool, valid);
        QCOMPARE(MqttTopics::isPrefix(prefix), valid);
    }

    void projectorNamesAsLevels_data()
    {
        QTest::addColumn<QString>("name");
        QTest::addColumn<QString>("level");
        QTest::newRow("plain") << "room-101" << "room-101";
        QTest::newRow("blanks and case") << "Room 101" << "room_101";
        QTest::newRow("wildcards") << "a+b#c/d" << "a_b_c_d";
    }
    void projectorNamesAsLevels()
    {
        QFETCH(QString, name);
        QFETCH(QString, level);
        QCOMPARE(MqttTopics::levelFor(name), level);
        QVERIFY(MqttTopics::isLevel(MqttTopics::levelFor(name)));
    }

    void commands_data()
    {
        QTest::addColumn<QString>("item");
        QTest::addColumn<QByteArray>("payload");
        QTest::addColumn<QByteArray>("frame");   // empty: refused
        QTest::addColumn<QString>("error");
        QTest::newRow("power on") << "power" << QByteArray("ON") << QByteArray("C00\r") << QString();
        QTest::newRow("power off, lower case") << "power" << QByteArray("off\n") << QByteArray("C01\r") << QString();
        QTest::newRow("video mute") << "video_mute" << QByteArray("ON") << QByteArray("C0D\r") << QString();
        QTest::newRow("audio unmute") << "audio_mute" << QByteArray("OFF") << QByteArray("C0C\r") << QString();
        QTest::newRow("freeze") << "freeze" << QByteArray("ON") << QByteArray("C43\r") << QString();
        QTest::newRow("input by the page's name") << "input" << QByteArray("computer 1 analog rgb")
                                                  << QByteArray("C50\r") << QString();
        QTest::newRow("press a button") << QString() << QByteArray("Command21") << QByteArray("C0D\r") << QString();
        QTest::newRow("neither on nor off") << "power" << QByteArray("1") << QByteArray() << "power takes ON or OFF";
        QTest::newRow("unknown item") << "lamp" << QByteArray("ON") << QByteArray() << "no item called \"lamp\"";
        QTest::newRow("unknown input") << "input" << QByteArray("HDMI 9") << QByteArray() << "no input is called";
        QTest::newRow("unknown button") << QString() << QByteArray("Command999") << QByteArray() << "no button";
        QTest::newRow("not UTF-8") << "power" << QByteArray("\xff\xfeON") << QByteArray() << "not UTF-8";
        QTest::newRow("too long") << "power" << QByteArray(MqttCommand::LongestPayload + 1, 'O') << QByteArray()
                                  << "longer than 256 bytes";
    }
    void commands()
    {
        QFETCH(QString, item);
        QFETCH(QByteArray, payload);
        QFETCH(QByteArray, frame);
        QFETCH(QString, error);
        QString problem;
        const auto action = MqttCommand::parse(item, payload, InputTable::defaults(), &problem);
        QCOMPARE(action ? action->frame : QByteArray(), frame);
        QVERIFY2(error.isEmpty() ? problem.isEmpty() : problem.contains(error), qPrintable(problem));
    }

    void mqttSection_data()
    {
        QTest::addColumn<QByteArray>("text");
        QTest::addColumn<QString>("error");   // empty: accepted
        const QByteArray projector = "[room-101]\nport = COM1\n";
        QTest::newRow("broker alone") << projector + "[mqtt]\nbroker = mqtt://broker.campus\n" << QString();
        QTest::newRow("TLS with files") << projector + "[mqtt]\nbroker = mqtts://b:8884\nca-file = /c\ncert-file = /a\n"
                                                       "key-file = /k\n" << QString();
        QTest::newRow("no broker") << projector + "[mqtt]\nusername = u\n" << "b.conf:3: [mqtt] has no broker";
        QTest::newRow("another scheme") << projector + "[mqtt]\nbroker = http://b\n" << "b.conf:4: broker must be mqtt://";
        QTest::newRow("credentials in the URL") << projector + "[mqtt]\nbroker = mqtt://u:p@b\n"
                                                << "b.conf:4: broker must be";
        QTest::newRow("TLS files without TLS") << projector + "[mqtt]\nbroker = mqtt://b\nca-file = /c\n"
                                               << "b.conf:5: TLS files need an mqtts:// broker";
        QTest::newRow("certificate without key") << projector + "[mqtt]\nbroker = mqtts://b\ncert-file = /a\n"
                                                 << "b.conf:5: a client certificate needs both";
        QTest::newRow("password without user") << projector + "[mqtt]\nbroker = mqtt://b\npassword-file = /p\n"
                                               << "b.conf:5: a password-file needs a username";
        QTest::newRow("wildcard prefix") << projector + "[mqtt]\nbroker = mqtt://b\ntopic-prefix = a/#\n"
                                         << "b.conf:5: topic-prefix must be topic levels";
        QTest::newRow("client id with a slash") << projector + "[mqtt]\nbroker = mqtt://b\nclient-id = a/b\n"
                                                << "b.conf:5: client-id must be";
        QTest::newRow("unknown key") << projector + "[mqtt]\nbroker = mqtt://b\nqos = 2\n"
                                     << "b.conf:5: unknown key qos in [mqtt]";
        QTest::newRow("names meeting in a topic") << projector + "[Room 101]\nport = COM2\npjlink = 4353\n"
                                                                 "[room_101]\nport = COM3\npjlink = 4354\n"
                                                                 "[mqtt]\nbroker = mqtt://b\n"
                                                  << "b.conf:6: [room_101] would have the MQTT topics of [Room 101]";
    }
    void mqttSection()
    {
        QFETCH(QByteArray, text);
        QFETCH(QString, error);
        QString problem;
        const auto sections = BridgeConfig::readSections(QString::fromUtf8(text), QStringLiteral("b.conf"), &problem);
        QVERIFY2(sections, qPrintable(problem));
        const auto configuration = BridgeConfig::configuration(*sections, &problem);
        QVERIFY2(error.isEmpty() ? configuration && configuration->mqtt : problem.startsWith(error), qPrintable(problem));
        if (configuration)
            QCOMPARE(configuration->mqtt->discoveryPrefix, QStringLiteral("homeassistant"));
    }

    void removalsClearEveryConfig()
    {
        const MqttTopics topics(QStringLiteral("rm740"), QStringLiteral("b1"));
        QStringList published;
        for (const auto &message : HomeAssistantDiscovery::configs({"room", "Room", {"Video input"}}, topics,
                                                                   "homeassistant", "b1", "1.0"))
            published.append(message.topic);
        QStringList cleared;
        for (const auto &message : HomeAssistantDiscovery::removals("room", "homeassistant", "b1")) {
            QVERIFY(message.payload.isEmpty());
            cleared.append(message.topic);
        }
        QCOMPARE(cleared, published);
    }
};

QTEST_GUILESS_MAIN(MqttPartsTest)
#include "tst_mqttparts.moc"
