// Start-up and shut-down of the main window.

#include "panel/form1.h"

#include "link/module1.h"
#include "panel/startupplacement.h"
#include "exchange/exchange.h"
#include "link/form2.h"
#include "link/linksettings.h"
#include "link/mscomm.h"
#include "link/portsgroup.h"
#include "logwindow/exchangelogaccess.h"
#include "logwindow/exchangerecorder.h"
#include "look/twips.h"
#include "panel/holdrepeat.h"
#include "panel/paneltable.h"

#include <QGuiApplication>
#include <QScreen>
#include <QSettings>
#include <QWindow>

void Form1::Form_Load()
{
    setFullView(false);

    const auto store = LinkSettings::openStore();
    // An adapter plugged in for the first time gets its own COM number now,
    // so that a stored number can lead to it.
    (void)PortsGroup::numberNewAdapters(*store, *m_devices);
    m_module.portNumber = LinkSettings::readPortNumber(*store);
    if (!LinkSettings::isUsablePort(m_module.portNumber)) {
        showPortSettingsDialogAtStartUp();
        return;
    }
    m_module.baudCode = LinkSettings::readBaudCode(*store);
    if (m_module.baudCode != LinkSettings::Baud9600)
        m_module.baudCode = LinkSettings::Baud19200;
    (void)m_MSComm1->setSettings(LinkSettings::serialParameters(m_module.baudCode));
    m_MSComm1->setCommPort(m_module.portNumber);
    m_MSComm1->setPortEntry(PortsGroup::entryFor(m_module.portNumber, *store));

    if (!m_MSComm1->setPortOpen(true)) {
        showPortSettingsDialogAtStartUp();
        return;
    }
    m_exchange->setIntervals(ExchangeIntervals::AfterStartUp);
    placeOnScreen();
    m_holdRepeat->resetRepeatCode();
    m_exchange->resetState();
}

void Form1::placeOnScreen()
{
    // Before the window is shown its frame is not known yet: the width is
    // the client's until the window system has framed it (see moveEvent).
    const QMargins frame = windowHandle() ? windowHandle()->frameMargins() : QMargins();
    centreOnScreen(width() + frame.left() + frame.right());
    m_centredWithoutFrame = frame.isNull();
}

void Form1::centreOnScreen(int outerWidth)
{
    if (const QScreen *screen = QGuiApplication::primaryScreen()) {
        move(StartUpPlacement::topLeft(screen->geometry(), outerWidth,
                                       Twips::pixels(StartUpPlacement::CompactOuterHeightTwips),
                                       Twips::pixels(StartUpPlacement::AboveCentreTwips)));
    }
}

void Form1::centreAgainOnceFramed()
{
    // Centred by the outer width: once the window system has put its frame
    // around the window, the frame's width counts too.
    if (!m_centredWithoutFrame || frameGeometry().width() <= width())
        return;
    m_centredWithoutFrame = false;
    centreOnScreen(frameGeometry().width());
}

void Form1::showPortSettingsDialogAtStartUp()
{
    // Modal over the not yet visible main window; its OK and Cancel show the
    // main window when they succeed. Closing it just lets start-up finish.
    m_Form2 = new Form2(m_module, *m_MSComm1, *this, *m_devices);
    m_Form2->exec();
}

void Form1::Form_QueryUnload()
{
    if (m_MSComm1->PortOpen() || m_MSComm1->isWaitingForDevice()) {
        m_exchangeLog->recorder().closingBy(QStringLiteral("END"));
        (void)m_MSComm1->setPortOpen(false);
    }
}
