// The main window wired through a pseudo-terminal to a fake projector:
// start-up from the stored link, the one-shot buttons, the monitor and the
// exchange timers.

#include "link/module1.h"
#include "panel/startupplacement.h"
#include "exchange/exchange.h"
#include "exchange/monitorrendering.h"
#include "link/mscomm.h"
#include "panel/form1.h"
#include "support/fakeprojector.h"
#include "support/modalwatcher.h"
#include "support/panelfixture.h"
#include "support/tabledata.h"
#include "support/testsettings.h"

#include <QGuiApplication>
#include <QMouseEvent>
#include <QScreen>
#include <QSignalSpy>
#include <QTest>
#include <QTimer>

#include <memory>

class Form1Test : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase() { TestSettings::useTemporaryStore(); }

    void init()
    {
        TestSettings::clear();
        QVERIFY(FakeProjector::openFresh(m_projector));
        TestSettings::mapPort(1, m_projector->devicePath());
        // The port dialog that start-up opens is closed with its close box.
        m_watcher = std::make_unique<ModalWatcher>();
    }

    void cleanup()
    {
        m_panel.reset();
        m_projector.reset();
        m_watcher.reset();
    }

    // --- start-up -------------------------------------------------------

    void startUpDecidesFromTheStoredPort_data()
    {
        QTest::addColumn<QString>("comPort");  // null: key missing
        QTest::addColumn<int>("mappedPort");   // the COM number wired to the fake
        QTest::addColumn<bool>("opens");

        QTest::newRow("1") << "1" << 1 << true;
        QTest::newRow("15") << "15" << 15 << true;
        QTest::newRow("1.4 rounds to 1") << "1.4" << 1 << true;
        QTest::newRow("16") << "16" << 16 << false;
        QTest::newRow("0") << "0" << 0 << false;
        QTest::newRow("-3") << "-3" << 1 << false;
        QTest::newRow("DATAC") << "DATAC" << 1 << false;
        QTest::newRow("missing") << QString() << 1 << false;
        QTest::newRow("huge") << "1000000000000000000000" << 1 << false;
        QTest::newRow("an exponent: 1e1 is 10") << "1e1" << 10 << true;
        QTest::newRow("a fraction with an exponent: 1.45E1 is 14") << "1.45E1" << 14 << true;
        QTest::newRow("an exponent too large: 1e30") << "1e30" << 1 << false;
    }
    void startUpDecidesFromTheStoredPort()
    {
        QFETCH(QString, comPort);
        QFETCH(int, mappedPort);
        QFETCH(bool, opens);
        TestSettings::mapPort(mappedPort, m_projector->devicePath());
        TestSettings::storeLink(comPort, QStringLiteral("96"));

        createForm();
        QCOMPARE(m_panel.comm().PortOpen(), opens);
        QCOMPARE(m_watcher->dialogsAnswered(), opens ? 0 : 1);
        QVERIFY(m_watcher->messageBoxes().isEmpty());
        QCOMPARE(m_panel.form().exchange().timer2().interval(), opens ? 1000 : 5000);
        QCOMPARE(m_panel.form().exchange().timer4().interval(), opens ? 1200 : 5500);
        // The baud key is read only for a usable port; the dialog takes 19200 then.
        QCOMPARE(int(m_panel.module().baudCode), opens ? 96 : 192);
        QVERIFY(!m_panel.form().exchange().timer2().isActive());
        QVERIFY(!m_panel.form().exchange().timer4().isActive());
    }

    void startUpChoosesTheSpeed_data()
    {
        QTest::addColumn<QString>("baudRate");
        QTest::addColumn<int>("baudCode");
        QTest::addColumn<QString>("settings");

        QTest::newRow("96") << "96" << 96 << "9600,N,8,1";
        QTest::newRow("192") << "192" << 192 << "19200,N,8,1";
        QTest::newRow("9600") << "9600" << 192 << "19200,N,8,1";
        QTest::newRow("not a number") << "fast" << 192 << "19200,N,8,1";
        QTest::newRow("missing") << QString() << 192 << "19200,N,8,1";
    }
    void startUpChoosesTheSpeed()
    {
        QFETCH(QString, baudRate);
        QFETCH(int, baudCode);
        QFETCH(QString, settings);
        TestSettings::storeLink(QStringLiteral("1"), baudRate);

        createForm();
        QVERIFY(m_panel.comm().PortOpen());
        QCOMPARE(int(m_panel.module().baudCode), baudCode);
        QCOMPARE(m_panel.comm().Settings(), settings);
    }

    void aStoredPortThatDoesNotOpenKeepsTheInitialIntervals()
    {
        TestSettings::mapPort(2, QStringLiteral("/nonexistent/device"));
        TestSettings::storeLink(QStringLiteral("2"), QStringLiteral("192"));
        createForm();
        QVERIFY(!m_panel.comm().PortOpen());
        QCOMPARE(m_watcher->dialogsAnswered(), 1);
        QVERIFY(m_watcher->messageBoxes().isEmpty());
        QCOMPARE(m_panel.form().exchange().timer2().interval(), 5000);
        QCOMPARE(m_panel.form().exchange().timer4().interval(), 5500);
        QCOMPARE(TestSettings::value(QStringLiteral("StartUP"), QStringLiteral("ComPort")), QStringLiteral("2"));
    }

    // In pixels: 5780 twips of outer height are 385, 1350 twips above the centre 90.
    void startUpCentresByTheOuterWidth_data()
    {
        QTest::addColumn<QRect>("screen");
        QTest::addColumn<int>("outerWidth");
        QTest::addColumn<QPoint>("topLeft");

        QTest::newRow("1280 x 1024, no frame") << QRect(0, 0, 1280, 1024) << 679 << QPoint(301, 230);
        QTest::newRow("borders of 4 pixels count") << QRect(0, 0, 1280, 1024) << 687 << QPoint(297, 230);
        QTest::newRow("a screen to the right of another") << QRect(1280, 0, 1920, 1080) << 679
                                                          << QPoint(1280 + 621, 258);
        // 8480 twips are 565 pixels: the top edge is 0 and stays so.
        QTest::newRow("8480 twips high: top edge 0") << QRect(0, 0, 800, 565) << 679 << QPoint(61, 0);
        QTest::newRow("lower still: a negative top edge") << QRect(0, 0, 640, 480) << 679
                                                         << QPoint(-20, -42);
    }
    void startUpCentresByTheOuterWidth()
    {
        QFETCH(QRect, screen);
        QFETCH(int, outerWidth);
        QFETCH(QPoint, topLeft);
        QCOMPARE(StartUpPlacement::topLeft(screen, outerWidth, 385, 90), topLeft);
    }

    void startUpPlacesTheWindowOnTheScreen()
    {
        QVERIFY(m_panel.startOnCom1());
        const QRect screen = QGuiApplication::primaryScreen()->geometry();
        const QPoint expected(qRound((screen.width() - 679) / 2.0), qRound((screen.height() - 385) / 2.0) - 90);
        QCOMPARE(m_panel.form().pos(), screen.topLeft() + expected);
        // Once shown, the frame's width counts: centred by the outer width.
        m_panel.form().show();
        QVERIFY(QTest::qWaitForWindowExposed(&m_panel.form()));
        const QRect outer = m_panel.form().frameGeometry();
        QTRY_COMPARE(m_panel.form().frameGeometry().topLeft(),
                     StartUpPlacement::topLeft(screen, outer.width(), 385, 90));
        // The offscreen platform frames its windows too, so this is no repeat of the above.
        QVERIFY(outer.width() > m_panel.form().width());
    }

    void startsInTheCompactViewWithPowerOnFocused()
    {
        QVERIFY(m_panel.startOnCom1());
        QCOMPARE(m_panel.form().height(), 353);  // 5300 twips
        QCOMPARE(m_panel.form().width(), 679);   // 10185 twips
        QCOMPARE(m_panel.form().windowTitle(), QStringLiteral("ORVA   RM740  CONTROL"));
        m_panel.form().show();
        QVERIFY(QTest::qWaitForWindowActive(&m_panel.form()));
        QCOMPARE(QApplication::focusWidget(), m_panel.button("Power", "On"));
    }

    // --- one-shot buttons -------------------------------------------------

    // The buttons' object names, held against the table; the other tests
    // find a button by its group and what it shows.
    void eachButtonBearsItsName_data() { buttonRows(TableData::panelButtons(), 69); }
    void eachButtonBearsItsName()
    {
        QFETCH(TableData::PanelButton, row);
        Module1 module;
        const Form1 window(module);  // built, not started: no port to open
        QCOMPARE(Controls::control(window, row.group, row.caption)->objectName(), row.name);
    }

    void eachOneShotButtonSendsItsFrame_data()
    {
        buttonRows(TableData::panelButtons(TableData::Buttons::OneShot), 54);
    }
    void eachOneShotButtonSendsItsFrame()
    {
        QFETCH(TableData::PanelButton, row);
        const QByteArray frame = row.sends + '\r';
        QVERIFY(m_panel.startOnCom1());
        m_panel.form().setFullView(true);
        m_panel.form().show();

        QAbstractButton *button = m_panel.button(row.group, row.caption);
        QVERIFY(button->isVisible());
        QTest::mouseClick(button, Qt::LeftButton);
        QTRY_COMPARE(m_projector->received(), frame);
        QCOMPARE(m_panel.module().pendingCommand, frame);
        QCOMPARE(m_panel.txd(), MonitorRendering::render(frame));
        QVERIFY(!m_panel.crLegend()->isHidden());
        // A reply is awaited: the reply window, cut short, ends in the no-reply mark.
        m_panel.form().exchange().timer2().setInterval(50);
        QTRY_COMPARE(m_panel.rxd(), QStringLiteral(" X X X X"));
    }

    void everyClickSendsAFrame()
    {
        QVERIFY(m_panel.startOnCom1());
        m_panel.form().show();
        QAbstractButton *on = m_panel.button("Power", "On");
        using E = QEvent;
        // One click, then a double click: press, release, double-click press, release.
        for (E::Type type : {E::MouseButtonPress, E::MouseButtonRelease, E::MouseButtonPress,
                             E::MouseButtonRelease, E::MouseButtonDblClick, E::MouseButtonRelease})
            PanelFixture::sendMouse(on, type, Qt::LeftButton);
        QTRY_COMPARE(m_projector->frames().size(), 3);
        QCOMPARE(m_projector->received(), QByteArray("C00\rC00\rC00\r"));
    }

    void spaceBarOnTheFocusedButtonSendsItsFrame()
    {
        QVERIFY(m_panel.startOnCom1());
        m_panel.form().show();
        QVERIFY(QTest::qWaitForWindowActive(&m_panel.form()));
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Space);
        QTRY_COMPARE(m_projector->received(), QByteArray("C00\r"));
    }

    void serviceButtonsSendNothing_data()
    {
        QTest::addColumn<QString>("button");
        QTest::addColumn<QString>("thenPress");  // in the dialog it opened, if any

        QTest::newRow("COM") << "COM" << "Cancel";
        QTest::newRow("Command Table") << "Command Table" << QString();
    }
    void serviceButtonsSendNothing()
    {
        QFETCH(QString, button);
        QFETCH(QString, thenPress);
        QVERIFY(m_panel.startOnCom1());
        m_panel.form().setFullView(true);
        m_panel.form().show();
        QTest::mouseClick(m_panel.button(button), Qt::LeftButton);
        if (!thenPress.isEmpty()) {
            Form2 *dialog = m_panel.openDialog();
            QVERIFY(dialog);
            QTest::mouseClick(Controls::control(*dialog, thenPress), Qt::LeftButton);
        }
        QVERIFY2(m_panel.comm().PortOpen(), qPrintable(m_panel.comm().errorString()));
        QVERIFY(m_watcher->messageBoxes().isEmpty());
        QTest::mouseClick(m_panel.button("Power", "On"), Qt::LeftButton);
        QTRY_COMPARE(m_projector->received(), QByteArray("C00\r"));
    }

    // --- monitor and timers -------------------------------------------------

    void aReplyInPiecesGrowsOnTheRxdLine()
    {
        QVERIFY(m_panel.startOnCom1());
        m_panel.click("Status");
        QTRY_COMPARE(m_projector->received(), QByteArray("CR0\r"));
        m_projector->send("0");
        QTRY_COMPARE(m_panel.rxd(), QStringLiteral(" 0 "));
        m_projector->send("0\r");
        QTRY_COMPARE(m_panel.rxd(), QStringLiteral(" 0 0  [CR] "));
        // The reply window, cut short, ends without the no-reply mark.
        m_panel.form().exchange().timer2().setInterval(50);
        QTRY_VERIFY(m_panel.crLegend()->isHidden());
        QCOMPARE(m_panel.rxd(), QStringLiteral(" 0 0  [CR] "));
    }

    void aReplyKeepsTheRxdLineWhenTheReplyWindowCloses()
    {
        QVERIFY(m_panel.startOnCom1());
        m_panel.form().exchange().setIntervals({200, 400});
        m_panel.click("Power", "On");
        m_projector->send("\x06");
        QTRY_COMPARE(m_panel.rxd(), QStringLiteral("  [ACK] "));
        QTRY_VERIFY(!m_panel.form().exchange().timer2().isActive());
        QCOMPARE(m_panel.rxd(), QStringLiteral("  [ACK] "));
        QVERIFY(m_panel.crLegend()->isHidden());
        // The buffer was emptied: what comes next starts a new RxD line.
        m_projector->send("0");
        QTRY_COMPARE(m_panel.rxd(), QStringLiteral(" 0 "));
    }

    void noReplyShowsTheMarkThenABlankMonitor()
    {
        QVERIFY(m_panel.startOnCom1());
        QCOMPARE(m_panel.form().exchange().timer2().interval(), 1000);
        m_panel.click("Status");
        QCOMPARE(m_panel.txd(), QStringLiteral(" C R 0  [CR] "));
        QCOMPARE(m_panel.rxd(), QString());
        QVERIFY(!m_panel.crLegend()->isHidden());
        QTRY_COMPARE_WITH_TIMEOUT(m_panel.rxd(), QStringLiteral(" X X X X"), 3000);
        QVERIFY(m_panel.crLegend()->isHidden());
        QCOMPARE(m_panel.txd(), QStringLiteral(" C R 0  [CR] "));
        QTRY_COMPARE_WITH_TIMEOUT(m_panel.txd(), QString(), 3000);
        QCOMPARE(m_panel.rxd(), QString());
        QCOMPARE(m_panel.status(), QString());
        QVERIFY(!m_panel.form().exchange().timer4().isActive());
    }

    void charactersWithoutATransmitAreShownWithoutTheMark()
    {
        QVERIFY(m_panel.startOnCom1());
        m_projector->send("80\r");
        QTRY_COMPARE(m_panel.rxd(), QStringLiteral(" 8 0  [CR] "));
        // No reply window runs that could end in the mark.
        QVERIFY(!m_panel.form().exchange().timer2().isActive());
    }

    void aSecondTransmitEmptiesTheBuffer()
    {
        QVERIFY(m_panel.startOnCom1());
        m_projector->send("junk");
        QTRY_COMPARE(m_panel.rxd(), QStringLiteral(" j u n k "));
        m_panel.click("Status");
        QCOMPARE(m_panel.rxd(), QString());
        // The reply alone, without the junk before it.
        m_projector->send("00\r");
        QTRY_COMPARE(m_panel.rxd(), QStringLiteral(" 0 0  [CR] "));
        QCOMPARE(m_panel.status(), QStringLiteral(" Power ON"));
    }

    void theReceiveBufferIsBounded()
    {
        QVERIFY(m_panel.startOnCom1());
        m_panel.form().exchange().setIntervals({60000, 60000});
        m_panel.click("Status");
        qsizetype arrived = 0;
        QObject::connect(&m_panel.form().exchange(), &Exchange::bytesReceived,
                         [&arrived](const QByteArray &bytes) { arrived += bytes.size(); });
        QByteArray flood(40000, 'A');
        flood[0] = ' ';
        m_projector->send(flood);
        // Once every byte has arrived, the RxD line shows the first 32767
        // characters, and only those.
        QTRY_COMPARE_WITH_TIMEOUT(arrived, flood.size(), 10000);
        QCOMPARE(m_panel.rxd(), MonitorRendering::render(flood.left(32767)));
        QVERIFY(!m_panel.spaceLegend()->isHidden());
    }

    // --- the serial line going away -------------------------------------------

    void aLostDeviceClosesThePort()
    {
        QVERIFY(m_panel.startOnCom1());
        QSignalSpy lost(&m_panel.comm(), &MSComm::deviceLost);
        m_projector->hangUp();
        QTRY_VERIFY(!m_panel.comm().PortOpen());
        QCOMPARE(lost.count(), 1);

        // Sending now writes nothing and shows the exchange as usual.
        m_panel.form().exchange().setIntervals({100, 5000});
        m_panel.click("Power", "On");
        QCOMPARE(m_panel.txd(), QStringLiteral(" C 0 0  [CR] "));
        QTRY_COMPARE(m_panel.rxd(), QStringLiteral(" X X X X"));
        QCOMPARE(lost.count(), 1);
    }

    void endClosesThePortAndTheWindow()
    {
        QVERIFY(m_panel.startOnCom1());
        m_panel.form().setFullView(true);
        m_panel.form().show();
        QTest::mouseClick(m_panel.button("END"), Qt::LeftButton);
        QVERIFY(!m_panel.form().isVisible());
        QVERIFY(!m_panel.comm().PortOpen());
    }

    void closingTheWindowClosesThePort()
    {
        QVERIFY(m_panel.startOnCom1());
        m_panel.form().show();
        QVERIFY(m_panel.form().close());
        QVERIFY(!m_panel.comm().PortOpen());
    }

private:
    void createForm() { m_panel.startFromTheStore(PanelFixture::View::Hidden); }
    // Rows of the panel's button table, `count` of them, by name.
    static void buttonRows(const QList<TableData::PanelButton> &rows, qsizetype count)
    {
        QTest::addColumn<TableData::PanelButton>("row");
        for (const TableData::PanelButton &row : rows)
            QTest::newRow(qPrintable(row.name)) << row;
        QCOMPARE(rows.size(), count);
    }

    std::unique_ptr<FakeProjector> m_projector;
    std::unique_ptr<ModalWatcher> m_watcher;
    PanelFixture m_panel;
};

QTEST_MAIN(Form1Test)
#include "tst_form1.moc"
