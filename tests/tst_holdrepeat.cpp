// Press-and-hold repeat of the arrow buttons, through the real window and a
// pseudo-terminal.

#include "exchange/exchange.h"
#include "panel/holdrepeat.h"
#include "support/panelfixture.h"
#include "support/tabledata.h"

#include <QElapsedTimer>
#include <QTest>
#include <QTimer>

#include <functional>

namespace {

// The intervals of a hold, in milliseconds: the repeat, then the reply window
// (Timer2) and the monitor hold (Timer4) during a hold and after it.
constexpr int RepeatInterval = 100;
constexpr int HoldReplyWindow = 150;
constexpr int HoldMonitorHold = 200;
constexpr int AfterHoldReplyWindow = 500;
constexpr int AfterHoldMonitorHold = 1000;

// What the operator sees of an exchange at one moment.
struct Monitor {
    QString txd;
    QString rxd;
    QString status;
    bool crLegend = false;

    friend bool operator==(const Monitor &, const Monitor &) = default;
};

char *toString(const Monitor &m)
{
    return QTest::toString(QStringLiteral("TxD \"%1\" RxD \"%2\" status \"%3\" CR legend %4")
                               .arg(m.txd, m.rxd, m.status, m.crLegend ? u"shown" : u"hidden"));
}

// Moments to look at the monitor: a tenth of an interval before and after it.
QList<int> around(int interval) { return {interval - interval / 10, interval + interval / 10}; }

// Looks at the monitor at given moments from now. The looks are taken by
// precise timers on the window's own event loop, which runs due timers in the
// order they fall due: a busy machine delays them together with the window's
// timers but cannot put one before the other.
class MonitorLooks : public QObject
{
public:
    MonitorLooks(std::function<Monitor()> look, const QList<int> &moments)
        : m_seen(moments.size())
    {
        for (qsizetype i = 0; i < moments.size(); ++i) {
            QTimer::singleShot(moments.at(i), Qt::PreciseTimer, this, [this, i, look] {
                m_seen[i] = look();
                ++m_taken;
            });
        }
    }

    [[nodiscard]] bool wait()
    {
        return QTest::qWaitFor([this] { return m_taken == m_seen.size(); }, 10000);
    }
    [[nodiscard]] const Monitor &at(qsizetype i) const { return m_seen.at(i); }

private:
    QList<Monitor> m_seen;
    qsizetype m_taken = 0;
};

} // namespace

class HoldRepeatTest : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase() { TestSettings::useTemporaryStore(); }

    void init() { QVERIFY(m_panel.startOnFakeProjector(PanelFixture::View::ShownFull)); }
    void cleanup() { m_panel.reset(); }

    void eachArrowSendsItsFrameAtThePressAndRepeatsIt_data()
    {
        QTest::addColumn<QString>("group");
        QTest::addColumn<QString>("arrow");
        QTest::addColumn<QByteArray>("frame");
        const QList<TableData::PanelButton> arrows = TableData::panelButtons(TableData::Buttons::Hold);
        for (const TableData::PanelButton &row : arrows)
            QTest::addRow("%s %s", qPrintable(row.group), qPrintable(row.caption))
                << row.group << row.caption << row.sends + '\r';
        QCOMPARE(arrows.size(), 12);
    }
    void eachArrowSendsItsFrameAtThePressAndRepeatsIt()
    {
        QFETCH(QString, group);
        QFETCH(QString, arrow);
        QFETCH(QByteArray, frame);
        QAbstractButton *held = m_panel.button(group, arrow);
        PanelFixture::sendMouse(held, QEvent::MouseButtonPress, Qt::LeftButton);
        QCOMPARE(m_panel.module().pendingCommand, frame);
        QTRY_COMPARE(projector().received().left(frame.size()), frame);
        // The repeated frames come from the held button's row of the repeat
        // table, not from the first frame.
        QTRY_VERIFY(projector().frames().size() >= 3);
        PanelFixture::sendMouse(held, QEvent::MouseButtonRelease, Qt::LeftButton);
        QVERIFY(!timer1().isActive());
        const QList<QByteArray> frames = sentBeforeMarker();
        QVERIFY(frames.size() >= 3);
        for (const QByteArray &sent : frames)
            QCOMPARE(sent, frame);
    }

    void aShortPressSendsOneFrame()
    {
        QAbstractButton *up = m_panel.button("Volume", "Up");
        PanelFixture::sendMouse(up, QEvent::MouseButtonPress, Qt::LeftButton);
        PanelFixture::sendMouse(up, QEvent::MouseButtonRelease, Qt::LeftButton);
        QVERIFY(!timer1().isActive());
        expectWireBeforeMarker("C09\r");
    }

    void aHoldRunsOnItsOwnIntervals()
    {
        QAbstractButton *volume = m_panel.button("Volume", "Down");
        PanelFixture::sendMouse(volume, QEvent::MouseButtonPress, Qt::LeftButton);
        QVERIFY(timer1().isActive());
        QCOMPARE(timer1().interval(), RepeatInterval);
        QCOMPARE(timer2().interval(), HoldReplyWindow);
        QCOMPARE(timer4().interval(), HoldMonitorHold);

        PanelFixture::sendMouse(volume, QEvent::MouseButtonRelease, Qt::LeftButton);
        QVERIFY(!timer1().isActive());
        QVERIFY(!timer2().isActive());
        QVERIFY(timer4().isActive());
        QCOMPARE(timer2().interval(), AfterHoldReplyWindow);
        QCOMPARE(timer4().interval(), AfterHoldMonitorHold);

        // Later frames, one-shot ones included, keep the after-hold intervals.
        m_panel.click("Status");
        QCOMPARE(timer2().interval(), AfterHoldReplyWindow);
        QCOMPARE(timer4().interval(), AfterHoldMonitorHold);
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
        QAbstractButton *bright = m_panel.button("Bright", "Up");
        QElapsedTimer held;
        held.start();
        PanelFixture::sendMouse(bright, QEvent::MouseButtonPress, button);
        QTRY_VERIFY_WITH_TIMEOUT(projector().frames().size() >= 10, 10000);
        PanelFixture::sendMouse(bright, QEvent::MouseButtonRelease, button);
        const qint64 ms = held.elapsed();

        const QList<QByteArray> frames = sentBeforeMarker();
        const qsizetype expected = 1 + ms / RepeatInterval;
        QVERIFY2(frames.size() >= expected - 2 && frames.size() <= expected + 1,
                 qPrintable(QStringLiteral("%1 frames in %2 ms").arg(frames.size()).arg(ms)));
        for (const QByteArray &frame : frames)
            QCOMPARE(frame, QByteArray("C20\r"));
    }

    void aSecondMouseButtonDuringAHoldChangesNothing()
    {
        QAbstractButton *down = m_panel.button("Volume", "Down");
        PanelFixture::sendMouse(down, QEvent::MouseButtonPress, Qt::LeftButton);
        PanelFixture::sendMouse(down, QEvent::MouseButtonPress, Qt::RightButton, Qt::LeftButton);
        QCOMPARE(m_panel.module().pendingCommand, QByteArray("C0A\r"));
        QTRY_COMPARE(projector().frames().size(), 1);
        // Releasing either button ends the hold.
        PanelFixture::sendMouse(down, QEvent::MouseButtonRelease, Qt::RightButton, Qt::LeftButton);
        QVERIFY(!timer1().isActive());
        // The other release runs the release steps once more.
        m_panel.txdLine()->setText(QStringLiteral("x"));
        PanelFixture::sendMouse(down, QEvent::MouseButtonRelease, Qt::LeftButton);
        QCOMPARE(m_panel.txd(), QString());
        expectWireBeforeMarker("C0A\r");
        expectANewHoldStarts();
    }

    void aPressOnAnotherArrowDuringAHoldSendsNothing()
    {
        QAbstractButton *zoomIn = m_panel.button("D.Zoom", "Up");
        QAbstractButton *zoomOut = m_panel.button("D.Zoom", "Down");
        PanelFixture::sendMouse(zoomIn, QEvent::MouseButtonPress, Qt::LeftButton);
        PanelFixture::sendMouse(zoomOut, QEvent::MouseButtonPress, Qt::LeftButton);
        PanelFixture::sendMouse(zoomOut, QEvent::MouseButtonRelease, Qt::LeftButton);
        // The release of either ends the hold; only the first press was sent.
        QVERIFY(!timer1().isActive());
        PanelFixture::sendMouse(zoomIn, QEvent::MouseButtonRelease, Qt::LeftButton);
        const QList<QByteArray> frames = sentBeforeMarker();
        QVERIFY(!frames.isEmpty());
        for (const QByteArray &frame : frames)
            QCOMPARE(frame, QByteArray("C30\r"));
    }

    void theSpaceBarOnAnArrowSendsNothing()
    {
        QVERIFY(QTest::qWaitForWindowActive(&form()));
        QAbstractButton *left = m_panel.button("Menu", "Left");
        left->setFocus();
        QTest::keyClick(left, Qt::Key_Space);
        QVERIFY(!timer1().isActive());
        expectWireBeforeMarker("");
        expectANewHoldStarts();
    }

    void theReleaseBlanksTheMonitorLinesAndKeepsTheCrLegend()
    {
        QAbstractButton *zoom = m_panel.button("D.Zoom", "Up");
        PanelFixture::sendMouse(zoom, QEvent::MouseButtonPress, Qt::LeftButton);
        projector().send("\x06");
        QTRY_COMPARE(m_panel.rxd(), QStringLiteral("  [ACK] "));
        PanelFixture::sendMouse(zoom, QEvent::MouseButtonRelease, Qt::LeftButton);

        QCOMPARE(monitor(), (Monitor{QString(), QString(), QString(), true}));
        QCOMPARE(m_panel.module().pendingCommand, QByteArray("C30\r"));
        // The buffer went with the lines: what comes next starts a new RxD line.
        projector().send("0");
        QTRY_COMPARE(m_panel.rxd(), QStringLiteral(" 0 "));
    }

    void theMonitorBlanksAtTheMonitorHoldAfterTheRelease()
    {
        // A status text from before the hold.
        m_panel.click("Status");
        projector().send("00\r");
        QTRY_COMPARE(m_panel.status(), QStringLiteral(" Power ON"));

        QAbstractButton *keystone = m_panel.button("Keystone", "Up");
        PanelFixture::sendMouse(keystone, QEvent::MouseButtonPress, Qt::LeftButton);
        QTRY_VERIFY(projector().received().endsWith("C8E\r"));
        PanelFixture::sendMouse(keystone, QEvent::MouseButtonRelease, Qt::LeftButton);
        MonitorLooks seen([this] { return monitor(); }, around(AfterHoldMonitorHold));
        // A reply that comes after the release shows until the monitor hold ends.
        projector().send("\x06");
        QTRY_COMPARE(m_panel.rxd(), QStringLiteral("  [ACK] "));

        QVERIFY(seen.wait());
        QCOMPARE(seen.at(0), (Monitor{QString(), QStringLiteral("  [ACK] "), QStringLiteral(" Power ON"), true}));
        // Blanked; the legend waits for the end of the next reply window.
        QCOMPARE(seen.at(1), (Monitor{QString(), QString(), QString(), true}));
    }

    void anUnansweredFrameAfterAHoldShowsTheMarkAfterTheShorterWindow()
    {
        QAbstractButton *right = m_panel.button("Menu", "Right");
        PanelFixture::sendMouse(right, QEvent::MouseButtonPress, Qt::LeftButton);
        PanelFixture::sendMouse(right, QEvent::MouseButtonRelease, Qt::LeftButton);

        m_panel.click("Power", "On");
        const QString sent = QStringLiteral(" C 0 0  [CR] ");
        MonitorLooks seen([this] { return monitor(); },
                          around(AfterHoldReplyWindow) + around(AfterHoldMonitorHold));
        QVERIFY(seen.wait());
        QCOMPARE(seen.at(0), (Monitor{sent, QString(), QString(), true}));
        QCOMPARE(seen.at(1), (Monitor{sent, Exchange::NoReplyMark, QString(), false}));
        QCOMPARE(seen.at(2), (Monitor{sent, Exchange::NoReplyMark, QString(), false}));
        QCOMPARE(seen.at(3), (Monitor{QString(), QString(), QString(), false}));
        QTRY_COMPARE(projector().received(), QByteArray("C3A\rC00\r"));
    }

    void aHoldEndsWhenTheButtonIsHidden()
    {
        QAbstractButton *keystone = m_panel.button("Keystone", "Up");
        PanelFixture::sendMouse(keystone, QEvent::MouseButtonPress, Qt::LeftButton);
        QVERIFY(timer1().isActive());
        form().setFullView(false);
        form().hide();
        QVERIFY(!timer1().isActive());
        form().show();
        expectANewHoldStarts();
    }

    void aHoldEndsWhenTheWindowIsDeactivated()
    {
        QVERIFY(QTest::qWaitForWindowActive(&form()));
        QAbstractButton *keystone = m_panel.button("Keystone", "Down");
        PanelFixture::sendMouse(keystone, QEvent::MouseButtonPress, Qt::LeftButton);
        QVERIFY(timer1().isActive());
        {
            QWidget other;
            other.show();
            other.activateWindow();
            QTRY_VERIFY(!timer1().isActive());
        }
        expectANewHoldStarts();
    }

private:
    Form1 &form() { return m_panel.form(); }
    FakeProjector &projector() { return m_panel.projector(); }
    QTimer &timer1() { return form().holdRepeat().timer1(); }
    QTimer &timer2() { return form().exchange().timer2(); }
    QTimer &timer4() { return form().exchange().timer4(); }

    Monitor monitor() const
    {
        return {m_panel.txd(), m_panel.rxd(), m_panel.status(),
                !m_panel.crLegend()->isHidden()};
    }

    // Sends a marker frame and returns the frames that came before it: the
    // pseudo-terminal keeps the order, so anything sent earlier is in by then.
    QList<QByteArray> sentBeforeMarker()
    {
        const QByteArray marker("C1E\r");
        const qsizetype markersBefore = projector().received().count(marker);
        form().Hyouji(marker, Exchange::Transmit);
        if (!QTest::qWaitFor([&] { return projector().received().count(marker) > markersBefore; }))
            return {};
        QList<QByteArray> frames = projector().frames();
        frames.removeLast();
        return frames;
    }
    void expectWireBeforeMarker(const QByteArray &before)
    {
        const QList<QByteArray> frames = sentBeforeMarker();
        QCOMPARE(frames.join(), before);
    }
    // No hold is left in progress: a press on another arrow starts one.
    void expectANewHoldStarts()
    {
        (void)sentBeforeMarker();  // whatever was on its way is in
        projector().clearReceived();
        QAbstractButton *menuUp = m_panel.button("Menu", "Up");
        PanelFixture::sendMouse(menuUp, QEvent::MouseButtonPress, Qt::LeftButton);
        PanelFixture::sendMouse(menuUp, QEvent::MouseButtonRelease, Qt::LeftButton);
        expectWireBeforeMarker("C3C\r");
    }

    PanelFixture m_panel;
};

QTEST_MAIN(HoldRepeatTest)
#include "tst_holdrepeat.moc"
