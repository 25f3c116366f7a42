// The real main window of the Windows build against a simulated projector
// that the drill (wine-drill.sh) started on a network port outside Wine:
// Status reads the power state back, and the port dialog's OK stores its
// choice, which the drill then reads from the registry itself.

#include "link/mscomm.h"
#include "support/modalwatcher.h"
#include "support/panelfixture.h"
#include "support/testsettings.h"

#include <QTest>

#include <memory>

namespace {

constexpr int TimeoutMs = 15000;

} // namespace

class PanelOnNetworkTest : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase()
    {
        m_port = qEnvironmentVariable("RM740_DRILL_PORT");
        if (m_port.isEmpty())
            QSKIP("RM740_DRILL_PORT names no simulator's port");
        TestSettings::clear();
        TestSettings::mapPort(1, m_port);
        TestSettings::mapPort(PanelFixture::ComPort, m_port);
    }

    // A port that does not open brings up the dialog, which the watcher
    // closes: the test fails instead of waiting.
    void init() { m_watcher = std::make_unique<ModalWatcher>(); }
    void cleanup() { m_watcher.reset(); }

    void statusShowsThePowerState()
    {
        QVERIFY2(m_panel.startOnCom1(PanelFixture::View::ShownFull), qPrintable(m_panel.comm().errorString()));
        m_panel.click("Power", "On");
        QTRY_COMPARE_WITH_TIMEOUT(m_panel.rxd(), QStringLiteral("  [ACK] "), TimeoutMs);
        m_panel.click("Status");
        QTRY_COMPARE_WITH_TIMEOUT(m_panel.status(), QStringLiteral(" Power ON"), TimeoutMs);
    }

    void theDialogsOkStoresItsChoice()
    {
        Form2 *dialog = m_panel.pressCom();
        QVERIFY(dialog);
        PanelFixture::press(dialog, QStringLiteral("COM%1").arg(PanelFixture::ComPort));
        PanelFixture::press(dialog, "9600");
        PanelFixture::pressOk(dialog);
        QVERIFY2(m_panel.comm().PortOpen(), qPrintable(m_panel.comm().errorString()));
        QVERIFY(m_watcher->messageBoxes().isEmpty());
    }

private:
    QString m_port;
    PanelFixture m_panel;
    std::unique_ptr<ModalWatcher> m_watcher;
};

QTEST_MAIN(PanelOnNetworkTest)
#include "tst_panelonnetwork.moc"
