#pragma once

#include <QDialog>

class DeviceSource;
class MSComm;
class QButtonGroup;
class QLineEdit;
struct Module1;

// The port settings dialog: the serial port (COM1 to COM5 by option, or 1 to
// 15 typed into "OTHER") and the speed. OK opens the port with the choice and
// only then stores it; Cancel reopens the port that the "COM" button found in
// force. The dialog deletes itself when it closes, so every dialog shown
// starts afresh from the current link values.
class Form2 : public QDialog
{
    Q_OBJECT

public:
    // `mainWindow` is the dialog's parent, shown when OK or Cancel succeeds;
    // `devices` lists the serial devices the port options describe.
    Form2(Module1 &module, MSComm &MSComm1, QWidget &mainWindow, const DeviceSource &devices);
    ~Form2() override;

protected:
    void keyPressEvent(QKeyEvent *event) override;

private:
    void buildControls();

    void Form_Load();
    // Each port option and the "OTHER" field say what is behind their numbers.
    void describePorts();
    void Option1_Click();
    void Option2_Click();
    void Option3_Click();
    void Option4_Click();
    void Option5_Click();
    void Option6_Click();
    void Option7_Click();
    void Text1_Change();
    void Command1_Click();
    void Command2_Click();

    // Port options show `portNumber` if it is 1 to 5, none otherwise.
    void showPortOption(int portNumber);
    // Settings and speed option from the baud code; any code but 96 becomes 192.
    void applyBaudCode();
    void unload();
    // `reason`: why the port did not open, where it was tried.
    void showRetryComport(const QString &reason = {});
    // Opens the port the link values name, as the store maps it.
    [[nodiscard]] bool openChosenPort();

    Module1 &m_module;
    MSComm &m_MSComm1;
    QWidget &m_mainWindow;
    const DeviceSource &m_devices;
    QButtonGroup *m_speedOptions = nullptr;
    QButtonGroup *m_portOptions = nullptr;
    QLineEdit *m_Text1 = nullptr;
};
