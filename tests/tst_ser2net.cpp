// The panel through a real serial device server: Debian's ser2net, started
// here in the foreground on a loopback port, with the projector model on the
// pseudo-terminal that is its serial side. Raw TCP and RFC 2217, at both
// speeds; and ser2net stopped in the middle of a session.

#include "exchange/exchange.h"
#include "link/form2.h"
#include "link/mscomm.h"
#include "support/cpushare.h"
#include "support/fakeprojector.h"
#include "support/modalwatcher.h"
#include "support/panelfixture.h"
#include "support/ser2netserver.h"
#include "support/testsettings.h"

#include <QSignalSpy>
#include <QTest>

#include <memory>
#include <optional>

using Protocol = Ser2NetServer::Protocol;

Q_DECLARE_METATYPE(Ser2NetServer::Protocol)

namespace {

constexpr int TimeoutMs = 15000;

QString ser2netLine(int baud)
{
    return QStringLiteral("%1n81").arg(baud);
}

} // namespace

class Ser2NetTest : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase() { TestSettings::useTemporaryStore(); }

    void init()
    {
        TestSettings::clear();
        m_watcher = std::make_unique<ModalWatcher>();
        QVERIFY(FakeProjector::openFresh(m_projector));
        m_projector->emulateProjector({std::chrono::milliseconds(0), std::chrono::milliseconds(0)});
    }

    void cleanup()
    {
        m_panel.reset();
        m_watcher.reset();
        if (QTest::currentTestFailed())
            qWarning().noquote() << "ser2net log:\n" << m_server.log();
        m_server.stop();
        m_projector.reset();
    }

    void powerOnAndStatusThroughSer2net_data()
    {
        QTest::addColumn<Protocol>("protocol");
        QTest::addColumn<int>("serverBaud");  // what ser2net is started with
        QTest::addColumn<int>("baudCode");    // what the program asks for
        QTest::addColumn<int>("lineBaud");    // what the projector's line runs at

        // Raw TCP carries no settings: the line runs as the server is set up.
        QTest::newRow("raw TCP, 9600") << Protocol::RawTcp << 9600 << 192 << 9600;
        QTest::newRow("raw TCP, 19200") << Protocol::RawTcp << 19200 << 96 << 19200;
        // RFC 2217 sets the server's line to the program's speed.
        QTest::newRow("RFC 2217, 9600") << Protocol::Rfc2217 << 19200 << 96 << 9600;
        QTest::newRow("RFC 2217, 19200") << Protocol::Rfc2217 << 9600 << 192 << 19200;
    }
    void powerOnAndStatusThroughSer2net()
    {
        QFETCH(Protocol, protocol);
        QFETCH(int, serverBaud);
        QFETCH(int, baudCode);
        QFETCH(int, lineBaud);
        QVERIFY2(m_server.start(protocol, m_projector->devicePath(), ser2netLine(serverBaud)),
                 qPrintable(m_server.errorString()));

        m_panel.start(m_server.url(), quint8(baudCode));
        QVERIFY2(m_panel.comm().PortOpen(), qPrintable(m_panel.comm().errorString()));
        QCOMPARE(m_watcher->dialogsAnswered(), 0);

        m_panel.click("Power", "On");
        QTRY_COMPARE_WITH_TIMEOUT(m_panel.rxd(), QStringLiteral("  [ACK] "), TimeoutMs);
        // ser2net opens its device once a connection has come; by the answer
        // it has set the line up.
        QCOMPARE(m_projector->terminal().lineSpeed(), std::optional<qint32>(lineBaud));
        m_panel.click("Status");
        QTRY_COMPARE_WITH_TIMEOUT(m_panel.status(), QStringLiteral(" Power ON"), TimeoutMs);
        // Byte for byte what a local port would carry: no NUL after the CR,
        // nothing of telnet.
        QCOMPARE(m_projector->received(), QByteArray("C00\rCR0\r"));
        QCOMPARE(m_panel.rxd(), QStringLiteral(" 0 0  [CR] "));
    }

    void ser2netStoppedInTheMiddleIsALostDevice_data()
    {
        QTest::addColumn<Protocol>("protocol");
        QTest::newRow("raw TCP") << Protocol::RawTcp;
        QTest::newRow("RFC 2217") << Protocol::Rfc2217;
    }
    void ser2netStoppedInTheMiddleIsALostDevice()
    {
        QFETCH(Protocol, protocol);
        QVERIFY2(m_server.start(protocol, m_projector->devicePath(), ser2netLine(19200)),
                 qPrintable(m_server.errorString()));
        m_panel.start(m_server.url(), 192);
        QVERIFY2(m_panel.comm().PortOpen(), qPrintable(m_panel.comm().errorString()));
        QSignalSpy lost(&m_panel.comm(), &MSComm::deviceLost);
        m_panel.click("Status");
        QTRY_COMPARE_WITH_TIMEOUT(m_panel.status(), QStringLiteral(" Stand by"), TimeoutMs);

        const quint16 port = m_server.port();
        m_server.stop();
        QTRY_VERIFY_WITH_TIMEOUT(!m_panel.comm().PortOpen(), TimeoutMs);
        QCOMPARE(lost.count(), 1);
        QVERIFY(m_watcher->messageBoxes().isEmpty());
        const double cpuShare = CpuShare::whileTheEventLoopRuns(500);
        QVERIFY2(cpuShare < 0.2, qPrintable(QStringLiteral("%1 of a core").arg(cpuShare)));

        // The panel goes on against the closed port.
        m_projector->clearReceived();
        m_panel.form().exchange().setIntervals({300, 5000});
        m_panel.click("Status");
        QTRY_COMPARE_WITH_TIMEOUT(m_panel.rxd(), Exchange::NoReplyMark, TimeoutMs);
        QCOMPARE(lost.count(), 1);

        // ser2net back on its port: "COM" and OK reach the projector again.
        QVERIFY2(m_server.start(protocol, m_projector->devicePath(), ser2netLine(19200), port),
                 qPrintable(m_server.errorString()));
        QVERIFY2(m_panel.reopenThroughTheDialog(), qPrintable(m_panel.comm().errorString()));
        QVERIFY(m_watcher->messageBoxes().isEmpty());
        m_panel.click("Power", "On");
        QTRY_COMPARE_WITH_TIMEOUT(m_panel.rxd(), QStringLiteral("  [ACK] "), TimeoutMs);
        QCOMPARE(m_projector->received(), QByteArray("C00\r"));
    }

private:
    std::unique_ptr<ModalWatcher> m_watcher;
    std::unique_ptr<FakeProjector> m_projector;
    Ser2NetServer m_server;
    PanelFixture m_panel;
};

QTEST_MAIN(Ser2NetTest)
#include "tst_ser2net.moc"
