#pragma once

#include "link/module1.h"
#include "devices/devicelist.h"
#include "link/form2.h"
#include "link/mscomm.h"
#include "panel/form1.h"
#include "support/controls.h"
#include "support/fakeprojector.h"
#include "support/testsettings.h"

#include <QApplication>
#include <QLabel>
#include <QMouseEvent>

#include <memory>

// The port dialog that `mainWindow` has open, if any (a closed one is on its
// way out).
[[nodiscard]] inline Form2 *openPortDialog(const QWidget &mainWindow)
{
    for (Form2 *dialog : mainWindow.findChildren<Form2 *>())
        if (dialog->isVisible())
            return dialog;
    return nullptr;
}

// A device list of the test's own.
class ListedDevices final : public DeviceSource
{
public:
    [[nodiscard]] DeviceList listed() const override { return devices; }
    DeviceList devices;
};

// The real main window started from the store, on whatever port the test
// maps (a pseudo-terminal, the simulator, a network port), or on a fake
// projector of its own; its buttons and lines as a user finds them; and the
// port dialog reached through its "COM" button.
class PanelFixture
{
public:
    static constexpr int ComPort = 4;  // "COM4" in the dialog

    enum class View { Hidden, ShownFull };

    // A fresh store whose COM1 is a pseudo-terminal with a fake projector at
    // the other end ("ComPort" 1, 19200 baud), and the window started on it.
    // False when the port did not open.
    [[nodiscard]] bool startOnFakeProjector(View view = View::Hidden)
    {
        reset();
        TestSettings::clear();
        if (!FakeProjector::openFresh(m_projector))
            return false;
        TestSettings::mapPort(1, m_projector->devicePath());
        return startOnCom1(view);
    }
    // Stores COM1 at 19200 baud and starts the window; true once its port is open.
    [[nodiscard]] bool startOnCom1(View view = View::Hidden)
    {
        TestSettings::storeLink(QStringLiteral("1"), QStringLiteral("192"));
        startFromTheStore(view);
        return isConnected();
    }

    // Maps COM4 to `entry`, stores it with `baudCode` and starts the window,
    // which opens the port or falls back to the dialog.
    void start(const QString &entry, quint8 baudCode)
    {
        TestSettings::mapPort(ComPort, entry);
        TestSettings::storeLink(QString::number(ComPort), QString::number(baudCode));
        startFromTheStore();
    }
    // Starts the window from whatever the store holds.
    void startFromTheStore(View view = View::ShownFull)
    {
        m_form = std::make_unique<Form1>(m_module);
        if (m_devices)
            m_form->setDeviceSource(*m_devices);
        m_form->Form_Load();
        if (view == View::ShownFull) {
            m_form->setFullView(true);
            m_form->show();
        }
    }
    // The serial devices start-up and the dialog see, instead of the system's.
    void useDevices(const DeviceSource &devices) { m_devices = &devices; }
    void reset()
    {
        m_form.reset();
        m_projector.reset();
        m_module = Module1{};
    }

    [[nodiscard]] bool isStarted() const { return m_form != nullptr; }
    [[nodiscard]] bool isConnected() const { return m_form && m_form->MSComm1().PortOpen(); }
    [[nodiscard]] Form1 &form() const { return *m_form; }
    [[nodiscard]] MSComm &comm() const { return m_form->MSComm1(); }
    [[nodiscard]] Module1 &module() { return m_module; }
    [[nodiscard]] FakeProjector &projector() const { return *m_projector; }

    // A button of the window by its group's title and its caption (see
    // support/controls.h): button("Power", "On"), button("Power: On"),
    // button("Status").
    [[nodiscard]] QAbstractButton *button(const QString &group, const QString &caption) const
    {
        return Controls::control(*m_form, group, caption);
    }
    [[nodiscard]] QAbstractButton *button(const QString &which) const
    {
        return Controls::control(*m_form, which);
    }
    void click(const QString &group, const QString &caption) const { button(group, caption)->click(); }
    void click(const QString &which) const { button(which)->click(); }

    // The monitor's TxD and RxD lines, the status line, and what they show.
    [[nodiscard]] QLabel *txdLine() const { return label("Label11"); }
    [[nodiscard]] QLabel *rxdLine() const { return label("Label12"); }
    [[nodiscard]] QLabel *statusLine() const { return label("Label25"); }
    [[nodiscard]] QString txd() const { return txdLine()->text(); }
    [[nodiscard]] QString rxd() const { return rxdLine()->text(); }
    [[nodiscard]] QString status() const { return statusLine()->text(); }
    // The legends beside the monitor: "_ :Space Code" and "[CR] :Carriage Return Code".
    [[nodiscard]] QLabel *spaceLegend() const { return label("Label27"); }
    [[nodiscard]] QLabel *crLegend() const { return label("Label28"); }
    // The frame around the status line, hidden while the command list is open.
    [[nodiscard]] QWidget *statusArea() const { return m_form->findChild<QWidget *>(QStringLiteral("Frame15")); }

    [[nodiscard]] Form2 *pressCom() const
    {
        click("COM");
        return openDialog();
    }
    [[nodiscard]] Form2 *openDialog() const { return openPortDialog(*m_form); }
    // "COM", then OK with the dialog's choice as it stands: the port opens again.
    [[nodiscard]] bool reopenThroughTheDialog() const
    {
        Form2 *dialog = pressCom();
        if (!dialog)
            return false;
        pressOk(dialog);
        return comm().PortOpen();
    }
    // A button of a dialog by its caption: "OK", "Cancel", "COM3", "9600".
    static void press(const QWidget *dialog, const QString &caption) { Controls::control(*dialog, caption)->click(); }
    static void pressOk(const QWidget *dialog) { press(dialog, "OK"); }
    // The dialog's checked port option ("COM3"; none above COM5) and speed ("9600").
    [[nodiscard]] static QStringList checkedPorts(const QWidget *dialog)
    {
        return Controls::checked(*dialog, {"COM1", "COM2", "COM3", "COM4", "COM5"});
    }
    [[nodiscard]] static QString checkedSpeed(const QWidget *dialog)
    {
        return Controls::checked(*dialog, {"9600", "19200"}).join(u',');
    }

    static void sendMouse(QWidget *target, QEvent::Type type, Qt::MouseButton button,
                          Qt::MouseButtons stillDown = Qt::NoButton)
    {
        const QPoint centre = target->rect().center();
        const Qt::MouseButtons down =
            type == QEvent::MouseButtonRelease ? stillDown : (stillDown | button);
        QMouseEvent event(type, centre, target->mapToGlobal(centre), button, down, Qt::NoModifier);
        QApplication::sendEvent(target, &event);
    }

private:
    [[nodiscard]] QLabel *label(const char *name) const
    {
        return m_form->findChild<QLabel *>(QLatin1StringView(name));
    }

    // Destroyed after the window, which holds its port.
    std::unique_ptr<FakeProjector> m_projector;
    Module1 m_module;
    const DeviceSource *m_devices = nullptr;
    std::unique_ptr<Form1> m_form;
};
