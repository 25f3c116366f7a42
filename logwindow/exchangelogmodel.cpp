#include "logwindow/exchangelogmodel.h"

#include "exchange/monitorrendering.h"
#include "logwindow/exchangerecorder.h"
#include "log/holdgrouping.h"
#include "log/logfile.h"

#include <QColor>
#include <QFontDatabase>

#include <algorithm>
#include <utility>

namespace {

// The port's rows stand apart: a pale band, darker where the port was lost.
constexpr QRgb PortBand = 0xE6ECF5;
constexpr QRgb LostBand = 0xF8DEDE;
constexpr QRgb BandText = 0x1A1A1A;

QString hex(const QByteArray &bytes)
{
    return QString::fromLatin1(bytes.toHex(' ').toUpper());
}

QVariant display(const LogRow &row, int column)
{
    const bool port = row.direction == LogRow::Direction::Port;
    switch (column) {
    case ExchangeLogModel::TimeColumn:
        return LogRows::clockTime(row.atMs);
    case ExchangeLogModel::DirectionColumn:
        return LogRows::directionName(row.direction);
    case ExchangeLogModel::TextColumn:
        // What became of the port is read where the exchanges are.
        return port ? row.details : row.text();
    case ExchangeLogModel::StatusColumn:
        return row.status;
    case ExchangeLogModel::ReplyColumn:
        return row.replyMs >= 0 ? QString::number(row.replyMs) : QString();
    case ExchangeLogModel::DetailsColumn:
        return port ? QString() : row.details;
    }
    return {};
}

// The time with its date, the raw bytes and the whole details with the
// control's name, for whoever points at a cell.
QVariant explanation(const LogRow &row, int column, const QString &controlName)
{
    if (column == ExchangeLogModel::TimeColumn)
        return LogFile::timeStamp(row.atMs);
    if (column == ExchangeLogModel::TextColumn && !row.bytes.isEmpty())
        return hex(row.bytes);
    if (column == ExchangeLogModel::TextColumn && row.direction == LogRow::Direction::Port)
        return row.details;
    if (column == ExchangeLogModel::DetailsColumn && !row.details.isEmpty())
        return controlName.isEmpty() ? row.details : QStringLiteral("%1 (%2)").arg(row.details, controlName);
    return {};
}

bool served(int role)
{
    return role == Qt::DisplayRole || role == Qt::ToolTipRole || role == Qt::AccessibleDescriptionRole
        || role == Qt::FontRole || role == Qt::TextAlignmentRole || role == Qt::BackgroundRole
        || role == Qt::ForegroundRole;
}

} // namespace

ExchangeLogModel::ExchangeLogModel(const ExchangeRecorder &recorder, QObject *parent)
    : QAbstractItemModel(parent)
    , m_ring(recorder.ring())
    , m_fixedFont(QFontDatabase::systemFont(QFontDatabase::FixedFont))
{
    m_portFont.setItalic(true);
    m_syncTimer.setSingleShot(true);
    m_syncTimer.setInterval(SyncDelayMs);
    connect(&m_syncTimer, &QTimer::timeout, this, &ExchangeLogModel::sync);
    connect(&recorder, &ExchangeRecorder::changed, this, &ExchangeLogModel::ringChanged);
    rebuild();
}

void ExchangeLogModel::ringChanged()
{
    // A cleared log empties at once: no row may stay whose record is gone.
    if (m_ring.generation() != m_generation) {
        sync();
        return;
    }
    if (!m_syncTimer.isActive())
        m_syncTimer.start();
}

void ExchangeLogModel::sync()
{
    m_syncTimer.stop();
    if (m_ring.generation() != m_generation) {
        rebuild();
        emit synced();
        return;
    }
    dropEvicted();
    QList<Node> pending;
    if (const ExchangeRecord *last = m_laidOutEnd > 0 ? m_ring.bySequence(m_laidOutEnd - 1) : nullptr) {
        if (LogRows::rowCount(*last) > m_rowsOfLast)
            appendRows(*last, m_rowsOfLast, pending);
        appendTopLevel(std::exchange(pending, {}));
        // Its last receive event may have grown, or taken a status.
        refreshNewest(*last);
    }
    for (quint64 sequence = qMax(m_laidOutEnd, m_ring.firstSequence()); sequence < m_ring.endSequence(); ++sequence)
        appendRows(*m_ring.bySequence(sequence), 0, pending);
    appendTopLevel(std::move(pending));
    emit synced();
}

void ExchangeLogModel::rebuild()
{
    beginResetModel();
    m_nodes.clear();
    m_generation = m_ring.generation();
    m_laidOutEnd = m_ring.firstSequence();
    m_rowsOfLast = 0;
    QList<Node> pending;
    for (quint64 sequence = m_laidOutEnd; sequence < m_ring.endSequence(); ++sequence)
        appendRows(*m_ring.bySequence(sequence), 0, pending);
    m_nodes = std::move(pending);
    endResetModel();
}

void ExchangeLogModel::dropEvicted()
{
    const quint64 first = m_ring.firstSequence();
    const auto lastSequence = [](const Node &node) {
        return node.group ? node.children.last().sequence : node.ref.sequence;
    };
    const auto kept = std::find_if(m_nodes.cbegin(), m_nodes.cend(),
                                   [&](const Node &node) { return lastSequence(node) >= first; });
    if (const auto gone = kept - m_nodes.cbegin(); gone > 0) {
        beginRemoveRows({}, 0, int(gone - 1));
        m_nodes.remove(0, gone);
        endRemoveRows();
    }
    // A hold's group loses its oldest frames only.
    if (!m_nodes.isEmpty() && m_nodes.first().group && m_nodes.first().children.first().sequence < first) {
        Node &group = m_nodes.first();
        const auto stays = std::find_if(group.children.cbegin(), group.children.cend(),
                                        [first](const RowRef &ref) { return ref.sequence >= first; });
        const auto gone = stays - group.children.cbegin();
        beginRemoveRows(index(0, 0), 0, int(gone - 1));
        group.children.remove(0, gone);
        group.ref = group.children.first();
        endRemoveRows();
        emit dataChanged(index(0, 0), index(0, ColumnCount - 1));
    }
    if (m_laidOutEnd < first) {
        m_laidOutEnd = first;
        m_rowsOfLast = 0;
    }
}

ExchangeLogModel::Node ExchangeLogModel::single(quint64 sequence, qint32 row)
{
    return {m_nextId++, {sequence, row}, {}, false};
}

bool ExchangeLogModel::lastNodeIsGroupOf(quint64 sequence) const
{
    return !m_nodes.isEmpty() && m_nodes.last().group && m_nodes.last().children.last().sequence == sequence;
}

void ExchangeLogModel::appendRows(const ExchangeRecord &record, qint32 fromRow, QList<Node> &pending)
{
    const auto rows = qint32(LogRows::rowCount(record));
    QList<RowRef> refs;
    for (qint32 row = fromRow; row < rows; ++row)
        refs.append({record.sequence, row});
    m_laidOutEnd = record.sequence + 1;
    m_rowsOfLast = rows;
    if (refs.isEmpty())
        return;

    // The node that the rows go after: the last one waiting, or the last one shown.
    Node *last = !pending.isEmpty() ? &pending.last() : !m_nodes.isEmpty() ? &m_nodes.last() : nullptr;
    const TransmitOrigin &origin = m_ring.origin(record);
    bool intoLastGroup = false;
    if (last && last->group) {
        const quint64 before = last->children.last().sequence;
        intoLastGroup = fromRow > 0 ? before == record.sequence
                                    : HoldGrouping::continues(m_ring.origin(*m_ring.bySequence(before)), origin);
    }
    if (intoLastGroup) {
        if (!pending.isEmpty())
            pending.last().children += refs;
        else
            appendToLastGroup(std::move(refs));
        return;
    }
    if (fromRow == 0 && HoldGrouping::isHold(origin)) {
        pending.append({m_nextId++, refs.first(), refs, true});
        return;
    }
    for (const RowRef &ref : refs)
        pending.append(single(ref.sequence, ref.row));
}

void ExchangeLogModel::appendTopLevel(QList<Node> nodes)
{
    if (nodes.isEmpty())
        return;
    beginInsertRows({}, int(m_nodes.size()), int(m_nodes.size() + nodes.size() - 1));
    m_nodes += std::move(nodes);
    endInsertRows();
}

void ExchangeLogModel::appendToLastGroup(QList<RowRef> refs)
{
    const int groupRow = int(m_nodes.size() - 1);
    Node &group = m_nodes.last();
    const QModelIndex parent = index(groupRow, 0);
    beginInsertRows(parent, int(group.children.size()), int(group.children.size() + refs.size() - 1));
    group.children += std::move(refs);
    endInsertRows();
    // The frame count and the last time changed.
    emit dataChanged(parent, index(groupRow, ColumnCount - 1));
}

void ExchangeLogModel::refreshNewest(const ExchangeRecord &record)
{
    const auto rows = int(LogRows::rowCount(record));
    if (lastNodeIsGroupOf(record.sequence)) {
        const int groupRow = int(m_nodes.size() - 1);
        const QModelIndex parent = index(groupRow, 0);
        const int children = int(m_nodes.last().children.size());
        emit dataChanged(index(children - rows, 0, parent), index(children - 1, ColumnCount - 1, parent));
        return;
    }
    const int count = int(m_nodes.size());
    if (rows > 0 && count >= rows)
        emit dataChanged(index(count - rows, 0), index(count - 1, ColumnCount - 1));
}

qsizetype ExchangeLogModel::nodeRowOf(quint64 id) const
{
    const auto found = std::lower_bound(m_nodes.cbegin(), m_nodes.cend(), id,
                                        [](const Node &node, quint64 wanted) { return node.id < wanted; });
    return found != m_nodes.cend() && found->id == id ? found - m_nodes.cbegin() : -1;
}

QModelIndex ExchangeLogModel::index(int row, int column, const QModelIndex &parent) const
{
    if (!hasIndex(row, column, parent))
        return {};
    if (!parent.isValid())
        return createIndex(row, column, quintptr(0));
    return createIndex(row, column, quintptr(m_nodes[parent.row()].id));
}

QModelIndex ExchangeLogModel::parent(const QModelIndex &child) const
{
    if (!child.isValid() || child.internalId() == 0)
        return {};
    const qsizetype row = nodeRowOf(child.internalId());
    return row < 0 ? QModelIndex() : createIndex(int(row), 0, quintptr(0));
}

int ExchangeLogModel::rowCount(const QModelIndex &parent) const
{
    if (!parent.isValid())
        return int(m_nodes.size());
    // Only a group's first cell has children, and they have none.
    if (parent.internalId() != 0 || parent.column() != 0)
        return 0;
    const Node &node = m_nodes[parent.row()];
    return node.group ? int(node.children.size()) : 0;
}

int ExchangeLogModel::columnCount(const QModelIndex &) const
{
    return ColumnCount;
}

bool ExchangeLogModel::isGroup(const QModelIndex &index) const
{
    return index.isValid() && index.internalId() == 0 && m_nodes[index.row()].group;
}

const ExchangeLogModel::RowRef *ExchangeLogModel::refAt(const QModelIndex &index) const
{
    if (index.internalId() == 0)
        return &m_nodes[index.row()].ref;
    const qsizetype nodeRow = nodeRowOf(index.internalId());
    return nodeRow < 0 ? nullptr : &m_nodes[nodeRow].children[index.row()];
}

std::optional<LogRow> ExchangeLogModel::rowAt(const QModelIndex &index) const
{
    if (!index.isValid())
        return std::nullopt;
    const RowRef *ref = refAt(index);
    // Until the next sync a row may point at a record that has just gone.
    const ExchangeRecord *record = ref ? m_ring.bySequence(ref->sequence) : nullptr;
    if (!record || ref->row >= LogRows::rowCount(*record))
        return std::nullopt;
    return LogRows::row(m_ring, *record, ref->row);
}

ExchangeLogModel::Records ExchangeLogModel::recordsAt(const QModelIndex &index) const
{
    if (isGroup(index)) {
        const Node &node = m_nodes[index.row()];
        return {node.children.first().sequence, node.children.last().sequence};
    }
    const RowRef *ref = index.isValid() ? refAt(index) : nullptr;
    return ref ? Records{ref->sequence, ref->sequence} : Records{1, 0};
}

QVariant ExchangeLogModel::data(const QModelIndex &index, int role) const
{
    if (!index.isValid() || !served(role))
        return {};
    if (role == Qt::FontRole || role == Qt::BackgroundRole || role == Qt::ForegroundRole)
        return style(index, role);
    if (role == Qt::TextAlignmentRole)
        return index.column() == ReplyColumn ? QVariant(Qt::AlignRight | Qt::AlignVCenter) : QVariant();
    if (isGroup(index))
        return groupData(m_nodes[index.row()], index.column(), role);
    const auto row = rowAt(index);
    if (!row)
        return {};
    if (role == Qt::DisplayRole)
        return display(*row, index.column());
    const ExchangeRecord *record = m_ring.bySequence(refAt(index)->sequence);
    return explanation(*row, index.column(), record ? m_ring.origin(*record).name : QString());
}

QVariant ExchangeLogModel::style(const QModelIndex &index, int role) const
{
    const ExchangeRecord *record = isGroup(index) ? nullptr : m_ring.bySequence(recordsAt(index).first);
    if (record && record->isPortEvent()) {
        switch (role) {
        case Qt::FontRole:
            return m_portFont;
        case Qt::BackgroundRole:
            return QColor(record->portEvent == PortEvent::Lost ? LostBand : PortBand);
        case Qt::ForegroundRole:
            return QColor(BandText);
        }
        return {};
    }
    // The rendering lines up column by column, as on the monitor.
    return role == Qt::FontRole && index.column() == TextColumn ? QVariant(m_fixedFont) : QVariant();
}

QVariant ExchangeLogModel::groupData(const Node &node, int column, int role) const
{
    const ExchangeRecord *first = m_ring.bySequence(node.children.first().sequence);
    const ExchangeRecord *last = m_ring.bySequence(node.children.last().sequence);
    if (!first || !last)
        return {};
    if (column == DetailsColumn) {
        const auto frames = qsizetype(last->sequence - first->sequence + 1);
        const TransmitOrigin &origin = m_ring.origin(*first);
        const QString summary = HoldGrouping::summary(origin, frames, first->sentAtMs, last->sentAtMs);
        return role == Qt::DisplayRole || origin.name.isEmpty() ? summary
                                                                : QStringLiteral("%1 (%2)").arg(summary, origin.name);
    }
    const LogRow firstFrame = LogRows::row(m_ring, *first, 0);
    return role == Qt::DisplayRole ? display(firstFrame, column)
                                   : explanation(firstFrame, column, m_ring.origin(*first).name);
}

QVariant ExchangeLogModel::headerData(int section, Qt::Orientation orientation, int role) const
{
    if (orientation != Qt::Horizontal || role != Qt::DisplayRole)
        return {};
    switch (section) {
    case TimeColumn:
        return tr("Time");
    case DirectionColumn:
        return tr("Direction");
    case TextColumn:
        return tr("Text");
    case StatusColumn:
        return tr("Status");
    case ReplyColumn:
        return tr("Reply ms");
    case DetailsColumn:
        return tr("Details");
    }
    return {};
}
