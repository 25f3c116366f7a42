#pragma once

#include "app/module1.h"
#include "devices/devicelist.h"
#include "link/form2.h"
#include "link/mscomm.h"
#include "panel/form1.h"
#include "support/testsettings.h"

#include <QLabel>
#include <QPushButton>
#include <QRadioButton>

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

// The real main window started from a stored link whose COM port is a
// "Ports" entry of the test's choosing (a device or a network port), and the
// port dialog reached through its "COM" button.
class PanelOnPort
{
public:
    static constexpr int ComPort = 4;  // "COM4": Option6 in the dialog

    // Maps COM4 to `entry`, stores it with `baudCode` and starts the window,
    // which opens the port or falls back to the dialog.
    void start(const QString &entry, quint8 baudCode)
    {
        TestSettings::mapPort(ComPort, entry);
        TestSettings::storeLink(QString::number(ComPort), QString::number(baudCode));
        startFromTheStore();
    }
    // Starts the window from whatever the store holds.
    void startFromTheStore()
    {
        m_form = std::make_unique<Form1>(m_module);
        if (m_devices)
            m_form->setDeviceSource(*m_devices);
        m_form->Form_Load();
        m_form->setFullView(true);
        m_form->show();
    }
    // The serial devices start-up and the dialog see, instead of the system's.
    void useDevices(const DeviceSource &devices) { m_devices = &devices; }
    void reset()
    {
        m_form.reset();
        m_module = Module1{};
    }

    [[nodiscard]] Form1 &form() { return *m_form; }
    [[nodiscard]] MSComm &comm() { return m_form->MSComm1(); }
    [[nodiscard]] Module1 &module() { return m_module; }

    void click(const char *name) const { m_form->findChild<QPushButton *>(QLatin1StringView(name))->click(); }
    [[nodiscard]] QString text(const char *label) const
    {
        return m_form->findChild<QLabel *>(QLatin1StringView(label))->text();
    }

    [[nodiscard]] Form2 *pressCom() const
    {
        click("Command33");
        return openDialog();
    }
    [[nodiscard]] Form2 *openDialog() const
    {
        return openPortDialog(*m_form);
    }
    // "COM", then OK with the dialog's choice as it stands: the port opens again.
    [[nodiscard]] bool reopenThroughTheDialog()
    {
        Form2 *dialog = pressCom();
        if (!dialog)
            return false;
        pressOk(dialog);
        return comm().PortOpen();
    }
    static void pressOk(QWidget *dialog) { dialog->findChild<QPushButton *>(QStringLiteral("Command1"))->click(); }
    static void choose(QWidget *dialog, const char *option)
    {
        dialog->findChild<QRadioButton *>(QLatin1StringView(option))->click();
    }

private:
    Module1 m_module;
    const DeviceSource *m_devices = nullptr;
    std::unique_ptr<Form1> m_form;
};

// A device list of the test's own.
class ListedDevices final : public DeviceSource
{
public:
    [[nodiscard]] DeviceList listed() const override { return devices; }
    DeviceList devices;
};
