#pragma once

#include "log/logrow.h"

#include <QAbstractItemModel>
#include <QFont>
#include <QList>
#include <QTimer>

#include <optional>

class ExchangeRecorder;
class ExchangeRing;
struct ExchangeRecord;

// The exchange log as rows for a view: one row a frame, receive event or
// missing reply, oldest first; a hold's frames under one group row. Rows are
// laid out from the ring a little after it changes, so a flood or a hold
// costs the exchange nothing but the recording, and text is rendered only
// for the rows a view asks for.
class ExchangeLogModel : public QAbstractItemModel
{
    Q_OBJECT

public:
    enum Column { TimeColumn, DirectionColumn, TextColumn, StatusColumn, ReplyColumn, DetailsColumn, ColumnCount };
    // How long changes gather before the rows follow them.
    static constexpr int SyncDelayMs = 50;

    explicit ExchangeLogModel(const ExchangeRecorder &recorder, QObject *parent = nullptr);

    [[nodiscard]] QModelIndex index(int row, int column, const QModelIndex &parent = {}) const override;
    [[nodiscard]] QModelIndex parent(const QModelIndex &child) const override;
    [[nodiscard]] int rowCount(const QModelIndex &parent = {}) const override;
    [[nodiscard]] int columnCount(const QModelIndex &parent = {}) const override;
    [[nodiscard]] QVariant data(const QModelIndex &index, int role = Qt::DisplayRole) const override;
    [[nodiscard]] QVariant headerData(int section, Qt::Orientation orientation,
                                      int role = Qt::DisplayRole) const override;

    // A hold's group row.
    [[nodiscard]] bool isGroup(const QModelIndex &index) const;
    // The row at `index`; a group row gives its first frame.
    [[nodiscard]] std::optional<LogRow> rowAt(const QModelIndex &index) const;
    // The records a row comes from: one, or a hold's frames.
    struct Records {
        quint64 first = 0;
        quint64 last = 0;  // inclusive
    };
    [[nodiscard]] Records recordsAt(const QModelIndex &index) const;
    [[nodiscard]] const ExchangeRing &ring() const { return m_ring; }

    // Brings the rows up to date with the ring at once.
    void sync();

signals:
    void synced();

private:
    struct RowRef {
        quint64 sequence = 0;  // the record
        qint32 row = 0;        // its row
    };
    // A top-level row: a single row of a record, or a hold's group.
    struct Node {
        quint64 id = 0;  // never reused: a group's children find it by this
        RowRef ref;      // a single row; for a group, its first frame
        QList<RowRef> children;
        bool group = false;
    };

    void ringChanged();
    void rebuild();
    void dropEvicted();
    // Lays out rows `fromRow` on of `record`: into the last group, or as
    // top-level nodes added to `pending`, which appendTopLevel then inserts.
    void appendRows(const ExchangeRecord &record, qint32 fromRow, QList<Node> &pending);
    void appendTopLevel(QList<Node> nodes);
    void appendToLastGroup(QList<RowRef> refs);
    void refreshNewest(const ExchangeRecord &record);
    [[nodiscard]] Node single(quint64 sequence, qint32 row);
    [[nodiscard]] bool lastNodeIsGroupOf(quint64 sequence) const;
    [[nodiscard]] qsizetype nodeRowOf(quint64 id) const;
    [[nodiscard]] const RowRef *refAt(const QModelIndex &index) const;
    [[nodiscard]] QVariant groupData(const Node &node, int column, int role) const;
    [[nodiscard]] QVariant style(const QModelIndex &index, int role) const;

    const ExchangeRing &m_ring;
    const QFont m_fixedFont;
    QFont m_portFont;
    QTimer m_syncTimer;
    QList<Node> m_nodes;
    quint64 m_nextId = 1;
    quint64 m_generation = 0;
    quint64 m_laidOutEnd = 0;  // records before this sequence are laid out
    qint32 m_rowsOfLast = 0;   // rows laid out of the record before m_laidOutEnd
};
