// The status view: replies to read commands turned into plain English
// through the real receive path, and Ctrl+H switching the view.

#include "exchange/exchange.h"
#include "exchange/monitorrendering.h"
#include "support/panelfixture.h"

#include <QKeyEvent>
#include <QTest>
#include <QTimer>

using Chunks = QList<QByteArray>;

class StatusViewTest : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase() { TestSettings::useTemporaryStore(); }
    void init() { QVERIFY(m_panel.startOnFakeProjector()); }
    void cleanup() { m_panel.reset(); }

    void interpretsRepliesAsTheyArrive_data()
    {
        QTest::addColumn<QString>("button");
        QTest::addColumn<Chunks>("chunks");  // each arrives in its own receive event
        QTest::addColumn<QString>("status");

        const QString unchanged = QStringLiteral(" previous");
        QTest::newRow("status in one piece") << "Status" << Chunks{"80\r"} << " Stand by";
        QTest::newRow("status split") << "Status" << Chunks{"0", "0\r"} << " Power ON";
        QTest::newRow("status, first piece too short") << "Status" << Chunks{"0"} << unchanged;
        QTest::newRow("status with extra text later") << "Status" << Chunks{"20", "\rxyz"} << " Cooling down";
        QTest::newRow("status after an ACK") << "Status" << Chunks{"\x06", "00\r"} << unchanged;
        QTest::newRow("input") << "Input Mode" << Chunks{"3\r"} << " Input 3";
        QTest::newRow("input 6") << "Input Mode" << Chunks{"6\r"} << unchanged;
        QTest::newRow("setting split") << "Setting" << Chunks{"1", "0", "\r"} << " Top/Bottom reversal";
        QTest::newRow("lamp time split") << "Lamp Time" << Chunks{"001", "23", "\r"} << "     1 2 3   Hour Use";
        QTest::newRow("lamp time replaces the line") << "Lamp Time" << Chunks{"12345\r"} << " 1 2 3 4 5   Hour Use";
        QTest::newRow("lamp time 5 characters") << "Lamp Time" << Chunks{"0123\r"} << unchanged;
        QTest::newRow("lamp time 7 in one event") << "Lamp Time" << Chunks{"00123\rX"} << unchanged;
        QTest::newRow("lamp time 6, then a 7th") << "Lamp Time" << Chunks{"00123\r", "X"} << "     1 2 3   Hour Use";
        QTest::newRow("temperatures split") << "Temp" << Chunks{"025.0 03", "1.5 040.0\r"}
                                            << " 0 2 5 . 0 deg C 0 3 1 . 5 deg C 0 4 0 . 0 deg C ";
        QTest::newRow("temperatures 17") << "Temp" << Chunks{"025.0 031.5 040.0"} << unchanged;
        QTest::newRow("temperatures after an ACK") << "Temp" << Chunks{"\x06" "025.0 031.5 040.0\r"} << unchanged;
        QTest::newRow("lamp status") << "Lamp Status" << Chunks{"000 ", "1O\r"} << " Lamp is OFF";
        QTest::newRow("lamp status shifted") << "Lamp Status" << Chunks{"\n000 1O\r"} << unchanged;
        QTest::newRow("lamp mode button") << "Lamp Mode" << Chunks{"000 NORMAL\r"} << " Lamp Mode is NORMAL";
        QTest::newRow("power on has no decoder") << "Power: On" << Chunks{"00\r"} << unchanged;
    }
    void interpretsRepliesAsTheyArrive()
    {
        QFETCH(QString, button);
        QFETCH(Chunks, chunks);
        QFETCH(QString, status);
        m_panel.form().exchange().setIntervals({60000, 60000});
        m_panel.statusLine()->setText(QStringLiteral(" previous"));

        m_panel.click(button);
        QByteArray arrived;
        for (const QByteArray &chunk : chunks) {
            m_panel.projector().send(chunk);
            arrived += chunk;
            // Each piece is in once the RxD line shows everything so far.
            QTRY_COMPARE(m_panel.rxd(), MonitorRendering::render(arrived));
        }
        QCOMPARE(m_panel.status(), status);
    }

    void aSecondLampTimeReplyDoesNotAddACopy()
    {
        m_panel.form().exchange().setIntervals({60000, 60000});
        for (int i = 0; i < 2; ++i) {
            m_panel.click("Lamp Time");
            m_panel.projector().send("00123\r");
            QTRY_COMPARE(m_panel.status(), QStringLiteral("     1 2 3   Hour Use"));
        }
    }

    void theKeyIsTheFrameLastTransmitted()
    {
        m_panel.click("Status");  // "CR0" from the main window
        // Then "CR4" from another window, through the same transmit path.
        m_panel.form().Hyouji(QByteArrayLiteral("CR4\r"), Exchange::Transmit);
        QCOMPARE(m_panel.module().pendingCommand, QByteArray("CR0\r"));
        m_panel.projector().send("00\r");
        QTRY_COMPARE(m_panel.status(), QStringLiteral(" Top/Bottom , Left/Right reversal"));
    }

    void aTransmitLeavesTheStatusLine()
    {
        m_panel.click("Status");
        m_panel.projector().send("00\r");
        QTRY_COMPARE(m_panel.status(), QStringLiteral(" Power ON"));
        m_panel.click("Power", "On");
        QCOMPARE(m_panel.status(), QStringLiteral(" Power ON"));
    }

    // --- Ctrl+H -----------------------------------------------------------

    void ctrlHSwitchesTheView_data()
    {
        QTest::addColumn<QString>("focus");
        QTest::addColumn<int>("modifiers");
        QTest::addColumn<bool>("switches");

        const int ctrl = Qt::ControlModifier;
        QTest::newRow("Ctrl+H on Power On") << "Power: On" << ctrl << true;
        QTest::newRow("Ctrl+H on an arrow") << "Volume: Up" << ctrl << true;
        QTest::newRow("Ctrl+H on END") << "END" << ctrl << true;
        QTest::newRow("Ctrl+H on the window") << "Form1" << ctrl << true;
        QTest::newRow("Ctrl+Shift+H") << "Power: On" << int(ctrl | Qt::ShiftModifier) << false;
        QTest::newRow("Ctrl+Alt+H") << "Power: On" << int(ctrl | Qt::AltModifier) << false;
        QTest::newRow("H alone") << "Power: On" << int(Qt::NoModifier) << false;
        QTest::newRow("Shift+H") << "Power: On" << int(Qt::ShiftModifier) << false;
    }
    void ctrlHSwitchesTheView()
    {
        QFETCH(QString, focus);
        QFETCH(int, modifiers);
        QFETCH(bool, switches);
        Form1 &form = m_panel.form();
        form.show();
        QVERIFY(QTest::qWaitForWindowActive(&form));
        QWidget *target = focus == u"Form1" ? static_cast<QWidget *>(&form) : m_panel.button(focus);
        target->setFocus();
        const QPoint position = form.pos();
        const int width = form.width();

        QTest::keyClick(target, Qt::Key_H, Qt::KeyboardModifiers(modifiers));
        QCOMPARE(form.height(), switches ? 508 : 353);
        QCOMPARE(form.isFullView(), switches);
        QTest::keyClick(target, Qt::Key_H, Qt::KeyboardModifiers(modifiers));
        QCOMPARE(form.height(), 353);
        QCOMPARE(form.width(), width);
        QCOMPARE(form.pos(), position);
        // A frame the keys had sent would reach the projector before this one.
        m_panel.click("Power", "Off");
        const QByteArray marker("C01\r");
        QTRY_VERIFY(m_panel.projector().received().endsWith(marker));
        QCOMPARE(m_panel.projector().received(), marker);
    }

    void everyAutoRepeatedKeyDownSwitchesAgain()
    {
        Form1 &form = m_panel.form();
        form.show();
        QVERIFY(QTest::qWaitForWindowActive(&form));
        for (int i = 1; i <= 5; ++i) {
            QKeyEvent press(QEvent::KeyPress, Qt::Key_H, Qt::ControlModifier, QString(), i > 1);
            QApplication::sendEvent(QApplication::focusWidget(), &press);
            QCOMPARE(form.isFullView(), i % 2 == 1);
        }
    }

    void theFullViewShowsTheMonitorAndTheReadButtons()
    {
        Form1 &form = m_panel.form();
        form.show();
        QVERIFY(QTest::qWaitForWindowExposed(&form));
        const auto inView = [&form](const QWidget *w) {
            return QRect(QPoint(0, 0), form.size()).contains(QRect(w->mapTo(&form, QPoint(0, 0)), w->size()));
        };
        const auto group = [&form](const char *name) { return form.findChild<QWidget *>(QLatin1StringView(name)); };
        const QList<QWidget *> below{group("Frame9"), m_panel.statusArea(), m_panel.button("Status"),
                                     m_panel.button("Lamp Mode"), m_panel.button("Command Table"), m_panel.button("COM")};
        const QList<QWidget *> above{group("Frame20"), m_panel.button("END"), group("Frame6"), group("Frame21")};
        for (const QWidget *w : below)
            QVERIFY2(!inView(w), qPrintable(w->objectName()));
        for (const QWidget *w : above)
            QVERIFY2(inView(w), qPrintable(w->objectName()));
        form.setFullView(true);
        for (const QWidget *w : below)
            QVERIFY2(inView(w), qPrintable(w->objectName()));
    }

private:
    PanelFixture m_panel;
};

QTEST_MAIN(StatusViewTest)
#include "tst_statusview.moc"
