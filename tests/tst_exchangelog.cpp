// The exchange log through the real windows and a pseudo-terminal with the
// simulated projector at its far end: what it shows of each exchange and of
// a hold, its bound, Save and Clear, Ctrl+L and the monitor lines' context
// menu, what a screen reader finds, and that the main window behaves the
// same with the log open.

#include "catalogue/form3.h"
#include "exchange/exchange.h"
#include "exchange/monitorrendering.h"
#include "logwindow/exchangelogaccess.h"
#include "logwindow/exchangelogfiltermodel.h"
#include "logwindow/exchangelogmodel.h"
#include "logwindow/exchangelogwindow.h"
#include "logwindow/exchangerecorder.h"
#include "log/logfile.h"
#include "support/modalwatcher.h"
#include "support/panelfixture.h"

#include <QAccessible>
#include <QClipboard>
#include <QComboBox>
#include <QFileDialog>
#include <QFont>
#include <QHeaderView>
#include <QKeyEvent>
#include <QLineEdit>
#include <QMenu>
#include <QPushButton>
#include <QRegularExpression>
#include <QScrollBar>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>
#include <QTreeView>

#include <functional>
#include <memory>

using Direction = LogRow::Direction;

namespace {

QByteArray numbered(int n)
{
    return "F" + QByteArray::number(n) + '\r';
}

// What the main window shows and runs at one moment.
struct Snapshot {
    QString txd, rxd, status;
    bool spaceLegend = false, crLegend = false, statusArea = false;
    int timer2 = 0, timer4 = 0;
    bool timer2Active = false, timer4Active = false;
    QSize size;
    QString title;

    friend bool operator==(const Snapshot &, const Snapshot &) = default;
};

char *toString(const Snapshot &s)
{
    return qstrdup(QStringLiteral("[%1|%2|%3] legends %4%5 area %6 T2 %7%8 T4 %9%10")
                       .arg(s.txd, s.rxd, s.status)
                       .arg(s.spaceLegend)
                       .arg(s.crLegend)
                       .arg(s.statusArea)
                       .arg(s.timer2)
                       .arg(s.timer2Active ? "+" : "-")
                       .arg(s.timer4)
                       .arg(s.timer4Active ? "+" : "-")
                       .toUtf8()
                       .constData());
}

} // namespace

class ExchangeLogTest : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase()
    {
        TestSettings::useTemporaryStore();
        // The save dialog starts at home: a test that goes wrong writes nothing of the user's.
        QVERIFY(m_home.isValid());
        qputenv("HOME", QFile::encodeName(m_home.path()));
    }

    void init()
    {
        QVERIFY(m_panel.startOnFakeProjector(PanelFixture::View::ShownFull));
        QVERIFY(QTest::qWaitForWindowActive(&form()));
        // Each test starts from an empty log; the port's own rows have a test of their own.
        recorder().clear();
    }
    void cleanup()
    {
        m_watcher.reset();
        m_panel.reset();
    }

    // --- what an exchange leaves in the log -------------------------------------

    void aStatusExchangeShowsItsFrameReplyStatusAndTimesInOrder()
    {
        projector().emulateProjector();
        ExchangeLogModel &model = openLog().model();
        m_panel.click("Status");
        QTRY_COMPARE(m_panel.status(), QStringLiteral(" Stand by"));
        model.sync();

        const QList<LogRow> rows = topRows(model);
        QVERIFY(rows.size() >= 2);
        QCOMPARE(rows.first().direction, Direction::Transmit);
        QCOMPARE(rows.first().bytes, QByteArray("CR0\r"));
        QCOMPARE(rows.first().details, QStringLiteral("Status"));
        QByteArray reply;
        for (qsizetype i = 1; i < rows.size(); ++i) {
            QCOMPARE(rows[i].direction, Direction::Receive);
            QVERIFY(rows[i].atMs >= rows[i - 1].atMs);
            reply += rows[i].bytes;
        }
        QCOMPARE(reply, QByteArray("80\r"));
        QCOMPARE(rows.last().status, QStringLiteral(" Stand by"));

        // The columns as a reader sees them.
        const int last = model.rowCount() - 1;
        QCOMPARE(cell(model, 0, ExchangeLogModel::TextColumn), QStringLiteral(" C R 0  [CR] "));
        QCOMPARE(cell(model, 0, ExchangeLogModel::DirectionColumn), QStringLiteral("TxD"));
        QCOMPARE(cell(model, last, ExchangeLogModel::StatusColumn), QStringLiteral(" Stand by"));
        QCOMPARE(cell(model, 0, ExchangeLogModel::TimeColumn), LogRows::clockTime(rows.first().atMs));
        QCOMPARE(model.data(model.index(0, ExchangeLogModel::TextColumn), Qt::ToolTipRole).toString(),
                 QStringLiteral("43 52 30 0D"));
        QCOMPARE(model.data(model.index(0, ExchangeLogModel::DetailsColumn), Qt::ToolTipRole).toString(),
                 QStringLiteral("Status (Command44)"));
        QCOMPARE(cell(model, 0, ExchangeLogModel::ReplyColumn), QString::number(rows.first().replyMs));
        QVERIFY(rows.first().replyMs >= 0);
        QCOMPARE(cell(model, last, ExchangeLogModel::ReplyColumn), QString());
    }

    void aSilentDeviceGivesANoReplyRow()
    {
        ExchangeLogModel &model = openLog().model();
        m_panel.click("Status");
        QTRY_COMPARE(m_panel.rxd(), Exchange::NoReplyMark);
        model.sync();
        const QList<LogRow> rows = topRows(model);
        QCOMPARE(rows.size(), 2);
        QCOMPARE(rows[1].direction, Direction::NoReply);
        QVERIFY(rows[1].atMs >= rows[0].atMs);
        QCOMPARE(cell(model, 1, ExchangeLogModel::DirectionColumn), QStringLiteral("no reply"));
        QCOMPARE(cell(model, 1, ExchangeLogModel::TextColumn), Exchange::NoReplyMark);
    }

    void eachFrameSaysWhereItCameFrom_data()
    {
        QTest::addColumn<QString>("sender");
        QTest::addColumn<QByteArray>("frame");
        QTest::addColumn<QString>("details");
        QTest::newRow("one-shot button") << "Power: On" << QByteArray("C00\r") << "Power On";
        QTest::newRow("its group's title and its caption") << "Audio Mute: On" << QByteArray("C0B\r") << "Audio Mute On";
        QTest::newRow("a read button") << "Lamp Time" << QByteArray("CR3\r") << "Lamp Time";
        QTest::newRow("command list") << "command list" << QByteArray("C00\r") << "Command list: C00";
        QTest::newRow("no origin given") << "direct" << QByteArray("C1E\r") << "";
        QTest::newRow("port closed") << "closed port" << QByteArray("C00\r")
                                     << "Power On; not sent: the port is closed";
    }
    void eachFrameSaysWhereItCameFrom()
    {
        QFETCH(QString, sender);
        QFETCH(QByteArray, frame);
        QFETCH(QString, details);
        if (sender == u"command list") {
            m_panel.click("Command Table");
            QVERIFY(form().commandList());
            Controls::control(*form().commandList(), "SEND")->click();
            delete form().commandList();
        } else if (sender == u"direct") {
            form().Hyouji(frame, Exchange::Transmit);
        } else {
            if (sender == u"closed port")
                QVERIFY(m_panel.comm().setPortOpen(false));
            m_panel.click(sender == u"closed port" ? QStringLiteral("Power: On") : sender);
        }
        QList<LogRow> rows = LogRows::all(recorder().ring());
        rows.removeIf([](const LogRow &row) { return row.direction == Direction::Port; });
        QCOMPARE(rows.size(), 1);
        QCOMPARE(rows.first().bytes, frame);
        QCOMPARE(rows.first().details, details);
    }

    void aHoldOfASecondIsOneGroupOfAboutTenFrames()
    {
        projector().emulateProjector();
        ExchangeLogWindow &window = openLog();
        ExchangeLogModel &model = window.model();
        QVERIFY(QTest::qWaitForWindowActive(&window));
        // A hold ends when its window loses the focus: the operator is back on it.
        form().activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(&form()));
        QAbstractButton *bright = m_panel.button("Bright", "Up");
        PanelFixture::sendMouse(bright, QEvent::MouseButtonPress, Qt::LeftButton);
        QTRY_VERIFY_WITH_TIMEOUT(projector().frames().size() >= 10, 10000);
        PanelFixture::sendMouse(bright, QEvent::MouseButtonRelease, Qt::LeftButton);
        const qsizetype onTheWire = projector().frames().size();
        model.sync();

        QCOMPARE(model.rowCount(), 1);
        const QModelIndex group = model.index(0, 0);
        QVERIFY(model.isGroup(group));
        qsizetype frames = 0;
        for (int r = 0; r < model.rowCount(group); ++r) {
            const auto row = model.rowAt(model.index(r, 0, group));
            QVERIFY(row);
            if (row->direction != Direction::Transmit)
                continue;
            ++frames;
            QCOMPARE(row->bytes, QByteArray("C20\r"));
            QCOMPARE(row->details, frames == 1 ? QStringLiteral("Brightness up (held)")
                                               : QStringLiteral("Brightness up (repeat)"));
        }
        QCOMPARE(frames, onTheWire);
        QVERIFY2(frames >= 10 && frames <= 13, qPrintable(QString::number(frames)));
        const QString summary = cell(model, 0, ExchangeLogModel::DetailsColumn);
        QVERIFY2(summary.startsWith(QStringLiteral("Brightness up held: %1 frames, ").arg(frames)),
                 qPrintable(summary));
        QCOMPARE(cell(model, 0, ExchangeLogModel::TextColumn), QStringLiteral(" C 2 0  [CR] "));
        // A cut-off summary can be read whole where the pointer rests, with the control's name.
        QCOMPARE(model.data(model.index(0, ExchangeLogModel::DetailsColumn), Qt::ToolTipRole).toString(),
                 summary + QStringLiteral(" (Command30)"));

        // A one-shot afterwards stands on its own again.
        m_panel.click("Status");
        QTRY_VERIFY(recorder().ring().size() == frames + 1);
        model.sync();
        QVERIFY(model.rowCount() >= 2);
        QVERIFY(!model.isGroup(model.index(1, 0)));
        QCOMPARE(model.rowAt(model.index(1, 0))->bytes, QByteArray("CR0\r"));
    }

    void theLogKeepsExactlyTheNewest10000AndHoldsStillWhileTheyGo()
    {
        ExchangeLogWindow &window = openLog();
        ExchangeLogModel &model = window.model();
        constexpr int Capacity = int(ExchangeRing::DefaultCapacity);
        constexpr int Over = 50;
        for (int i = 0; i < Capacity + Over; ++i) {
            form().Hyouji(numbered(i), Exchange::Transmit);
            if (i % 500 == 0)
                QCoreApplication::processEvents();  // the device takes what it is sent
        }
        model.sync();
        QCOMPARE(recorder().ring().size(), Capacity);
        QCOMPARE(model.rowCount(), Capacity);
        QCOMPARE(model.rowAt(model.index(0, 0))->bytes, numbered(Over));
        QCOMPARE(model.rowAt(model.index(Capacity - 1, 0))->bytes, numbered(Capacity + Over - 1));
        QCOMPARE(LogRows::all(recorder().ring()).size(), Capacity);

        // Scrolled back, the rows in view stay while the oldest go.
        QScrollBar *bar = window.view().verticalScrollBar();
        QTRY_VERIFY(bar->maximum() > 0);
        bar->setValue(bar->maximum() / 2);
        const QByteArray top = topRowInView(window).bytes;
        for (int i = 0; i < 10; ++i)
            form().Hyouji(numbered(Capacity + Over + i), Exchange::Transmit);
        model.sync();
        QCOMPARE(model.rowAt(model.index(0, 0))->bytes, numbered(Over + 10));
        QCOMPARE(topRowInView(window).bytes, top);
    }

    void theWindowFollowsNewRowsAtTheBottomAndHoldsStillWhenScrolledBack()
    {
        ExchangeLogWindow &window = openLog();
        window.resize(600, 300);
        QVERIFY(QTest::qWaitForWindowExposed(&window));
        ExchangeLogModel &model = window.model();
        QScrollBar *bar = window.view().verticalScrollBar();
        int sent = 0;
        const auto send = [&](int count) {
            for (int i = 0; i < count; ++i)
                form().Hyouji(numbered(sent++), Exchange::Transmit);
            QTRY_COMPARE(model.rowCount(), sent);
        };
        send(200);
        QTRY_VERIFY(bar->maximum() > 0);
        QCOMPARE(bar->value(), bar->maximum());
        const int maximumBefore = bar->maximum();
        send(20);
        QTRY_VERIFY(bar->maximum() > maximumBefore);
        QCOMPARE(bar->value(), bar->maximum());

        bar->setValue(10);
        const QByteArray top = topRowInView(window).bytes;
        send(20);
        QTRY_VERIFY(bar->maximum() > maximumBefore + 10);
        QCOMPARE(bar->value(), 10);
        QCOMPARE(topRowInView(window).bytes, top);

        // Back at the bottom, it follows again.
        bar->setValue(bar->maximum());
        send(5);
        QTRY_COMPARE(bar->value(), bar->maximum());
        const QRect newest = window.view().visualRect(window.shownRows().index(sent - 1, 0));
        QVERIFY(window.view().viewport()->rect().contains(newest));
    }

    // --- Save and Clear ------------------------------------------------------------

    void saveWritesAFileThatReadsBackToTheSameRows_data()
    {
        QTest::addColumn<QString>("name");
        QTest::addColumn<bool>("csvFilter");
        QTest::addColumn<QString>("written");
        QTest::addColumn<QByteArray>("firstLine");
        const QByteArray text = "# rm740-control exchange log";
        const QByteArray csv = "time,direction,text,status,details,bytes,raw,reply_ms";
        QTest::newRow("text") << "log.txt" << false << "log.txt" << text;
        QTest::newRow("csv") << "log.csv" << false << "log.csv" << csv;
        QTest::newRow("the type decides over the filter") << "log.txt" << true << "log.txt" << text;
        QTest::newRow("no type: the filter decides") << "log" << true << "log.csv" << csv;
    }
    void saveWritesAFileThatReadsBackToTheSameRows()
    {
        QFETCH(QString, name);
        QFETCH(bool, csvFilter);
        QFETCH(QString, written);
        QFETCH(QByteArray, firstLine);
        const QList<LogRow> rows = someExchanges();
        QCOMPARE(rows.size() >= 4, true);
        QTemporaryDir folder;
        answerSaveDialog(folder.path(), name, csvFilter, true);
        ExchangeLogWindow &window = openLog();
        window.findChild<QPushButton *>(QStringLiteral("Save"))->click();
        QCOMPARE(m_watcher->dialogsAnswered(), 1);
        QCOMPARE(m_watcher->messageBoxes().size(), 0);

        QFile file(folder.filePath(written));
        QVERIFY(file.open(QIODevice::ReadOnly));
        QCOMPARE(file.readLine().trimmed(), firstLine);
        // A text file says which port it came from.
        const QByteArray port = "# port: COM1 (" + QFile::encodeName(projector().devicePath()) + ") at 19200 baud\n";
        QCOMPARE(file.readAll().contains(port), !written.endsWith(u".csv"));
        const LogFile::Reading reading = LogFile::load(file.fileName());
        QVERIFY2(reading.ok(), qPrintable(reading.error));
        QCOMPARE(reading.rows, rows);
        // Saved straight to a path, the other form reads back to the same rows too.
        const QString other = folder.filePath(written.endsWith(u".csv") ? "other.txt" : "other.csv");
        QCOMPARE(window.saveTo(other), std::nullopt);
        QCOMPARE(LogFile::load(other).rows, rows);
        QCOMPARE(QDir(folder.path()).entryList(QDir::Files).size(), 2);
    }

    void aSaveThatFailsSaysSo()
    {
#ifdef Q_OS_WIN
        // Windows removes a folder that the dialog still watches only once the
        // dialog lets go of it, and Wine lets files be made in it meanwhile.
        QSKIP("the folder cannot be taken from under the open dialog on Windows");
#endif
        (void)someExchanges();
        QTemporaryDir folder;
        const QString path = folder.path();
        // The folder goes while the dialog is open.
        answerSaveDialog(path, QStringLiteral("log.txt"), false, true, [path] { QVERIFY(QDir().rmdir(path)); });
        openLog().findChild<QPushButton *>(QStringLiteral("Save"))->click();
        QTRY_COMPARE(m_watcher->messageBoxes().size(), 1);
        QCOMPARE(m_watcher->messageBoxes().first().icon, QMessageBox::Warning);
        QVERIFY(m_watcher->messageBoxes().first().text.contains(folder.filePath("log.txt")));
        QVERIFY(!QFile::exists(folder.filePath("log.txt")));
    }

    void cancellingTheSaveWritesNothing()
    {
        (void)someExchanges();
        QTemporaryDir folder;
        answerSaveDialog(folder.path(), QStringLiteral("log.txt"), false, false);
        openLog().findChild<QPushButton *>(QStringLiteral("Save"))->click();
        QCOMPARE(m_watcher->dialogsAnswered(), 1);
        QCOMPARE(QDir(folder.path()).entryList(QDir::Files | QDir::NoDotAndDotDot), QStringList());
    }

    void clearEmptiesTheLog()
    {
        (void)someExchanges();
        ExchangeLogWindow &window = openLog();
        QVERIFY(window.model().rowCount() > 0);
        window.findChild<QPushButton *>(QStringLiteral("Clear"))->click();
        QCOMPARE(window.model().rowCount(), 0);
        QVERIFY(recorder().ring().isEmpty());
        QCOMPARE(window.findChild<QLabel *>(QStringLiteral("Summary"))->text().left(2), QStringLiteral("0 "));
        // It goes on recording.
        m_panel.click("Power", "On");
        QTRY_COMPARE(window.model().rowCount(), 1);
        QCOMPARE(window.model().rowAt(window.model().index(0, 0))->bytes, QByteArray("C00\r"));
    }

    // --- a technician's afternoon --------------------------------------------------

    void thePortsLifeFindAndCopyThroughTheWindow()
    {
#ifdef Q_OS_WIN
        // Windows opens a port by its COM name, never through a link to a device.
        QSKIP("a device behind a link that comes back is Linux's");
#endif
        // COM1 behind a link, as an adapter's by-id name, so that its device can come back.
        QTemporaryDir folder;
        const QString link = folder.filePath(QStringLiteral("adapter"));
        QVERIFY(QFile::link(projector().devicePath(), link));
        TestSettings::mapPort(1, link);
        const QString port = QStringLiteral("COM1 (%1) at 19200 baud").arg(link);
        m_panel.click("COM");
        Form2 *dialog = openPortDialog(form());
        QVERIFY(dialog);
        PanelFixture::pressOk(dialog);
        QVERIFY(m_panel.comm().PortOpen());

        projector().emulateProjector();
        m_panel.click("Status");
        QTRY_COMPARE(m_panel.status(), QStringLiteral(" Stand by"));
        // Pulled, and plugged in again: a new device behind the same name.
        QFile::remove(link);
        projector().hangUp();
        QTRY_VERIFY(!m_panel.comm().PortOpen());
        FakeProjector replacement;
        QVERIFY(replacement.open());
        QVERIFY(QFile::link(replacement.devicePath(), link));
        QTRY_VERIFY(m_panel.comm().PortOpen());
        m_panel.click("COM");

        QStringList portRows;
        for (const LogRow &row : LogRows::all(recorder().ring())) {
            if (row.direction == Direction::Port)
                portRows << row.details;
        }
        QCOMPARE(portRows.size(), 5);
        QVERIFY2(portRows[2].startsWith(u"lost: ") && portRows[2].size() > 6, qPrintable(portRows[2]));
        portRows[2] = QStringLiteral("lost: ...");
        QCOMPARE(portRows, (QStringList{"closed by COM", "opened " + port, "lost: ...",
                                        "reopened by itself: " + port, "closed by COM"}));
        // Set apart: in the rendering's column, italic, on a band of their own, another where it was lost.
        ExchangeLogWindow &window = openLog();
        QVERIFY(QTest::qWaitForWindowActive(&window));
        ExchangeLogModel &model = window.model();
        model.sync();
        const auto band = [&model](int row) { return model.data(model.index(row, 0), Qt::BackgroundRole); };
        QCOMPARE(cell(model, 1, ExchangeLogModel::TextColumn), "opened " + port);
        QVERIFY(model.data(model.index(1, ExchangeLogModel::TextColumn), Qt::FontRole).value<QFont>().italic());
        QVERIFY(band(1).isValid() && !band(2).isValid() && band(1) != band(model.rowCount() - 3));

        // Ctrl+F, a text: only the exchange that holds it, and how many rows of how many.
        QTest::keyClick(&window.view(), Qt::Key_F, Qt::ControlModifier);
        auto *filter = window.findChild<QLineEdit *>(QStringLiteral("Filter"));
        QCOMPARE(QApplication::focusWidget(), filter);
        QTest::keyClicks(filter, QStringLiteral("cr0"));
        ExchangeLogFilterModel &shown = window.shownRows();
        const int all = window.model().rowCount();
        QVERIFY(shown.rowCount() >= 2 && shown.rowCount() < all);
        QCOMPARE(window.findChild<QLabel *>(QStringLiteral("Shown"))->text(),
                 QStringLiteral("%1 of %2 rows").arg(shown.rowCount()).arg(all));
        QList<LogRow> found;
        for (int row = 0; row < shown.rowCount(); ++row)
            found << *window.model().rowAt(shown.mapToSource(shown.index(row, 0)));
        QCOMPARE(found.first().bytes, QByteArray("CR0\r"));

        // A click and a Shift+click pick them; Ctrl+C copies them as the text file's lines.
        QTreeView &view = window.view();
        const auto clickRow = [&view, &shown](int row, Qt::KeyboardModifiers modifiers) {
            QTest::mouseClick(view.viewport(), Qt::LeftButton, modifiers,
                              view.visualRect(shown.index(row, ExchangeLogModel::TextColumn)).center());
        };
        clickRow(0, Qt::NoModifier);
        clickRow(shown.rowCount() - 1, Qt::ShiftModifier);
        QGuiApplication::clipboard()->clear();
        QTest::keyClick(&view, Qt::Key_C, Qt::ControlModifier);
        QCOMPARE(QGuiApplication::clipboard()->text(), LogFile::lines(found));

        // The right-click menu copies their bytes in hex too.
        const QPoint at = view.visualRect(shown.index(0, 0)).center();
        QContextMenuEvent event(QContextMenuEvent::Mouse, at, view.viewport()->mapToGlobal(at));
        QApplication::sendEvent(view.viewport(), &event);
        auto *menu = view.findChild<QMenu *>(QStringLiteral("LogMenu"));
        QVERIFY(menu && menu->isVisible());
        QCOMPARE(menu->actions().at(0)->text(), QStringLiteral("Copy"));
        menu->actions().at(1)->trigger();
        menu->close();
        QCOMPARE(QGuiApplication::clipboard()->text(), LogFile::hexLines(found));

        // Escape in the field shows everything again.
        QTest::keyClick(filter, Qt::Key_Escape);
        QCOMPARE(filter->text(), QString());
        QCOMPARE(shown.rowCount(), all);
    }

    void theRenderingAndStatusColumnsTakeTheWindowsWidth()
    {
        ExchangeLogWindow &window = openLog();
        window.resize(800, 300);
        QVERIFY(QTest::qWaitForWindowExposed(&window));
        QHeaderView *header = window.view().header();
        const auto width = [header](int column) { return header->sectionSize(column); };
        const int text = width(ExchangeLogModel::TextColumn), status = width(ExchangeLogModel::StatusColumn);
        const int time = width(ExchangeLogModel::TimeColumn);
        // The operator's own width stays; the two take what the others leave.
        header->resizeSection(ExchangeLogModel::DetailsColumn, 300);
        window.resize(1100, 300);
        QTRY_COMPARE(header->length(), window.view().viewport()->width());
        QVERIFY(width(ExchangeLogModel::TextColumn) > text && width(ExchangeLogModel::StatusColumn) > status);
        QCOMPARE(width(ExchangeLogModel::DetailsColumn), 300);
        QCOMPARE(width(ExchangeLogModel::TimeColumn), time);
    }

    // --- opening it ---------------------------------------------------------------

    void ctrlLOpensTheLog_data()
    {
        QTest::addColumn<QString>("focus");
        QTest::addColumn<int>("key");
        QTest::addColumn<int>("modifiers");
        QTest::addColumn<bool>("opens");
        const int ctrl = Qt::ControlModifier;
        QTest::newRow("Ctrl+L on Power On") << "Power: On" << int(Qt::Key_L) << ctrl << true;
        QTest::newRow("Ctrl+L on an arrow") << "Volume: Up" << int(Qt::Key_L) << ctrl << true;
        QTest::newRow("Ctrl+L on the window") << "Form1" << int(Qt::Key_L) << ctrl << true;
        QTest::newRow("Ctrl+Shift+L") << "Power: On" << int(Qt::Key_L) << int(ctrl | Qt::ShiftModifier) << false;
        QTest::newRow("Ctrl+Alt+L") << "Power: On" << int(Qt::Key_L) << int(ctrl | Qt::AltModifier) << false;
        QTest::newRow("L alone") << "Power: On" << int(Qt::Key_L) << int(Qt::NoModifier) << false;
        QTest::newRow("Ctrl+H keeps its meaning") << "Power: On" << int(Qt::Key_H) << ctrl << false;
    }
    void ctrlLOpensTheLog()
    {
        QFETCH(QString, focus);
        QFETCH(int, key);
        QFETCH(int, modifiers);
        QFETCH(bool, opens);
        QWidget *target = focus == u"Form1" ? static_cast<QWidget *>(&form()) : m_panel.button(focus);
        target->setFocus();
        const bool full = form().isFullView();
        QTest::keyClick(target, Qt::Key(key), Qt::KeyboardModifiers(modifiers));
        ExchangeLogWindow *window = form().exchangeLog().window();
        QCOMPARE(window && window->isVisible(), opens);
        QCOMPARE(form().isFullView(), key == Qt::Key_H ? !full : full);
        QVERIFY(m_panel.projector().received().isEmpty());
        if (opens) {
            QVERIFY(QTest::qWaitForWindowActive(window));
            QCOMPARE(window->objectName(), QStringLiteral("ExchangeLog"));
            QCOMPARE(window->windowTitle(), QStringLiteral("Exchange Log"));
            QVERIFY(!window->isModal());
            QVERIFY(!window->parent());
        }
    }

    void ctrlLBringsTheOpenLogForwardOrOpensItAgain()
    {
        ExchangeLogWindow *window = &openLog();
        form().activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(&form()));
        QTest::keyClick(&form(), Qt::Key_L, Qt::ControlModifier);
        QVERIFY(QTest::qWaitForWindowActive(window));
        QCOMPARE(form().exchangeLog().window(), window);

        window->close();
        QVERIFY(!window->isVisible());
        form().activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(&form()));
        QTest::keyClick(&form(), Qt::Key_L, Qt::ControlModifier);
        QVERIFY(QTest::qWaitForWindowActive(window));
        QCOMPARE(form().exchangeLog().window(), window);
    }

    void theMonitorLinesOfferTheLogAndACopy_data()
    {
        QTest::addColumn<QString>("line");
        QTest::addColumn<QString>("action");
        for (const char *line : {"TxD", "RxD"}) {
            QTest::addRow("%s, log", line) << line << "Exchange Log...";
            QTest::addRow("%s, copy", line) << line << "Copy line";
        }
    }
    void theMonitorLinesOfferTheLogAndACopy()
    {
        QFETCH(QString, line);
        QFETCH(QString, action);
        projector().emulateProjector();
        form().exchange().setIntervals({60000, 60000});
        m_panel.click("Status");
        QTRY_COMPARE(m_panel.rxd(), QStringLiteral(" 8 0  [CR] "));
        QGuiApplication::clipboard()->clear();

        QLabel *label = line == u"TxD" ? m_panel.txdLine() : m_panel.rxdLine();
        QMenu *menu = contextMenuOf(label);
        QVERIFY(menu);
        QStringList captions;
        for (QAction *each : menu->actions())
            captions << each->text();
        QCOMPARE(captions, (QStringList{"Exchange Log...", "Copy line"}));
        menu->actions().at(captions.indexOf(action))->trigger();
        menu->close();

        ExchangeLogWindow *window = form().exchangeLog().window();
        if (action == u"Copy line") {
            QCOMPARE(QGuiApplication::clipboard()->text(), label->text());
            QVERIFY(!window);
        } else {
            QVERIFY(window && window->isVisible());
            QCOMPARE(QGuiApplication::clipboard()->text(), QString());
        }
        // The monitor is as it was.
        QCOMPARE(m_panel.txd(), QStringLiteral(" C R 0  [CR] "));
        QCOMPARE(m_panel.rxd(), QStringLiteral(" 8 0  [CR] "));
    }

    void aBlankLineHasNothingToCopy()
    {
        QMenu *menu = contextMenuOf(m_panel.txdLine());
        QVERIFY(menu);
        QVERIFY(menu->actions().at(0)->isEnabled());
        QVERIFY(!menu->actions().at(1)->isEnabled());
        menu->close();
    }

    // --- the main window stays as it is --------------------------------------------

    void theMainWindowIsTheSameWithTheLogOpen()
    {
        const QList<Snapshot> closed = runScenario();
        QVERIFY(m_panel.startOnFakeProjector(PanelFixture::View::ShownFull));
        openLog();
        const QList<Snapshot> open = runScenario();
        QCOMPARE(open, closed);
        QCOMPARE(closed.size(), 5);
        QVERIFY(form().exchangeLog().window()->isVisible());
    }

    void closingTheMainWindowClosesTheLog()
    {
        ExchangeLogWindow &window = openLog();
        QVERIFY(!window.testAttribute(Qt::WA_QuitOnClose));
        form().close();
        QVERIFY(!window.isVisible());
    }

    // --- for a screen reader ---------------------------------------------------------

    void aScreenReaderCanWalkTheLog()
    {
        projector().emulateProjector();
        m_panel.click("Status");
        QTRY_COMPARE(m_panel.status(), QStringLiteral(" Stand by"));
        ExchangeLogWindow &window = openLog();
        window.model().sync();

        // Names and roles are checked with every window's in tst_accessibility.
        QCOMPARE(QAccessible::queryAccessibleInterface(&window)->text(QAccessible::Name),
                 QStringLiteral("Exchange Log"));
        QAccessibleInterface *view = QAccessible::queryAccessibleInterface(&window.view());
        QCOMPARE(view->role(), QAccessible::Tree);
        QAccessibleTableInterface *table = view->tableInterface();
        QVERIFY(table);
        QCOMPARE(table->columnCount(), int(ExchangeLogModel::ColumnCount));
        QCOMPARE(table->rowCount(), window.model().rowCount());
        QCOMPARE(table->columnDescription(ExchangeLogModel::TextColumn), QStringLiteral("Text"));
        QAccessibleInterface *frame = table->cellAt(0, ExchangeLogModel::TextColumn);
        QVERIFY(frame);
        QCOMPARE(frame->text(QAccessible::Name), QStringLiteral(" C R 0  [CR] "));
        QAccessibleInterface *status = table->cellAt(table->rowCount() - 1, ExchangeLogModel::StatusColumn);
        QCOMPARE(status->text(QAccessible::Name), QStringLiteral(" Stand by"));
    }

private:
    Form1 &form() { return m_panel.form(); }
    FakeProjector &projector() { return m_panel.projector(); }
    ExchangeRecorder &recorder() { return form().exchangeLog().recorder(); }

    ExchangeLogWindow &openLog()
    {
        form().exchangeLog().showWindow();
        return *form().exchangeLog().window();
    }

    // Answers the save dialog as the operator does: in `folder`, perhaps the
    // CSV type chosen from the list, the name typed, then OK or Cancel.
    void answerSaveDialog(const QString &folder, const QString &name, bool csvFilter, bool ok,
                          const std::function<void()> &meanwhile = {})
    {
        m_watcher = std::make_unique<ModalWatcher>();
        m_watcher->onModalDialog([=](QWidget *dialog) {
            auto *files = qobject_cast<QFileDialog *>(dialog);
            QVERIFY(files);
            files->setDirectory(folder);
            if (csvFilter) {
                auto *types = files->findChild<QComboBox *>(QStringLiteral("fileTypeCombo"));
                QVERIFY(types);
                QTest::keyClick(types, Qt::Key_Down);
                QCOMPARE(files->selectedNameFilter(), QStringLiteral("CSV (*.csv)"));
            }
            // A dated name of the chosen type is proposed.
            auto *proposed = files->findChild<QLineEdit *>(QStringLiteral("fileNameEdit"));
            QVERIFY2(QRegularExpression(csvFilter ? u"^rm740-log-\\d{8}-\\d{4}\\.csv$"_qs : u"^rm740-log-\\d{8}-\\d{4}\\.txt$"_qs)
                         .match(proposed->text()).hasMatch(),
                     qPrintable(proposed->text()));
            typeFileName(files, name);
            if (meanwhile)
                meanwhile();
            if (ok)
                static_cast<QDialog *>(files)->accept();  // QFileDialog's own checks run
            else
                files->reject();
        });
    }

    // As the operator types it: the dialog's own name box.
    static void typeFileName(QFileDialog *dialog, const QString &name)
    {
        auto *edit = dialog->findChild<QLineEdit *>(QStringLiteral("fileNameEdit"));
        QVERIFY(edit);
        edit->setText(name);
    }

    static QString cell(const ExchangeLogModel &model, int row, int column)
    {
        return model.data(model.index(row, column)).toString();
    }

    static LogRow topRowInView(const ExchangeLogWindow &window)
    {
        const QModelIndex shown = window.view().indexAt(QPoint(1, 1));
        return window.model().rowAt(window.shownRows().mapToSource(shown)).value_or(LogRow{});
    }

    static QList<LogRow> topRows(const ExchangeLogModel &model)
    {
        QList<LogRow> rows;
        for (int r = 0; r < model.rowCount(); ++r)
            rows << model.rowAt(model.index(r, 0)).value_or(LogRow{});
        return rows;
    }

    // A Status exchange with its reply and a Power On that gets none.
    QList<LogRow> someExchanges()
    {
        projector().emulateProjector();
        // A short reply window; the monitor holds long enough to be seen on a busy machine.
        form().exchange().setIntervals({100, 5000});
        m_panel.click("Status");
        if (!QTest::qWaitFor([this] { return m_panel.status() == u" Stand by"; }))
            return {};
        projector().setResponder({});
        m_panel.click("Power", "On");
        if (!QTest::qWaitFor([this] { return m_panel.rxd() == Exchange::NoReplyMark; }))
            return {};
        return LogRows::all(recorder().ring());
    }

    QMenu *contextMenuOf(QLabel *line)
    {
        const QPoint at = line->rect().center();
        QContextMenuEvent event(QContextMenuEvent::Mouse, at, line->mapToGlobal(at));
        QApplication::sendEvent(line, &event);
        auto *menu = line->findChild<QMenu *>(QStringLiteral("MonitorLineMenu"));
        return menu && menu->isVisible() ? menu : nullptr;
    }

    Snapshot snapshot()
    {
        const Exchange &exchange = form().exchange();
        return {m_panel.txd(),
                m_panel.rxd(),
                m_panel.status(),
                m_panel.spaceLegend()->isVisible(),
                m_panel.crLegend()->isVisible(),
                m_panel.statusArea()->isVisible(),
                exchange.timer2().interval(),
                exchange.timer4().interval(),
                exchange.timer2().isActive(),
                exchange.timer4().isActive(),
                form().size(),
                form().windowTitle()};
    }

    // A reply, its window closing, the monitor blanking; then no reply.
    QList<Snapshot> runScenario()
    {
        QList<Snapshot> shots;
        const Exchange &exchange = form().exchange();
        projector().emulateProjector();
        m_panel.click("Status");
        if (!QTest::qWaitFor([this] { return m_panel.status() == u" Stand by"; }))
            return {};
        shots << snapshot();
        if (!QTest::qWaitFor([&] { return !exchange.timer2().isActive(); }))
            return {};
        shots << snapshot();
        if (!QTest::qWaitFor([&] { return !exchange.timer4().isActive(); }))
            return {};
        shots << snapshot();
        projector().setResponder({});
        m_panel.click("Power", "On");
        if (!QTest::qWaitFor([this] { return m_panel.rxd() == Exchange::NoReplyMark; }))
            return {};
        shots << snapshot();
        if (!QTest::qWaitFor([&] { return !exchange.timer4().isActive(); }))
            return {};
        shots << snapshot();
        return shots;
    }

    QTemporaryDir m_home;
    PanelFixture m_panel;
    std::unique_ptr<ModalWatcher> m_watcher;
};

QTEST_MAIN(ExchangeLogTest)
#include "tst_exchangelog.moc"
