// rm740-bridge scraped by a real Prometheus, its text checked by promtool,
// and rm740ctl's textfile output checked the same way: what only the real
// programs show.
#include "support/bridgeprocess.h"
#include "support/childprocess.h"
#include "support/prometheusserver.h"
#include "support/ser2netserver.h"
#include "support/simulatorprocess.h"

#include <QFile>
#include <QTemporaryDir>
#include <QTest>

#include <csignal>
#include <memory>

namespace {

constexpr double LampSeconds = 123 * 3600.0;  // the simulator's lamp hours

} // namespace

class MetricsTest : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase()
    {
        QVERIFY(m_dir.isValid());
        for (int i = 0; i < 3; ++i) {
            m_simulators.push_back(std::make_unique<SimulatorProcess>());
            m_simulators.back()->startInTest(m_dir.filePath(QStringLiteral("projector%1").arg(i + 1)), {});
        }
        m_metricsPort = freeLoopbackPort();
        m_webPort = freeLoopbackPort();
        const QString config = m_dir.filePath(QStringLiteral("bridge.conf"));
        QFile file(config);
        QVERIFY(file.open(QIODevice::WriteOnly));
        // Polled every second, a silent projector is found out at the next poll.
        file.write(QStringLiteral("[Room 101]\nport = %1\npjlink = 127.0.0.1:%2\npoll-interval = 1\nreply-timeout = 200\n"
                                  "lamp-life = 3000\n\n"
                                  "[Room 102]\nport = %3\npjlink = 127.0.0.1:%4\npoll-interval = 1\nreply-timeout = 200\n\n"
                                  "[metrics]\nlisten = 127.0.0.1:%5\n\n[web]\nlisten = 127.0.0.1:%6\n")
                       .arg(m_simulators[0]->link()).arg(freeLoopbackPort())
                       .arg(m_simulators[1]->link()).arg(freeLoopbackPort())
                       .arg(m_metricsPort).arg(m_webPort)
                       .toUtf8());
        file.close();
        QVERIFY2(m_bridge.start({QStringLiteral("--config"), config}), qPrintable(m_bridge.errorString()));
        QVERIFY2(m_bridge.waitForLog("the metrics on"), m_bridge.log());
        QVERIFY2(m_prometheus.start({QStringLiteral("127.0.0.1:%1").arg(m_metricsPort)}),
                 qPrintable(m_prometheus.errorString()));
    }

    void cleanupTestCase()
    {
        // A stopped simulator goes on, so it can end as asked.
        for (auto &simulator : m_simulators) {
            if (simulator->process().state() != QProcess::NotRunning)
                ::kill(pid_t(simulator->process().processId()), SIGCONT);
        }
        m_prometheus.stop();
        m_bridge.stop();
        for (auto &simulator : m_simulators)
            simulator->stopAfterTest();
    }

    void prometheusReadsBothProjectors_data()
    {
        QTest::addColumn<QString>("expression");
        QTest::addColumn<double>("value");
        QTest::newRow("scraped") << "up{job=\"rm740\"}" << 1.0;
        for (const char *room : {"Room 101", "Room 102"}) {
            QTest::addRow("%s lamp", room) << QStringLiteral("rm740_projector_lamp_seconds{projector=\"%1\"}").arg(room)
                                           << LampSeconds;
            QTest::addRow("%s standby", room)
                << QStringLiteral("rm740_projector_power_state{projector=\"%1\",state=\"standby\"}").arg(room) << 1.0;
            QTest::addRow("%s not on", room)
                << QStringLiteral("rm740_projector_power_state{projector=\"%1\",state=\"on\"}").arg(room) << 0.0;
            QTest::addRow("%s line up", room)
                << QStringLiteral("rm740_projector_line_up{projector=\"%1\"}").arg(room) << 1.0;
        }
        QTest::newRow("lamp life used") << "rm740_projector_lamp_seconds / rm740_projector_lamp_rated_seconds"
                                        << 123 / 3000.0;
    }

    void prometheusReadsBothProjectors()
    {
        QFETCH(QString, expression);
        QFETCH(double, value);
        // Prometheus scrapes every second once it is up; the first scrapes may come before the first poll.
        QTRY_COMPARE_WITH_TIMEOUT(m_prometheus.value(expression), std::optional<double>(value), 30000);
    }

    void promtoolAcceptsTheText_data()
    {
        QTest::addColumn<QString>("source");
        QTest::newRow("the metrics' listener") << "metrics";
        QTest::newRow("the web page's listener") << "web";
        QTest::newRow("rm740ctl") << "rm740ctl";
    }

    void promtoolAcceptsTheText()
    {
        QFETCH(QString, source);
        QByteArray text;
        if (source == u"rm740ctl") {
            const auto ctl = ChildProcess::run(QStringLiteral(RM740CTL_PATH),
                                               {"--port", m_simulators[2]->link(), "--format", "prometheus", "status",
                                                "lamp-time", "temperatures"});
            QCOMPARE(ctl.exitCode, 0);
            text = ctl.output;
            QVERIFY2(text.contains(QByteArray("rm740_projector_lamp_seconds{projector=\"") + m_simulators[2]->link().toUtf8()
                                   + "\"} 442800\n"), text);
        } else {
            text = httpGet(QStringLiteral("http://127.0.0.1:%1/metrics").arg(source == u"web" ? m_webPort : m_metricsPort))
                       .value_or(QByteArray());
            QVERIFY2(text.contains("rm740_projector_power_state{projector=\"Room 102\",state=\"standby\"} 1\n"), text);
        }
        const auto promtool = ChildProcess::run(QStringLiteral(RM740_PROMTOOL_PATH), {"check", "metrics"}, text);
        QVERIFY2(promtool.exitCode == 0, promtool.output + "\n" + text);
    }

    void aSilentProjectorGoesDown()
    {
        // Stopped, the simulator keeps its line open and answers nothing.
        QCOMPARE(::kill(pid_t(m_simulators[1]->process().processId()), SIGSTOP), 0);
        QTRY_COMPARE_WITH_TIMEOUT(m_prometheus.value(QStringLiteral("rm740_projector_line_up{projector=\"Room 102\"}")),
                                  std::optional<double>(0), 30000);
        QCOMPARE(m_prometheus.value(QStringLiteral("rm740_projector_line_up{projector=\"Room 101\"}")), std::optional<double>(1));
        QVERIFY(m_prometheus.value(QStringLiteral("rm740_exchanges_total{projector=\"Room 102\",outcome=\"no-reply\"}"))
                    .value_or(0) >= 1);
    }

private:
    QTemporaryDir m_dir;
    std::vector<std::unique_ptr<SimulatorProcess>> m_simulators;
    BridgeProcess m_bridge;
    PrometheusServer m_prometheus;
    quint16 m_metricsPort = 0;
    quint16 m_webPort = 0;
};

QTEST_GUILESS_MAIN(MetricsTest)
#include "tst_metrics.moc"
