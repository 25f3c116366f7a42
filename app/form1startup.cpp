// Start-up and shut-down of the main window.

#include "panel/form1.h"

#include "app/module1.h"
#include "exchange/exchange.h"
#include "link/form2.h"
#include "link/linksettings.h"
#include "link/mscomm.h"
#include "look/twips.h"
#include "panel/holdrepeat.h"
#include "panel/paneltable.h"

#include <QGuiApplication>
#include <QScreen>
#include <QSettings>

namespace {

// The window sits this far above the centre of the screen.
constexpr int AboveCentreTwips = 1350;
// The compact view's outer height, title bar and borders included.
constexpr int CompactOuterHeightTwips = 5780;

} // namespace

void Form1::Form_Load()
{
    setFullView(false);

    const auto store = LinkSettings::openStore();
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
    const QScreen *screen = QGuiApplication::primaryScreen();
    if (!screen)
        return;
    const QRect area = screen->geometry();
    const int windowWidth = frameGeometry().width();
    const int windowHeight = Twips::pixels(CompactOuterHeightTwips);
    // Not clamped: on a small screen the window may start above its top edge.
    move(area.x() + (area.width() - windowWidth) / 2,
         area.y() + (area.height() - windowHeight) / 2 - Twips::pixels(AboveCentreTwips));
}

void Form1::showPortSettingsDialogAtStartUp()
{
    // Modal over the not yet visible main window; its OK and Cancel show the
    // main window when they succeed. Closing it just lets start-up finish.
    m_Form2 = new Form2(m_module, *m_MSComm1, *this);
    m_Form2->exec();
}

void Form1::Form_QueryUnload()
{
    if (m_MSComm1->PortOpen())
        (void)m_MSComm1->setPortOpen(false);
}
