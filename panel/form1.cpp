#include "panel/form1.h"

#include "link/module1.h"
#include "catalogue/form3.h"
#include "exchange/exchange.h"
#include "exchange/monitorline.h"
#include "exchange/readoutline.h"
#include "link/form2.h"
#include "devices/devicelist.h"
#include "link/mscomm.h"
#include "logwindow/exchangelogaccess.h"
#include "logwindow/exchangerecorder.h"
#include "look/accessibleroles.h"
#include "look/captionfont.h"
#include "look/flatfacestyle.h"
#include "look/twips.h"
#include "panel/arrowpicture.h"
#include "panel/holdbutton.h"
#include "panel/holdrepeat.h"
#include "panel/paneltable.h"

#include <QCloseEvent>
#include <QFrame>
#include <QKeyEvent>
#include <QLabel>
#include <QPushButton>
#include <QTimer>

using Twips::pixels;

namespace {

constexpr QRgb WindowBackground = qRgb(192, 192, 192);
constexpr QRgb PowerTitleBackground = qRgb(212, 208, 200);
constexpr QRgb PowerTitleText = qRgb(192, 0, 0);
constexpr QRgb LegendText = qRgb(255, 0, 0);
constexpr QRgb StatusText = qRgb(255, 0, 0);

void setBackground(QWidget *widget, const QColor &colour)
{
    QPalette palette = widget->palette();
    palette.setColor(QPalette::Window, colour);
    widget->setPalette(palette);
    widget->setAutoFillBackground(true);
}

void setForeground(QWidget *widget, const QColor &colour)
{
    QPalette palette = widget->palette();
    palette.setColor(QPalette::WindowText, colour);
    widget->setPalette(palette);
}

// A group: a plain single-line border around the button face colour, no
// caption of its own (its title is a label inside).
QFrame *makeGroup(QWidget *parent, const char *name, const QString &accessibleName, QRect twips)
{
    auto *group = new PanelGroup(parent);
    group->setObjectName(QLatin1StringView(name));
    group->setAccessibleName(accessibleName);
    group->setGeometry(pixels(twips));
    group->setFrameShape(QFrame::Box);
    group->setFrameShadow(QFrame::Plain);
    group->setLineWidth(1);
    setBackground(group, group->palette().color(QPalette::Button));
    return group;
}

QLabel *makeLabel(QWidget *parent, const char *name, const QString &text, QRect twips, qreal points)
{
    auto *label = new QLabel(text, parent);
    label->setObjectName(QLatin1StringView(name));
    label->setGeometry(pixels(twips));
    CaptionFont::apply(label, points);
    return label;
}

// A white, boxed line of text: the TxD, RxD and status lines.
template <typename Line>
Line *makeLine(QWidget *parent, const char *name, QRect twips, qreal points,
               const QString &accessibleName)
{
    auto *line = new Line(parent);
    line->setObjectName(QLatin1StringView(name));
    line->setGeometry(pixels(twips));
    // A fixed size spares every change of text a layout request.
    line->setFixedSize(line->size());
    line->setFont(CaptionFont::face(line->font(), points));
    line->setFrameShape(QFrame::Box);
    line->setFrameShadow(QFrame::Plain);
    setBackground(line, Qt::white);
    line->setAccessibleName(accessibleName);
    return line;
}

// What a button does, for assistive technology.
QString description(const PanelTable::Button &entry)
{
    switch (entry.kind) {
    case PanelTable::Kind::OneShot:
        return Form1::tr("Sends %1").arg(QLatin1StringView(entry.sends));
    case PanelTable::Kind::Hold:
        return Form1::tr("Sends %1 when pressed with the mouse and repeats it while held")
            .arg(QLatin1StringView(entry.sends));
    case PanelTable::Kind::End:
        return Form1::tr("Closes the port and ends the program");
    case PanelTable::Kind::Com:
        return Form1::tr("Closes the port and opens the port settings");
    case PanelTable::Kind::CommandTable:
        return Form1::tr("Opens the window with every command of the projector");
    }
    return {};
}

} // namespace

Form1::Form1(Module1 &module, QWidget *parent)
    : QWidget(parent)
    , m_module(module)
    , m_devices(&SystemDevices::instance())
    , m_MSComm1(new MSComm(this))
    , m_faces(new FlatFaceStyle(this))
{
    AccessibleRoles::install();
    setObjectName(QStringLiteral("Form1"));
    m_MSComm1->setObjectName(QStringLiteral("MSComm1"));
    setWindowTitle(QStringLiteral("ORVA   RM740  CONTROL"));
    // Fixed border, minimise box only.
    setWindowFlags(Qt::Window | Qt::CustomizeWindowHint | Qt::WindowTitleHint
                   | Qt::WindowSystemMenuHint | Qt::WindowMinimizeButtonHint
                   | Qt::WindowCloseButtonHint);
    setBackground(this, QColor(WindowBackground));

    buildGroups();
    buildMonitor();
    m_exchange = new Exchange(*m_MSComm1, {m_txd, m_rxd, m_status, m_spaceLegend, m_crLegend}, this);
    m_exchange->setObjectName(QStringLiteral("Exchange"));
    m_holdRepeat = new HoldRepeat(m_module, *m_exchange, this);
    m_exchangeLog = new ExchangeLogAccess(*m_exchange, *m_MSComm1, {m_txd, m_rxd}, this);
    // The hold buttons report to the hold repeat itself rather than to this
    // window: a held button that is hidden while the window is torn down
    // reports its release, and that must not reach a half-destroyed Form1.
    buildButtons();

    setClientHeight(PanelTable::CompactClientHeight);
    findChild<QWidget *>(QStringLiteral("Command17"))->setFocus();
}

Form1::~Form1()
{
    // The command list window has no owner; it does not outlive this one.
    delete m_form3;
}

QWidget *Form1::container(const char *groupName)
{
    if (!groupName)
        return this;
    return m_groups.value(groupName);
}

void Form1::buildGroups()
{
    for (const PanelTable::Group &group : PanelTable::groups()) {
        QFrame *frame = makeGroup(this, group.frame, QString::fromLatin1(group.title), group.twips);
        m_groups.insert(group.frame, frame);

        const bool besideTheButtons = qstrcmp(group.frame, "Frame20") == 0;
        const QRect titleTwips = besideTheButtons
            ? QRect(120, group.titleY, 1380, 255)
            : QRect(60, group.titleY, group.twips.width() - 120, 255);
        QLabel *title = makeLabel(frame, group.titleLabel, QString::fromLatin1(group.title),
                                  titleTwips, 9);
        title->setAlignment(besideTheButtons ? Qt::AlignLeft | Qt::AlignVCenter : Qt::AlignCenter);
        if (qstrcmp(group.frame, "Frame1") == 0) {
            setBackground(frame, QColor(PowerTitleBackground));
            setForeground(title, QColor(PowerTitleText));
        }
    }
}

QAbstractButton *Form1::makeButton(const PanelTable::Button &entry)
{
    QWidget *parent = container(entry.group);
    QPushButton *button = nullptr;
    if (entry.kind == PanelTable::Kind::Hold) {
        auto *hold = new HoldButton(parent);
        hold->setIcon(ArrowPicture::icon(entry.arrow));
        hold->setIconSize(QSize(ArrowPicture::Width, ArrowPicture::Height));
        button = hold;
    } else {
        button = new QPushButton(QString::fromLatin1(entry.caption), parent);
    }
    button->setObjectName(QLatin1StringView(entry.name));
    button->setGeometry(pixels(entry.twips));
    CaptionFont::apply(button, entry.pointSize10 / 10.0);
    button->setAutoDefault(false);
    button->setAccessibleName(QString::fromLatin1(entry.accessibleName));
    button->setAccessibleDescription(description(entry));
    // "END", "COM" and "Command Table" keep the system's look.
    if (entry.colour != PanelTable::Colour::System) {
        QPalette palette = button->palette();
        palette.setColor(QPalette::ButtonText, Qt::black);
        button->setPalette(palette);
        m_faces->paintFace(button, QColor(QRgb(PanelTable::rgb(entry.colour))));
    }
    return button;
}

void Form1::buildButtons()
{
    for (const PanelTable::Button &entry : PanelTable::buttons()) {
        QAbstractButton *button = makeButton(entry);
        switch (entry.kind) {
        case PanelTable::Kind::OneShot:
            connect(button, &QAbstractButton::clicked, this, [this, &entry] { oneShotClick(entry); });
            break;
        case PanelTable::Kind::Hold: {
            auto *hold = static_cast<HoldButton *>(button);
            const int code = entry.repeatCode;
            connect(hold, &HoldButton::mouseDown, m_holdRepeat, [this, code] { m_holdRepeat->press(code); });
            connect(hold, &HoldButton::mouseUp, m_holdRepeat, &HoldRepeat::Cont_M_up);
            break;
        }
        case PanelTable::Kind::End:
            connect(button, &QAbstractButton::clicked, this, &Form1::Command16_Click);
            break;
        case PanelTable::Kind::Com:
            connect(button, &QAbstractButton::clicked, this, &Form1::Command33_Click);
            break;
        case PanelTable::Kind::CommandTable:
            connect(button, &QAbstractButton::clicked, this, &Form1::Command74_Click);
            break;
        }
    }
}

void Form1::buildMonitor()
{
    QFrame *monitor = makeGroup(this, "Frame9", tr("Communication monitor"), {120, 5400, 8295, 948});

    QLabel *txdCaption = makeLabel(monitor, "Label9", QStringLiteral("TxD"), {120, 240, 420, 255}, 9);
    QLabel *rxdCaption = makeLabel(monitor, "Label10", QStringLiteral("RxD"), {120, 612, 420, 255}, 9);
    txdCaption->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
    rxdCaption->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
    m_txd = makeLine<MonitorLine>(monitor, "Label11", {600, 195, 7575, 300}, 12, tr("TxD line"));
    m_rxd = makeLine<MonitorLine>(monitor, "Label12", {585, 555, 7575, 300}, 12, tr("RxD line"));
    txdCaption->setBuddy(m_txd);
    rxdCaption->setBuddy(m_rxd);

    m_crLegend = makeLabel(this, "Label28", QStringLiteral("[CR] :Carriage Return Code (0x0D)"),
                           {120, 6405, 3495, 255}, 9);
    m_spaceLegend = makeLabel(this, "Label27", QStringLiteral("_ :Space Code (0x20)"),
                              {4200, 6405, 2295, 255}, 9);
    for (QLabel *legend : {m_crLegend, m_spaceLegend}) {
        setBackground(legend, QColor(WindowBackground));
        setForeground(legend, QColor(LegendText));
        legend->setVisible(false);
    }

    m_statusArea = makeGroup(this, "Frame15", tr("Status area"), {120, 6840, 6105, 492});
    QLabel *statusCaption =
        makeLabel(m_statusArea, "Label26", QStringLiteral("Status"), {120, 150, 840, 255}, 9);
    m_status = makeLine<ReadoutLine>(m_statusArea, "Label25", {1020, 135, 4950, 285}, 10.5, tr("Status line"));
    statusCaption->setBuddy(m_status);
    setForeground(m_status, QColor(StatusText));
}

void Form1::oneShotClick(const PanelTable::Button &entry)
{
    m_module.pendingCommand = PanelTable::frame(entry);
    Hyouji(m_module.pendingCommand, Exchange::Transmit, TransmitOrigin::button(entry.caption, entry.name, PanelTable::groupTitle(entry.group)));
}

void Form1::Hyouji(const QByteArray &text, quint8 mode, const TransmitOrigin &origin)
{
    m_exchange->Hyouji(text, mode, origin);
}

void Form1::Command16_Click()
{
    close();
}

void Form1::Command33_Click()
{
    // Closed on purpose: a device that went away is no longer waited for.
    if (m_MSComm1->PortOpen() || m_MSComm1->isWaitingForDevice()) {
        m_exchangeLog->recorder().closingBy(QStringLiteral("COM"));
        (void)m_MSComm1->setPortOpen(false);
    }
    m_module.previousBaudCode = m_module.baudCode;
    m_module.previousPortNumber = m_module.portNumber;
    // A closed dialog is on its way out; only an open one is brought forward.
    if (m_Form2 && m_Form2->isVisible()) {
        m_Form2->raise();
        m_Form2->activateWindow();
        return;
    }
    m_Form2 = new Form2(m_module, *m_MSComm1, *this, *m_devices);
    m_Form2->show();
}

void Form1::Command74_Click()
{
    setStatusAreaVisible(false);
    m_exchange->setIntervals(ExchangeIntervals::CommandListOpen);
    // A closed window is on its way out (deleted later): open a new one.
    if (!m_form3 || !m_form3->isVisible()) {
        m_form3 = new Form3(*this);
        m_form3->setWindowIcon(windowIcon());
    }
    m_form3->show();
    m_form3->raise();
    m_form3->activateWindow();
}

Form3 *Form1::commandList() const
{
    return m_form3;
}

void Form1::setStatusAreaVisible(bool visible)
{
    m_statusArea->setVisible(visible);
}

void Form1::showStatusArea(bool visible)
{
    setStatusAreaVisible(visible);
}

void Form1::setMonitorIntervals(ExchangeIntervals::Row intervals)
{
    m_exchange->setIntervals(intervals);
}

void Form1::transmitCountingFromNow(const QByteArray &frame)
{
    // Stopped first, so that both periods count from this transmit.
    m_exchange->timer2().stop();
    m_exchange->timer4().stop();
    Hyouji(frame, Exchange::Transmit, TransmitOrigin::commandList());
    m_exchange->timer2().start();
    m_exchange->timer4().start();
}

void Form1::bringToFront()
{
    show();
    raise();
    activateWindow();
}

void Form1::closeEvent(QCloseEvent *event)
{
    // Ending the main window ends the program, every other window included.
    if (m_form3)
        m_form3->unloadWithMainWindow();
    if (m_Form2)
        m_Form2->close();
    m_exchangeLog->closeWindow();
    Form_QueryUnload();
    event->accept();
}

void Form1::setClientHeight(int twips)
{
    setFixedSize(pixels(PanelTable::ClientWidth), pixels(twips));
}

bool Form1::isFullView() const
{
    return height() >= pixels(PanelTable::FullViewThreshold);
}

void Form1::setFullView(bool full)
{
    setClientHeight(full ? PanelTable::FullClientHeight : PanelTable::CompactClientHeight);
}

void Form1::Form_KeyDown(int keyCode, int shift)
{
    constexpr int Ctrl = 2;
    constexpr int KeyH = 72;
    if ((shift & 7) != Ctrl || keyCode != KeyH)
        return;
    setFullView(!isFullView());
}

void Form1::moveEvent(QMoveEvent *event)
{
    // The window system moves the window as it puts its frame around it.
    centreAgainOnceFramed();
    QWidget::moveEvent(event);
}

void Form1::keyPressEvent(QKeyEvent *event)
{
    const Qt::KeyboardModifiers modifiers = event->modifiers();
    const int shift = (modifiers & Qt::ShiftModifier ? 1 : 0)
        | (modifiers & Qt::ControlModifier ? 2 : 0) | (modifiers & Qt::AltModifier ? 4 : 0);
    Form_KeyDown(event->key(), shift);
    // The exchange log's key, beside the view switch.
    if (shift == 2 && event->key() == Qt::Key_L)
        m_exchangeLog->showWindow();
    QWidget::keyPressEvent(event);
}
