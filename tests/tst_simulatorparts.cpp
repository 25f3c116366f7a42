// The simulator's parts that need no device: cutting frames, the command
// line, the awkward-device policy and the exchange log.

#include "sim/exchangelog.h"
#include "sim/framesplitter.h"
#include "sim/linebehaviour.h"
#include "sim/simulatoroptions.h"

#include <QSet>
#include <QTest>

using namespace std::chrono_literals;
using Delivery = LineBehaviour::Delivery;

Q_DECLARE_METATYPE(QList<Delivery>)
Q_DECLARE_METATYPE(SimulatorOptions::Listening)

namespace QTest {
template <>
char *toString(const Delivery &d)
{
    return qstrdup(QByteArray::number(d.after.count()) + "ms:" + d.bytes.toHex(' ')
                   + (d.noise ? " (noise)" : ""));
}
} // namespace QTest

class SimulatorPartsTest : public QObject
{
    Q_OBJECT

private slots:
    // --- frames ---------------------------------------------------------------

    void framesEndAtEachCarriageReturn_data()
    {
        QTest::addColumn<QByteArrayList>("chunks");
        QTest::addColumn<QByteArrayList>("frames");
        QTest::addColumn<QByteArray>("partial");

        QTest::newRow("one") << QByteArrayList{"C00\r"} << QByteArrayList{"C00"} << QByteArray();
        QTest::newRow("two in one chunk")
            << QByteArrayList{"C00\rCR0\r"} << QByteArrayList{"C00", "CR0"} << QByteArray();
        QTest::newRow("in pieces")
            << QByteArrayList{"C", "R LAMP", "STS\rC0"} << QByteArrayList{"CR LAMPSTS"} << QByteArray("C0");
        QTest::newRow("LF after CR dropped")
            << QByteArrayList{"CR0\r\n", "CR1\r\n"} << QByteArrayList{"CR0", "CR1"} << QByteArray();
        QTest::newRow("LF inside dropped")
            << QByteArrayList{"C\n00\r"} << QByteArrayList{"C00"} << QByteArray();
        QTest::newRow("LF alone is no frame") << QByteArrayList{"C00\n"} << QByteArrayList{} << QByteArray("C00");
        QTest::newRow("empty frame") << QByteArrayList{"\r"} << QByteArrayList{""} << QByteArray();
        QTest::newRow("other controls kept")
            << QByteArrayList{QByteArray("\x01\0A\r", 4)} << QByteArrayList{QByteArray("\x01\0A", 3)}
            << QByteArray();
    }
    void framesEndAtEachCarriageReturn()
    {
        QFETCH(QByteArrayList, chunks);
        QFETCH(QByteArrayList, frames);
        QFETCH(QByteArray, partial);
        FrameSplitter splitter;
        QByteArrayList got;
        for (const QByteArray &chunk : chunks)
            got += splitter.take(chunk);
        QCOMPARE(got, frames);
        QCOMPARE(splitter.partial(), partial);
    }

    void aFrameWithoutEndIsCutShort()
    {
        FrameSplitter splitter;
        for (int i = 0; i < 100; ++i)
            QVERIFY(splitter.take(QByteArray(1000, 'A')).isEmpty());
        QCOMPARE(splitter.partial().size(), FrameSplitter::MaxFrameLength);
        const QByteArrayList frames = splitter.take("\rC00\r");
        QCOMPARE(frames.size(), 2);
        QCOMPARE(frames[0], QByteArray(FrameSplitter::MaxFrameLength, 'A'));
        QCOMPARE(frames[1], QByteArray("C00"));
    }

    // --- command line -------------------------------------------------------------

    void readsTheCommandLine()
    {
        const SimulatorCommandLine line = parseSimulatorCommandLine(
            {"rm740-sim", "--link", "/tmp/p", "--warmup", "0.5", "--cooldown", "2", "--delay", "300",
             "--split", "--silent", "--noise", "--flood", "--drop-after", "4", "--seed", "7"});
        QCOMPARE(line.error, QString());
        const SimulatorOptions &o = line.options;
        QCOMPARE(o.link, QStringLiteral("/tmp/p"));
        QCOMPARE(o.timing.warmUp, 500ms);
        QCOMPARE(o.timing.coolDown, 2000ms);
        QCOMPARE(o.delay, 300ms);
        QVERIFY(o.split && o.silent && o.noise && o.flood);
        QCOMPARE(o.dropAfter, 4);
        QCOMPARE(o.seed, 7u);
    }

    void defaultsAreAWellBehavedDevice()
    {
        const SimulatorCommandLine line = parseSimulatorCommandLine({"rm740-sim"});
        QCOMPARE(line.error, QString());
        QVERIFY(!line.helpRequested);
        const SimulatorOptions &o = line.options;
        QVERIFY(o.link.isEmpty());
        QCOMPARE(o.timing.warmUp, 3000ms);
        QCOMPARE(o.timing.coolDown, 3000ms);
        QCOMPARE(o.delay, 0ms);
        QVERIFY(!o.split && !o.silent && !o.noise && !o.flood);
        QCOMPARE(o.dropAfter, 0);
    }

    void rejectsWhatItCannotUse_data()
    {
        QTest::addColumn<QStringList>("arguments");
        QTest::newRow("negative warm-up") << QStringList{"--warmup", "-1"};
        QTest::newRow("warm-up not a number") << QStringList{"--warmup", "soon"};
        QTest::newRow("cool-down endless") << QStringList{"--cooldown", "inf"};
        QTest::newRow("delay in seconds") << QStringList{"--delay", "0.5"};
        QTest::newRow("negative delay") << QStringList{"--delay", "-5"};
        QTest::newRow("drop after nothing") << QStringList{"--drop-after", "0"};
        QTest::newRow("seed not a number") << QStringList{"--seed", "x"};
        QTest::newRow("unknown option") << QStringList{"--loud"};
        QTest::newRow("missing value") << QStringList{"--link"};
        QTest::newRow("stray argument") << QStringList{"COM1"};
        QTest::newRow("port 0") << QStringList{"--tcp", "0"};
        QTest::newRow("port too big") << QStringList{"--rfc2217", "65536"};
        QTest::newRow("a host name, not an address") << QStringList{"--tcp", "localhost:4001"};
        QTest::newRow("IPv6 without brackets") << QStringList{"--tcp", "::1:4001"};
        QTest::newRow("both network ports") << QStringList{"--tcp", "4001", "--rfc2217", "2217"};
        QTest::newRow("a link to a network port") << QStringList{"--link", "/tmp/p", "--tcp", "4001"};
    }

    void listensOnTheNetworkWhenAsked_data()
    {
        QTest::addColumn<QStringList>("arguments");
        QTest::addColumn<SimulatorOptions::Listening>("listening");
        QTest::addColumn<QString>("address");
        QTest::addColumn<int>("port");
        QTest::newRow("not at all") << QStringList{} << SimulatorOptions::Listening::None << "127.0.0.1" << 0;
        QTest::newRow("raw TCP on loopback")
            << QStringList{"--tcp", "4001"} << SimulatorOptions::Listening::RawTcp << "127.0.0.1" << 4001;
        QTest::newRow("RFC 2217 on every address")
            << QStringList{"--rfc2217", "0.0.0.0:2217"} << SimulatorOptions::Listening::Rfc2217 << "0.0.0.0" << 2217;
        QTest::newRow("IPv6 loopback")
            << QStringList{"--tcp", "[::1]:4001"} << SimulatorOptions::Listening::RawTcp << "::1" << 4001;
    }
    void listensOnTheNetworkWhenAsked()
    {
        QFETCH(QStringList, arguments);
        QFETCH(SimulatorOptions::Listening, listening);
        QFETCH(QString, address);
        QFETCH(int, port);
        const SimulatorCommandLine line = parseSimulatorCommandLine(QStringList{"rm740-sim"} + arguments);
        QCOMPARE(line.error, QString());
        QCOMPARE(line.options.listening, listening);
        QCOMPARE(line.options.listenAddress, address);
        QCOMPARE(int(line.options.listenPort), port);
    }
    void rejectsWhatItCannotUse()
    {
        QFETCH(QStringList, arguments);
        arguments.prepend("rm740-sim");
        const SimulatorCommandLine line = parseSimulatorCommandLine(arguments);
        QVERIFY(!line.error.isEmpty());
        QVERIFY(line.helpText.contains("--drop-after"));
    }

    // --- awkward devices ------------------------------------------------------------

    void repliesAreShapedByTheOptions_data()
    {
        QTest::addColumn<QStringList>("arguments");
        QTest::addColumn<QByteArray>("reply");
        QTest::addColumn<QList<Delivery>>("deliveries");

        QTest::newRow("plain") << QStringList{} << QByteArray("80\r") << QList<Delivery>{{0ms, "80\r"}};
        QTest::newRow("delay") << QStringList{"--delay", "250"} << QByteArray("\x06")
                               << QList<Delivery>{{250ms, "\x06"}};
        QTest::newRow("split") << QStringList{"--split"} << QByteArray("00\r")
                               << QList<Delivery>{{0ms, "0"}, {20ms, "0"}, {40ms, "\r"}};
        QTest::newRow("delay and split")
            << QStringList{"--delay", "100", "--split"} << QByteArray("1\r")
            << QList<Delivery>{{100ms, "1"}, {120ms, "\r"}};
        QTest::newRow("silent") << QStringList{"--silent"} << QByteArray("80\r") << QList<Delivery>{};
        QTest::newRow("silent wins over noise")
            << QStringList{"--silent", "--noise"} << QByteArray("80\r") << QList<Delivery>{};
    }
    void repliesAreShapedByTheOptions()
    {
        QFETCH(QStringList, arguments);
        QFETCH(QByteArray, reply);
        QFETCH(QList<Delivery>, deliveries);
        LineBehaviour behaviour(options(arguments));
        QCOMPARE(behaviour.deliveries(reply), deliveries);
    }

    void noiseFollowsEachReply()
    {
        LineBehaviour behaviour(options({"--noise", "--delay", "50", "--seed", "11"}));
        QByteArrayList bursts;
        for (int i = 0; i < 50; ++i) {
            const QList<Delivery> d = behaviour.deliveries("00\r");
            QCOMPARE(d.size(), 2);
            QCOMPARE(d[0], (Delivery{50ms, "00\r"}));
            QVERIFY(d[1].noise);
            QCOMPARE(d[1].after, 50ms + LineBehaviour::NoiseGap);
            QVERIFY(d[1].bytes.size() >= 1 && d[1].bytes.size() <= LineBehaviour::MaxNoiseBytes);
            bursts.append(d[1].bytes);
        }
        // Random, yet the same again for the same seed.
        LineBehaviour again(options({"--noise", "--seed", "11"}));
        QCOMPARE(again.deliveries("00\r").at(1).bytes, bursts.first());
        QVERIFY(QSet<QByteArray>(bursts.begin(), bursts.end()).size() > 10);
    }

    void floodChunksKeepComing()
    {
        LineBehaviour behaviour(options({"--flood", "--seed", "3"}));
        const QByteArray a = behaviour.floodChunk();
        const QByteArray b = behaviour.floodChunk();
        QCOMPARE(a.size(), LineBehaviour::FloodChunkBytes);
        QCOMPARE(b.size(), LineBehaviour::FloodChunkBytes);
        QVERIFY(a != b);
    }

    void hangsUpAfterTheGivenNumberOfFrames()
    {
        LineBehaviour behaviour(options({"--drop-after", "3"}));
        QVERIFY(!behaviour.countFrame());
        QVERIFY(!behaviour.countFrame());
        QVERIFY(!behaviour.hungUp());
        QVERIFY(behaviour.countFrame());
        QVERIFY(behaviour.hungUp());
        QVERIFY(!behaviour.countFrame());  // only once

        LineBehaviour never(options({}));
        for (int i = 0; i < 1000; ++i)
            QVERIFY(!never.countFrame());
        QVERIFY(!never.hungUp());
    }

    // --- the log --------------------------------------------------------------------

    void controlCharactersAreSpelledOut_data()
    {
        QTest::addColumn<QByteArray>("bytes");
        QTest::addColumn<QString>("text");
        QTest::newRow("plain") << QByteArray("CR LAMPSTS") << "CR LAMPSTS";
        QTest::newRow("ack") << QByteArray("\x06") << "[ACK]";
        QTest::newRow("reply") << QByteArray("00\r") << "00[CR]";
        QTest::newRow("nul") << QByteArray("\0", 1) << "[NUL]";
        QTest::newRow("lf tab esc") << QByteArray("\n\t\x1b") << "[LF][HT][ESC]";
        QTest::newRow("us") << QByteArray("\x1f") << "[US]";
        QTest::newRow("tilde and del") << QByteArray("~\x7f") << "~[DEL]";
        QTest::newRow("high bytes") << QByteArray("\x80\xff\x9b") << "[x80][xFF][x9B]";
    }
    void controlCharactersAreSpelledOut()
    {
        QFETCH(QByteArray, bytes);
        QFETCH(QString, text);
        QCOMPARE(ExchangeLog::spellOut(bytes), text);
    }

    void oneLineAFrameWithATimeStamp()
    {
        const QTime t(13, 4, 5, 67);
        QCOMPARE(ExchangeLog::frameLine(t, "CR0", ExchangeLog::spellOut("80\r")),
                 QStringLiteral("13:04:05.067  CR0[CR]  ->  80[CR]"));
        QCOMPARE(ExchangeLog::eventLine(t, QStringLiteral("hung up")),
                 QStringLiteral("13:04:05.067  -- hung up"));
    }

private:
    static SimulatorOptions options(QStringList arguments)
    {
        arguments.prepend("rm740-sim");
        const SimulatorCommandLine line = parseSimulatorCommandLine(arguments);
        return line.options;
    }
};

QTEST_GUILESS_MAIN(SimulatorPartsTest)
#include "tst_simulatorparts.moc"
