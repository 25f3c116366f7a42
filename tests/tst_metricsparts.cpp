// The metrics' parts: the projector's families from its state, the process
// figures from /proc's text, the reply-time buckets, the scrape's password.
#include "bridge/metrics/bridgemetrics.h"
#include "bridge/metrics/metricsserver.h"
#include "bridge/metrics/processfamilies.h"
#include "bridge/metrics/projectorfamilies.h"

#include <prometheus/text_serializer.h>

#include <QTest>

using Reading = ProjectorReadings::Reading;

namespace {

QByteArray textOf(const ProjectorFamilies::Sample &sample)
{
    return QByteArray::fromStdString(prometheus::TextSerializer().Serialize(ProjectorFamilies::families({sample})));
}

} // namespace

class MetricsPartsTest : public QObject
{
    Q_OBJECT

private slots:
    void projectorFamiliesFromTheState_data()
    {
        QTest::addColumn<Reading>("reading");
        QTest::addColumn<QByteArray>("reply");
        QTest::addColumn<QByteArrayList>("lines");
        const auto power = [](const char *state) {
            return QByteArray("rm740_projector_power_state{projector=\"r\",state=\"") + state + "\"} 1";
        };
        QTest::newRow("on") << Reading::Status << QByteArray("00\r") << QByteArrayList{power("on")};
        QTest::newRow("standby") << Reading::Status << QByteArray("80\r") << QByteArrayList{power("standby")};
        QTest::newRow("warming") << Reading::Status << QByteArray("40\r") << QByteArrayList{power("warming")};
        QTest::newRow("cooling, too hot")
            << Reading::Status << QByteArray("28\r")
            << QByteArrayList{power("cooling"), "rm740_projector_fault{projector=\"r\",kind=\"temperature\"} 2"};
        QTest::newRow("lamp in seconds") << Reading::LampHours << QByteArray("00123\r")
                                         << QByteArrayList{"rm740_projector_lamp_seconds{projector=\"r\"} 442800"};
        QTest::newRow("a sensor unread")
            << Reading::Temperatures << QByteArray("025.0 -----  40.5\r")
            << QByteArrayList{"rm740_projector_temperature_celsius{projector=\"r\",sensor=\"1\"} 25",
                              "rm740_projector_temperature_celsius{projector=\"r\",sensor=\"3\"} 40.5"};
        QTest::newRow("input") << Reading::Input << QByteArray("5\r")
                               << QByteArrayList{"rm740_projector_input{projector=\"r\"} 5"};
    }

    void projectorFamiliesFromTheState()
    {
        QFETCH(Reading, reading);
        QFETCH(QByteArray, reply);
        QFETCH(QByteArrayList, lines);
        ProjectorState state;
        state.record(reading, ProjectorState::Time(0), reply);
        const QByteArray text = textOf({"r", &state, true, true, 0, 70});
        for (const QByteArray &line : lines)
            QVERIFY2(text.contains(line + '\n'), text);
        // One power state at a time.
        QVERIFY2(text.count("state=") == 0 || text.count("} 1\n") >= 1, text);
    }

    void nothingKnownWritesNoReading()
    {
        ProjectorState state;
        state.record(Reading::LampHours, ProjectorState::Time(0), std::nullopt);
        const QByteArray text = textOf({"r", &state, false, true, 2000, 70});
        QCOMPARE(text.count("\nrm740_projector_"), 3);  // port open, line up and the rated life
        QVERIFY2(text.contains("rm740_projector_line_up{projector=\"r\"} 0\n"), text);
        QVERIFY2(text.contains("rm740_projector_lamp_rated_seconds{projector=\"r\"} 7200000\n"), text);
    }

    void processFiguresFromProc_data()
    {
        QTest::addColumn<QByteArray>("stat");
        QTest::addColumn<QByteArray>("systemStat");
        QTest::addColumn<bool>("read");
        const QByteArray stat = "42 (rm740 bridge) S 1 42 42 0 -1 4194560 100 0 0 0 250 50 0 0 20 0 3 0 1000 "
                                "123456 2000 18446744073709551615\n";
        QTest::newRow("the kernel's form") << stat << QByteArray("cpu 1 2 3\nbtime 1700000000\n") << true;
        QTest::newRow("no btime") << stat << QByteArray("cpu 1 2 3\n") << false;
        QTest::newRow("cut short") << QByteArray("42 (x) S 1 2") << QByteArray("btime 1\n") << false;
        QTest::newRow("no command") << QByteArray("42 x S") << QByteArray("btime 1\n") << false;
    }

    void processFiguresFromProc()
    {
        QFETCH(QByteArray, stat);
        QFETCH(QByteArray, systemStat);
        QFETCH(bool, read);
        const auto figures = ProcessFamilies::read(stat, systemStat, 100, 4096, 7);
        QCOMPARE(figures.has_value(), read);
        if (!read)
            return;
        QCOMPARE(figures->cpuSeconds, 3.0);
        QCOMPARE(figures->residentBytes, 2000.0 * 4096);
        QCOMPARE(figures->startTimeSeconds, 1700000010.0);
        QCOMPARE(figures->openFds, 7.0);
    }

    void replyBucketsReachTheWindow_data()
    {
        QTest::addColumn<int>("windowMs");
        QTest::addColumn<double>("last");
        QTest::newRow("one second") << 1000 << 1.0;
        QTest::newRow("ten seconds") << 10000 << 10.0;
        QTest::newRow("a short window") << 200 << 1.0;
    }

    void replyBucketsReachTheWindow()
    {
        QFETCH(int, windowMs);
        QFETCH(double, last);
        const std::vector<double> buckets = BridgeMetrics::replyBuckets(std::chrono::milliseconds(windowMs));
        QCOMPARE(buckets.front(), 0.002);
        QCOMPARE(buckets.back(), last);
        QVERIFY(std::is_sorted(buckets.begin(), buckets.end()));
    }

    void aScrapeShowsWhatWasCountedSinceTheLast()
    {
        BridgeMetrics metrics({}, QStringLiteral("1.0"));
        for (int counted = 0; counted < 3; ++counted) {
            const QByteArray text = metrics.scrape();
            QVERIFY2(text.contains("rm740_wrong_passwords_total{front=\"web\"} " + QByteArray::number(counted) + "\n")
                         && text.endsWith("rm740_build_info{version=\"1.0\"} 1\n"), text);
            metrics.countWrongPassword("web");
        }
    }

    void scrapePassword_data()
    {
        QTest::addColumn<QByteArray>("authorization");
        QTest::addColumn<bool>("authorizes");
        QTest::newRow("basic, any user") << "Basic " + QByteArray("prometheus:horse").toBase64() << true;
        QTest::newRow("bearer") << QByteArray("Bearer horse") << true;
        QTest::newRow("the scheme in lower case") << "basic " + QByteArray("prometheus:horse").toBase64() << true;
        QTest::newRow("wrong") << "Basic " + QByteArray("prometheus:hors").toBase64() << false;
        QTest::newRow("no user part") << "Basic " + QByteArray("horse").toBase64() << false;
        QTest::newRow("none") << QByteArray() << false;
        QTest::newRow("another scheme") << QByteArray("Digest horse") << false;
    }

    void scrapePassword()
    {
        QFETCH(QByteArray, authorization);
        QTEST(MetricsServer::authorizes(authorization, "horse"), "authorizes");
    }
};

QTEST_GUILESS_MAIN(MetricsPartsTest)
#include "tst_metricsparts.moc"
