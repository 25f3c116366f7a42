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
#include "support/testsettings.h"

#include <QDialog>
#include <QGuiApplication>
#include <QLabel>
#include <QMouseEvent>
#include <QPushButton>
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
        m_projector = std::make_unique<FakeProjector>();
        QVERIFY(m_projector->open());
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
        QCOMPARE(m_panel.form().MSComm1().PortOpen(), opens);
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
        QVERIFY(m_panel.form().MSComm1().PortOpen());
        QCOMPARE(int(m_panel.module().baudCode), baudCode);
        QCOMPARE(m_panel.form().MSComm1().Settings(), settings);
    }

    void aStoredPortThatDoesNotOpenKeepsTheInitialIntervals()
    {
        TestSettings::mapPort(2, QStringLiteral("/nonexistent/device"));
        TestSettings::storeLink(QStringLiteral("2"), QStringLiteral("192"));
        createForm();
        QVERIFY(!m_panel.form().MSComm1().PortOpen());
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
        openForm();
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
        openForm();
        QCOMPARE(m_panel.form().height(), 353);  // 5300 twips
        QCOMPARE(m_panel.form().width(), 679);   // 10185 twips
        QCOMPARE(m_panel.form().windowTitle(), QStringLiteral("ORVA   RM740  CONTROL"));
        m_panel.form().show();
        QVERIFY(QTest::qWaitForWindowActive(&m_panel.form()));
        QCOMPARE(QApplication::focusWidget(), button("Command17"));
    }

    // --- one-shot buttons -------------------------------------------------

    void eachOneShotButtonSendsItsFrame_data()
    {
        QTest::addColumn<QString>("button");
        QTest::addColumn<QByteArray>("frame");

        const QList<std::pair<const char *, const char *>> table{
            {"Command17", "C00"}, {"Command18", "C01"}, {"Command28", "C50"}, {"Command53", "C54"},
            {"Command29", "C51"}, {"Command11", "C06"}, {"Command39", "C5B"}, {"Command56", "C5C"},
            {"Command12", "C07"}, {"Command27", "C34"}, {"Command32", "C10"}, {"Command31", "C0F"},
            {"Command9", "CF LAMPMODE AUTO"}, {"Command68", "CF LAMPMODE NORMAL"},
            {"Command75", "CF LAMPMODE ECO1"}, {"Command40", "CF LAMPMODE ECO2"},
            {"Command19", "C0B"}, {"Command20", "C0C"}, {"Command21", "C0D"}, {"Command22", "C0E"},
            {"Command25", "C43"}, {"Command26", "C44"}, {"Command69", "C28"}, {"Command70", "C29"},
            {"Command41", "CF MIC ON"}, {"Command43", "CF MIC OFF"}, {"Command23", "C1C"},
            {"Command24", "C1D"}, {"Command6", "C3F"}, {"Command4", "C11"}, {"Command36", "C12"},
            {"Command37", "C13"}, {"Command50", "C14"}, {"Command51", "C15"}, {"Command52", "C16"},
            {"Command57", "C17"}, {"Command58", "C18"}, {"Command59", "C19"}, {"Command3", "C1E"},
            {"Command73", "C27"}, {"Command15", "C39"}, {"Command13", "C89"}, {"Command14", "C8A"},
            {"Command34", "C8B"}, {"Command60", "CF KEYDIS NONE"}, {"Command61", "CF KEYDIS RC"},
            {"Command62", "CF KEYDIS KEY"}, {"Command44", "CR0"}, {"Command45", "CR1"},
            {"Command54", "CR6"}, {"Command47", "CR4"}, {"Command46", "CR3"},
            {"Command55", "CR LAMPSTS"}, {"Command76", "CR7"},
        };
        QCOMPARE(table.size(), 54);
        for (const auto &[name, text] : table)
            QTest::newRow(name) << QString::fromLatin1(name) << QByteArray(text) + '\r';
    }
    void eachOneShotButtonSendsItsFrame()
    {
        QFETCH(QString, button);
        QFETCH(QByteArray, frame);
        openForm();
        m_panel.form().setFullView(true);
        m_panel.form().show();

        QPushButton *pushButton = this->button(button.toLatin1().constData());
        QVERIFY(pushButton);
        QVERIFY(pushButton->isVisible());
        QTest::mouseClick(pushButton, Qt::LeftButton);
        QTRY_COMPARE(m_projector->received(), frame);
        QCOMPARE(m_panel.module().pendingCommand, frame);
        QCOMPARE(line("Label11")->text(), MonitorRendering::render(frame));
        QVERIFY(!line("Label28")->isHidden());
        // A reply is awaited: the reply window, cut short, ends in the no-reply mark.
        timer("Timer2")->setInterval(50);
        QTRY_COMPARE(line("Label12")->text(), QStringLiteral(" X X X X"));
    }

    void everyClickSendsAFrame()
    {
        openForm();
        m_panel.form().show();
        QPushButton *on = button("Command17");
        using E = QEvent;
        // One click, then a double click: press, release, double-click press, release.
        for (E::Type type : {E::MouseButtonPress, E::MouseButtonRelease, E::MouseButtonPress,
                             E::MouseButtonRelease, E::MouseButtonDblClick, E::MouseButtonRelease})
            sendMouse(on, type, Qt::LeftButton);
        QTRY_COMPARE(m_projector->frames().size(), 3);
        QCOMPARE(m_projector->received(), QByteArray("C00\rC00\rC00\r"));
    }

    void spaceBarOnTheFocusedButtonSendsItsFrame()
    {
        openForm();
        m_panel.form().show();
        QVERIFY(QTest::qWaitForWindowActive(&m_panel.form()));
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Space);
        QTRY_COMPARE(m_projector->received(), QByteArray("C00\r"));
    }

    void serviceButtonsSendNothing_data()
    {
        QTest::addColumn<QString>("button");
        QTest::addColumn<QString>("thenPress");  // in the dialog it opened, if any

        QTest::newRow("COM") << "Command33" << "Command2";
        QTest::newRow("Command Table") << "Command74" << QString();
    }
    void serviceButtonsSendNothing()
    {
        QFETCH(QString, button);
        QFETCH(QString, thenPress);
        openForm();
        m_panel.form().setFullView(true);
        m_panel.form().show();
        QTest::mouseClick(this->button(button.toLatin1().constData()), Qt::LeftButton);
        if (!thenPress.isEmpty()) {
            auto *dialog = m_panel.form().findChild<QDialog *>(QStringLiteral("Form2"));
            QVERIFY(dialog);
            auto *dialogButton = dialog->findChild<QPushButton *>(thenPress);
            QVERIFY(dialogButton);
            QTest::mouseClick(dialogButton, Qt::LeftButton);
        }
        QVERIFY2(m_panel.form().MSComm1().PortOpen(), qPrintable(m_panel.form().MSComm1().errorString()));
        QVERIFY(m_watcher->messageBoxes().isEmpty());
        QTest::mouseClick(this->button("Command17"), Qt::LeftButton);
        QTRY_COMPARE(m_projector->received(), QByteArray("C00\r"));
    }

    // --- monitor and timers -------------------------------------------------

    void aReplyInPiecesGrowsOnTheRxdLine()
    {
        openForm();
        click("Command44");
        QTRY_COMPARE(m_projector->received(), QByteArray("CR0\r"));
        m_projector->send("0");
        QTRY_COMPARE(line("Label12")->text(), QStringLiteral(" 0 "));
        m_projector->send("0\r");
        QTRY_COMPARE(line("Label12")->text(), QStringLiteral(" 0 0  [CR] "));
        // The reply window, cut short, ends without the no-reply mark.
        timer("Timer2")->setInterval(50);
        QTRY_VERIFY(line("Label28")->isHidden());
        QCOMPARE(line("Label12")->text(), QStringLiteral(" 0 0  [CR] "));
    }

    void aReplyKeepsTheRxdLineWhenTheReplyWindowCloses()
    {
        openForm();
        m_panel.form().exchange().setIntervals({200, 400});
        click("Command17");
        m_projector->send("\x06");
        QTRY_COMPARE(line("Label12")->text(), QStringLiteral("  [ACK] "));
        QTRY_VERIFY(!m_panel.form().exchange().timer2().isActive());
        QCOMPARE(line("Label12")->text(), QStringLiteral("  [ACK] "));
        QVERIFY(line("Label28")->isHidden());
        // The buffer was emptied: what comes next starts a new RxD line.
        m_projector->send("0");
        QTRY_COMPARE(line("Label12")->text(), QStringLiteral(" 0 "));
    }

    void noReplyShowsTheMarkThenABlankMonitor()
    {
        openForm();
        QCOMPARE(m_panel.form().exchange().timer2().interval(), 1000);
        click("Command44");
        QCOMPARE(line("Label11")->text(), QStringLiteral(" C R 0  [CR] "));
        QCOMPARE(line("Label12")->text(), QString());
        QVERIFY(!line("Label28")->isHidden());
        QTRY_COMPARE_WITH_TIMEOUT(line("Label12")->text(), QStringLiteral(" X X X X"), 3000);
        QVERIFY(line("Label28")->isHidden());
        QCOMPARE(line("Label11")->text(), QStringLiteral(" C R 0  [CR] "));
        QTRY_COMPARE_WITH_TIMEOUT(line("Label11")->text(), QString(), 3000);
        QCOMPARE(line("Label12")->text(), QString());
        QCOMPARE(line("Label25")->text(), QString());
        QVERIFY(!m_panel.form().exchange().timer4().isActive());
    }

    void charactersWithoutATransmitAreShownWithoutTheMark()
    {
        openForm();
        m_projector->send("80\r");
        QTRY_COMPARE(line("Label12")->text(), QStringLiteral(" 8 0  [CR] "));
        // No reply window runs that could end in the mark.
        QVERIFY(!timer("Timer2")->isActive());
    }

    void aSecondTransmitEmptiesTheBuffer()
    {
        openForm();
        m_projector->send("junk");
        QTRY_COMPARE(line("Label12")->text(), QStringLiteral(" j u n k "));
        click("Command44");
        QCOMPARE(line("Label12")->text(), QString());
        // The reply alone, without the junk before it.
        m_projector->send("00\r");
        QTRY_COMPARE(line("Label12")->text(), QStringLiteral(" 0 0  [CR] "));
        QCOMPARE(line("Label25")->text(), QStringLiteral(" Power ON"));
    }

    void theReceiveBufferIsBounded()
    {
        openForm();
        m_panel.form().exchange().setIntervals({60000, 60000});
        click("Command44");
        qsizetype arrived = 0;
        QObject::connect(&m_panel.form().exchange(), &Exchange::bytesReceived,
                         [&arrived](const QByteArray &bytes) { arrived += bytes.size(); });
        QByteArray flood(40000, 'A');
        flood[0] = ' ';
        m_projector->send(flood);
        // Once every byte has arrived, the RxD line shows the first 32767
        // characters, and only those.
        QTRY_COMPARE_WITH_TIMEOUT(arrived, flood.size(), 10000);
        QCOMPARE(line("Label12")->text(), MonitorRendering::render(flood.left(32767)));
        QVERIFY(!line("Label27")->isHidden());
    }

    // --- the serial line going away -------------------------------------------

    void aLostDeviceClosesThePort()
    {
        openForm();
        QSignalSpy lost(&m_panel.form().MSComm1(), &MSComm::deviceLost);
        m_projector->hangUp();
        QTRY_VERIFY(!m_panel.form().MSComm1().PortOpen());
        QCOMPARE(lost.count(), 1);

        // Sending now writes nothing and shows the exchange as usual.
        m_panel.form().exchange().setIntervals({100, 5000});
        click("Command17");
        QCOMPARE(line("Label11")->text(), QStringLiteral(" C 0 0  [CR] "));
        QTRY_COMPARE(line("Label12")->text(), QStringLiteral(" X X X X"));
        QCOMPARE(lost.count(), 1);
    }

    void endClosesThePortAndTheWindow()
    {
        openForm();
        m_panel.form().setFullView(true);
        m_panel.form().show();
        QTest::mouseClick(button("Command16"), Qt::LeftButton);
        QVERIFY(!m_panel.form().isVisible());
        QVERIFY(!m_panel.form().MSComm1().PortOpen());
    }

    void closingTheWindowClosesThePort()
    {
        openForm();
        m_panel.form().show();
        QVERIFY(m_panel.form().close());
        QVERIFY(!m_panel.form().MSComm1().PortOpen());
    }

private:
    void createForm() { m_panel.startFromTheStore(PanelFixture::View::Hidden); }
    void openForm()
    {
        TestSettings::storeLink(QStringLiteral("1"), QStringLiteral("192"));
        createForm();
        QVERIFY(m_panel.form().MSComm1().PortOpen());
    }
    QPushButton *button(const char *name) const { return m_panel.button(name); }
    QLabel *line(const char *name) const { return m_panel.label(name); }
    QTimer *timer(const char *name) const
    {
        return m_panel.form().findChild<QTimer *>(QLatin1StringView(name));
    }
    void click(const char *name) { m_panel.click(name); }
    static void sendMouse(QWidget *target, QEvent::Type type, Qt::MouseButton button)
    {
        PanelFixture::sendMouse(target, type, button);
    }

    std::unique_ptr<FakeProjector> m_projector;
    std::unique_ptr<ModalWatcher> m_watcher;
    PanelFixture m_panel;
};

QTEST_MAIN(Form1Test)
#include "tst_form1.moc"
