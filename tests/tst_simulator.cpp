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
#include <QLabel>
#include <QProcess>
#include <QPushButton>
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
        if (m_simulator) {
            m_simulator->stop();
            if (QTest::currentTestFailed())
                qWarning().noquote() << "simulator log:\n" << simulatorLog();
            m_simulator.reset();
        }
    }

    // --- the rm740-sim process ----------------------------------------------------

    void powerOnWaitsOutTheWarmUpThenStatusReadsPowerOn()
    {
        startSimulator({"--warmup", "3"});
        openForm();
        if (QTest::currentTestFailed())
            return;

        click("Command17");
        QTRY_COMPARE_WITH_TIMEOUT(line("Label12")->text(), QStringLiteral("  [ACK] "), ReplyTimeoutMs);
        click("Command44");
        QTRY_COMPARE_WITH_TIMEOUT(line("Label25")->text(), QStringLiteral(" Count down"), ReplyTimeoutMs);

        // Ask again until the warm-up is over.
        QTimer poll;
        connect(&poll, &QTimer::timeout, this, [this] { click("Command44"); });
        poll.start(300);
        QTRY_COMPARE_WITH_TIMEOUT(line("Label25")->text(), QStringLiteral(" Power ON"), 30000);
        poll.stop();

        const QByteArray log = simulatorLog();
        QVERIFY2(log.contains("C00[CR]  ->  [ACK]\n"), log);
        QVERIFY2(log.contains("CR0[CR]  ->  40[CR]\n"), log);
        QVERIFY2(log.contains("CR0[CR]  ->  00[CR]\n"), log);
    }

    void aReplyThatDribblesInIsReadWhole()
    {
        startSimulator({"--split"});
        openForm();
        if (QTest::currentTestFailed())
            return;
        m_panel.form().exchange().setIntervals({5000, 6000});
        click("Command46");  // Lamp Time
        QTRY_COMPARE_WITH_TIMEOUT(line("Label12")->text(), QStringLiteral(" 0 0 1 2 3  [CR] "),
                                  ReplyTimeoutMs);
        QCOMPARE(line("Label25")->text(), QStringLiteral("     1 2 3   Hour Use"));
        QVERIFY(simulatorLog().contains("CR3[CR]  ->  00123[CR]  (a byte at a time)"));
    }

    void aDelayedReplyStillArrives()
    {
        startSimulator({"--delay", "400"});
        openForm();
        if (QTest::currentTestFailed())
            return;
        click("Command55");  // Lamp Status
        QTRY_COMPARE_WITH_TIMEOUT(line("Label25")->text(), QStringLiteral(" Lamp is OFF"), ReplyTimeoutMs);
        QVERIFY(simulatorLog().contains("(after 400 ms)"));
    }

    void aSilentDeviceShowsTheNoReplyMark()
    {
        startSimulator({"--silent"});
        openForm();
        if (QTest::currentTestFailed())
            return;
        click("Command44");
        QTRY_COMPARE_WITH_TIMEOUT(line("Label12")->text(), QStringLiteral(" X X X X"), ReplyTimeoutMs);
        QCOMPARE(line("Label25")->text(), QString());
    }

    void noiseComesAfterTheReply()
    {
        startSimulator({"--noise", "--seed", "5"});
        openForm();
        if (QTest::currentTestFailed())
            return;
        m_panel.form().exchange().setIntervals({5000, 6000});
        click("Command44");
        // The reply, then the noise after it on the RxD line.
        const QString reply = QStringLiteral(" 8 0  [CR] ");
        QTRY_VERIFY_WITH_TIMEOUT(line("Label12")->text().size() > reply.size(), ReplyTimeoutMs);
        QVERIFY2(line("Label12")->text().startsWith(reply), qPrintable(line("Label12")->text()));
        QCOMPARE(line("Label25")->text(), QStringLiteral(" Stand by"));
    }

    void aFloodFillsTheReceiveBufferToItsBound()
    {
        startSimulator({"--flood", "--seed", "9"});
        openForm();
        if (QTest::currentTestFailed())
            return;
        QTRY_COMPARE_WITH_TIMEOUT(m_panel.form().exchange().receiveBuffer().size(), 32767, 60000);
        // The window still sends while the stream goes on.
        click("Command44");
        QTRY_VERIFY_WITH_TIMEOUT(simulatorLog().contains("CR0[CR]  ->  80[CR]"),
                                 ReplyTimeoutMs);
    }

    void theDeviceGoesAwayAfterTheGivenNumberOfFrames()
    {
        startSimulator({"--drop-after", "2"});
        openForm();
        if (QTest::currentTestFailed())
            return;
        QSignalSpy lost(&m_panel.form().MSComm1(), &MSComm::deviceLost);
        click("Command17");
        QTRY_COMPARE_WITH_TIMEOUT(line("Label12")->text(), QStringLiteral("  [ACK] "), ReplyTimeoutMs);
        QVERIFY(m_panel.form().MSComm1().PortOpen());
        click("Command44");
        QTRY_VERIFY_WITH_TIMEOUT(!m_panel.form().MSComm1().PortOpen(), ReplyTimeoutMs);
        QCOMPARE(lost.count(), 1);
        QTRY_COMPARE_WITH_TIMEOUT(m_simulator->process().state(), QProcess::NotRunning, ReplyTimeoutMs);
        QVERIFY(!QFileInfo::exists(m_link) && !QFileInfo(m_link).isSymLink());
    }

    void stoppingTheSimulatorRemovesItsLink()
    {
        startSimulator({});
        if (QTest::currentTestFailed())
            return;
        QProcess &process = m_simulator->process();
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
        QTest::newRow("Status") << "Command44" << " Stand by";
        QTest::newRow("Input Mode") << "Command45" << " Input 1";
        QTest::newRow("Setting") << "Command47" << " Normally";
        QTest::newRow("Lamp Time") << "Command46" << "     1 2 3   Hour Use";
        QTest::newRow("Temp") << "Command54" << " 0 2 5 . 0 deg C 0 2 6 . 5 deg C 0 2 8 . 0 deg C ";
        QTest::newRow("Lamp Status") << "Command55" << " Lamp is OFF";
        QTest::newRow("Lamp Mode") << "Command76" << " Lamp Mode is NORMAL";
    }
    void eachReadButtonIsInterpreted()
    {
        QFETCH(QString, button);
        QFETCH(QString, status);
        m_projector = std::make_unique<FakeProjector>();
        QVERIFY(m_projector->open());
        m_projector->emulateProjector();
        TestSettings::mapPort(1, m_projector->devicePath());
        openForm();
        if (QTest::currentTestFailed())
            return;
        m_panel.form().setFullView(true);
        click(button.toLatin1().constData());
        QTRY_COMPARE_WITH_TIMEOUT(line("Label25")->text(), status, ReplyTimeoutMs);
    }

    void theFakeProjectorKeepsTheModelsState()
    {
        m_projector = std::make_unique<FakeProjector>();
        QVERIFY(m_projector->open());
        const ProjectorModel &model = m_projector->emulateProjector({0ms, 0ms});
        TestSettings::mapPort(1, m_projector->devicePath());
        openForm();
        if (QTest::currentTestFailed())
            return;
        m_panel.form().setFullView(true);
        click("Command21");  // video mute on
        QTRY_COMPARE_WITH_TIMEOUT(model.setting("VMUTE"), QByteArray("ON"), ReplyTimeoutMs);
        click("Command17");
        QTRY_COMPARE_WITH_TIMEOUT(model.setting("POWER"), QByteArray("ON"), ReplyTimeoutMs);
        click("Command55");
        QTRY_COMPARE_WITH_TIMEOUT(line("Label25")->text(), QStringLiteral(" Lamp is ON"), ReplyTimeoutMs);
    }

private:
    void startSimulator(const QStringList &options)
    {
        static int started = 0;
        // A link of its own for each run: one left by an earlier run is never in the way.
        m_link = m_folder.filePath(QStringLiteral("rm740-sim-%1").arg(++started));
        m_simulator = std::make_unique<SimulatorProcess>();
        QVERIFY2(m_simulator->start(m_link, options), qPrintable(m_simulator->errorString()));
        TestSettings::mapPort(1, m_link);
    }

    void openForm()
    {
        TestSettings::storeLink(QStringLiteral("1"), QStringLiteral("192"));
        m_panel.startFromTheStore(PanelFixture::View::Hidden);
        QVERIFY(m_panel.form().MSComm1().PortOpen());
    }

    void click(const char *name)
    {
        auto *button = m_panel.form().findChild<QPushButton *>(QLatin1StringView(name));
        QVERIFY2(button, name);
        button->click();
    }

    // Everything the simulator has logged so far.
    QByteArray simulatorLog() { return m_simulator->log(); }

    QLabel *line(const char *name) const { return m_panel.label(name); }

    QTemporaryDir m_folder;
    QString m_link;
    std::unique_ptr<SimulatorProcess> m_simulator;
    std::unique_ptr<FakeProjector> m_projector;
    PanelFixture m_panel;
};

QTEST_MAIN(SimulatorTest)
#include "tst_simulator.moc"
