#pragma once

#include "catalogue/commandlisthost.h"
#include "exchange/transmitorigin.h"

#include <QHash>
#include <QPointer>
#include <QWidget>

class DeviceSource;
class Exchange;
class ExchangeLogAccess;
class FlatFaceStyle;
class Form2;
class Form3;
class HoldRepeat;
class MonitorLine;
class MSComm;
class QAbstractButton;
class QFrame;
class QLabel;
class ReadoutLine;
struct Module1;

namespace PanelTable {
struct Button;
}

// The main window: the control panel with its groups of command buttons, the
// communication monitor, the status line, the serial control and the timers.
class Form1 : public QWidget, private CommandListHost
{
    Q_OBJECT

public:
    explicit Form1(Module1 &module, QWidget *parent = nullptr);
    ~Form1() override;

    // Where start-up and the port dialog find serial devices (the system by default).
    void setDeviceSource(const DeviceSource &devices) { m_devices = &devices; }
    // Start-up: reads the stored link, opens the port, places the window.
    void Form_Load();

    // The single transmit (mode 1) and receive path.
    void Hyouji(const QByteArray &text, quint8 mode, const TransmitOrigin &origin = {});

    // Shift state bits: 1 Shift, 2 Ctrl, 4 Alt.
    void Form_KeyDown(int keyCode, int shift);

    // The status area (Frame15): the "Status" caption and the status line.
    void setStatusAreaVisible(bool visible);
    // The command list window while it is open.
    [[nodiscard]] Form3 *commandList() const;

    [[nodiscard]] bool isFullView() const;
    void setFullView(bool full);

    [[nodiscard]] Module1 &module() const { return m_module; }
    [[nodiscard]] MSComm &MSComm1() const { return *m_MSComm1; }
    [[nodiscard]] Exchange &exchange() const { return *m_exchange; }
    [[nodiscard]] HoldRepeat &holdRepeat() const { return *m_holdRepeat; }
    [[nodiscard]] ExchangeLogAccess &exchangeLog() const { return *m_exchangeLog; }

protected:
    void closeEvent(QCloseEvent *event) override;
    void keyPressEvent(QKeyEvent *event) override;
    void moveEvent(QMoveEvent *event) override;

private:
    void buildGroups();
    void buildButtons();
    void buildMonitor();
    QAbstractButton *makeButton(const PanelTable::Button &entry);
    [[nodiscard]] QWidget *container(const char *groupName);

    void oneShotClick(const PanelTable::Button &entry);
    void Command16_Click();
    void Command33_Click();
    void Command74_Click();
    void Form_QueryUnload();

    // What the command list window may ask of this window.
    void showStatusArea(bool visible) override;
    void setMonitorIntervals(ExchangeIntervals::Row intervals) override;
    void transmitCountingFromNow(const QByteArray &frame) override;
    void bringToFront() override;

    // Start-up's way out when no usable port is stored or it does not open.
    void showPortSettingsDialogAtStartUp();
    void setClientHeight(int twips);
    void placeOnScreen();
    void centreOnScreen(int outerWidth);
    void centreAgainOnceFramed();

    Module1 &m_module;
    const DeviceSource *m_devices;
    MSComm *const m_MSComm1;
    // Draws the coloured buttons' faces.
    FlatFaceStyle *const m_faces;
    QHash<QByteArray, QFrame *> m_groups;
    MonitorLine *m_txd = nullptr;
    MonitorLine *m_rxd = nullptr;
    ReadoutLine *m_status = nullptr;
    QLabel *m_spaceLegend = nullptr;
    QLabel *m_crLegend = nullptr;
    QFrame *m_statusArea = nullptr;
    Exchange *m_exchange = nullptr;
    HoldRepeat *m_holdRepeat = nullptr;
    ExchangeLogAccess *m_exchangeLog = nullptr;
    // The port settings dialog while it is loaded; it deletes itself on closing.
    QPointer<Form2> m_Form2;
    // Has no owner and deletes itself on close.
    QPointer<Form3> m_form3;
    // Start-up placed the window before its frame was known.
    bool m_centredWithoutFrame = false;
};
