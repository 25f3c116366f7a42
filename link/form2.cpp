#include "link/form2.h"

#include "link/module1.h"
#include "link/linksettings.h"
#include "link/mscomm.h"
#include "link/numericprefix.h"
#include "devices/portdescription.h"
#include "link/portsgroup.h"
#include "look/captionfont.h"
#include "look/twips.h"

#include <QButtonGroup>
#include <QGroupBox>
#include <QHash>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QPushButton>
#include <QRadioButton>
#include <QSettings>

using Twips::pixels;

namespace {

constexpr int ClientWidthTwips = 3105;
constexpr int ClientHeightTwips = 4005;
constexpr qreal PointSize = 8.25;

// The largest number the "OTHER" field reads; beyond it a text is not a number at all.
constexpr int LargestOtherNumber = 255;

enum class Kind { Frame, TextBox, Option, Button, Label };

} // namespace

Form2::Form2(Module1 &module, MSComm &MSComm1, QWidget &mainWindow, const DeviceSource &devices)
    : QDialog(&mainWindow)
    , m_module(module)
    , m_MSComm1(MSComm1)
    , m_mainWindow(mainWindow)
    , m_devices(devices)
{
    setObjectName(QStringLiteral("Form2"));
    setAttribute(Qt::WA_DeleteOnClose);
    setWindowTitle(QStringLiteral("  COM PORT"));
    // Fixed border with a close box and nothing else.
    setWindowFlags(Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint
                   | Qt::WindowSystemMenuHint | Qt::WindowCloseButtonHint);
    setFont(CaptionFont::face(font(), PointSize, false));
    setFixedSize(pixels(ClientWidthTwips), pixels(ClientHeightTwips));
    // The frames' captions sit on their top border, leaving the laid-out
    // positions inside free.
    setStyleSheet(QStringLiteral(
        "QGroupBox { border: 1px solid palette(mid); border-radius: 2px; margin-top: 6px; }"
        "QGroupBox::title { subcontrol-origin: margin; left: 6px; top: -1px; padding: 0 2px; }"));

    buildControls();
    Form_Load();
}

Form2::~Form2() = default;

void Form2::buildControls()
{
    using Handler = void (Form2::*)();
    struct Control {
        const char *name;
        Kind kind;
        const char *container;  // nullptr: the dialog
        const char *caption;
        QRect twips;            // relative to the container
        Handler handler;        // click, or change for the text box
        int id;                 // an option's value: baud code or port number
        const char *accessibleName;         // for assistive technology
        const char *accessibleDescription;  // nullptr: none
    };
    // In tab order.
    static const Control controls[] = {
        {"Frame1", Kind::Frame, nullptr, "Baud Rate", {360, 240, 2415, 615}, nullptr, 0,
         "Baud rate", nullptr},
        {"Text1", Kind::TextBox, "Frame2", "0", {180, 2040, 375, 270}, &Form2::Text1_Change, 0,
         "Other port number", "COM port 1 to 15; anything else becomes 0"},
        {"Option1", Kind::Option, "Frame1", "9600", {120, 180, 1575, 375}, &Form2::Option1_Click,
         LinkSettings::Baud9600, "Baud rate 9600", nullptr},
        {"Option2", Kind::Option, "Frame1", "19200", {1320, 240, 975, 255}, &Form2::Option2_Click,
         LinkSettings::Baud19200, "Baud rate 19200", nullptr},
        {"Frame2", Kind::Frame, nullptr, "Com Port", {360, 1200, 1455, 2535}, nullptr, 0,
         "COM port", nullptr},
        {"Option3", Kind::Option, "Frame2", "COM1", {180, 180, 1155, 315}, &Form2::Option3_Click, 1,
         "Port COM1", nullptr},
        {"Option4", Kind::Option, "Frame2", "COM2", {180, 540, 1095, 255}, &Form2::Option4_Click, 2,
         "Port COM2", nullptr},
        {"Option5", Kind::Option, "Frame2", "COM3", {180, 900, 975, 255}, &Form2::Option5_Click, 3,
         "Port COM3", nullptr},
        {"Option6", Kind::Option, "Frame2", "COM4", {180, 1260, 1215, 255}, &Form2::Option6_Click, 4,
         "Port COM4", nullptr},
        {"Option7", Kind::Option, "Frame2", "COM5", {180, 1620, 1335, 255}, &Form2::Option7_Click, 5,
         "Port COM5", nullptr},
        {"Command1", Kind::Button, nullptr, "OK", {2040, 1320, 735, 615}, &Form2::Command1_Click, 0,
         "OK", "Opens the chosen port and keeps the choice"},
        {"Label1", Kind::Label, "Frame2", "OTHER", {600, 2100, 780, 255}, nullptr, 0,
         "Other", nullptr},
        {"Command2", Kind::Button, nullptr, "Cancel", {2040, 2160, 735, 615}, &Form2::Command2_Click, 0,
         "Cancel", "Goes back to the port in use before"},
    };

    // The frames hold other controls, so they come first; each frame is one
    // group of options.
    QHash<QByteArray, QWidget *> frames;
    for (const Control &control : controls) {
        if (control.kind != Kind::Frame)
            continue;
        auto *frame = new QGroupBox(QString::fromLatin1(control.caption), this);
        frames.insert(control.name, frame);
    }
    m_speedOptions = new QButtonGroup(this);
    m_portOptions = new QButtonGroup(this);

    QWidget *previousInTabOrder = nullptr;
    for (const Control &control : controls) {
        QWidget *parent = control.container ? frames.value(control.container) : this;
        const QString caption = QString::fromLatin1(control.caption);
        const Handler handler = control.handler;
        QWidget *widget = nullptr;
        switch (control.kind) {
        case Kind::Frame:
            widget = frames.value(control.name);
            break;
        case Kind::TextBox:
            m_Text1 = new QLineEdit(caption, parent);
            connect(m_Text1, &QLineEdit::textChanged, this, [this, handler] { (this->*handler)(); });
            widget = m_Text1;
            break;
        case Kind::Option: {
            auto *option = new QRadioButton(caption, parent);
            QButtonGroup *group = parent == frames.value("Frame1") ? m_speedOptions : m_portOptions;
            group->addButton(option, control.id);
            connect(option, &QAbstractButton::clicked, this, [this, handler] { (this->*handler)(); });
            widget = option;
            break;
        }
        case Kind::Button: {
            auto *button = new QPushButton(caption, parent);
            // No default button: Enter in the "OTHER" field does not press OK.
            button->setAutoDefault(false);
            connect(button, &QAbstractButton::clicked, this, [this, handler] { (this->*handler)(); });
            widget = button;
            break;
        }
        case Kind::Label: {
            auto *label = new QLabel(caption, parent);
            // Names the field beside it (it comes after the field in the table).
            label->setBuddy(m_Text1);
            widget = label;
            break;
        }
        }
        widget->setObjectName(QLatin1StringView(control.name));
        widget->setGeometry(pixels(control.twips));
        // Its own font, so a frame's smaller caption does not pass to what it holds.
        CaptionFont::apply(widget, PointSize, false);
        widget->setAccessibleName(QString::fromLatin1(control.accessibleName));
        if (control.accessibleDescription)
            widget->setAccessibleDescription(QString::fromLatin1(control.accessibleDescription));
        if (widget->focusPolicy() != Qt::NoFocus) {
            if (previousInTabOrder)
                setTabOrder(previousInTabOrder, widget);
            previousInTabOrder = widget;
        }
    }
}

void Form2::Form_Load()
{
    describePorts();
    showPortOption(m_module.portNumber);
    applyBaudCode();
    // The first digit typed replaces the "0".
    m_Text1->setFocus();
    m_Text1->setSelection(0, 1);
}

void Form2::describePorts()
{
    // Adapters plugged in for the first time get their numbers before the
    // operator chooses one.
    const auto store = LinkSettings::openStore();
    (void)PortsGroup::numberNewAdapters(*store, m_devices);
    const DeviceList devices = m_devices.listed();
    for (QAbstractButton *option : m_portOptions->buttons()) {
        const QString text =
            PortDescription::describe(PortsGroup::port(m_portOptions->id(option), *store, devices));
        option->setToolTip(text);
        option->setAccessibleDescription(text);
    }
    QList<PortDescription::Port> others;
    for (int number = 6; number <= LinkSettings::LastPort; ++number)
        others.append(PortsGroup::port(number, *store, devices));
    m_Text1->setToolTip(PortDescription::otherPorts(others));
}

bool Form2::openChosenPort()
{
    m_MSComm1.setCommPort(m_module.portNumber);
    m_MSComm1.setPortEntry(PortsGroup::entryFor(m_module.portNumber, *LinkSettings::openStore()));
    return m_MSComm1.setPortOpen(true);
}

void Form2::Option1_Click() { m_module.baudCode = LinkSettings::Baud9600; }
void Form2::Option2_Click() { m_module.baudCode = LinkSettings::Baud19200; }
void Form2::Option3_Click() { m_module.portNumber = 1; }
void Form2::Option4_Click() { m_module.portNumber = 2; }
void Form2::Option5_Click() { m_module.portNumber = 3; }
void Form2::Option6_Click() { m_module.portNumber = 4; }
void Form2::Option7_Click() { m_module.portNumber = 5; }

void Form2::Text1_Change()
{
    const QString text = m_Text1->text();
    // Anything that is not a number up to 255 counts as out of range.
    const auto number = NumericPrefix::wholeNumberInRange(text, 0, LargestOtherNumber);
    if (number && LinkSettings::isUsablePort(qint16(*number))) {
        m_module.portNumber = qint16(*number);
        return;
    }
    // Setting "0" comes back here once and stops: "0" is already there.
    if (text != QLatin1StringView("0"))
        m_Text1->setText(QStringLiteral("0"));
}

void Form2::Command1_Click()
{
    (void)m_MSComm1.setSettings(LinkSettings::serialParameters(m_module.baudCode));
    // 0 is "none chosen"; other numbers outside 1 to 15 can only come from a
    // damaged store and are no port either.
    if (!LinkSettings::isUsablePort(m_module.portNumber)) {
        showRetryComport();
        return;
    }
    if (!openChosenPort()) {
        showRetryComport(m_MSComm1.errorString());
        return;
    }
    m_Text1->setText(QStringLiteral("0"));
    // Stored only once the port has opened with them.
    LinkSettings::save(*LinkSettings::openStore(), m_module.portNumber, m_module.baudCode);
    unload();
    m_mainWindow.show();
}

void Form2::Command2_Click()
{
    m_module.portNumber = m_module.previousPortNumber;
    if (LinkSettings::isUsablePort(m_module.portNumber)) {
        m_module.baudCode = m_module.previousBaudCode;
        applyBaudCode();
        if (openChosenPort()) {
            unload();
            m_mainWindow.show();
            return;
        }
        showRetryComport(m_MSComm1.errorString());
        return;
    } else if (m_MSComm1.PortOpen()) {
        (void)m_MSComm1.setPortOpen(false);
        unload();
    }
    showRetryComport();
}

void Form2::showPortOption(int portNumber)
{
    if (QAbstractButton *option = m_portOptions->button(portNumber)) {
        option->setChecked(true);
        return;
    }
    // An exclusive group keeps its checked button unless exclusivity is lifted.
    if (QAbstractButton *checked = m_portOptions->checkedButton()) {
        m_portOptions->setExclusive(false);
        checked->setChecked(false);
        m_portOptions->setExclusive(true);
    }
}

void Form2::applyBaudCode()
{
    if (m_module.baudCode != LinkSettings::Baud9600)
        m_module.baudCode = LinkSettings::Baud19200;
    (void)m_MSComm1.setSettings(LinkSettings::serialParameters(m_module.baudCode));
    m_speedOptions->button(m_module.baudCode)->setChecked(true);
}

void Form2::unload()
{
    close();  // deletes the dialog once its handlers have returned
}

void Form2::showRetryComport(const QString &reason)
{
    QWidget *owner = isVisible() ? static_cast<QWidget *>(this) : &m_mainWindow;
    QMessageBox box(QMessageBox::Warning, QStringLiteral("Error"), QStringLiteral("Retry Comport"),
                    QMessageBox::Ok, owner);
    // Why the port did not open, and what to do about it, below the prompt.
    if (!reason.isEmpty())
        box.setDetailedText(reason);
    box.exec();
}

void Form2::keyPressEvent(QKeyEvent *event)
{
    const bool plain = event->modifiers() == Qt::NoModifier || event->modifiers() == Qt::KeypadModifier;
    // Only OK, Cancel and the close box end the dialog; Escape does nothing.
    if (plain && event->key() == Qt::Key_Escape) {
        event->accept();
        return;
    }
    // Enter presses the button that has the focus.
    if (plain && (event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter)) {
        if (auto *button = qobject_cast<QPushButton *>(focusWidget())) {
            button->click();
            event->accept();
            return;
        }
    }
    QDialog::keyPressEvent(event);
}
