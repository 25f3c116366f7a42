// What assistive technology gets of the program's windows: names, descriptions
// and roles of the controls, the readout lines' text interface, and the Tab
// order of the main window. Change announcements need a listening client
// (Qt drops them otherwise): tests/atspi checks them through a real one.

#include "catalogue/form3.h"
#include "exchange/monitorline.h"
#include "exchange/readoutline.h"
#include "link/form2.h"
#include "logwindow/exchangelogaccess.h"
#include "logwindow/exchangelogwindow.h"
#include "panel/form1.h"
#include "support/panelfixture.h"

#include <QAbstractButton>
#include <QAccessible>
#include <QComboBox>
#include <QLineEdit>
#include <QFileInfo>
#include <QTest>


namespace {

QAccessibleInterface *accessible(QWidget *widget)
{
    return QAccessible::queryAccessibleInterface(widget);
}

QString accessibleText(QWidget *widget, QAccessible::Text t)
{
    QAccessibleInterface *face = accessible(widget);
    return face ? face->text(t) : QString();
}

// The name a screen reader speaks for `widget`. A list's own name is its
// current entry; what it is comes from the label that names it.
QString spokenName(QWidget *widget)
{
    if (!qobject_cast<QComboBox *>(widget))
        return accessibleText(widget, QAccessible::Name);
    const auto labels = accessible(widget)->relations(QAccessible::Label);
    return labels.isEmpty() ? QString() : labels.first().first->text(QAccessible::Name);
}

// The controls that take the focus: buttons, option buttons, text boxes and
// lists (an editable list's own text box goes with the list).
QList<QWidget *> operableControls(QWidget *window)
{
    QList<QWidget *> controls;
    for (QWidget *widget : window->findChildren<QWidget *>()) {
        const bool operable = qobject_cast<QAbstractButton *>(widget) || qobject_cast<QComboBox *>(widget)
            || (qobject_cast<QLineEdit *>(widget) && !qobject_cast<QComboBox *>(widget->parentWidget()));
        if (operable)
            controls << widget;
    }
    return controls;
}

} // namespace

class AccessibilityTest : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase() { TestSettings::useTemporaryStore(); }

    void init() { QVERIFY(m_panel.startOnFakeProjector()); }
    void cleanup()
    {
        delete m_panel.form().commandList();
        m_panel.reset();
    }

    // --- names, descriptions and roles ----------------------------------------

    void everyControlHasItsOwnName_data()
    {
        QTest::addColumn<QString>("window");
        QTest::newRow("main window") << "main window";
        QTest::newRow("port settings") << "port settings";
        QTest::newRow("command list") << "command list";
    }
    void everyControlHasItsOwnName()
    {
        QFETCH(QString, window);
        QWidget *shown = open(window);
        QVERIFY(shown);

        const QList<QWidget *> controls = operableControls(shown);
        QVERIFY(controls.size() >= 5);
        QSet<QString> names;
        for (QWidget *control : controls) {
            const QString name = spokenName(control);
            QVERIFY2(!name.trimmed().isEmpty(), qPrintable(control->objectName()));
            QVERIFY2(!names.contains(name), qPrintable(name));
            names << name;
        }
    }

    void everyButtonOfTheMainWindowSaysWhatItDoes()
    {
        const QList<QAbstractButton *> buttons = m_panel.form().findChildren<QAbstractButton *>();
        QCOMPARE(buttons.size(), 69);
        for (QAbstractButton *button : buttons) {
            QVERIFY2(!accessibleText(button, QAccessible::Description).isEmpty(),
                     qPrintable(button->objectName()));
        }
    }

    void controlsAreNamedForTheEar_data()
    {
        QTest::addColumn<QString>("window");
        QTest::addColumn<QString>("control");  // a button as "group: caption" or its caption; else a name
        QTest::addColumn<QString>("name");
        QTest::addColumn<QString>("description");

        QTest::newRow("Power On") << "main window" << "Power: On" << "Power On" << "Sends C00";
        QTest::newRow("hold button") << "main window" << "Volume: Up" << "Volume up"
                                     << "Sends C09 when pressed with the mouse and repeats it while held";
        QTest::newRow("END") << "main window" << "END" << "End the program"
                             << "Closes the port and ends the program";
        QTest::newRow("Power group") << "main window" << "Frame1" << "Power" << "";
        QTest::newRow("monitor") << "main window" << "Frame9" << "Communication monitor" << "";
        QTest::newRow("TxD line") << "main window" << "Label11" << "TxD line" << "";
        QTest::newRow("status line") << "main window" << "Label25" << "Status line" << "";
        QTest::newRow("9600") << "port settings" << "9600" << "Baud rate 9600" << "";
        QTest::newRow("19200") << "port settings" << "19200" << "Baud rate 19200" << "";
        // COM1 is the fake projector (%1); the built-in port behind COM5 answers no one here.
        QTest::newRow("COM1") << "port settings" << "COM1" << "Port COM1" << "COM1: %1";
        QTest::newRow("COM5") << "port settings" << "COM5" << "Port COM5" << "COM5: /dev/ttyS4, not present";
        QTest::newRow("OTHER") << "port settings" << "Text1" << "Other port number"
                               << "COM port 1 to 15; anything else becomes 0";
        QTest::newRow("OK") << "port settings" << "OK" << "OK"
                            << "Opens the chosen port and keeps the choice";
        QTest::newRow("Cancel") << "port settings" << "Cancel" << "Cancel"
                                << "Goes back to the port in use before";
        QTest::newRow("SEND") << "command list" << "SEND" << "Send" << "Sends the command to send";
        QTest::newRow("CLOSE") << "command list" << "CLOSE" << "Close" << "Closes the command list";
        QTest::newRow("basic list button") << "command list" << "Basic Command List" << "Show the basic command list"
                                           << "Shows the basic commands and picks the first";
        QTest::newRow("edit box") << "command list" << "Text1" << "Command to send"
                                  << "Replace each %, if any, by a digit from 0 to 9";
        QTest::newRow("basic list") << "command list" << "Combo1" << "Basic command list" << "";
        QTest::newRow("read list") << "command list" << "Combo3" << "Read command list" << "";
        QTest::newRow("log table") << "exchange log" << "LogView" << "Exchange log"
                                   << "Frames sent and what came back, newest last; a hold's frames open from one row";
        QTest::newRow("Save...") << "exchange log" << "Save" << "Save the log"
                                 << "Writes the whole log to a text or CSV file";
        QTest::newRow("Clear") << "exchange log" << "Clear" << "Clear the log" << "Empties the log";
        QTest::newRow("log filter") << "exchange log" << "Filter" << "Filter"
                                    << "Shows only the exchanges whose rendering, status, origin, raw text or hex "
                                       "bytes contain this text";
        QTest::newRow("log failures") << "exchange log" << "Show" << "Show"
                                      << "All exchanges, or only those that failed in one way";
    }
    void controlsAreNamedForTheEar()
    {
        QFETCH(QString, window);
        QFETCH(QString, control);
        QFETCH(QString, name);
        QFETCH(QString, description);
        QWidget *shown = open(window);
        QVERIFY(shown);
        QWidget *widget = shown->findChild<QWidget *>(control);
        if (!widget)
            widget = Controls::control(*shown, control);
        QCOMPARE(spokenName(widget), name);
        // An empty line shows nothing, so it describes nothing either.
        QCOMPARE(accessibleText(widget, QAccessible::Description),
                 description.contains(QLatin1String("%1"))
                     ? description.arg(QFileInfo(m_panel.projector().devicePath()).canonicalFilePath())
                     : description);
    }

    void rolesAreTheOnesScreenReadersExpect_data()
    {
        QTest::addColumn<QString>("window");
        QTest::addColumn<QString>("control");  // empty: the window itself
        QTest::addColumn<int>("role");
        QTest::addColumn<bool>("readsAsText");

        QTest::newRow("main window") << "main window" << "" << int(QAccessible::Window) << false;
        QTest::newRow("group") << "main window" << "Frame21" << int(QAccessible::Grouping) << false;
        QTest::newRow("status area") << "main window" << "Frame15" << int(QAccessible::Grouping) << false;
        QTest::newRow("RxD line") << "main window" << "Label12" << int(QAccessible::StaticText) << true;
        QTest::newRow("status line") << "main window" << "Label25" << int(QAccessible::StaticText) << true;
        QTest::newRow("command list") << "command list" << "" << int(QAccessible::Window) << false;
        QTest::newRow("exchange log") << "exchange log" << "" << int(QAccessible::Window) << false;
        QTest::newRow("exchange log table") << "exchange log" << "LogView" << int(QAccessible::Tree) << false;
    }
    void rolesAreTheOnesScreenReadersExpect()
    {
        QFETCH(QString, window);
        QFETCH(QString, control);
        QFETCH(int, role);
        QFETCH(bool, readsAsText);
        QWidget *shown = open(window);
        QVERIFY(shown);
        QWidget *widget = control.isEmpty() ? shown : shown->findChild<QWidget *>(control);
        QVERIFY(widget);
        QAccessibleInterface *face = accessible(widget);
        QVERIFY(face);
        QCOMPARE(int(face->role()), role);
        QCOMPARE(face->textInterface() != nullptr, readsAsText);
    }

    void captionsLabelTheirFields_data()
    {
        QTest::addColumn<QString>("window");
        QTest::addColumn<QString>("caption");
        QTest::addColumn<QString>("field");

        QTest::newRow("TxD") << "main window" << "Label9" << "Label11";
        QTest::newRow("RxD") << "main window" << "Label10" << "Label12";
        QTest::newRow("Status") << "main window" << "Label26" << "Label25";
        QTest::newRow("OTHER") << "port settings" << "Label1" << "Text1";
    }
    void captionsLabelTheirFields()
    {
        QFETCH(QString, window);
        QFETCH(QString, caption);
        QFETCH(QString, field);
        QWidget *shown = open(window);
        QVERIFY(shown);
        QAccessibleInterface *fieldFace = accessible(shown->findChild<QWidget *>(field));
        QAccessibleInterface *captionFace = accessible(shown->findChild<QWidget *>(caption));
        QVERIFY(fieldFace && captionFace);
        bool labelled = false;
        for (const auto &relation : fieldFace->relations(QAccessible::Label))
            labelled = labelled || relation.first == captionFace;
        QVERIFY(labelled);
    }

    // --- the readout lines ------------------------------------------------------

    void aLineReadsItsWholeTextAndDescribesWhatItShows_data()
    {
        QTest::addColumn<QByteArray>("reply");
        QTest::addColumn<QString>("rendering");

        const auto letters = [](int count) {
            return QStringLiteral(" ") + QStringLiteral("A ").repeated(count);
        };
        QTest::newRow("nothing") << QByteArray() << QStringLiteral(" ");
        QTest::newRow("status reply") << QByteArray("00\r") << QStringLiteral(" 0 0  [CR] ");
        // Two characters a letter and one before: 999, then 1001.
        QTest::newRow("just within the description") << QByteArray(499, 'A') << letters(499);
        QTest::newRow("just beyond it") << QByteArray(500, 'A') << letters(500);
        QTest::newRow("a flood") << QByteArray(30000, 'A') << letters(30000);
    }
    void aLineReadsItsWholeTextAndDescribesWhatItShows()
    {
        QFETCH(QByteArray, reply);
        QFETCH(QString, rendering);
        auto *rxd = qobject_cast<MonitorLine *>(m_panel.rxdLine());
        QVERIFY(rxd);
        (void)rxd->showRendering(reply);
        QCOMPARE(rxd->text(), rendering);

        QAccessibleTextInterface *text = accessible(rxd)->textInterface();
        QVERIFY(text);
        QCOMPARE(text->characterCount(), int(rendering.size()));
        QCOMPARE(text->text(0, -1), rendering);
        QCOMPARE(accessibleText(rxd, QAccessible::Name), QStringLiteral("RxD line"));
        const QString description = accessibleText(rxd, QAccessible::Description);
        if (rendering.size() <= ReadoutLine::DescribedLength) {
            QCOMPARE(description, rendering);
        } else {
            QCOMPARE(description.size(), ReadoutLine::DescribedLength + 1);
            QVERIFY(rendering.startsWith(description.chopped(1)));
            QCOMPARE(description.back(), QChar(0x2026));
        }
    }

    void textIsCutToTheLine_data()
    {
        QTest::addColumn<int>("start");
        QTest::addColumn<int>("end");
        QTest::addColumn<QString>("expected");

        // The line reads " C 0 0  [CR] " (13 characters).
        QTest::newRow("all") << 0 << -1 << " C 0 0  [CR] ";
        QTest::newRow("a piece") << 1 << 4 << "C 0";
        QTest::newRow("before the start") << -3 << 2 << " C";
        QTest::newRow("past the end") << 8 << 100 << "[CR] ";
        QTest::newRow("wholly past the end") << 20 << 30 << "";
        QTest::newRow("reversed") << 5 << 2 << "";
    }
    void textIsCutToTheLine()
    {
        QFETCH(int, start);
        QFETCH(int, end);
        QFETCH(QString, expected);
        auto *txd = qobject_cast<MonitorLine *>(m_panel.txdLine());
        (void)txd->showRendering("C00\r");
        QCOMPARE(accessible(txd)->textInterface()->text(start, end), expected);
    }

    void characterPlacesAndPointsAgree()
    {
        m_panel.form().setFullView(true);
        m_panel.form().show();
        auto *txd = qobject_cast<MonitorLine *>(m_panel.txdLine());
        (void)txd->showRendering("C00\r");
        QAccessibleTextInterface *text = accessible(txd)->textInterface();
        for (int offset : {0, 1, 5, 12}) {
            const QRect place = text->characterRect(offset);
            QVERIFY2(!place.isEmpty(), qPrintable(QString::number(offset)));
            QCOMPARE(text->offsetAtPoint(place.center()), offset);
        }
        QCOMPARE(text->characterRect(13), QRect());
        QCOMPARE(text->offsetAtPoint(txd->mapToGlobal(QPoint(-5, 5))), -1);
    }

    void describingCapsTheText_data()
    {
        QTest::addColumn<int>("length");
        QTest::addColumn<int>("describedLength");
        QTest::newRow("empty") << 0 << 0;
        QTest::newRow("short") << 12 << 12;
        QTest::newRow("at the cap") << 1000 << 1000;
        QTest::newRow("one past") << 1001 << 1001;  // 1000 and the ellipsis
        QTest::newRow("long") << 230000 << 1001;
    }
    void describingCapsTheText()
    {
        QFETCH(int, length);
        QFETCH(int, describedLength);
        QCOMPARE(ReadoutLine::describe(QString(length, u'x')).size(), describedLength);
    }

    // --- keyboard -----------------------------------------------------------------

    void tabVisitsEveryButtonOnceGroupByGroup()
    {
        // Group by group, as the panel reads from the top left; the Menu's
        // column of buttons before its arrow cross.
        const QList<std::pair<QString, QStringList>> groups{
            {"Power", {"On", "Off"}},
            {"Computer 1", {"Analog RGB", "Component", "Scart"}},
            {"Computer 2", {"Analog RGB", "DVI (PC Digital)", "DVI (AV HDCP)"}},
            {"Video", {"Video"}},
            {"S-VIDEO", {"S-VIDEO"}},
            {"Screen", {"Full", "Normal"}},
            {"Lamp Mode", {"AUTO", "Normal", "Eco 1", "Eco 2"}},
            {"Audio Mute", {"On", "Off"}},
            {"Video Mute", {"On", "Off"}},
            {"Freeze", {"On", "Off"}},
            {"On Start", {"Enable", "Disable"}},
            {"MIC", {"ON", "OFF"}},
            {"Menu", {"On", "Off", "Enter", "Up", "Left", "Right", "Down"}},
            {"Volume", {"Up", "Down"}},
            {"Bright", {"Up", "Down"}},
            {"D.Zoom", {"Up", "Down"}},
            {"Keystone", {"Up", "Down"}},
            // On the window: image modes, display and image, adjustment and timer.
            {"", {"Standard", "Real", "Cinema", "Image 1", "Image 2", "Image 3", "Image 4", "B.Board",
                  "Dynamic", "Display Clear", "Image (Toggle)", "Image Colorboard", "Auto Pc Adj",
                  "P-Timer", "P-Timer (Exit)"}},
            {"R/C Key Off", {"NONE", "R/C", "KEY"}},
            // END, the read buttons, Command Table and COM.
            {"", {"END", "Status", "Input Mode", "Temp", "Setting", "Lamp Time", "Lamp Status",
                  "Lamp Mode", "Command Table", "COM"}},
        };
        QStringList expected;  // the buttons' names, for a readable difference
        for (const auto &[group, captions] : groups)
            for (const QString &caption : captions)
                expected << m_panel.button(group, caption)->objectName();
        Form1 &form = m_panel.form();
        form.show();
        QVERIFY(QTest::qWaitForWindowActive(&form));
        QCOMPARE(QApplication::focusWidget()->objectName(), expected.first());
        QCOMPARE(expected.size(), form.findChildren<QAbstractButton *>().size());

        QStringList visited{QApplication::focusWidget()->objectName()};
        for (qsizetype i = 1; i < expected.size(); ++i) {
            QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
            visited << QApplication::focusWidget()->objectName();
        }
        QCOMPARE(visited, expected);
        // Round the circle, and back.
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
        QCOMPARE(QApplication::focusWidget()->objectName(), expected.first());
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Backtab, Qt::ShiftModifier);
        QCOMPARE(QApplication::focusWidget()->objectName(), expected.last());
        // Moving the focus sends nothing.
        QTest::qWait(0);
        QCOMPARE(m_panel.projector().received(), QByteArray());
    }

private:
    QWidget *open(const QString &window)
    {
        Form1 &form = m_panel.form();
        if (window == QLatin1StringView("port settings"))
            return m_panel.pressCom();
        if (window == QLatin1StringView("command list")) {
            m_panel.click("Command Table");
            return form.commandList();
        }
        if (window == QLatin1StringView("exchange log")) {
            form.exchangeLog().showWindow();
            return form.exchangeLog().window();
        }
        return &form;
    }

    PanelFixture m_panel;
};

QTEST_MAIN(AccessibilityTest)
#include "tst_accessibility.moc"
