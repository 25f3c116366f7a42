// rm740ctl.exe stopped by the console's events while it waits on a reply that
// never comes. Each event goes in as the console host sends it: a thread of
// Windows' own dispatcher (kernel32's CtrlRoutine) started in the process with
// the event. Under Wine 8 that is the one way in for Ctrl+Break and the close:
// its GenerateConsoleCtrlEvent sends Ctrl+C alone, and a console that goes
// away takes its programs with it without any event.

#include <QProcess>
#include <QSignalSpy>
#include <QTcpServer>
#include <QTcpSocket>
#include <QTest>

#include <windows.h>

namespace {

constexpr int TimeoutMs = 30000;

bool sendConsoleEvent(qint64 pid, DWORD event)
{
    const auto dispatcher = reinterpret_cast<LPTHREAD_START_ROUTINE>(
        reinterpret_cast<void *>(::GetProcAddress(::GetModuleHandleW(L"kernel32.dll"), "CtrlRoutine")));
    const HANDLE process = ::OpenProcess(PROCESS_CREATE_THREAD | PROCESS_QUERY_INFORMATION | PROCESS_VM_OPERATION |
                                             PROCESS_VM_WRITE | PROCESS_VM_READ,
                                         FALSE, DWORD(pid));
    if (!dispatcher || !process)
        return false;
    const HANDLE thread = ::CreateRemoteThread(process, nullptr, 0, dispatcher,
                                               reinterpret_cast<void *>(DWORD_PTR(event)), 0, nullptr);
    if (thread)
        ::CloseHandle(thread);
    ::CloseHandle(process);
    return thread != nullptr;
}

} // namespace

class ConsoleEventsTest : public QObject
{
    Q_OBJECT

private slots:
    void eventEndsRm740ctlThroughItsWayOut_data()
    {
        QTest::addColumn<int>("event");
        QTest::addColumn<int>("exitCode");
        QTest::addColumn<QString>("signalName");
        QTest::newRow("Ctrl+C") << int(CTRL_C_EVENT) << 130 << "SIGINT";
        QTest::newRow("Ctrl+Break") << int(CTRL_BREAK_EVENT) << 149 << "SIGBREAK";
        QTest::newRow("the console's close") << int(CTRL_CLOSE_EVENT) << 129 << "SIGHUP";
        QTest::newRow("shut-down") << int(CTRL_SHUTDOWN_EVENT) << 143 << "SIGTERM";
    }
    void eventEndsRm740ctlThroughItsWayOut()
    {
        QFETCH(int, event);
        QFETCH(int, exitCode);
        QFETCH(QString, signalName);

        // A network port whose far end takes the command and never answers.
        QTcpServer silent;
        QVERIFY(silent.listen(QHostAddress::LocalHost));
        QProcess ctl;
        ctl.start(QCoreApplication::applicationDirPath() + QStringLiteral("/rm740ctl.exe"),
                  {QStringLiteral("--timeout"), QStringLiteral("600000"), QStringLiteral("--port"),
                   QStringLiteral("socket://127.0.0.1:%1").arg(silent.serverPort()), QStringLiteral("send"),
                   QStringLiteral("CR0")});
        QVERIFY2(silent.waitForNewConnection(TimeoutMs), qPrintable(ctl.errorString()));
        QTcpSocket *line = silent.nextPendingConnection();
        QByteArray sent;
        QTRY_VERIFY_WITH_TIMEOUT((sent += line->readAll()).endsWith("CR0\r"), TimeoutMs);
        QSignalSpy closed(line, &QTcpSocket::disconnected);

        QVERIFY(sendConsoleEvent(ctl.processId(), DWORD(event)));
        QVERIFY(ctl.waitForFinished(TimeoutMs));
        QCOMPARE(ctl.exitStatus(), QProcess::NormalExit);
        QCOMPARE(ctl.exitCode(), exitCode);
        const QString report = QString::fromLocal8Bit(ctl.readAllStandardError());
        QVERIFY2(report.contains(QStringLiteral("interrupted by %1 while waiting for the reply to \"CR0\"").arg(signalName)),
                 qPrintable(report));
        QVERIFY(closed.count() == 1 || closed.wait(TimeoutMs));
    }
};

QTEST_GUILESS_MAIN(ConsoleEventsTest)
#include "tst_consoleevents.moc"
