// The real program against the simulated projector: the rm740-sim process
// over its pseudo-terminal, once for each awkward device, and the read
// buttons against the same model in-process.

#include "link/module1.h"
#include "exchange/exchange.h"
#include "link/mscomm.h"
#include "panel/form1.h"
#include "support/fakeprojector.h"
#include "support/simulatorprocess.h"
#include "support/panelfixture.h"
#include "support/testsettings.h"

#include <QFileInfo>
#include <QProcess>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>

#include <memory>

using namespace std::chrono_literals;

namespace {

constexpr int StartTimeoutMs = SimulatorProcess::StartTimeoutMs;
constexpr int ReplyTimeoutMs = 10000;

} // namespace

class SimulatorTest : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase()
    {
        TestSettings::useTemporaryStore();
        QVERIFY(m_folder.isValid());
        QVERIFY2(QFileInfo(SimulatorProcess::program()).isExecutable(),
                 qPrintable(SimulatorProcess::program()));
    }

    void init() { TestSettings::clear(); }

    void cleanup()
    {
        m_panel.reset();
        m_projector.reset();
        m_simulator.stopAfterTest();
    }

    // --- the rm740-sim process ----------------------------------------------------

    void powerOnWaitsOutTheWarmUpThenStatusReadsPowerOn()
    {
        startSimulatorOnCom1({"--warmup", "3"});
        QVERIFY(m_panel.startOnCom1());

        m_panel.click("Power", "On");
        QTRY_COMPARE_WITH_TIMEOUT(m_panel.rxd(), QStringLiteral("  [ACK] "), ReplyTimeoutMs);
        m_panel.click("Status");
        QTRY_COMPARE_WITH_TIMEOUT(m_panel.status(), QStringLiteral(" Count down"), ReplyTimeoutMs);

        // Ask again until the warm-up is over.
        QTimer poll;
        connect(&poll, &QTimer::timeout, this, [this] { m_panel.click("Status"); });
        poll.start(300);
        QTRY_COMPARE_WITH_TIMEOUT(m_panel.status(), QStringLiteral(" Power ON"), 30000);
        poll.stop();

        const QByteArray log = m_simulator.log();
        QVERIFY2(log.contains("C00[CR]  ->  [ACK]\n"), log);
        QVERIFY2(log.contains("CR0[CR]  ->  40[CR]\n"), log);
        QVERIFY2(log.contains("CR0[CR]  ->  00[CR]\n"), log);
    }

    void aReplyThatDribblesInIsReadWhole()
    {
        startSimulatorOnCom1({"--split"});
        QVERIFY(m_panel.startOnCom1());
        m_panel.form().exchange().setIntervals({5000, 6000});
        m_panel.click("Lamp Time");
        QTRY_COMPARE_WITH_TIMEOUT(m_panel.rxd(), QStringLiteral(" 0 0 1 2 3  [CR] "),
                                  ReplyTimeoutMs);
        QCOMPARE(m_panel.status(), QStringLiteral("     1 2 3   Hour Use"));
        QVERIFY(m_simulator.log().contains("CR3[CR]  ->  00123[CR]  (a byte at a time)"));
    }

    void aDelayedReplyStillArrives()
    {
        startSimulatorOnCom1({"--delay", "400"});
        QVERIFY(m_panel.startOnCom1());
        m_panel.click("Lamp Status");
        QTRY_COMPARE_WITH_TIMEOUT(m_panel.status(), QStringLiteral(" Lamp is OFF"), ReplyTimeoutMs);
        QVERIFY(m_simulator.log().contains("(after 400 ms)"));
    }

    void aSilentDeviceShowsTheNoReplyMark()
    {
        startSimulatorOnCom1({"--silent"});
        QVERIFY(m_panel.startOnCom1());
        m_panel.click("Status");
        QTRY_COMPARE_WITH_TIMEOUT(m_panel.rxd(), QStringLiteral(" X X X X"), ReplyTimeoutMs);
        QCOMPARE(m_panel.status(), QString());
    }

    void noiseComesAfterTheReply()
    {
        startSimulatorOnCom1({"--noise", "--seed", "5"});
        QVERIFY(m_panel.startOnCom1());
        m_panel.form().exchange().setIntervals({5000, 6000});
        m_panel.click("Status");
        // The reply, then the noise after it on the RxD line.
        const QString reply = QStringLiteral(" 8 0  [CR] ");
        QTRY_VERIFY_WITH_TIMEOUT(m_panel.rxd().size() > reply.size(), ReplyTimeoutMs);
        QVERIFY2(m_panel.rxd().startsWith(reply), qPrintable(m_panel.rxd()));
        QCOMPARE(m_panel.status(), QStringLiteral(" Stand by"));
    }

    void aFloodFillsTheReceiveBufferToItsBound()
    {
        startSimulatorOnCom1({"--flood", "--seed", "9"});
        QVERIFY(m_panel.startOnCom1());
        QTRY_COMPARE_WITH_TIMEOUT(m_panel.form().exchange().receiveBuffer().size(), 32767, 60000);
        // The window still sends while the stream goes on.
        m_panel.click("Status");
        QTRY_VERIFY_WITH_TIMEOUT(m_simulator.log().contains("CR0[CR]  ->  80[CR]"),
                                 ReplyTimeoutMs);
    }

    void theDeviceGoesAwayAfterTheGivenNumberOfFrames()
    {
        startSimulatorOnCom1({"--drop-after", "2"});
        QVERIFY(m_panel.startOnCom1());
        QSignalSpy lost(&m_panel.comm(), &MSComm::deviceLost);
        m_panel.click("Power", "On");
        QTRY_COMPARE_WITH_TIMEOUT(m_panel.rxd(), QStringLiteral("  [ACK] "), ReplyTimeoutMs);
        QVERIFY(m_panel.comm().PortOpen());
        m_panel.click("Status");
        QTRY_VERIFY_WITH_TIMEOUT(!m_panel.comm().PortOpen(), ReplyTimeoutMs);
        QCOMPARE(lost.count(), 1);
        QTRY_COMPARE_WITH_TIMEOUT(m_simulator.process().state(), QProcess::NotRunning, ReplyTimeoutMs);
        QVERIFY(!QFileInfo::exists(m_link) && !QFileInfo(m_link).isSymLink());
    }

    void stoppingTheSimulatorRemovesItsLink()
    {
        startSimulatorOnCom1({});
        if (QTest::currentTestFailed())
            return;
        QProcess &process = m_simulator.process();
        process.terminate();
        QVERIFY(process.waitForFinished(StartTimeoutMs));
        QCOMPARE(process.exitStatus(), QProcess::NormalExit);
        QCOMPARE(process.exitCode(), 0);
        QVERIFY(!QFileInfo(m_link).isSymLink());
    }

    void badOptionsAreRefused()
    {
        QProcess process;
        process.start(SimulatorProcess::program(), {"--drop-after", "none"});
        QVERIFY(process.waitForFinished(StartTimeoutMs));
        QCOMPARE(process.exitCode(), 2);
        QVERIFY(process.readAllStandardError().contains("--drop-after none"));
    }

    // --- the same model in-process -------------------------------------------------

    void eachReadButtonIsInterpreted_data()
    {
        QTest::addColumn<QString>("button");
        QTest::addColumn<QString>("status");
        QTest::newRow("Status") << "Status" << " Stand by";
        QTest::newRow("Input Mode") << "Input Mode" << " Input 1";
        QTest::newRow("Setting") << "Setting" << " Normally";
        QTest::newRow("Lamp Time") << "Lamp Time" << "     1 2 3   Hour Use";
        QTest::newRow("Temp") << "Temp" << " 0 2 5 . 0 deg C 0 2 6 . 5 deg C 0 2 8 . 0 deg C ";
        QTest::newRow("Lamp Status") << "Lamp Status" << " Lamp is OFF";
        QTest::newRow("Lamp Mode") << "Lamp Mode" << " Lamp Mode is NORMAL";
    }
    void eachReadButtonIsInterpreted()
    {
        QFETCH(QString, button);
        QFETCH(QString, status);
        QVERIFY(FakeProjector::openFresh(m_projector));
        m_projector->emulateProjector();
        TestSettings::mapPort(1, m_projector->devicePath());
        QVERIFY(m_panel.startOnCom1());
        m_panel.form().setFullView(true);
        m_panel.click(button);
        QTRY_COMPARE_WITH_TIMEOUT(m_panel.status(), status, ReplyTimeoutMs);
    }

    void theFakeProjectorKeepsTheModelsState()
    {
        QVERIFY(FakeProjector::openFresh(m_projector));
        const ProjectorModel &model = m_projector->emulateProjector({0ms, 0ms});
        TestSettings::mapPort(1, m_projector->devicePath());
        QVERIFY(m_panel.startOnCom1());
        m_panel.form().setFullView(true);
        m_panel.click("Video Mute", "On");
        QTRY_COMPARE_WITH_TIMEOUT(model.setting("VMUTE"), QByteArray("ON"), ReplyTimeoutMs);
        m_panel.click("Power", "On");
        QTRY_COMPARE_WITH_TIMEOUT(model.setting("POWER"), QByteArray("ON"), ReplyTimeoutMs);
        m_panel.click("Lamp Status");
        QTRY_COMPARE_WITH_TIMEOUT(m_panel.status(), QStringLiteral(" Lamp is ON"), ReplyTimeoutMs);
    }

private:
    void startSimulatorOnCom1(const QStringList &options)
    {
        // COM1 through a link of its own for each run: one left by an earlier
        // run is never in the way.
        static int started = 0;
        m_link = m_folder.filePath(QStringLiteral("rm740-sim-%1").arg(++started));
        m_simulator.startInTest(m_link, options);
        TestSettings::mapPort(1, m_link);
    }

    QTemporaryDir m_folder;
    QString m_link;
    SimulatorProcess m_simulator;
    std::unique_ptr<FakeProjector> m_projector;
    PanelFixture m_panel;
};

QTEST_MAIN(SimulatorTest)
#include "tst_simulator.moc"
