#include "logwindow/exchangelogwindow.h"

#include "logwindow/exchangelogfiltermodel.h"
#include "logwindow/exchangelogmodel.h"
#include "logwindow/exchangerecorder.h"
#include "logwindow/logcounts.h"

#include <QBoxLayout>
#include <QClipboard>
#include <QComboBox>
#include <QDateTime>
#include <QDir>
#include <QFileDialog>
#include <QFileInfo>
#include <QGuiApplication>
#include <QHeaderView>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QMessageBox>
#include <QPushButton>
#include <QScrollBar>
#include <QShortcut>
#include <QTreeView>

namespace {

const QString TextFilter = QStringLiteral("Text (*.txt)");
const QString CsvFilter = QStringLiteral("CSV (*.csv)");

// The choices of what to show, in the order offered.
struct ShowChoice {
    const char *caption;
    LogFilter::Show show;
};
constexpr ShowChoice ShowChoices[] = {
    {QT_TRANSLATE_NOOP("ExchangeLogWindow", "All"), LogFilter::Show::All},
    {QT_TRANSLATE_NOOP("ExchangeLogWindow", "No reply"), LogFilter::Show::NoReply},
    {QT_TRANSLATE_NOOP("ExchangeLogWindow", "Refused (?)"), LogFilter::Show::Refused},
    {QT_TRANSLATE_NOOP("ExchangeLogWindow", "Unexpected"), LogFilter::Show::Unexpected},
};

// The rendering and status columns share what the others leave, never less than this.
constexpr int NarrowestSharedColumn = 80;
constexpr double TextShareAtFirst = 0.6;

QPushButton *makeButton(const QString &caption, const char *name, const QString &accessibleName,
                        const QString &description, QWidget *parent)
{
    auto *button = new QPushButton(caption, parent);
    button->setObjectName(QLatin1StringView(name));
    button->setAccessibleName(accessibleName);
    button->setAccessibleDescription(description);
    button->setAutoDefault(false);
    return button;
}

} // namespace

ExchangeLogWindow::ExchangeLogWindow(ExchangeRecorder &recorder, QWidget *parent)
    : QWidget(parent, Qt::Window)
    , m_recorder(recorder)
    , m_model(new ExchangeLogModel(recorder, this))
    , m_shown(new ExchangeLogFilterModel(*m_model, this))
    , m_filterText(new QLineEdit(this))
    , m_failures(new QComboBox(this))
    , m_shownCount(new QLabel(this))
    , m_view(new QTreeView(this))
    , m_summary(new QLabel(this))
    , m_save(makeButton(tr("Save..."), "Save", tr("Save the log"),
                        tr("Writes the whole log to a text or CSV file"), this))
    , m_clear(makeButton(tr("Clear"), "Clear", tr("Clear the log"), tr("Empties the log"), this))
{
    setObjectName(QStringLiteral("ExchangeLog"));
    setWindowTitle(tr("Exchange Log"));
    setAccessibleName(tr("Exchange Log"));
    // It goes with the main window; it never keeps the program running.
    setAttribute(Qt::WA_QuitOnClose, false);
    resize(960, 440);

    m_view->setObjectName(QStringLiteral("LogView"));
    m_view->setAccessibleName(tr("Exchange log"));
    m_view->setAccessibleDescription(
        tr("Frames sent and what came back, newest last; a hold's frames open from one row"));
    m_view->setModel(m_shown);
    m_view->setUniformRowHeights(true);
    m_view->setAlternatingRowColors(true);
    m_view->setAllColumnsShowFocus(true);
    m_view->setSelectionBehavior(QAbstractItemView::SelectRows);
    m_view->setSelectionMode(QAbstractItemView::ExtendedSelection);
    m_view->setEditTriggers(QAbstractItemView::NoEditTriggers);
    m_view->setContextMenuPolicy(Qt::CustomContextMenu);
    // Fixed widths: sizing to contents would measure every row of a full log.
    // The rendering and status columns take what the window gives (fitColumns).
    const QFontMetrics metrics = m_view->fontMetrics();
    QHeaderView *header = m_view->header();
    header->setStretchLastSection(false);
    header->resizeSection(ExchangeLogModel::TimeColumn, metrics.horizontalAdvance(QStringLiteral("00:00:00.000")) + 48);
    header->resizeSection(ExchangeLogModel::DirectionColumn, metrics.horizontalAdvance(QStringLiteral("no reply")) + 24);
    header->resizeSection(ExchangeLogModel::ReplyColumn, metrics.horizontalAdvance(QStringLiteral("Reply ms")) + 24);
    header->resizeSection(ExchangeLogModel::DetailsColumn, 240);
    m_view->viewport()->installEventFilter(this);
    m_view->installEventFilter(this);
    m_summary->setObjectName(QStringLiteral("Summary"));
    buildFilterBar();

    auto *buttons = new QHBoxLayout;
    buttons->addWidget(m_summary, 1);
    buttons->addWidget(m_save);
    buttons->addWidget(m_clear);
    auto *layout = qobject_cast<QVBoxLayout *>(this->layout());
    layout->addWidget(m_view, 1);
    layout->addLayout(buttons);

    connect(m_save, &QPushButton::clicked, this, &ExchangeLogWindow::save);
    connect(m_clear, &QPushButton::clicked, this, &ExchangeLogWindow::clear);
    connect(m_view, &QWidget::customContextMenuRequested, this, &ExchangeLogWindow::showContextMenu);
    connect(m_shown, &QAbstractItemModel::rowsAboutToBeInserted, this, &ExchangeLogWindow::noteWhetherFollowing);
    connect(m_shown, &QAbstractItemModel::rowsInserted, this, &ExchangeLogWindow::followOrHoldStill);
    connect(m_shown, &QAbstractItemModel::rowsAboutToBeRemoved, this, &ExchangeLogWindow::noteWhetherFollowing);
    connect(m_shown, &QAbstractItemModel::rowsRemoved, this, &ExchangeLogWindow::followOrHoldStill);
    // The oldest rows go while the operator looks back: the row at the top stays there.
    connect(m_view->verticalScrollBar(), &QScrollBar::valueChanged, this, &ExchangeLogWindow::rememberTopRow);
    connect(m_shown, &QAbstractItemModel::modelReset, this, [this] {
        m_following = true;
        m_view->scrollToBottom();
    });
    connect(m_model, &ExchangeLogModel::synced, this, &ExchangeLogWindow::showSummary);
    showSummary();
}

void ExchangeLogWindow::buildFilterBar()
{
    m_filterText->setObjectName(QStringLiteral("Filter"));
    m_filterText->setAccessibleName(tr("Filter"));
    m_filterText->setAccessibleDescription(
        tr("Shows only the exchanges whose rendering, status, origin, raw text or hex bytes contain this text"));
    m_filterText->setPlaceholderText(tr("Text, status, origin or hex (Ctrl+F)"));
    m_filterText->setClearButtonEnabled(true);
    m_filterText->installEventFilter(this);
    auto *filterLabel = new QLabel(tr("&Filter:"), this);
    filterLabel->setBuddy(m_filterText);

    m_failures->setObjectName(QStringLiteral("Show"));
    m_failures->setAccessibleName(tr("Show"));
    m_failures->setAccessibleDescription(tr("All exchanges, or only those that failed in one way"));
    for (const ShowChoice &choice : ShowChoices)
        m_failures->addItem(tr(choice.caption), int(choice.show));
    // A list is named by its label (Qt on Linux names it by its current entry).
    auto *showLabel = new QLabel(tr("&Show:"), this);
    showLabel->setAccessibleName(tr("Show"));
    showLabel->setBuddy(m_failures);

    m_shownCount->setObjectName(QStringLiteral("Shown"));

    auto *bar = new QHBoxLayout;
    bar->addWidget(filterLabel);
    bar->addWidget(m_filterText, 1);
    bar->addWidget(showLabel);
    bar->addWidget(m_failures);
    bar->addWidget(m_shownCount);
    auto *layout = new QVBoxLayout(this);
    layout->addLayout(bar);

    connect(m_filterText, &QLineEdit::textChanged, this, &ExchangeLogWindow::applyFilter);
    connect(m_failures, &QComboBox::currentIndexChanged, this, &ExchangeLogWindow::applyFilter);
    auto *find = new QShortcut(QKeySequence::Find, this);
    connect(find, &QShortcut::activated, this, [this] {
        m_filterText->setFocus(Qt::ShortcutFocusReason);
        m_filterText->selectAll();
    });
}

void ExchangeLogWindow::applyFilter()
{
    m_shown->setFilter({m_filterText->text(), LogFilter::Show(m_failures->currentData().toInt())});
    showSummary();
    if (m_following)
        m_view->scrollToBottom();
}

bool ExchangeLogWindow::eventFilter(QObject *watched, QEvent *event)
{
    if (watched == m_view->viewport() && event->type() == QEvent::Resize) {
        fitColumns();
    } else if (event->type() == QEvent::KeyPress) {
        const auto *key = static_cast<QKeyEvent *>(event);
        if (watched == m_filterText && key->key() == Qt::Key_Escape && key->modifiers() == Qt::NoModifier) {
            m_filterText->clear();
            return true;
        }
        // The view would copy the current cell alone.
        if (watched == m_view && key->matches(QKeySequence::Copy)) {
            copySelection(false);
            return true;
        }
    }
    return QWidget::eventFilter(watched, event);
}

void ExchangeLogWindow::fitColumns()
{
    // The two take what the other columns leave, in the proportion they
    // have; the operator's own widths of the others stay.
    QHeaderView *header = m_view->header();
    int shared = m_view->viewport()->width();
    for (int column = 0; column < ExchangeLogModel::ColumnCount; ++column) {
        if (column != ExchangeLogModel::TextColumn && column != ExchangeLogModel::StatusColumn)
            shared -= header->sectionSize(column);
    }
    const int text = header->sectionSize(ExchangeLogModel::TextColumn);
    const int status = header->sectionSize(ExchangeLogModel::StatusColumn);
    const double textShare = m_columnsFitted ? double(text) / qMax(1, text + status) : TextShareAtFirst;
    m_columnsFitted = true;
    const int newText = qMax(NarrowestSharedColumn, qRound(shared * textShare));
    header->resizeSection(ExchangeLogModel::TextColumn, newText);
    header->resizeSection(ExchangeLogModel::StatusColumn, qMax(NarrowestSharedColumn, shared - newText));
}

void ExchangeLogWindow::showContextMenu(const QPoint &position)
{
    // A right-click outside the selection picks the row under the pointer.
    const QModelIndex under = m_view->indexAt(position);
    if (under.isValid() && !m_view->selectionModel()->isRowSelected(under.row(), under.parent()))
        m_view->selectionModel()->setCurrentIndex(under, QItemSelectionModel::ClearAndSelect | QItemSelectionModel::Rows);
    auto *menu = new QMenu(m_view);
    menu->setObjectName(QStringLiteral("LogMenu"));
    menu->setAttribute(Qt::WA_DeleteOnClose);
    const bool anything = m_view->selectionModel()->hasSelection();
    QAction *copy = menu->addAction(tr("Copy"), this, [this] { copySelection(false); });
    copy->setShortcut(QKeySequence::Copy);
    copy->setShortcutContext(Qt::WidgetShortcut);
    copy->setEnabled(anything);
    menu->addAction(tr("Copy hex"), this, [this] { copySelection(true); })->setEnabled(anything);
    menu->popup(m_view->viewport()->mapToGlobal(position));
}

void ExchangeLogWindow::copySelection(bool hex) const
{
    const QList<LogRow> rows = m_shown->rowsOf(m_view->selectionModel()->selectedRows());
    if (rows.isEmpty())
        return;
    QGuiApplication::clipboard()->setText(hex ? LogFile::hexLines(rows) : LogFile::lines(rows));
}

void ExchangeLogWindow::showEvent(QShowEvent *event)
{
    QWidget::showEvent(event);
    if (m_following)
        m_view->scrollToBottom();
}

void ExchangeLogWindow::noteWhetherFollowing()
{
    const QScrollBar *bar = m_view->verticalScrollBar();
    m_following = bar->value() >= bar->maximum();
}

void ExchangeLogWindow::rememberTopRow()
{
    m_topRow = QPersistentModelIndex(m_view->indexAt(QPoint(1, 1)));
}

void ExchangeLogWindow::followOrHoldStill()
{
    if (m_following)
        m_view->scrollToBottom();
    else if (m_topRow.isValid())
        m_view->scrollTo(m_topRow, QAbstractItemView::PositionAtTop);
}

void ExchangeLogWindow::showSummary()
{
    const ExchangeRing &ring = m_recorder.ring();
    const qsizetype exchanges = LogFile::headerFor(ring, {}).exchanges;
    m_summary->setText(LogCounts::exchangesKept(exchanges, ring.capacity()));
    m_shownCount->setText(LogCounts::rowsShown(m_shown->rowCount(), m_model->rowCount(), !m_shown->filter().isEmpty()));
}

std::optional<QString> ExchangeLogWindow::saveTo(const QString &path, LogFile::Format format) const
{
    const ExchangeRing &ring = m_recorder.ring();
    return LogFile::save(path, LogRows::all(ring), format, LogFile::headerFor(ring, m_recorder.portNow()));
}

void ExchangeLogWindow::save()
{
    // Qt's own dialog rather than the desktop's, the same everywhere.
    QFileDialog dialog(this, tr("Save Exchange Log"), QDir::homePath());
    dialog.setObjectName(QStringLiteral("SaveDialog"));
    dialog.setOption(QFileDialog::DontUseNativeDialog);
    dialog.setAcceptMode(QFileDialog::AcceptSave);
    dialog.setNameFilters({TextFilter, CsvFilter});
    dialog.setDefaultSuffix(QStringLiteral("txt"));
    // A name of its own each minute, so one save does not overwrite another.
    const QDateTime now = QDateTime::currentDateTime();
    const QString proposedText = LogFile::proposedName(now, LogFile::Format::Text);
    const QString proposedCsv = LogFile::proposedName(now, LogFile::Format::Csv);
    connect(&dialog, &QFileDialog::filterSelected, &dialog, [&](const QString &filter) {
        const bool csv = filter == CsvFilter;
        dialog.setDefaultSuffix(csv ? QStringLiteral("csv") : QStringLiteral("txt"));
        // The proposal follows the type; a name the operator typed stays.
        auto *name = dialog.findChild<QLineEdit *>(QStringLiteral("fileNameEdit"));
        if (name && name->text() == (csv ? proposedText : proposedCsv))
            dialog.selectFile(csv ? proposedCsv : proposedText);
    });
    dialog.selectFile(proposedText);
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty())
        return;
    const bool csvChosen = dialog.selectedNameFilter() == CsvFilter;
    QString path = dialog.selectedFiles().first();
    // The dialog does not always add the chosen type to a bare name.
    if (QFileInfo(path).suffix().isEmpty()) {
        path += csvChosen ? QStringLiteral(".csv") : QStringLiteral(".txt");
        if (QFileInfo::exists(path)
            && QMessageBox::question(this, tr("Exchange Log"), tr("%1 already exists. Replace it?").arg(path))
                != QMessageBox::Yes)
            return;
    }
    // The file's type decides; a name of another type goes by the chosen filter.
    const QString suffix = QFileInfo(path).suffix().toLower();
    const bool csv = suffix == u"csv" || (suffix != u"txt" && csvChosen);
    if (const auto error = saveTo(path, csv ? LogFile::Format::Csv : LogFile::Format::Text))
        QMessageBox::warning(this, tr("Exchange Log"), tr("The log could not be saved to %1: %2").arg(path, *error));
}

void ExchangeLogWindow::clear()
{
    m_recorder.clear();
}
