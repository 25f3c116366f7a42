// Network ports through the real windows: the panel against the simulated
// projector on its raw TCP and RFC 2217 ports, a server that goes away in the
// middle, a port nothing listens on, and a server that takes the connection
// but never answers the line settings. And the simulator's ports against
// clients that are none of ours: pyserial's RFC 2217 client, and clients
// that leave half a frame behind.

#include "exchange/exchange.h"
#include "link/form2.h"
#include "link/mscomm.h"
#include "support/cpushare.h"
#include "support/fakeprojector.h"
#include "support/modalwatcher.h"
#include "support/panelfixture.h"
#include "support/ser2netserver.h"
#include "support/simulatorprocess.h"
#include "support/testsettings.h"

#include <QHostAddress>
#include <QProcess>
#include <QSignalSpy>
#include <QTcpServer>
#include <QTcpSocket>
#include <QTest>
#include <QTimer>

#include <memory>

namespace {

constexpr int TimeoutMs = 15000;

QString urlFor(const QString &scheme, quint16 port)
{
    return QStringLiteral("%1://127.0.0.1:%2").arg(scheme).arg(port);
}

// Counts the paint events a widget gets.
class PaintCounter : public QObject
{
public:
    explicit PaintCounter(QWidget *widget) { widget->installEventFilter(this); }
    int count = 0;

protected:
    bool eventFilter(QObject *, QEvent *event) override
    {
        if (event->type() == QEvent::Paint)
            ++count;
        return false;
    }
};

} // namespace

class NetworkPortsTest : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase()
    {
        TestSettings::useTemporaryStore();
        QVERIFY2(QFileInfo(SimulatorProcess::program()).isExecutable(), qPrintable(SimulatorProcess::program()));
    }

    void init()
    {
        TestSettings::clear();
        m_watcher = std::make_unique<ModalWatcher>();
    }

    void cleanup()
    {
        m_panel.reset();
        m_watcher.reset();
        m_simulator.stopAfterTest();
    }

    // --- the simulated projector on a network port -----------------------------------

    void powerOnAndStatusOverTheNetwork_data()
    {
        QTest::addColumn<QString>("option");
        QTest::addColumn<QString>("address");     // the simulator's, before ":port"; empty: the default
        QTest::addColumn<int>("baudCode");
        QTest::addColumn<QString>("lineLogged");  // empty: raw TCP leaves the speed to the server

        QTest::newRow("raw TCP") << "--tcp" << QString() << 192 << QString();
        QTest::newRow("RFC 2217 at 9600") << "--rfc2217" << QString() << 96 << "line at 9600 baud";
        QTest::newRow("RFC 2217 at 19200") << "--rfc2217" << QString() << 192 << "line at 19200 baud";
        QTest::newRow("RFC 2217 on IPv6") << "--rfc2217" << "[::1]" << 96 << "line at 9600 baud";
    }
    void powerOnAndStatusOverTheNetwork()
    {
        QFETCH(QString, option);
        QFETCH(QString, address);
        QFETCH(int, baudCode);
        QFETCH(QString, lineLogged);
        const QString port = QString::number(freeLoopbackPort());
        m_simulator.listenInTest({option, address.isEmpty() ? port : address + u':' + port, "--warmup", "0"});
        if (QTest::currentTestFailed())
            return;
        m_panel.start(m_simulator.devicePath(), quint8(baudCode));
        QVERIFY2(m_panel.comm().PortOpen(), qPrintable(m_panel.comm().errorString()));
        QCOMPARE(m_watcher->dialogsAnswered(), 0);

        m_panel.click("Power", "On");
        QTRY_COMPARE_WITH_TIMEOUT(m_panel.rxd(), QStringLiteral("  [ACK] "), TimeoutMs);
        m_panel.click("Status");
        QTRY_COMPARE_WITH_TIMEOUT(m_panel.status(), QStringLiteral(" Power ON"), TimeoutMs);

        const QByteArray log = m_simulator.log();
        QVERIFY2(log.contains("C00[CR]  ->  [ACK]\n") && log.contains("CR0[CR]  ->  00[CR]\n"), log);
        if (lineLogged.isEmpty())
            QVERIFY2(!log.contains("line at"), log);
        else
            QVERIFY2(log.contains(lineLogged.toLatin1()), log);
    }

    void aServerGoneInTheMiddleIsALostDevice_data()
    {
        QTest::addColumn<QString>("option");
        QTest::newRow("raw TCP") << "--tcp";
        QTest::newRow("RFC 2217") << "--rfc2217";
    }
    void aServerGoneInTheMiddleIsALostDevice()
    {
        QFETCH(QString, option);
        const quint16 port = freeLoopbackPort();
        m_simulator.listenInTest({option, QString::number(port), "--warmup", "0"});
        if (QTest::currentTestFailed())
            return;
        m_panel.start(m_simulator.devicePath(), 192);
        QVERIFY(m_panel.comm().PortOpen());
        QSignalSpy lost(&m_panel.comm(), &MSComm::deviceLost);
        m_panel.click("Status");
        QTRY_COMPARE_WITH_TIMEOUT(m_panel.status(), QStringLiteral(" Stand by"), TimeoutMs);

        m_simulator.stop();
        QTRY_VERIFY_WITH_TIMEOUT(!m_panel.comm().PortOpen(), TimeoutMs);
        QCOMPARE(lost.count(), 1);
        QCOMPARE(m_panel.comm().errorString(), QStringLiteral("127.0.0.1:%1 closed the connection").arg(port));
        QVERIFY(m_watcher->messageBoxes().isEmpty());
        const double cpuShare = CpuShare::whileTheEventLoopRuns(500);
        QVERIFY2(cpuShare < 0.2, qPrintable(QStringLiteral("%1 of a core").arg(cpuShare)));

        // The panel goes on against the closed port, as with a local one.
        m_panel.form().exchange().setIntervals({300, 5000});
        m_panel.click("Status");
        QCOMPARE(m_panel.txd(), QStringLiteral(" C R 0  [CR] "));
        QTRY_COMPARE_WITH_TIMEOUT(m_panel.rxd(), Exchange::NoReplyMark, TimeoutMs);
        QCOMPARE(lost.count(), 1);

        // Back on the same port: "COM" and OK reach it again.
        m_simulator.listenInTest({option, QString::number(port), "--warmup", "0"});
        if (QTest::currentTestFailed())
            return;
        QVERIFY2(m_panel.reopenThroughTheDialog(), qPrintable(m_panel.comm().errorString()));
        QVERIFY(m_watcher->messageBoxes().isEmpty());
        m_panel.click("Power", "On");
        QTRY_COMPARE_WITH_TIMEOUT(m_panel.rxd(), QStringLiteral("  [ACK] "), TimeoutMs);
    }

    // --- ports that do not open -------------------------------------------------------

    void nothingListeningLeadsToTheDialog_data()
    {
        QTest::addColumn<QString>("scheme");
        QTest::newRow("raw TCP") << "socket";
        QTest::newRow("RFC 2217") << "rfc2217";
    }
    void nothingListeningLeadsToTheDialog()
    {
        QFETCH(QString, scheme);
        const quint16 port = freeLoopbackPort();
        QVERIFY(!isListeningOnLoopback(port));
        struct Seen {
            bool modal = false;
            int messagesBefore = -1;
            QList<ModalWatcher::MessageBox> messagesAfterOk;
            bool stillOpenAfterOk = false;
        } seen;
        m_watcher->onModalDialog([&](QWidget *dialog) {
            seen.modal = dialog->isModal();
            seen.messagesBefore = int(m_watcher->messageBoxes().size());
            PanelFixture::pressOk(dialog);
            seen.messagesAfterOk = m_watcher->messageBoxes();
            seen.stillOpenAfterOk = dialog->isVisible();
        });
        m_panel.start(urlFor(scheme, port), 192);

        QCOMPARE(m_watcher->dialogsAnswered(), 1);
        QVERIFY(seen.modal);
        QCOMPARE(seen.messagesBefore, 0);  // start-up falls back without a word
        QCOMPARE(seen.messagesAfterOk, QList<ModalWatcher::MessageBox>{RetryComport});
        QVERIFY(seen.stillOpenAfterOk);
        QVERIFY(!m_panel.comm().PortOpen());
        QCOMPARE(m_panel.comm().errorString(), QStringLiteral("connection refused by 127.0.0.1:%1").arg(port));
        QCOMPARE(TestSettings::value("StartUP", "ComPort"), QStringLiteral("4"));
    }

    void aMalformedEntryIsAPortThatDoesNotOpen()
    {
        m_watcher->onModalDialog([](QWidget *) {});
        m_panel.start(QStringLiteral("rfc2217://10.0.0.7"), 192);
        QCOMPARE(m_watcher->dialogsAnswered(), 1);
        QVERIFY(m_watcher->messageBoxes().isEmpty());
        QCOMPARE(m_panel.comm().errorString(),
                 QStringLiteral("rfc2217://10.0.0.7 is no network port: the port number is missing"));
    }

    void aServerThatNeverAnswersTheLineSettings()
    {
        QTcpServer mute;  // takes connections and says nothing
        QVERIFY(mute.listen(QHostAddress::LocalHost, 0));
        int connections = 0;
        connect(&mute, &QTcpServer::newConnection, this, [&] {
            while (mute.nextPendingConnection())
                ++connections;
        });
        FakeProjector projector;  // COM1, for the way out
        QVERIFY(projector.open());
        projector.emulateProjector();
        TestSettings::mapPort(1, projector.devicePath());

        // The event loop keeps running while the port is being opened.
        int ticks = 0;
        QTimer ticker;
        connect(&ticker, &QTimer::timeout, this, [&] { ++ticks; });
        ticker.start(50);

        struct Seen {
            int ticksAtStartUp = -1;
            int connectionsAtStartUp = -1;
            QString errorAtStartUp;
            QList<ModalWatcher::MessageBox> messagesAfterOk;
            int paintsDuringOk = 0;
        } seen;
        m_watcher->onModalDialog([&](QWidget *dialog) {
            seen.ticksAtStartUp = ticks;
            seen.connectionsAtStartUp = connections;
            seen.errorAtStartUp = m_panel.comm().errorString();
            // OK tries the mute server again: the dialog goes on painting.
            PaintCounter paints(dialog);
            QTimer repaint;
            connect(&repaint, &QTimer::timeout, dialog, qOverload<>(&QWidget::update));
            repaint.start(100);
            PanelFixture::pressOk(dialog);
            repaint.stop();
            seen.paintsDuringOk = paints.count;
            seen.messagesAfterOk = m_watcher->messageBoxes();
            // And the dialog is still usable: COM1 and OK.
            PanelFixture::press(dialog, "COM1");
            PanelFixture::pressOk(dialog);
        });
        m_panel.start(urlFor(QStringLiteral("rfc2217"), mute.serverPort()), 96);

        QCOMPARE(m_watcher->dialogsAnswered(), 1);
        QCOMPARE(seen.connectionsAtStartUp, 1);
        QVERIFY2(seen.ticksAtStartUp >= 10, qPrintable(QString::number(seen.ticksAtStartUp)));
        QCOMPARE(seen.errorAtStartUp,
                 QStringLiteral("no answer to the line settings from 127.0.0.1:%1 within 3 s").arg(mute.serverPort()));
        QCOMPARE(seen.messagesAfterOk, QList<ModalWatcher::MessageBox>{RetryComport});
        QVERIFY2(seen.paintsDuringOk >= 5, qPrintable(QString::number(seen.paintsDuringOk)));
        QCOMPARE(connections, 2);

        QVERIFY(!m_panel.openDialog());
        QVERIFY(m_panel.form().isVisible());
        QVERIFY(m_panel.comm().PortOpen());
        QCOMPARE(m_panel.comm().CommPort(), 1);
        m_panel.click("Status");
        QTRY_COMPARE_WITH_TIMEOUT(projector.received(), QByteArray("CR0\r"), TimeoutMs);
        QCOMPARE(TestSettings::value("StartUP", "ComPort"), QStringLiteral("1"));
    }

    // --- the simulator against other clients --------------------------------------

#ifdef RM740_PYSERIAL_PYTHON
    void pyserialSetsTheLineReadsTheModemLinesAndGetsClearReplies()
    {
        m_simulator.listenInTest({"--rfc2217", QString::number(freeLoopbackPort())});
        QProcess python;
        python.start(QStringLiteral(RM740_PYSERIAL_PYTHON),
                     {"-c",
                      "import serial, sys\n"
                      "s = serial.serial_for_url(sys.argv[1], baudrate=9600, timeout=2)\n"
                      "s.write(b'CR0\\r'); print(repr(s.read_until(b'\\r')))\n"
                      "s.baudrate = 19200\n"
                      "print(s.cts, s.dsr)\n"
                      "s.write(b'CR0\\r'); print(repr(s.read_until(b'\\r')))\n"
                      "s.timeout = 0.3; print(repr(s.read(1)))\n"
                      "s.close()\n",
                      m_simulator.devicePath()});
        QVERIFY(python.waitForFinished(TimeoutMs));
        QVERIFY2(python.exitCode() == 0, python.readAllStandardError());
        // Each reply whole, with no NUL after its CR.
        QCOMPARE(python.readAllStandardOutput(), QByteArray("b'80\\r'\nTrue True\nb'80\\r'\nb''\n"));
        QTRY_VERIFY_WITH_TIMEOUT(m_simulator.log().contains("line at 19200 baud"), TimeoutMs);
        QVERIFY(m_simulator.log().contains("line at 9600 baud"));
    }
#endif

    // What one connection sent of a frame is forgotten when it closes: the
    // next client's frame is read whole.
    void halfAFrameDiesWithItsConnection_data()
    {
        QTest::addColumn<QString>("protocol");
        QTest::addColumn<QByteArray>("leftBehind");
        QTest::newRow("raw TCP") << "--tcp" << QByteArray("C0");
        QTest::newRow("RFC 2217, telnet commands and text") << "--rfc2217" << QByteArray("\xff\xfb\x2c" "CF BRI", 9);
    }
    void halfAFrameDiesWithItsConnection()
    {
        QFETCH(QString, protocol);
        QFETCH(QByteArray, leftBehind);
        m_simulator.listenInTest({protocol, QString::number(freeLoopbackPort())});
        const QUrl url(m_simulator.devicePath());
        {
            QTcpSocket first;
            first.connectToHost(url.host(), quint16(url.port()));
            QVERIFY(first.waitForConnected(TimeoutMs));
            first.write(leftBehind);
            QVERIFY(first.waitForBytesWritten(TimeoutMs));
            first.disconnectFromHost();
        }
        QTRY_VERIFY_WITH_TIMEOUT(m_simulator.log().contains("closed the connection"), TimeoutMs);

        QTcpSocket second;
        second.connectToHost(url.host(), quint16(url.port()));
        QVERIFY(second.waitForConnected(TimeoutMs));
        second.write("CR0\r");
        QByteArray reply;
        QTRY_VERIFY_WITH_TIMEOUT((reply += second.readAll()).contains("80\r"), TimeoutMs);
        QVERIFY2(!reply.contains('?'), reply);
    }

private:
    std::unique_ptr<ModalWatcher> m_watcher;
    SimulatorProcess m_simulator;
    PanelFixture m_panel;
};

QTEST_MAIN(NetworkPortsTest)
#include "tst_networkports.moc"
