// Every program stopped by SIGTERM, SIGINT or SIGHUP: the real programs on a
// pseudo-terminal whose far end only the test holds, so it sees the hang-up.

#include "signals/terminationsignals.h"
#include "support/childprocess.h"
#include "support/ser2netserver.h"
#include "support/simulatorprocess.h"
#include "support/testsettings.h"

#include <QFileInfo>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>

#include <csignal>
#include <fcntl.h>
#include <poll.h>
#include <pty.h>
#include <sys/wait.h>
#include <tuple>
#include <utility>

namespace {

enum class Program { Panel, Ctl, Simulator, Bridge };

bool hungUp(int farEnd)
{
    pollfd watch{farEnd, POLLIN, 0};
    return ::poll(&watch, 1, 0) == 1 && (watch.revents & POLLHUP);
}

// QSerialPort's lock on the device: in /var/lock where writable, else in /tmp.
bool locked(QString device)
{
    const QString name = QStringLiteral("LCK..") + device.mid(5).replace(u'/', u'_');
    return QFileInfo::exists(QStringLiteral("/var/lock/") + name) || QFileInfo::exists(QStringLiteral("/tmp/") + name);
}

} // namespace

class SignalsTest : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase() { TestSettings::useTemporaryStore(); }
    void cleanup()
    {
        ChildProcess::end(m_process);
        ::close(std::exchange(m_farEnd, -1));
    }

    void signalEndsTheProgramThroughItsWayOut_data()
    {
        QTest::addColumn<Program>("program");
        QTest::addColumn<int>("signal");
        QTest::addColumn<int>("exitCode");
        QTest::addColumn<QString>("report");  // on standard error, %1 the port
        QTest::addColumn<int>("then");        // a second signal sent right after, or 0

        const QString ctl = QStringLiteral("rm740ctl: %1: interrupted by %2 while waiting for the reply to \"CR0\"");
        for (const auto &[program, name] : std::initializer_list<std::pair<Program, const char *>>{
                 {Program::Panel, "rm740-control"}, {Program::Ctl, "rm740ctl"},
                 {Program::Simulator, "rm740-sim"}, {Program::Bridge, "rm740-bridge"}}) {
            for (const auto &[signal, signalName, shellCode] : std::initializer_list<std::tuple<int, const char *, int>>{
                     {SIGTERM, "SIGTERM", 143}, {SIGINT, "SIGINT", 130}, {SIGHUP, "SIGHUP", 129}}) {
                const bool panelOrCtl = program == Program::Panel || program == Program::Ctl;
                QTest::addRow("%s, %s", name, signalName)
                    << program << signal << (panelOrCtl ? shellCode : 0)
                    << (program == Program::Ctl ? ctl.arg("%1", signalName) : QString()) << 0;
            }
        }
        // A terminal's and a service manager's at once: the first's way out is not
        // cut short. (Signals pending together come lowest first: this order holds.)
        QTest::newRow("rm740ctl, SIGINT then SIGTERM at once")
            << Program::Ctl << SIGINT << 130 << ctl.arg("%1", "SIGINT") << SIGTERM;
    }
    void signalEndsTheProgramThroughItsWayOut()
    {
        QFETCH(Program, program);
        QFETCH(int, signal);
        QFETCH(int, exitCode);
        QFETCH(QString, report);
        QFETCH(int, then);
        QTemporaryDir folder;
        const QString link = folder.filePath(QStringLiteral("device"));
        SimulatorProcess simulator;
        QProcess *process = &m_process;
        QString device;
        if (program == Program::Simulator) {
            QVERIFY2(simulator.start(link, {}), qPrintable(simulator.errorString()));
            process = &simulator.process();
            device = simulator.devicePath();
            m_farEnd = ::open(QFile::encodeName(link).constData(), O_RDWR | O_NOCTTY);
        } else {
            char name[64] = {};
            int programSide = -1;
            QCOMPARE(::openpty(&m_farEnd, &programSide, name, nullptr, nullptr), 0);
            ::close(programSide);
            device = QString::fromLocal8Bit(name);
            TestSettings::mapPort(4, device);
            TestSettings::storeLink(QStringLiteral("4"), QStringLiteral("192"));
            if (program == Program::Panel)
                m_process.start(QStringLiteral(RM740_CONTROL_PATH));
            else if (program == Program::Bridge)
                m_process.start(QStringLiteral(RM740_BRIDGE_PATH), {"--port", device, "--pjlink", QStringLiteral("127.0.0.1:%1").arg(freeLoopbackPort())});
            else
                m_process.start(QStringLiteral(RM740CTL_PATH), {"--timeout", "60000", "--port", device, "status"});
            QTRY_VERIFY_WITH_TIMEOUT(!hungUp(m_farEnd) && locked(device), 10000);
        }
        QSignalSpy finished(process, &QProcess::finished);

        QCOMPARE(::kill(pid_t(process->processId()), signal), 0);
        QVERIFY(then == 0 || ::kill(pid_t(process->processId()), then) == 0);
        QVERIFY2(finished.wait(10000), "still running");
        QCOMPARE(process->exitStatus(), QProcess::NormalExit);
        QCOMPARE(process->exitCode(), exitCode);
        const QByteArray errors = process->readAllStandardError();
        QCOMPARE(errors.count("interrupted"), report.isEmpty() ? 0 : 1);
        QVERIFY2(report.isEmpty() || errors.contains(report.arg(device).toLocal8Bit()), errors);
        QTRY_VERIFY(hungUp(m_farEnd));
        QVERIFY(!locked(device));
        QVERIFY(!QFileInfo(link).isSymLink());
    }

    void secondSignalEndsTheProgramAtOnce()
    {
        // Past the grace at once: a second signal is no repeat of the first.
        TerminationSignals termination{std::chrono::milliseconds(0)};
        QVERIFY(termination.isInstalled());
        const pid_t child = ::fork();
        if (child == 0) {
            // Only what is safe after a fork: the first signal is taken (and
            // never handled), the second must end the process.
            ::raise(SIGTERM);
            ::raise(SIGINT);
            ::_exit(0);
        }
        int status = 0;
        QCOMPARE(::waitpid(child, &status, 0), child);
        QVERIFY(WIFSIGNALED(status));
        QCOMPARE(WTERMSIG(status), SIGINT);
    }

private:
    QProcess m_process;
    int m_farEnd = -1;
};

QTEST_GUILESS_MAIN(SignalsTest)
#include "tst_signals.moc"
