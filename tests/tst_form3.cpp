// The command list window opened from the main window, with the main window
// wired through a pseudo-terminal to a fake projector: what SEND puts on the
// wire, the selection and edit steps, the legends, and what the window does
// to the main window while it is open and after it closes.

#include "link/module1.h"
#include "catalogue/catalogue.h"
#include "catalogue/commandtext.h"
#include "catalogue/form3.h"
#include "exchange/exchange.h"
#include "exchange/monitorrendering.h"
#include "link/mscomm.h"
#include "panel/form1.h"
#include "support/panelfixture.h"

#include <QAbstractItemView>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QTest>
#include <QTimer>

class Form3Test : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase() { TestSettings::useTemporaryStore(); }

    void init() { QVERIFY(m_panel.startOnFakeProjector(PanelFixture::View::ShownFull)); }
    void cleanup() { m_panel.reset(); }

    // --- opening --------------------------------------------------------

    void openingShowsTheBasicListWithItsFirstEntry()
    {
        Form3 *form = open();
        QCOMPARE(form->windowTitle(), QStringLiteral("Command List"));
        QVERIFY(!form->parentWidget());
        QVERIFY(!form->windowFlags().testFlag(Qt::WindowMinimizeButtonHint));
        QVERIFY(!form->windowFlags().testFlag(Qt::WindowMaximizeButtonHint));
        QVERIFY(form->windowFlags().testFlag(Qt::WindowCloseButtonHint));
        QVERIFY(!form->isModal());
        QCOMPARE(form->minimumSize(), form->maximumSize());
        QCOMPARE(form->geometry(), QRect(161, 315, 667, 135));

        QComboBox *basic = combo("Combo1");
        QCOMPARE(basic->count(), 62);
        QCOMPARE(combo("Combo2")->count(), 333);
        QCOMPARE(combo("Combo3")->count(), 91);
        QVERIFY(!basic->isEditable());
        QVERIFY(combo("Combo2")->isEditable());
        QVERIFY(combo("Combo3")->isEditable());
        QVERIFY(basic->isVisible());
        QVERIFY(combo("Combo2")->isHidden());
        QVERIFY(combo("Combo3")->isHidden());
        // The three lists lie on one place, the bottom row of the window.
        QCOMPARE(basic->pos(), QPoint(8, 104));
        QCOMPARE(combo("Combo2")->pos(), basic->pos());
        QCOMPARE(combo("Combo3")->pos(), basic->pos());
        QVERIFY(basic->geometry().bottom() < form->height());

        QCOMPARE(basic->currentText(), QStringLiteral("C00[CR]     POWER ON"));
        QCOMPARE(text1()->text(), QStringLiteral("C00[CR]"));
        QCOMPARE(form->preparedFrame(), QByteArray("C00\r"));
        QVERIFY(crLegend()->isVisible());
        QVERIFY(parameterLegend()->isHidden());
        QCOMPARE(crLegend()->text(), QStringLiteral("[CR] :Carriage Return Code (0x0D)"));
        QCOMPARE(parameterLegend()->text(), QStringLiteral("% :Parameter (0-9)."));
        QCOMPARE(form->focusWidget(), basic);
    }

    void tabGoesThroughTheControlsInTheirOrder()
    {
        Form3 *form = open();
        QVERIFY(QTest::qWaitForWindowActive(form));
        QCOMPARE(QApplication::focusWidget(), combo("Combo1"));
        const QList<QWidget *> order{button("SEND"), button("CLOSE"), button("Basic Command List"),
                                     text1(), button("Expand Command List"),
                                     button("Expand Read Command List"), combo("Combo1")};
        for (QWidget *next : order) {
            QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
            QCOMPARE(QApplication::focusWidget(), next);
        }
    }

    void openingHidesTheStatusAreaAndLengthensTheTimers()
    {
        QVERIFY(statusArea()->isVisible());
        QCOMPARE(form1().exchange().timer2().interval(), 1000);
        open();
        QVERIFY(statusArea()->isHidden());
        QCOMPARE(form1().exchange().timer2().interval(), 5000);
        QCOMPARE(form1().exchange().timer4().interval(), 5500);
        // The main window stays usable, under the longer periods.
        m_panel.click("Power", "On");
        QTRY_COMPARE(projector().received(), QByteArray("C00\r"));
        QCOMPARE(module().pendingCommand, QByteArray("C00\r"));
    }

    void openingAgainBringsTheOpenWindowForwardWithoutReloading()
    {
        Form3 *form = open();
        button("Expand Read Command List")->click();
        text1()->setText(QStringLiteral("CR0"));
        m_panel.click("Command Table");
        QCOMPARE(form1().commandList(), form);
        QVERIFY(form->isVisible());
        QCOMPARE(text1()->text(), QStringLiteral("CR0"));
        QCOMPARE(form->listMode(), Catalogue::List::Read);
    }

    // --- SEND -------------------------------------------------------------

    void sendRightAfterOpeningPutsTheFirstBasicCommandOnTheWire()
    {
        open();
        send();
        QTRY_COMPARE(projector().received(), QByteArray("C00\r"));
        QCOMPARE(m_panel.txd(), QStringLiteral(" C 0 0  [CR] "));
        // A reply is awaited: the reply window, cut short, ends in the no-reply mark.
        form1().exchange().timer2().setInterval(100);
        QTRY_COMPARE(m_panel.rxd(), Exchange::NoReplyMark);
    }

    void sendLeavesThePendingCommandAloneAndKeysTheReplyToItsFrame()
    {
        open();
        m_panel.click("Input Mode");  // "CR1": the pending command
        QTRY_COMPARE(projector().received(), QByteArray("CR1\r"));
        text1()->setText(QStringLiteral("CR0[CR]"));
        projector().setResponder([](const QByteArray &frame) {
            return frame == "CR0\r" ? QByteArray("00\r") : QByteArray();
        });
        send();
        QTRY_COMPARE(projector().received(), QByteArray("CR1\rCR0\r"));
        QCOMPARE(module().pendingCommand, QByteArray("CR1\r"));
        // Read as the reply to "CR0"; as one to "CR1" it would mean nothing.
        QTRY_COMPARE(m_panel.status(), QStringLiteral(" Power ON"));
    }

    void sendRestartsBothTimersAndHidesBothLegends()
    {
        Form3 *form = open();
        selectByKeyboard(combo("Combo1"), 1);
        send();
        QTRY_COMPARE(projector().received(), QByteArray("C01\r"));
        QVERIFY(form1().exchange().timer2().isActive());
        QVERIFY(form1().exchange().timer4().isActive());
        QCOMPARE(form1().exchange().timer2().interval(), 5000);
        QCOMPARE(form1().exchange().timer4().interval(), 5500);
        QVERIFY(parameterLegend()->isHidden());
        QVERIFY(crLegend()->isHidden());
        // The edit box, the selection and the frame stay: SEND again repeats it.
        QCOMPARE(text1()->text(), QStringLiteral("C01[CR]"));
        QCOMPARE(combo("Combo1")->currentIndex(), 1);
        send();
        QTRY_COMPARE(projector().received(), QByteArray("C01\rC01\r"));
        QCOMPARE(form->preparedFrame(), QByteArray("C01\r"));
    }

    // --- edit step ----------------------------------------------------------

    void theEditBoxDecidesTheFrame_data()
    {
        QTest::addColumn<QString>("typed");
        QTest::addColumn<QByteArray>("frame");
        QTest::newRow("no marker") << "C00" << QByteArray("C00\r");
        QTest::newRow("text after the marker") << "C00[CR]C01" << QByteArray("C00\r");
        QTest::newRow("leading bracket") << "[CR]C01" << QByteArray("\r");
        QTest::newRow("empty box") << "" << QByteArray("\r");
        QTest::newRow("as typed") << " cf mute on [CR]" << QByteArray(" cf mute on \r");
        QTest::newRow("placeholders left") << "CF VOLUME 0%%" << QByteArray("CF VOLUME 0%%\r");
    }
    void theEditBoxDecidesTheFrame()
    {
        QFETCH(QString, typed);
        QFETCH(QByteArray, frame);
        Form3 *form = open();
        text1()->selectAll();
        QTest::keyClick(text1(), Qt::Key_Backspace);
        QTest::keyClicks(text1(), typed);
        QCOMPARE(text1()->text(), typed);
        QCOMPARE(form->preparedFrame(), frame);
        // The edit step leaves the legends alone.
        QVERIFY(crLegend()->isVisible());
        send();
        QTRY_COMPARE(projector().received(), frame);
        QVERIFY(form->isVisible());
    }

    void enterInTheEditBoxSendsNothing()
    {
        open();
        text1()->setText(QStringLiteral("C02"));
        QTest::keyClick(text1(), Qt::Key_Return);
        QTest::keyClick(text1(), Qt::Key_Enter);
        m_panel.click("Power", "On");
        QTRY_COMPARE(projector().received(), QByteArray("C00\r"));
    }

    // --- selection steps and legends -------------------------------------------

    void aPlaceholderEntryShowsBothLegendsAndTakesTheDigits()
    {
        Form3 *form = open();
        button("Expand Command List")->click();
        QCOMPARE(text1()->text(), QStringLiteral("CF BRIGHT UP[CR]"));
        selectByKeyboard(combo("Combo2"), 2);
        QCOMPARE(combo("Combo2")->currentText(), QStringLiteral("CF BRIGHT 0%%[CR]  \t\t:% = 0-9"));
        QVERIFY(parameterLegend()->isVisible());
        QVERIFY(crLegend()->isVisible());
        QCOMPARE(form->focusWidget(), text1());
        QCOMPARE(text1()->text(), QStringLiteral("CF BRIGHT 0%%[CR]"));

        send();
        QTRY_COMPARE(projector().received(), QByteArray("CF BRIGHT 0%%\r"));

        // Overtype the two placeholders with 5 and 0.
        QTest::keyClick(text1(), Qt::Key_Home);
        for (int i = 0; i < 11; ++i)
            QTest::keyClick(text1(), Qt::Key_Right);
        QTest::keyClick(text1(), Qt::Key_Delete);
        QTest::keyClick(text1(), Qt::Key_Delete);
        QTest::keyClicks(text1(), QStringLiteral("50"));
        QCOMPARE(text1()->text(), QStringLiteral("CF BRIGHT 050[CR]"));
        send();
        QTRY_COMPARE(projector().received(), QByteArray("CF BRIGHT 0%%\rCF BRIGHT 050\r"));
    }

    void expandSelectionsSetTheParameterLegend_data()
    {
        QTest::addColumn<int>("index");
        QTest::addColumn<QString>("command");
        QTest::addColumn<bool>("parameter");
        QTest::newRow("INPUT1 head") << 117 << "CF INPUT1 ANALOG" << true;
        QTest::newRow("INPUT1 next") << 118 << "CF INPUT1 YPBPR" << false;
        QTest::newRow("INPUT2 head") << 120 << "CF INPUT2 ANALOG" << true;
        QTest::newRow("INPUT3 head") << 123 << "CF INPUT3 VIDEO" << true;
        QTest::newRow("INPUT4 head") << 124 << "CF INPUT4 S-VIDEO" << true;
        QTest::newRow("logo") << 254 << "CF LOGO %%%% OFF" << true;
        QTest::newRow("PIN code") << 295 << "CF PJPINCODE %%%%" << true;
        QTest::newRow("power time parameter") << 266 << "CF P-MANETIME %%" << true;
        QTest::newRow("last") << 332 << "CF VMUTE DN" << false;
    }
    void expandSelectionsSetTheParameterLegend()
    {
        QFETCH(int, index);
        QFETCH(QString, command);
        QFETCH(bool, parameter);
        Form3 *form = open();
        button("Expand Command List")->click();
        // Start from the other state so that the selection has to change it.
        if (parameter)
            QVERIFY(parameterLegend()->isHidden());
        else
            selectByMouse(combo("Combo2"), 2);
        QCOMPARE(parameterLegend()->isVisible(), !parameter);
        combo("Combo2")->setFocus();

        selectByMouse(combo("Combo2"), index);
        QCOMPARE(combo("Combo2")->currentIndex(), index);
        QCOMPARE(text1()->text(), command + QStringLiteral("[CR]"));
        QCOMPARE(form->preparedFrame(), command.toLatin1() + '\r');
        QCOMPARE(parameterLegend()->isVisible(), parameter);
        QVERIFY(crLegend()->isVisible());
        if (parameter)
            QCOMPARE(form->focusWidget(), text1());
        send();
        QTRY_VERIFY(projector().received().endsWith(command.toLatin1() + '\r'));
    }

    void basicAndReadSelectionsLeaveTheParameterLegendAlone()
    {
        open();
        button("Expand Command List")->click();
        selectByMouse(combo("Combo2"), 2);
        QVERIFY(parameterLegend()->isVisible());

        button("Basic Command List")->click();
        QVERIFY(parameterLegend()->isVisible());
        QCOMPARE(text1()->text(), QStringLiteral("C00[CR]"));
        selectByMouse(combo("Combo1"), 56);
        QCOMPARE(text1()->text(), QStringLiteral("CR0[CR]"));
        QVERIFY(parameterLegend()->isVisible());

        button("Expand Read Command List")->click();
        QVERIFY(parameterLegend()->isVisible());
        QCOMPARE(text1()->text(), QStringLiteral("CR BRIGHT[CR]"));
        selectByMouse(combo("Combo3"), 90);
        QCOMPARE(text1()->text(), QStringLiteral("CR SERIALNO[CR]"));
        QVERIFY(parameterLegend()->isVisible());

        send();
        QVERIFY(parameterLegend()->isHidden());
        QVERIFY(crLegend()->isHidden());
        QCOMPARE(text1()->text(), QStringLiteral("CR SERIALNO[CR]"));
        QTRY_COMPARE(projector().received(), QByteArray("CR SERIALNO\r"));

        // Every selection shows the marker legend again.
        selectByMouse(combo("Combo3"), 0);
        QVERIFY(crLegend()->isVisible());
        QVERIFY(parameterLegend()->isHidden());
    }

    void listButtonsShowTheirListAndStartFromItsFirstEntry_data()
    {
        QTest::addColumn<QString>("button");
        QTest::addColumn<QString>("visibleList");
        QTest::addColumn<QString>("editText");
        QTest::newRow("basic") << "Basic Command List" << "Combo1" << "C00[CR]";
        QTest::newRow("expand") << "Expand Command List" << "Combo2" << "CF BRIGHT UP[CR]";
        QTest::newRow("read") << "Expand Read Command List" << "Combo3" << "CR BRIGHT[CR]";
    }
    void listButtonsShowTheirListAndStartFromItsFirstEntry()
    {
        QFETCH(QString, button);
        QFETCH(QString, visibleList);
        QFETCH(QString, editText);
        Form3 *form = open();
        QAbstractButton *listButton = this->button(button);
        listButton->click();
        // Pressed again on a list that is already shown, it goes back to entry 0.
        selectByMouse(combo(visibleList.toLatin1().constData()), 5);
        QVERIFY(text1()->text() != editText);
        listButton->click();
        for (const char *name : {"Combo1", "Combo2", "Combo3"})
            QCOMPARE(combo(name)->isVisible(), visibleList == QLatin1StringView(name));
        QCOMPARE(combo(visibleList.toLatin1().constData())->currentIndex(), 0);
        QCOMPARE(text1()->text(), editText);
        QCOMPARE(form->preparedFrame(), Catalogue::commandText(editText).toLatin1() + '\r');
        QVERIFY(crLegend()->isVisible());
    }

    void typingIntoAListsTextPartChangesNothing_data()
    {
        QTest::addColumn<QString>("button");
        QTest::addColumn<QString>("list");
        QTest::addColumn<bool>("enter");  // or a move of the focus
        QTest::newRow("expand, Enter") << "Expand Command List" << "Combo2" << true;
        QTest::newRow("expand, focus moves") << "Expand Command List" << "Combo2" << false;
        QTest::newRow("read, Enter") << "Expand Read Command List" << "Combo3" << true;
        QTest::newRow("read, focus moves") << "Expand Read Command List" << "Combo3" << false;
    }
    void typingIntoAListsTextPartChangesNothing()
    {
        QFETCH(QString, button);
        QFETCH(QString, list);
        QFETCH(bool, enter);
        Form3 *form = open();
        this->button(button)->click();
        QComboBox *typed = combo(list.toLatin1().constData());
        const QString editText = text1()->text();
        const QByteArray frame = form->preparedFrame();
        QVERIFY(form->isActiveWindow() || QTest::qWaitForWindowActive(form));

        // Another entry's exact text (one without a tab, which would move the
        // focus), then Enter or a move of the focus.
        int other = 1;
        while (typed->itemText(other).contains(u'\t'))
            ++other;
        typed->setFocus();
        typed->lineEdit()->selectAll();
        QTest::keyClicks(typed->lineEdit(), typed->itemText(other));
        if (enter)
            QTest::keyClick(typed->lineEdit(), Qt::Key_Return);
        else
            text1()->setFocus();
        QCOMPARE(typed->lineEdit()->text(), typed->itemText(other));
        QCOMPARE(typed->currentIndex(), 0);
        QCOMPARE(text1()->text(), editText);
        QCOMPARE(form->preparedFrame(), frame);
    }

    // --- closing ----------------------------------------------------------------

    void closingPutsTheMainWindowBack_data()
    {
        QTest::addColumn<bool>("byCloseBox");
        QTest::newRow("CLOSE") << false;
        QTest::newRow("close box") << true;
    }
    void closingPutsTheMainWindowBack()
    {
        QFETCH(bool, byCloseBox);
        QPointer<Form3> form = open();
        if (byCloseBox)
            QVERIFY(form->close());
        else
            button("CLOSE")->click();
        QVERIFY(!form || form->isHidden());
        QVERIFY(statusArea()->isVisible());
        QCOMPARE(form1().exchange().timer2().interval(), 1000);
        QCOMPARE(form1().exchange().timer4().interval(), 1200);
        QVERIFY(form1().isVisible());
        QVERIFY(form1().MSComm1().PortOpen());
        // Unloaded: its state is gone with it.
        QTRY_VERIFY(!form);
        QVERIFY(!form1().commandList());
    }

    void reopeningStartsFromTheFirstBasicEntry()
    {
        Form3 *form = open();
        button("Expand Read Command List")->click();
        selectByMouse(combo("Combo3"), 10);
        text1()->setText(QStringLiteral("typed"));
        button("CLOSE")->click();

        form = open();
        QCOMPARE(form->listMode(), Catalogue::List::Basic);
        QVERIFY(combo("Combo1")->isVisible());
        QVERIFY(combo("Combo3")->isHidden());
        QCOMPARE(combo("Combo1")->currentIndex(), 0);
        QCOMPARE(text1()->text(), QStringLiteral("C00[CR]"));
        QVERIFY(statusArea()->isHidden());
        QCOMPARE(form1().exchange().timer2().interval(), 5000);
        send();
        QTRY_COMPARE(projector().received(), QByteArray("C00\r"));
    }

    void reopeningRightAfterCloseGivesAFreshWindow()
    {
        QPointer<Form3> first = open();
        button("CLOSE")->click();
        // Before the closed window is gone.
        QPointer<Form3> second = open();
        QVERIFY(second != first);
        QTRY_VERIFY(!first);
        QVERIFY(second);
        QVERIFY(second->isVisible());
    }

    void closingTheMainWindowClosesTheList_data()
    {
        QTest::addColumn<bool>("byEnd");
        QTest::newRow("END") << true;
        QTest::newRow("close box") << false;
    }
    void closingTheMainWindowClosesTheList()
    {
        QFETCH(bool, byEnd);
        QPointer<Form3> form = open();
        if (byEnd)
            m_panel.click("END");
        else
            QVERIFY(form1().close());
        QVERIFY(!form1().isVisible());
        QVERIFY(!form || form->isHidden());
        QVERIFY(!form1().MSComm1().PortOpen());
        QTRY_VERIFY(!form);
    }

    void aListWindowLeftOpenGoesWithTheMainWindow()
    {
        QPointer<Form3> form = open();
        m_panel.reset();
        QVERIFY(!form);
    }

private:
    Form3 *open()
    {
        m_panel.click("Command Table");
        Form3 *form = form1().commandList();
        if (form && !QTest::qWaitForWindowExposed(form))
            return nullptr;
        return form;
    }
    Form3 *form() const { return form1().commandList(); }
    QComboBox *combo(const char *name) const
    {
        return form()->findChild<QComboBox *>(QLatin1StringView(name));
    }
    QAbstractButton *button(const QString &caption) const { return Controls::control(*form(), caption); }
    QLineEdit *text1() const { return form()->findChild<QLineEdit *>(QStringLiteral("Text1")); }
    // "% :Parameter (0-9)." and "[CR] :Carriage Return Code (0x0D)".
    QLabel *parameterLegend() const { return form()->findChild<QLabel *>(QStringLiteral("Label1")); }
    QLabel *crLegend() const { return form()->findChild<QLabel *>(QStringLiteral("Label2")); }
    QWidget *statusArea() const { return m_panel.statusArea(); }
    void send() { button("SEND")->click(); }

    // Steps down the list with the arrow key, one entry at a time.
    static void selectByKeyboard(QComboBox *list, int index)
    {
        list->setFocus();
        while (list->currentIndex() < index)
            QTest::keyClick(list, Qt::Key_Down);
    }
    // Opens the list and clicks the entry.
    static void selectByMouse(QComboBox *list, int index)
    {
        list->showPopup();
        QAbstractItemView *view = list->view();
        QTRY_VERIFY(view->isVisible());
        const QModelIndex item = list->model()->index(index, 0);
        view->scrollTo(item);
        const QPoint centre = view->visualRect(item).center();
        QTest::mouseClick(view->viewport(), Qt::LeftButton, {}, centre);
        QTRY_VERIFY(!view->isVisible());
    }

    Form1 &form1() const { return m_panel.form(); }
    FakeProjector &projector() const { return m_panel.projector(); }
    Module1 &module() { return m_panel.module(); }

    PanelFixture m_panel;
};

QTEST_MAIN(Form3Test)
#include "tst_form3.moc"
