// The port settings dialog through its own controls, with pseudo-terminals
// standing in for the COM ports: start-up's fallback to it, the "COM" button,
// the "OTHER" field, OK and Cancel.

#include "link/module1.h"
#include "exchange/exchange.h"
#include "link/form2.h"
#include "link/mscomm.h"
#include "look/twips.h"
#include "panel/form1.h"
#include "support/fakeprojector.h"
#include "support/modalwatcher.h"
#include "support/panelfixture.h"
#include "support/testsettings.h"

#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPointer>
#include <QPushButton>
#include <QRadioButton>
#include <QTest>

#include <memory>

namespace {

const QString StartUp = QStringLiteral("StartUP");
const QString ComPort = QStringLiteral("ComPort");
const QString BaudRate = QStringLiteral("BaudRate");
const QString Missing = QStringLiteral("/nonexistent/device");

} // namespace

class Form2Test : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase() { TestSettings::useTemporaryStore(); }

    void init()
    {
        TestSettings::clear();
        QVERIFY(FakeProjector::openFresh(m_projector));
        QVERIFY(FakeProjector::openFresh(m_other));
        TestSettings::mapPort(1, m_projector->devicePath());
        m_watcher = std::make_unique<ModalWatcher>();
    }

    void cleanup()
    {
        m_panel.reset();
        m_projector.reset();
        m_other.reset();
        m_watcher.reset();
    }

    // --- the window -------------------------------------------------------

    void eachControlSitsInItsContainer_data()
    {
        QTest::addColumn<QString>("name");
        QTest::addColumn<QString>("container");
        QTest::addColumn<QString>("caption");
        QTest::addColumn<QRect>("twips");

        QTest::newRow("Frame1") << "Frame1" << "Form2" << "Baud Rate" << QRect(360, 240, 2415, 615);
        QTest::newRow("Text1") << "Text1" << "Frame2" << "0" << QRect(180, 2040, 375, 270);
        QTest::newRow("Option1") << "Option1" << "Frame1" << "9600" << QRect(120, 180, 1575, 375);
        QTest::newRow("Option2") << "Option2" << "Frame1" << "19200" << QRect(1320, 240, 975, 255);
        QTest::newRow("Frame2") << "Frame2" << "Form2" << "Com Port" << QRect(360, 1200, 1455, 2535);
        QTest::newRow("Option3") << "Option3" << "Frame2" << "COM1" << QRect(180, 180, 1155, 315);
        QTest::newRow("Option4") << "Option4" << "Frame2" << "COM2" << QRect(180, 540, 1095, 255);
        QTest::newRow("Option5") << "Option5" << "Frame2" << "COM3" << QRect(180, 900, 975, 255);
        QTest::newRow("Option6") << "Option6" << "Frame2" << "COM4" << QRect(180, 1260, 1215, 255);
        QTest::newRow("Option7") << "Option7" << "Frame2" << "COM5" << QRect(180, 1620, 1335, 255);
        QTest::newRow("Command1") << "Command1" << "Form2" << "OK" << QRect(2040, 1320, 735, 615);
        QTest::newRow("Label1") << "Label1" << "Frame2" << "OTHER" << QRect(600, 2100, 780, 255);
        QTest::newRow("Command2") << "Command2" << "Form2" << "Cancel" << QRect(2040, 2160, 735, 615);
    }
    void eachControlSitsInItsContainer()
    {
        QFETCH(QString, name);
        QFETCH(QString, container);
        QFETCH(QString, caption);
        QFETCH(QRect, twips);
        startWith("1", "192");
        Form2 *dialog = pressCom();
        QVERIFY(dialog);

        QWidget *control = dialog->findChild<QWidget *>(name);
        QVERIFY(control);
        QCOMPARE(control->parentWidget()->objectName(), container);
        QCOMPARE(control->geometry(), Twips::pixels(twips));
        const char *captionProperty = qobject_cast<QGroupBox *>(control) ? "title" : "text";
        QCOMPARE(control->property(captionProperty).toString(), caption);
    }

    void theDialogOpensWithTheFocusInTheOtherField()
    {
        startWith("1", "192");
        Form2 *dialog = pressCom();
        QVERIFY(dialog);
        QCOMPARE(dialog->windowTitle(), QStringLiteral("  COM PORT"));
        QCOMPARE(dialog->size(), QSize(Twips::pixels(3105), Twips::pixels(4005)));
        QVERIFY(!dialog->isModal());
        QVERIFY(QTest::qWaitForWindowActive(dialog));
        auto *text1 = control<QLineEdit>(dialog, "Text1");
        QCOMPARE(QApplication::focusWidget(), text1);
        QCOMPARE(text1->selectedText(), QStringLiteral("0"));

        QStringList tabOrder;
        QWidget *widget = text1;
        do {
            if (widget->window() == dialog && (widget->focusPolicy() & Qt::TabFocus))
                tabOrder << widget->objectName();
            widget = widget->nextInFocusChain();
        } while (widget != text1);
        QCOMPARE(tabOrder, QStringList({"Text1", "Option1", "Option2", "Option3", "Option4",
                                        "Option5", "Option6", "Option7", "Command1", "Command2"}));
    }

    // --- start-up -------------------------------------------------------------

    void aFirstRunShowsTheDialogModallyAndClosingItLetsStartUpFinish()
    {
        struct Seen {
            bool modal = false;
            bool mainWindowVisible = true;
            QString speed;
            QStringList portsChecked;
            QString text;
            bool focusInText = false;
            QString selected;
        } seen;
        m_watcher->onModalDialog([&](QWidget *dialog) {
            seen.modal = QApplication::activeModalWidget() == dialog;
            seen.mainWindowVisible = m_panel.form().isVisible();
            seen.speed = PanelFixture::checkedSpeed(dialog);
            seen.portsChecked = PanelFixture::checkedPorts(dialog);
            auto *text1 = control<QLineEdit>(dialog, "Text1");
            seen.text = text1->text();
            seen.focusInText = dialog->focusWidget() == text1;
            seen.selected = text1->selectedText();
            dialog->close();  // the close box
        });
        createForm();

        QCOMPARE(m_watcher->dialogsAnswered(), 1);
        QVERIFY(seen.modal);
        QVERIFY(!seen.mainWindowVisible);
        QCOMPARE(seen.speed, QStringLiteral("19200"));
        QCOMPARE(seen.portsChecked, QStringList());
        QCOMPARE(seen.text, QStringLiteral("0"));
        QVERIFY(seen.focusInText);
        QCOMPARE(seen.selected, QStringLiteral("0"));
        // Start-up has finished, no message, nothing opened or stored.
        QVERIFY(m_watcher->messageBoxes().isEmpty());
        QVERIFY(!m_panel.comm().PortOpen());
        QVERIFY(!TestSettings::contains(StartUp, ComPort));
        QVERIFY(!TestSettings::contains(StartUp, BaudRate));
        QVERIFY(!m_panel.form().findChild<Form2 *>());
    }

    void theStartUpDialogAnswers_data()
    {
        QTest::addColumn<QString>("stored");       // "ComPort" before start-up; null: none
        QTest::addColumn<QStringList>("steps");     // in the dialog
        QTest::addColumn<int>("messages");          // "Retry Comport" boxes
        QTest::addColumn<int>("opened");            // COM number open afterwards, 0: closed
        QTest::addColumn<QString>("storedAfter");  // "ComPort" afterwards; null: none
        QTest::addColumn<int>("portNumber");

        QTest::newRow("first run, COM1, OK")
            << QString() << QStringList{"COM1", "OK"} << 0 << 1 << "1" << 1;
        QTest::newRow("first run, OTHER 7, OK")
            << QString() << QStringList{"type:7", "OK"} << 0 << 7 << "7" << 7;
        QTest::newRow("first run, OK, OK")
            << QString() << QStringList{"OK", "OK"} << 2 << 0 << QString() << 0;
        QTest::newRow("first run, Cancel")
            << QString() << QStringList{"Cancel"} << 1 << 0 << QString() << 0;
        QTest::newRow("first run, COM3, Cancel, OK")
            << QString() << QStringList{"COM3", "Cancel", "OK"} << 2 << 0 << QString() << 0;
        QTest::newRow("stored port does not open, COM1, OK")
            << "2" << QStringList{"COM1", "OK"} << 0 << 1 << "1" << 1;
        QTest::newRow("stored port does not open, OK")
            << "2" << QStringList{"OK"} << 1 << 0 << "2" << 2;
        // Only 1 to 15 are ports, even if a device answers for another number.
        QTest::newRow("stored 16, OK") << "16" << QStringList{"OK"} << 1 << 0 << "16" << 16;
        QTest::newRow("stored -3, OK") << "-3" << QStringList{"OK"} << 1 << 0 << "-3" << -3;
    }
    void theStartUpDialogAnswers()
    {
        QFETCH(QString, stored);
        QFETCH(QStringList, steps);
        QFETCH(int, messages);
        QFETCH(int, opened);
        QFETCH(QString, storedAfter);
        QFETCH(int, portNumber);
        TestSettings::mapPort(2, Missing);
        TestSettings::mapPort(7, m_other->devicePath());
        TestSettings::mapPort(16, m_other->devicePath());
        TestSettings::storeLink(stored, QString());

        bool shownBeforeStartUpEnded = false;
        m_watcher->onModalDialog([&](QWidget *dialog) {
            perform(static_cast<Form2 *>(dialog), steps);
            shownBeforeStartUpEnded = m_panel.form().isVisible();
        });
        createForm();

        QCOMPARE(m_watcher->dialogsAnswered(), 1);
        QCOMPARE(m_watcher->messageBoxes(), QList<ModalWatcher::MessageBox>(messages, RetryComport));
        QCOMPARE(m_panel.comm().PortOpen(), opened != 0);
        QCOMPARE(shownBeforeStartUpEnded, opened != 0);
        QCOMPARE(int(m_panel.module().portNumber), portNumber);
        QCOMPARE(TestSettings::contains(StartUp, ComPort), !storedAfter.isNull());
        if (!storedAfter.isNull())
            QCOMPARE(TestSettings::value(StartUp, ComPort), storedAfter);
        if (opened) {
            QCOMPARE(m_panel.comm().CommPort(), opened);
            QCOMPARE(m_panel.comm().Settings(), QStringLiteral("19200,N,8,1"));
            QCOMPARE(TestSettings::value(StartUp, BaudRate), QStringLiteral("192"));
            // The dialog's way in skips the rest of start-up.
            QCOMPARE(m_panel.form().exchange().timer2().interval(), 5000);
            sendsTo(opened == 1 ? *m_projector : *m_other);
        } else {
            QVERIFY(!TestSettings::contains(StartUp, BaudRate));
        }
    }

    // --- the "OTHER" field ----------------------------------------------------

    void theOtherFieldIsCheckedAtEveryKeystroke_data()
    {
        QTest::addColumn<QString>("keys");
        QTest::addColumn<QList<int>>("ports");     // port number after each key
        QTest::addColumn<QStringList>("texts");    // field after each key

        // The dialog opens on COM3.
        QTest::newRow("12") << "12" << QList<int>{1, 12} << QStringList{"1", "12"};
        QTest::newRow("16") << "16" << QList<int>{1, 1} << QStringList{"1", "0"};
        QTest::newRow("7") << "7" << QList<int>{7} << QStringList{"7"};
        QTest::newRow("0") << "0" << QList<int>{3} << QStringList{"0"};
        QTest::newRow("a letter") << "a" << QList<int>{3} << QStringList{"0"};
        QTest::newRow("a sign") << "-" << QList<int>{3} << QStringList{"0"};
        QTest::newRow("1 then a letter") << "1x" << QList<int>{1, 1} << QStringList{"1", "0"};
    }
    void theOtherFieldIsCheckedAtEveryKeystroke()
    {
        QFETCH(QString, keys);
        QFETCH(QList<int>, ports);
        QFETCH(QStringList, texts);
        TestSettings::mapPort(3, m_projector->devicePath());
        startWith("3", "192");
        Form2 *dialog = pressCom();
        QVERIFY(dialog);
        auto *text1 = control<QLineEdit>(dialog, "Text1");

        for (qsizetype i = 0; i < keys.size(); ++i) {
            QTest::keyClick(text1, keys.at(i).toLatin1());
            QCOMPARE(int(m_panel.module().portNumber), ports.at(i));
            QCOMPARE(text1->text(), texts.at(i));
        }
        // The field never changes the options.
        QCOMPARE(PanelFixture::checkedPorts(dialog), QStringList{"COM3"});
    }

    void theOtherFieldTakesOnlyNumbersFrom1To15_data()
    {
        QTest::addColumn<QString>("pasted");
        QTest::addColumn<int>("portNumber");  // the dialog opens on COM3
        QTest::addColumn<QString>("text");

        QTest::newRow("15") << "15" << 15 << "15";
        QTest::newRow("surrounding blanks") << " 9 " << 9 << " 9 ";
        QTest::newRow("2.5 rounds to even") << "2.5" << 2 << "2.5";
        QTest::newRow("3.5 rounds to even") << "3.5" << 4 << "3.5";
        QTest::newRow("0.4") << "0.4" << 3 << "0";
        QTest::newRow("16") << "16" << 3 << "0";
        QTest::newRow("255") << "255" << 3 << "0";
        QTest::newRow("256") << "256" << 3 << "0";
        QTest::newRow("huge") << "99999999999999999999999" << 3 << "0";
        QTest::newRow("empty") << "" << 3 << "0";
        QTest::newRow("letters") << "COM4" << 3 << "0";
        QTest::newRow("negative") << "-5" << 3 << "0";
        QTest::newRow("plus sign") << "+5" << 5 << "+5";
        QTest::newRow("exponent") << "1e1" << 10 << "1e1";
        QTest::newRow("exponent beyond 15") << "2e1" << 3 << "0";
    }
    void theOtherFieldTakesOnlyNumbersFrom1To15()
    {
        QFETCH(QString, pasted);
        QFETCH(int, portNumber);
        QFETCH(QString, text);
        TestSettings::mapPort(3, m_projector->devicePath());
        startWith("3", "192");
        Form2 *dialog = pressCom();
        QVERIFY(dialog);
        auto *text1 = control<QLineEdit>(dialog, "Text1");

        text1->selectAll();
        text1->insert(pasted);
        QCOMPARE(int(m_panel.module().portNumber), portNumber);
        QCOMPARE(text1->text(), text);

        // Still usable: a fresh entry is taken.
        text1->selectAll();
        QTest::keyClick(text1, '8');
        QCOMPARE(int(m_panel.module().portNumber), 8);
    }

    // --- OK ---------------------------------------------------------------------

    void okOpensTheChosenPortAndThenStoresIt_data()
    {
        QTest::addColumn<QStringList>("steps");
        QTest::addColumn<int>("port");
        QTest::addColumn<QString>("baudRate");

        // Start-up opened COM1 at 19200.
        QTest::newRow("9600 and COM2") << QStringList{"9600", "COM2"} << 2 << "96";
        QTest::newRow("COM5") << QStringList{"COM5"} << 5 << "192";
        QTest::newRow("9600 then 19200, COM4") << QStringList{"9600", "19200", "COM4"} << 4 << "192";
        QTest::newRow("OTHER 6") << QStringList{"type:6"} << 6 << "192";
        QTest::newRow("OTHER 15 at 9600") << QStringList{"9600", "type:15"} << 15 << "96";
        QTest::newRow("COM3 then OTHER 9") << QStringList{"COM3", "type:9"} << 9 << "192";
        QTest::newRow("OTHER 9 then COM2") << QStringList{"type:9", "COM2"} << 2 << "192";
    }
    void okOpensTheChosenPortAndThenStoresIt()
    {
        QFETCH(QStringList, steps);
        QFETCH(int, port);
        QFETCH(QString, baudRate);
        TestSettings::mapPort(port, m_other->devicePath());
        startWith("1", "192");
        Form2 *dialog = pressCom();
        QVERIFY(dialog);
        QVERIFY(!m_panel.comm().PortOpen());

        perform(dialog, steps);
        QVERIFY(PanelFixture::checkedPorts(dialog).size() <= 1);
        perform(dialog, {"OK"});

        QVERIFY(m_watcher->messageBoxes().isEmpty());
        QTRY_VERIFY(!m_panel.form().findChild<Form2 *>());
        QVERIFY(m_panel.comm().PortOpen());
        QCOMPARE(m_panel.comm().CommPort(), port);
        QCOMPARE(m_panel.comm().Settings(),
                 baudRate == "96" ? QStringLiteral("9600,N,8,1") : QStringLiteral("19200,N,8,1"));
        QCOMPARE(TestSettings::value(StartUp, ComPort), QString::number(port));
        QCOMPARE(TestSettings::value(StartUp, BaudRate), baudRate);
        QCOMPARE(QString::number(m_panel.module().baudCode), baudRate);
        sendsTo(*m_other);
        QVERIFY(m_projector->received().isEmpty());

        // Reopened, the dialog starts from the link now in force.
        dialog = pressCom();
        QVERIFY(dialog);
        QCOMPARE(control<QLineEdit>(dialog, "Text1")->text(), QStringLiteral("0"));
        QCOMPARE(PanelFixture::checkedPorts(dialog),
                 port <= 5 ? QStringList{QStringLiteral("COM%1").arg(port)} : QStringList());
        QCOMPARE(PanelFixture::checkedSpeed(dialog), QString(baudRate == "96" ? "9600" : "19200"));
    }

    void okOnAPortThatDoesNotOpenKeepsTheStoreAndTheDialog()
    {
        TestSettings::mapPort(4, Missing);
        startWith("1", "192");
        Form2 *dialog = pressCom();
        QVERIFY(dialog);
        perform(dialog, {"9600", "COM4", "OK"});

        QCOMPARE(m_watcher->messageBoxes(), QList{RetryComport});
        QCOMPARE(openDialog(), dialog);
        QVERIFY(!m_panel.comm().PortOpen());
        QCOMPARE(TestSettings::value(StartUp, ComPort), QStringLiteral("1"));
        QCOMPARE(TestSettings::value(StartUp, BaudRate), QStringLiteral("192"));
        QCOMPARE(int(m_panel.module().portNumber), 4);
        QCOMPARE(int(m_panel.module().baudCode), 96);
        QCOMPARE(PanelFixture::checkedPorts(dialog), QStringList{"COM4"});
        QCOMPARE(PanelFixture::checkedSpeed(dialog), QStringLiteral("9600"));

        // Cancel goes back to the port in force before.
        perform(dialog, {"Cancel"});
        QCOMPARE(m_watcher->messageBoxes().size(), 1);
        QVERIFY(m_panel.comm().PortOpen());
        QCOMPARE(m_panel.comm().CommPort(), 1);
        QCOMPARE(m_panel.comm().Settings(), QStringLiteral("19200,N,8,1"));
        QTRY_VERIFY(!m_panel.form().findChild<Form2 *>());
    }

    // --- Cancel and "COM" -------------------------------------------------------

    void cancelReopensThePreviousPortAndStoresNothing_data()
    {
        QTest::addColumn<QString>("comPort");
        QTest::addColumn<QString>("baudRate");
        QTest::addColumn<QStringList>("steps");

        QTest::newRow("COM1 9600, unchanged") << "1" << "96" << QStringList{};
        QTest::newRow("COM1 19200, unchanged") << "1" << "192" << QStringList{};
        QTest::newRow("COM3 9600, other choices")
            << "3" << "96" << QStringList{"19200", "COM2", "type:12"};
    }
    void cancelReopensThePreviousPortAndStoresNothing()
    {
        QFETCH(QString, comPort);
        QFETCH(QString, baudRate);
        QFETCH(QStringList, steps);
        const int port = comPort.toInt();
        TestSettings::mapPort(port, m_projector->devicePath());
        startWith(comPort, baudRate);
        const QString settings = m_panel.comm().Settings();
        // Anything Cancel wrote would replace these.
        TestSettings::storeLink(QStringLiteral("9"), QStringLiteral("1"));

        Form2 *dialog = pressCom();
        QVERIFY(dialog);
        QVERIFY(!m_panel.comm().PortOpen());
        QCOMPARE(PanelFixture::checkedPorts(dialog), QStringList{QStringLiteral("COM%1").arg(port)});
        QCOMPARE(PanelFixture::checkedSpeed(dialog), QString(baudRate == "96" ? "9600" : "19200"));
        perform(dialog, steps + QStringList{"Cancel"});

        QVERIFY(m_watcher->messageBoxes().isEmpty());
        QTRY_VERIFY(!m_panel.form().findChild<Form2 *>());
        QVERIFY(m_panel.comm().PortOpen());
        QCOMPARE(m_panel.comm().CommPort(), port);
        QCOMPARE(m_panel.comm().Settings(), settings);
        QCOMPARE(int(m_panel.module().portNumber), port);
        QCOMPARE(QString::number(m_panel.module().baudCode), baudRate);
        QCOMPARE(TestSettings::value(StartUp, ComPort), QStringLiteral("9"));
        QCOMPARE(TestSettings::value(StartUp, BaudRate), QStringLiteral("1"));
        // The round trip wrote nothing to the line.
        sendsTo(*m_projector);
    }

    void cancelWhenThePreviousPortDoesNotOpenKeepsTheDialog()
    {
        startWith("1", "192");
        Form2 *dialog = pressCom();
        QVERIFY(dialog);
        TestSettings::mapPort(1, Missing);
        perform(dialog, {"9600", "COM2", "Cancel"});

        QCOMPARE(m_watcher->messageBoxes(), QList{RetryComport});
        QCOMPARE(openDialog(), dialog);
        QVERIFY(!m_panel.comm().PortOpen());
        QCOMPARE(int(m_panel.module().portNumber), 1);
        QCOMPARE(int(m_panel.module().baudCode), 192);
        QCOMPARE(PanelFixture::checkedSpeed(dialog), QStringLiteral("19200"));
        QCOMPARE(PanelFixture::checkedPorts(dialog), QStringList{"COM2"});

        TestSettings::mapPort(1, m_projector->devicePath());
        perform(dialog, {"Cancel"});
        QVERIFY(m_panel.comm().PortOpen());
        QCOMPARE(m_watcher->messageBoxes().size(), 1);
    }

    void comAgainWhileTheDialogIsOpenTakesItsChoiceAsThePrevious()
    {
        TestSettings::mapPort(2, m_other->devicePath());
        startWith("1", "192");
        QPointer<Form2> dialog = pressCom();
        QVERIFY(dialog);
        perform(dialog, {"9600", "COM2"});

        QCOMPARE(pressCom(), dialog.data());
        QCOMPARE(m_panel.form().findChildren<Form2 *>().size(), 1);
        QCOMPARE(int(m_panel.module().previousPortNumber), 2);
        QCOMPARE(int(m_panel.module().previousBaudCode), 96);
        // Not loaded again: the choice is still shown.
        QCOMPARE(PanelFixture::checkedPorts(dialog), QStringList{"COM2"});
        QCOMPARE(PanelFixture::checkedSpeed(dialog), QStringLiteral("9600"));

        perform(dialog, {"Cancel"});
        QVERIFY(m_panel.comm().PortOpen());
        QCOMPARE(m_panel.comm().CommPort(), 2);
        QCOMPARE(m_panel.comm().Settings(), QStringLiteral("9600,N,8,1"));
        QCOMPARE(TestSettings::value(StartUp, ComPort), QStringLiteral("1"));
        QCOMPARE(TestSettings::value(StartUp, BaudRate), QStringLiteral("192"));
    }

    void closingTheDialogLeavesThePortClosed()
    {
        startWith("1", "192");
        Form2 *dialog = pressCom();
        QVERIFY(dialog);
        perform(dialog, {"COM2"});
        QTest::keyClick(dialog, Qt::Key_Escape);
        QCOMPARE(openDialog(), dialog);  // Escape is no way out

        QVERIFY(dialog->close());
        QTRY_VERIFY(!m_panel.form().findChild<Form2 *>());
        QVERIFY(!m_panel.comm().PortOpen());
        QVERIFY(m_watcher->messageBoxes().isEmpty());
        QCOMPARE(TestSettings::value(StartUp, ComPort), QStringLiteral("1"));

        // The main window still works, and "COM" loads a fresh dialog.
        m_panel.click("Power", "On");
        QVERIFY(m_projector->received().isEmpty());
        dialog = pressCom();
        QVERIFY(dialog);
        QCOMPARE(PanelFixture::checkedPorts(dialog), QStringList{"COM2"});
        QCOMPARE(control<QLineEdit>(dialog, "Text1")->selectedText(), QStringLiteral("0"));
    }

private:
    void createForm() { m_panel.startFromTheStore(); }
    // Start-up from a stored link that opens.
    void startWith(const QString &comPort, const QString &baudRate)
    {
        TestSettings::storeLink(comPort, baudRate);
        createForm();
        QVERIFY(m_panel.comm().PortOpen());
    }
    [[nodiscard]] Form2 *pressCom()
    {
        QAbstractButton *com = m_panel.button("COM");
        if (!com || !com->isVisible())
            return nullptr;
        QTest::mouseClick(com, Qt::LeftButton);
        return m_panel.openDialog();
    }
    [[nodiscard]] Form2 *openDialog() const { return m_panel.openDialog(); }
    template <typename T>
    static T *control(QWidget *dialog, const char *name)
    {
        return dialog->findChild<T *>(QLatin1StringView(name));
    }
    // "type:..." is typed into "OTHER"; any other step presses the button of
    // that caption, an option button on its circle.
    static void perform(Form2 *dialog, const QStringList &steps)
    {
        QPointer<Form2> alive = dialog;
        for (const QString &step : steps) {
            QVERIFY2(alive && alive->isVisible(), qPrintable("no dialog for " + step));
            if (step.startsWith(QLatin1StringView("type:"))) {
                QTest::keyClicks(control<QLineEdit>(dialog, "Text1"), step.mid(5));
            } else if (auto *option = qobject_cast<QRadioButton *>(Controls::control(*dialog, step))) {
                // On the indicator: the text may not reach the middle.
                QTest::mouseClick(option, Qt::LeftButton, {}, QPoint(7, option->height() / 2));
                QVERIFY2(option->isChecked(), qPrintable(step));
            } else {
                QTest::mouseClick(Controls::control(*dialog, step), Qt::LeftButton);
            }
        }
    }
    // The port in force reaches `projector`.
    void sendsTo(FakeProjector &projector)
    {
        m_panel.click("Power", "On");
        QTRY_COMPARE(projector.received(), QByteArray("C00\r"));
    }

    std::unique_ptr<FakeProjector> m_projector;  // COM1
    std::unique_ptr<FakeProjector> m_other;
    std::unique_ptr<ModalWatcher> m_watcher;
    PanelFixture m_panel;
};

QTEST_MAIN(Form2Test)
#include "tst_form2.moc"
