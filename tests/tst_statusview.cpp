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

    void interpretsRepliesAsTheyArrive_data()
    {
        QTest::addColumn<QString>("button");
        QTest::addColumn<Chunks>("chunks");  // each arrives in its own receive event
        QTest::addColumn<QString>("status");

        const QString unchanged = QStringLiteral(" previous");
        QTest::newRow("status in one piece") << "Command44" << Chunks{"80\r"} << " Stand by";
        QTest::newRow("status split") << "Command44" << Chunks{"0", "0\r"} << " Power ON";
        QTest::newRow("status, first piece too short") << "Command44" << Chunks{"0"} << unchanged;
        QTest::newRow("status with extra text later") << "Command44" << Chunks{"20", "\rxyz"} << " Cooling down";
        QTest::newRow("status after an ACK") << "Command44" << Chunks{"\x06", "00\r"} << unchanged;
        QTest::newRow("input") << "Command45" << Chunks{"3\r"} << " Input 3";
        QTest::newRow("input 6") << "Command45" << Chunks{"6\r"} << unchanged;
        QTest::newRow("setting split") << "Command47" << Chunks{"1", "0", "\r"} << " Top/Bottom reversal";
        QTest::newRow("lamp time split") << "Command46" << Chunks{"001", "23", "\r"} << "     1 2 3   Hour Use";
        QTest::newRow("lamp time replaces the line") << "Command46" << Chunks{"12345\r"} << " 1 2 3 4 5   Hour Use";
        QTest::newRow("lamp time 5 characters") << "Command46" << Chunks{"0123\r"} << unchanged;
        QTest::newRow("lamp time 7 in one event") << "Command46" << Chunks{"00123\rX"} << unchanged;
        QTest::newRow("lamp time 6, then a 7th") << "Command46" << Chunks{"00123\r", "X"} << "     1 2 3   Hour Use";
        QTest::newRow("temperatures split") << "Command54" << Chunks{"025.0 03", "1.5 040.0\r"}
                                            << " 0 2 5 . 0 deg C 0 3 1 . 5 deg C 0 4 0 . 0 deg C ";
        QTest::newRow("temperatures 17") << "Command54" << Chunks{"025.0 031.5 040.0"} << unchanged;
        QTest::newRow("temperatures after an ACK") << "Command54" << Chunks{"\x06" "025.0 031.5 040.0\r"} << unchanged;
        QTest::newRow("lamp status") << "Command55" << Chunks{"000 ", "1O\r"} << " Lamp is OFF";
        QTest::newRow("lamp status shifted") << "Command55" << Chunks{"\n000 1O\r"} << unchanged;
        QTest::newRow("lamp mode button") << "Command76" << Chunks{"000 NORMAL\r"} << " Lamp Mode is NORMAL";
        QTest::newRow("power on has no decoder") << "Command17" << Chunks{"00\r"} << unchanged;
    }
    void interpretsRepliesAsTheyArrive()
    {
        QFETCH(QString, button);
        QFETCH(Chunks, chunks);
        QFETCH(QString, status);
        PanelFixture wired{PanelFixture::onFakeProjector};
        QVERIFY(wired.isConnected());
        wired.form().exchange().setIntervals({60000, 60000});
        wired.label("Label25")->setText(QStringLiteral(" previous"));

        wired.button(button.toLatin1().constData())->click();
        QByteArray arrived;
        for (const QByteArray &chunk : chunks) {
            wired.projector().send(chunk);
            arrived += chunk;
            // Each piece is in once the RxD line shows everything so far.
            QTRY_COMPARE(wired.text("Label12"), MonitorRendering::render(arrived));
        }
        QCOMPARE(wired.text("Label25"), status);
    }

    void aSecondLampTimeReplyDoesNotAddACopy()
    {
        PanelFixture wired{PanelFixture::onFakeProjector};
        QVERIFY(wired.isConnected());
        wired.form().exchange().setIntervals({60000, 60000});
        for (int i = 0; i < 2; ++i) {
            wired.button("Command46")->click();
            wired.projector().send("00123\r");
            QTRY_COMPARE(wired.text("Label25"), QStringLiteral("     1 2 3   Hour Use"));
        }
    }

    void theKeyIsTheFrameLastTransmitted()
    {
        PanelFixture wired{PanelFixture::onFakeProjector};
        QVERIFY(wired.isConnected());
        wired.button("Command44")->click();  // "CR0" from the main window
        // Then "CR4" from another window, through the same transmit path.
        wired.form().Hyouji(QByteArrayLiteral("CR4\r"), Exchange::Transmit);
        QCOMPARE(wired.module().pendingCommand, QByteArray("CR0\r"));
        wired.projector().send("00\r");
        QTRY_COMPARE(wired.text("Label25"), QStringLiteral(" Top/Bottom , Left/Right reversal"));
    }

    void aTransmitLeavesTheStatusLine()
    {
        PanelFixture wired{PanelFixture::onFakeProjector};
        QVERIFY(wired.isConnected());
        wired.button("Command44")->click();
        wired.projector().send("00\r");
        QTRY_COMPARE(wired.text("Label25"), QStringLiteral(" Power ON"));
        wired.button("Command17")->click();
        QCOMPARE(wired.text("Label25"), QStringLiteral(" Power ON"));
    }

    // --- Ctrl+H -----------------------------------------------------------

    void ctrlHSwitchesTheView_data()
    {
        QTest::addColumn<QString>("focus");
        QTest::addColumn<int>("modifiers");
        QTest::addColumn<bool>("switches");

        const int ctrl = Qt::ControlModifier;
        QTest::newRow("Ctrl+H on Power On") << "Command17" << ctrl << true;
        QTest::newRow("Ctrl+H on an arrow") << "Command1" << ctrl << true;
        QTest::newRow("Ctrl+H on END") << "Command16" << ctrl << true;
        QTest::newRow("Ctrl+H on the window") << "Form1" << ctrl << true;
        QTest::newRow("Ctrl+Shift+H") << "Command17" << int(ctrl | Qt::ShiftModifier) << false;
        QTest::newRow("Ctrl+Alt+H") << "Command17" << int(ctrl | Qt::AltModifier) << false;
        QTest::newRow("H alone") << "Command17" << int(Qt::NoModifier) << false;
        QTest::newRow("Shift+H") << "Command17" << int(Qt::ShiftModifier) << false;
    }
    void ctrlHSwitchesTheView()
    {
        QFETCH(QString, focus);
        QFETCH(int, modifiers);
        QFETCH(bool, switches);
        PanelFixture wired{PanelFixture::onFakeProjector};
        Form1 &form = wired.form();
        form.show();
        QVERIFY(QTest::qWaitForWindowActive(&form));
        QWidget *target = focus == u"Form1" ? &form : form.findChild<QWidget *>(focus);
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
        wired.button("Command18")->click();
        const QByteArray marker("C01\r");
        QTRY_VERIFY(wired.projector().received().endsWith(marker));
        QCOMPARE(wired.projector().received(), marker);
    }

    void everyAutoRepeatedKeyDownSwitchesAgain()
    {
        PanelFixture wired{PanelFixture::onFakeProjector};
        Form1 &form = wired.form();
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
        PanelFixture wired{PanelFixture::onFakeProjector};
        Form1 &form = wired.form();
        form.show();
        QVERIFY(QTest::qWaitForWindowExposed(&form));
        const auto inView = [&form](const char *name) {
            const QWidget *w = form.findChild<QWidget *>(QLatin1StringView(name));
            return QRect(QPoint(0, 0), form.size()).contains(QRect(w->mapTo(&form, QPoint(0, 0)), w->size()));
        };
        const QList<const char *> below{"Frame9", "Frame15", "Command44", "Command76", "Command74", "Command33"};
        const QList<const char *> above{"Frame20", "Command16", "Frame6", "Frame21"};
        for (const char *name : below)
            QVERIFY2(!inView(name), name);
        for (const char *name : above)
            QVERIFY2(inView(name), name);
        form.setFullView(true);
        for (const char *name : below)
            QVERIFY2(inView(name), name);
    }
};

QTEST_MAIN(StatusViewTest)
#include "tst_statusview.moc"
