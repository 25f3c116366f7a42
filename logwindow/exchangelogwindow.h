#pragma once

#include "log/logfile.h"

#include <QPersistentModelIndex>
#include <QWidget>

#include <optional>

class ExchangeLogFilterModel;
class ExchangeLogModel;
class ExchangeRecorder;
class QComboBox;
class QLabel;
class QLineEdit;
class QPushButton;
class QTreeView;

// "Exchange Log": every frame sent and what came back, newest last, a hold's
// frames as one group, and what became of the port. A filter keeps the
// exchanges that contain a text or that failed in one way; selected rows
// copy as the text file's lines or as hex. It follows new rows while
// scrolled to the bottom and holds still while the operator looks further
// back. Modeless; it changes nothing of the exchange. Nothing goes to disk
// unless the operator saves.
class ExchangeLogWindow : public QWidget
{
    Q_OBJECT

public:
    explicit ExchangeLogWindow(ExchangeRecorder &recorder, QWidget *parent = nullptr);

    // Writes every row of the log to `path` as `format`; the reason when it could not.
    [[nodiscard]] std::optional<QString> saveTo(const QString &path, LogFile::Format format) const;
    [[nodiscard]] std::optional<QString> saveTo(const QString &path) const
    {
        return saveTo(path, LogFile::formatFor(path));
    }

    [[nodiscard]] ExchangeLogModel &model() const { return *m_model; }
    [[nodiscard]] ExchangeLogFilterModel &shownRows() const { return *m_shown; }
    [[nodiscard]] QTreeView &view() const { return *m_view; }

    // The selected rows, as Copy and Copy hex put them on the clipboard.
    void copySelection(bool hex) const;

protected:
    void showEvent(QShowEvent *event) override;
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    void buildFilterBar();
    void applyFilter();
    void showContextMenu(const QPoint &position);
    void fitColumns();
    void save();
    void clear();
    void noteWhetherFollowing();
    void rememberTopRow();
    void followOrHoldStill();
    void showSummary();

    ExchangeRecorder &m_recorder;
    ExchangeLogModel *const m_model;
    ExchangeLogFilterModel *const m_shown;
    QLineEdit *const m_filterText;
    QComboBox *const m_failures;
    QLabel *const m_shownCount;
    QTreeView *const m_view;
    QLabel *const m_summary;
    QPushButton *const m_save;
    QPushButton *const m_clear;
    // Whether the view was at its last row when rows came or went.
    bool m_following = true;
    // The row at the top of the view.
    QPersistentModelIndex m_topRow;
    // Whether the rendering and status columns have been fitted to the view yet.
    bool m_columnsFitted = false;
};
