// Press-and-hold repeat of the arrow buttons, through the real window and a
// pseudo-terminal.

#include "exchange/exchange.h"
#include "panel/holdrepeat.h"
#include "support/wiredform.h"

#include <QElapsedTimer>
#include <QTest>
#include <QTimer>

class HoldRepeatTest : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase() { TestSettings::useTemporaryStore(); }

    void init()
    {
        m_wired = std::make_unique<WiredForm>();
        QVERIFY(m_wired->isConnected());
        form().setFullView(true);
        form().show();
    }
    void cleanup() { m_wired.reset(); }

    void eachArrowSendsItsFrameAtThePress_data()
    {
        QTest::addColumn<QString>("button");
        QTest::addColumn<QByteArray>("frame");
        QTest::addColumn<int>("repeatCode");
        const QList<std::tuple<const char *, const char *, int>> table{
            {"Command1", "C09", 1}, {"Command2", "C0A", 2}, {"Command5", "C3C", 3},
            {"Command7", "C3D", 4}, {"Command38", "C3B", 5}, {"Command8", "C3A", 6},
            {"Command30", "C20", 7}, {"Command42", "C21", 8}, {"Command48", "C30", 9},
            {"Command49", "C31", 10}, {"Command10", "C8E", 11}, {"Command35", "C8F", 12},
        };
        for (const auto &[name, text, code] : table)
            QTest::newRow(name) << QString::fromLatin1(name) << QByteArray(text) + '\r' << code;
    }
    void eachArrowSendsItsFrameAtThePress()
    {
        QFETCH(QString, button);
        QFETCH(QByteArray, frame);
        QFETCH(int, repeatCode);
        QPushButton *arrow = m_wired->button(button.toLatin1().constData());
        WiredForm::sendMouse(arrow, QEvent::MouseButtonPress, Qt::LeftButton);
        QCOMPARE(int(form().holdRepeat().repeatCode()), repeatCode);
        QCOMPARE(m_wired->module().pendingCommand, frame);
        QTRY_COMPARE(projector().received().left(frame.size()), frame);
        WiredForm::sendMouse(arrow, QEvent::MouseButtonRelease, Qt::LeftButton);
        QCOMPARE(int(form().holdRepeat().repeatCode()), 0);
    }

    void aShortPressSendsOneFrame()
    {
        QPushButton *up = m_wired->button("Command1");
        WiredForm::sendMouse(up, QEvent::MouseButtonPress, Qt::LeftButton);
        WiredForm::sendMouse(up, QEvent::MouseButtonRelease, Qt::LeftButton);
        QVERIFY(!form().holdRepeat().timer1().isActive());
        expectWireAfterMarker("C09\r");
    }

    void aHoldRepeatsEvery100ms_data()
    {
        QTest::addColumn<int>("mouseButton");
        QTest::newRow("left") << int(Qt::LeftButton);
        QTest::newRow("right") << int(Qt::RightButton);
        QTest::newRow("middle") << int(Qt::MiddleButton);
    }
    void aHoldRepeatsEvery100ms()
    {
        QFETCH(int, mouseButton);
        const auto button = Qt::MouseButton(mouseButton);
        QPushButton *bright = m_wired->button("Command30");
        QElapsedTimer held;
        held.start();
        WiredForm::sendMouse(bright, QEvent::MouseButtonPress, button);
        QCOMPARE(form().exchange().timer2().interval(), 150);
        QCOMPARE(form().exchange().timer4().interval(), 200);
        QTRY_VERIFY_WITH_TIMEOUT(projector().frames().size() >= 10, 10000);
        WiredForm::sendMouse(bright, QEvent::MouseButtonRelease, button);
        const qint64 ms = held.elapsed();

        const QList<QByteArray> frames = sentAfterMarker();
        const qsizetype expected = 1 + ms / 100;
        QVERIFY2(frames.size() >= expected - 2 && frames.size() <= expected + 1,
                 qPrintable(QStringLiteral("%1 frames in %2 ms").arg(frames.size()).arg(ms)));
        for (const QByteArray &frame : frames)
            QCOMPARE(frame, QByteArray("C20\r"));
    }

    void aSecondMouseButtonDuringAHoldChangesNothing()
    {
        QPushButton *down = m_wired->button("Command2");
        WiredForm::sendMouse(down, QEvent::MouseButtonPress, Qt::LeftButton);
        WiredForm::sendMouse(down, QEvent::MouseButtonPress, Qt::RightButton, Qt::LeftButton);
        QCOMPARE(m_wired->module().pendingCommand, QByteArray("C0A\r"));
        QTRY_COMPARE(projector().frames().size(), 1);
        // Releasing either button ends the hold.
        WiredForm::sendMouse(down, QEvent::MouseButtonRelease, Qt::RightButton, Qt::LeftButton);
        QVERIFY(!form().holdRepeat().isHolding());
        QVERIFY(!form().holdRepeat().timer1().isActive());
        // The other release runs the release steps once more.
        m_wired->label("Label11")->setText(QStringLiteral("x"));
        WiredForm::sendMouse(down, QEvent::MouseButtonRelease, Qt::LeftButton);
        QCOMPARE(m_wired->text("Label11"), QString());
        expectWireAfterMarker("C0A\r");
    }

    void theSpaceBarOnAnArrowSendsNothing()
    {
        QVERIFY(QTest::qWaitForWindowActive(&form()));
        QPushButton *left = m_wired->button("Command38");
        left->setFocus();
        QTest::keyClick(left, Qt::Key_Space);
        QVERIFY(!form().holdRepeat().isHolding());
        expectWireAfterMarker("");
    }

    void theReleaseBlanksTheMonitorAndSetsTheAfterHoldIntervals()
    {
        QPushButton *zoom = m_wired->button("Command48");
        WiredForm::sendMouse(zoom, QEvent::MouseButtonPress, Qt::LeftButton);
        projector().send("\x06");
        QTRY_COMPARE(m_wired->text("Label12"), QStringLiteral("  [ACK] "));
        WiredForm::sendMouse(zoom, QEvent::MouseButtonRelease, Qt::LeftButton);

        QCOMPARE(m_wired->text("Label11"), QString());
        QCOMPARE(m_wired->text("Label12"), QString());
        Exchange &exchange = form().exchange();
        QVERIFY(exchange.receiveBuffer().isEmpty());
        QVERIFY(!exchange.timer2().isActive());
        QVERIFY(exchange.timer4().isActive());
        QCOMPARE(exchange.timer2().interval(), 500);
        QCOMPARE(exchange.timer4().interval(), 1000);
        // The CR legend shown by the hold's frames stays until the next reply window ends.
        QVERIFY(!m_wired->label("Label28")->isHidden());
        QCOMPARE(m_wired->module().pendingCommand, QByteArray("C30\r"));

        // Later frames, one-shot ones included, keep the after-hold intervals.
        m_wired->button("Command44")->click();
        QCOMPARE(exchange.timer2().interval(), 500);
        QCOMPARE(exchange.timer4().interval(), 1000);
        QTRY_COMPARE(m_wired->text("Label12"), Exchange::NoReplyMark);
        QVERIFY(m_wired->label("Label28")->isHidden());
    }

    void aHoldEndsWhenTheButtonIsHidden()
    {
        QPushButton *keystone = m_wired->button("Command10");
        WiredForm::sendMouse(keystone, QEvent::MouseButtonPress, Qt::LeftButton);
        QVERIFY(form().holdRepeat().isHolding());
        form().setFullView(false);
        form().hide();
        QVERIFY(!form().holdRepeat().isHolding());
        QVERIFY(!form().holdRepeat().timer1().isActive());
    }

    void aHoldEndsWhenTheWindowIsDeactivated()
    {
        QVERIFY(QTest::qWaitForWindowActive(&form()));
        QPushButton *keystone = m_wired->button("Command35");
        WiredForm::sendMouse(keystone, QEvent::MouseButtonPress, Qt::LeftButton);
        QVERIFY(form().holdRepeat().isHolding());
        QWidget other;
        other.show();
        other.activateWindow();
        QTRY_VERIFY(!form().holdRepeat().isHolding());
        QVERIFY(!form().holdRepeat().timer1().isActive());
    }

private:
    Form1 &form() { return m_wired->form(); }
    FakeProjector &projector() { return m_wired->projector(); }

    // Sends a marker frame and returns the frames that came before it, so no
    // wait is needed to know that nothing else was sent.
    QList<QByteArray> sentAfterMarker()
    {
        const QByteArray marker("C1E\r");
        form().Hyouji(marker, Exchange::Transmit);
        if (!QTest::qWaitFor([this, &marker] { return projector().received().endsWith(marker); }))
            return {};
        QList<QByteArray> frames = projector().frames();
        frames.removeLast();
        return frames;
    }
    void expectWireAfterMarker(const QByteArray &before)
    {
        const QList<QByteArray> frames = sentAfterMarker();
        QCOMPARE(frames.join(), before);
    }

    std::unique_ptr<WiredForm> m_wired;
};

QTEST_MAIN(HoldRepeatTest)
#include "tst_holdrepeat.moc"
