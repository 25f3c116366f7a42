#pragma once

#include "link/module1.h"
#include "devices/devicelist.h"
#include "link/form2.h"
#include "link/mscomm.h"
#include "panel/form1.h"
#include "support/fakeprojector.h"
#include "support/testsettings.h"

#include <QApplication>
#include <QLabel>
#include <QMouseEvent>
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

// A device list of the test's own.
class ListedDevices final : public DeviceSource
{
public:
    [[nodiscard]] DeviceList listed() const override { return devices; }
    DeviceList devices;
};

// The real main window started from the store, on whatever port the test
// maps (a pseudo-terminal, the simulator, a network port), or on a fake
// projector of its own; and the port dialog reached through its "COM" button.
class PanelFixture
{
public:
    static constexpr int ComPort = 4;  // "COM4": Option6 in the dialog

    enum class View { Hidden, ShownFull };
    struct OnFakeProjector {};
    static constexpr OnFakeProjector onFakeProjector{};

    PanelFixture() = default;
    // A fresh store whose COM1 is a pseudo-terminal with a fake projector at
    // the other end ("ComPort" 1, 19200 baud), and the window started on it,
    // not shown.
    explicit PanelFixture(OnFakeProjector)
    {
        TestSettings::clear();
        m_projector = std::make_unique<FakeProjector>();
        if (!m_projector->open())
            return;
        TestSettings::mapPort(1, m_projector->devicePath());
        TestSettings::storeLink(QStringLiteral("1"), QStringLiteral("192"));
        startFromTheStore(View::Hidden);
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
        m_module = Module1{};
    }

    [[nodiscard]] bool isStarted() const { return m_form != nullptr; }
    [[nodiscard]] bool isConnected() const { return m_form && m_form->MSComm1().PortOpen(); }
    [[nodiscard]] Form1 &form() const { return *m_form; }
    [[nodiscard]] MSComm &comm() const { return m_form->MSComm1(); }
    [[nodiscard]] Module1 &module() { return m_module; }
    [[nodiscard]] FakeProjector &projector() const { return *m_projector; }

    [[nodiscard]] QPushButton *button(const char *name) const
    {
        return m_form->findChild<QPushButton *>(QLatin1StringView(name));
    }
    [[nodiscard]] QLabel *label(const char *name) const
    {
        return m_form->findChild<QLabel *>(QLatin1StringView(name));
    }
    [[nodiscard]] QString text(const char *labelName) const { return label(labelName)->text(); }
    void click(const char *name) const { button(name)->click(); }

    [[nodiscard]] Form2 *pressCom() const
    {
        click("Command33");
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
    static void pressOk(QWidget *dialog) { dialog->findChild<QPushButton *>(QStringLiteral("Command1"))->click(); }
    static void choose(QWidget *dialog, const char *option)
    {
        dialog->findChild<QRadioButton *>(QLatin1StringView(option))->click();
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
    // Destroyed after the window, which holds its port.
    std::unique_ptr<FakeProjector> m_projector;
    Module1 m_module;
    const DeviceSource *m_devices = nullptr;
    std::unique_ptr<Form1> m_form;
};
