#include "catalogue/form3.h"

#include "catalogue/commandlisthost.h"
#include "catalogue/commandtext.h"
#include "look/accessibleroles.h"
#include "look/captionfont.h"
#include "look/taskbarhint.h"
#include "look/twips.h"

#include <QCloseEvent>
#include <QComboBox>
#include <QGuiApplication>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QScreen>
#include <QStyledItemDelegate>
#include <QTimer>

#include <limits>

using Twips::pixels;

namespace {

constexpr int ClientWidth = 10005;
// The 2500-twip outer height less title bar and borders, so that the list row
// is the window's bottom row.
constexpr int ClientHeight = 2020;
// Top-left corner of the client area on the screen.
constexpr QPoint ScreenPosition{2415, 4725};
// Where all three lists lie, one on top of the other.
constexpr QRect BasicListPlace{120, 1560, 5055, 300};
constexpr QRect WideListPlace{120, 1560, 8655, 300};

constexpr QRgb LegendText = qRgb(255, 0, 0);
constexpr qreal CaptionPoints = 9.75;

QPushButton *makeButton(QWidget *parent, const char *name, const QString &caption, QRect twips,
                        const QString &accessibleName, const QString &accessibleDescription)
{
    auto *button = new QPushButton(caption, parent);
    button->setObjectName(QLatin1StringView(name));
    // Spoken names: the captions are partly in capitals, which screen readers spell out.
    button->setAccessibleName(accessibleName);
    button->setAccessibleDescription(accessibleDescription);
    button->setGeometry(pixels(twips));
    CaptionFont::apply(button, CaptionPoints);
    // Neither default nor cancel: Enter in the edit box sends nothing.
    button->setAutoDefault(false);
    button->setDefault(false);
    return button;
}

QLabel *makeLegend(QWidget *parent, const char *name, const QString &caption, QRect twips)
{
    auto *label = new QLabel(caption, parent);
    label->setObjectName(QLatin1StringView(name));
    label->setGeometry(pixels(twips));
    CaptionFont::apply(label, CaptionPoints);
    QPalette palette = label->palette();
    palette.setColor(QPalette::WindowText, QColor(LegendText));
    label->setPalette(palette);
    return label;
}

QComboBox *makeList(QWidget *parent, const char *name, Catalogue::List list, bool editable,
                    QRect twips)
{
    auto *combo = new QComboBox(parent);
    combo->setObjectName(QLatin1StringView(name));
    combo->setEditable(editable);
    if (editable) {
        // Its text part takes typing, and typing does nothing: no completion,
        // and neither Enter nor leaving the text part picks the entry whose
        // text was typed.
        combo->setInsertPolicy(QComboBox::NoInsert);
        combo->setCompleter(nullptr);
        QObject::disconnect(combo->lineEdit(), &QLineEdit::returnPressed, combo, nullptr);
        QObject::disconnect(combo->lineEdit(), &QLineEdit::editingFinished, combo, nullptr);
    }
    // The menu-like look of a pick-only list takes a tab for the start of a
    // shortcut and loses the rest of the entry ("C25"); a plain item shows it.
    combo->setItemDelegate(new QStyledItemDelegate(combo));
    combo->setMaxVisibleItems(16);
    combo->addItems(Catalogue::entries(list));
    combo->setGeometry(pixels(twips));
    return combo;
}

// Names a list for assistive technology. On Linux a list's accessible name is
// its current entry, and what the list is for comes from the label that names
// it; the window shows none, so the list gets one that stays hidden.
void nameList(QComboBox *list, const QString &name)
{
    list->setAccessibleName(name);
    auto *label = new QLabel(name, list->parentWidget());
    label->setObjectName(list->objectName() + QLatin1StringView("Name"));
    label->setBuddy(list);
    label->setVisible(false);
}

} // namespace

Form3::Form3(CommandListHost &host)
    : QWidget(nullptr)
    , m_host(host)
{
    AccessibleRoles::install();
    setObjectName(QStringLiteral("Form3"));
    setWindowTitle(QStringLiteral("Command List"));
    // An ordinary window with no owner, so the main window can come in front
    // of it (a tool window would stay above it): fixed border, only a close
    // box, and no task-bar entry where the platform allows.
    setWindowFlags(Qt::Window | Qt::CustomizeWindowHint | Qt::WindowTitleHint
                   | Qt::WindowSystemMenuHint | Qt::WindowCloseButtonHint);
    TaskBarHint::keepOffTheTaskBar(this);
    setAttribute(Qt::WA_DeleteOnClose);

    buildControls();
    Form_Load();

    const QScreen *screen = QGuiApplication::primaryScreen();
    const QPoint origin = screen ? screen->geometry().topLeft() : QPoint();
    setGeometry(QRect(origin + QPoint(pixels(ScreenPosition.x()), pixels(ScreenPosition.y())),
                      size()));
}

void Form3::buildControls()
{
    // Laid out where the window's design has them; the load steps bring the
    // three lists together at their common place.
    auto *command3 = makeButton(this, "Command3", QStringLiteral("Basic Command List"),
                                {120, 120, 2415, 375}, tr("Show the basic command list"),
                                tr("Shows the basic commands and picks the first"));
    auto *command4 = makeButton(this, "Command4", QStringLiteral("Expand Command List"),
                                {2760, 120, 2655, 375}, tr("Show the expand command list"),
                                tr("Shows the set commands and picks the first"));
    auto *command5 = makeButton(this, "Command5", QStringLiteral("Expand Read Command List"),
                                {5760, 120, 3015, 375}, tr("Show the read command list"),
                                tr("Shows the read commands and picks the first"));
    auto *command1 = makeButton(this, "Command1", QStringLiteral("SEND"), {9000, 680, 855, 375},
                                tr("Send"), tr("Sends the command to send"));

    m_text1 = new QLineEdit(this);
    m_text1->setObjectName(QStringLiteral("Text1"));
    m_text1->setGeometry(pixels(QRect(120, 720, 8655, 300)));
    m_text1->setMaxLength(std::numeric_limits<int>::max());
    m_text1->setAccessibleName(tr("Command to send"));
    m_text1->setAccessibleDescription(tr("Replace each %, if any, by a digit from 0 to 9"));

    m_label2 = makeLegend(this, "Label2", QStringLiteral("[CR] :Carriage Return Code (0x0D)"),
                          {240, 1200, 3975, 300});
    m_label1 = makeLegend(this, "Label1", QStringLiteral("% :Parameter (0-9)."),
                          {4560, 1200, 2895, 300});
    auto *command2 = makeButton(this, "Command2", QStringLiteral("CLOSE"), {9000, 1320, 855, 375},
                                tr("Close"), tr("Closes the command list"));

    m_combo1 = makeList(this, "Combo1", Catalogue::List::Basic, false,
                        BasicListPlace.translated(0, 840));
    m_combo2 = makeList(this, "Combo2", Catalogue::List::Expand, true,
                        WideListPlace.translated(0, 1320));
    m_combo3 = makeList(this, "Combo3", Catalogue::List::Read, true,
                        WideListPlace.translated(0, 1800));
    nameList(m_combo1, tr("Basic command list"));
    nameList(m_combo2, tr("Expand command list"));
    nameList(m_combo3, tr("Read command list"));

    setTabOrder(m_combo1, command1);
    setTabOrder(command1, command2);
    setTabOrder(command2, command3);
    setTabOrder(command3, m_text1);
    setTabOrder(m_text1, command4);
    setTabOrder(command4, command5);
    setTabOrder(command5, m_combo2);
    setTabOrder(m_combo2, m_combo3);

    connect(m_combo1, &QComboBox::activated, this, &Form3::Combo1_Click);
    connect(m_combo2, &QComboBox::activated, this, &Form3::Combo2_Click);
    connect(m_combo3, &QComboBox::activated, this, &Form3::Combo3_Click);
    connect(m_text1, &QLineEdit::textChanged, this, &Form3::Text1_Change);
    connect(command1, &QPushButton::clicked, this, &Form3::Command1_Click);
    connect(command2, &QPushButton::clicked, this, &Form3::Command2_Click);
    connect(command3, &QPushButton::clicked, this, &Form3::Command3_Click);
    connect(command4, &QPushButton::clicked, this, &Form3::Command4_Click);
    connect(command5, &QPushButton::clicked, this, &Form3::Command5_Click);
}

void Form3::Form_Load()
{
    setFixedSize(pixels(ClientWidth), pixels(ClientHeight));
    m_listMode = Catalogue::List::Basic;
    m_combo1->setVisible(true);
    m_combo2->setVisible(false);
    m_combo3->setVisible(false);
    m_label1->setVisible(false);
    m_label2->setVisible(false);
    m_combo1->setCurrentIndex(0);
    Combo1_Click();
    m_combo1->move(pixels(BasicListPlace).topLeft());
    m_combo2->move(pixels(WideListPlace).topLeft());
    m_combo3->move(pixels(WideListPlace).topLeft());
    // The basic list leads the tab order and takes the first focus.
    m_combo1->setFocus();
}

void Form3::takeSelectedEntry(const QComboBox &list)
{
    // The entry itself: an editable list's text part may hold typing.
    const QString entry = list.itemText(list.currentIndex());
    const QString command = Catalogue::commandText(entry).toString();
    m_preparedFrame = Catalogue::preparedFrame(command);
    // Runs the edit step, which comes to the same frame.
    m_text1->setText(Catalogue::editText(command));
}

void Form3::Combo1_Click()
{
    m_label2->setVisible(true);
    takeSelectedEntry(*m_combo1);
}

void Form3::Combo2_Click()
{
    m_label2->setVisible(true);
    // The whole entry counts: the input-family heads carry "%" only in their
    // description, and still call for the operator's attention.
    const bool parameter = m_combo2->itemText(m_combo2->currentIndex()).contains(u'%');
    m_label1->setVisible(parameter);
    if (parameter)
        m_text1->setFocus();
    takeSelectedEntry(*m_combo2);
}

void Form3::Combo3_Click()
{
    m_label2->setVisible(true);
    takeSelectedEntry(*m_combo3);
}

void Form3::Text1_Change()
{
    m_preparedFrame = Catalogue::preparedFrame(m_text1->text());
}

void Form3::Command1_Click()
{
    // Leaves the main window's pending command alone; the exchange keys the
    // reply interpretation on this frame.
    m_host.transmitCountingFromNow(m_preparedFrame);
    m_label1->setVisible(false);
    m_label2->setVisible(false);
}

void Form3::Command2_Click()
{
    close();
}

void Form3::Command3_Click()
{
    switchTo(Catalogue::List::Basic);
}

void Form3::Command4_Click()
{
    switchTo(Catalogue::List::Expand);
}

void Form3::Command5_Click()
{
    switchTo(Catalogue::List::Read);
}

QComboBox *Form3::combo(Catalogue::List list) const
{
    switch (list) {
    case Catalogue::List::Basic:
        return m_combo1;
    case Catalogue::List::Expand:
        return m_combo2;
    case Catalogue::List::Read:
        return m_combo3;
    }
    Q_UNREACHABLE();
    return nullptr;
}

void Form3::switchTo(Catalogue::List list)
{
    m_listMode = list;
    using Catalogue::List;
    for (List other : {List::Basic, List::Expand, List::Read})
        combo(other)->setVisible(other == list);
    QComboBox *shown = combo(list);
    shown->setCurrentIndex(0);
    switch (list) {
    case Catalogue::List::Basic:
        Combo1_Click();
        break;
    case Catalogue::List::Expand:
        Combo2_Click();
        break;
    case Catalogue::List::Read:
        Combo3_Click();
        break;
    }
}

void Form3::unloadWithMainWindow()
{
    m_handBackOnClose = false;
    close();
}

void Form3::closeEvent(QCloseEvent *event)
{
    // The title-bar close box hands back to the main window just as CLOSE does.
    if (m_handBackOnClose) {
        m_host.bringToFront();
        m_host.showStatusArea(true);
        m_host.setMonitorIntervals(ExchangeIntervals::CommandListClosed);
    }
    event->accept();
}
