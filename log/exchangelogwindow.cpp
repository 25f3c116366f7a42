#include "log/exchangelogwindow.h"

#include "log/exchangelogmodel.h"
#include "log/exchangerecorder.h"

#include <QBoxLayout>
#include <QDir>
#include <QFileDialog>
#include <QFileInfo>
#include <QHeaderView>
#include <QLabel>
#include <QMessageBox>
#include <QPushButton>
#include <QScrollBar>
#include <QTreeView>

namespace {

const QString TextFilter = QStringLiteral("Text (*.txt)");
const QString CsvFilter = QStringLiteral("CSV (*.csv)");

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
    resize(860, 420);

    m_view->setObjectName(QStringLiteral("LogView"));
    m_view->setAccessibleName(tr("Exchange log"));
    m_view->setAccessibleDescription(
        tr("Frames sent and what came back, newest last; a hold's frames open from one row"));
    m_view->setModel(m_model);
    m_view->setUniformRowHeights(true);
    m_view->setAlternatingRowColors(true);
    m_view->setAllColumnsShowFocus(true);
    m_view->setSelectionBehavior(QAbstractItemView::SelectRows);
    m_view->setEditTriggers(QAbstractItemView::NoEditTriggers);
    // Fixed widths: sizing to contents would measure every row of a full log.
    const QFontMetrics metrics = m_view->fontMetrics();
    QHeaderView *header = m_view->header();
    header->setStretchLastSection(true);
    header->resizeSection(ExchangeLogModel::TimeColumn, metrics.horizontalAdvance(QStringLiteral("00:00:00.000")) + 48);
    header->resizeSection(ExchangeLogModel::DirectionColumn, metrics.horizontalAdvance(QStringLiteral("no reply")) + 24);
    header->resizeSection(ExchangeLogModel::TextColumn, 260);
    header->resizeSection(ExchangeLogModel::StatusColumn, 170);
    m_summary->setObjectName(QStringLiteral("Summary"));

    auto *buttons = new QHBoxLayout;
    buttons->addWidget(m_summary, 1);
    buttons->addWidget(m_save);
    buttons->addWidget(m_clear);
    auto *layout = new QVBoxLayout(this);
    layout->addWidget(m_view, 1);
    layout->addLayout(buttons);

    connect(m_save, &QPushButton::clicked, this, &ExchangeLogWindow::save);
    connect(m_clear, &QPushButton::clicked, this, &ExchangeLogWindow::clear);
    connect(m_model, &QAbstractItemModel::rowsAboutToBeInserted, this, &ExchangeLogWindow::noteWhetherFollowing);
    connect(m_model, &QAbstractItemModel::rowsInserted, this, &ExchangeLogWindow::followOrHoldStill);
    connect(m_model, &QAbstractItemModel::rowsAboutToBeRemoved, this, &ExchangeLogWindow::noteWhetherFollowing);
    connect(m_model, &QAbstractItemModel::rowsRemoved, this, &ExchangeLogWindow::followOrHoldStill);
    // The oldest rows go while the operator looks back: the row at the top stays there.
    connect(m_view->verticalScrollBar(), &QScrollBar::valueChanged, this, &ExchangeLogWindow::rememberTopRow);
    connect(m_model, &QAbstractItemModel::modelReset, this, [this] {
        m_following = true;
        m_view->scrollToBottom();
    });
    connect(m_model, &ExchangeLogModel::synced, this, &ExchangeLogWindow::showSummary);
    showSummary();
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
    m_summary->setText(tr("%1 exchanges (the newest %2 are kept)").arg(ring.size()).arg(ring.capacity()));
}

std::optional<QString> ExchangeLogWindow::saveTo(const QString &path, LogFile::Format format) const
{
    return LogFile::save(path, LogRows::all(m_recorder.ring()), format);
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
    connect(&dialog, &QFileDialog::filterSelected, &dialog, [&dialog](const QString &filter) {
        dialog.setDefaultSuffix(filter == CsvFilter ? QStringLiteral("csv") : QStringLiteral("txt"));
    });
    dialog.selectFile(QStringLiteral("exchange-log.txt"));
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
