#include "logwindow/exchangelogfiltermodel.h"

#include "logwindow/exchangelogmodel.h"
#include "log/exchangering.h"

#include <algorithm>

ExchangeLogFilterModel::ExchangeLogFilterModel(ExchangeLogModel &source, QObject *parent)
    : QSortFilterProxyModel(parent)
    , m_source(source)
{
    setSourceModel(&source);
}

void ExchangeLogFilterModel::setFilter(const LogFilter &filter)
{
    if (filter == m_filter)
        return;
    m_filter = filter;
    m_lastSequence = NoSequence;
    // Laid out afresh in one pass: dropping and adding rows range by range
    // would cost a full log seconds.
    invalidate();
}

bool ExchangeLogFilterModel::recordMatches(quint64 sequence) const
{
    const ExchangeRing &ring = m_source.ring();
    if (sequence == m_lastSequence && sequence + 1 != ring.endSequence())
        return m_lastMatched;
    const ExchangeRecord *record = ring.bySequence(sequence);
    m_lastSequence = sequence;
    m_lastMatched = record && m_filter.matches(ring, *record);
    return m_lastMatched;
}

bool ExchangeLogFilterModel::filterAcceptsRow(int sourceRow, const QModelIndex &sourceParent) const
{
    if (m_filter.isEmpty())
        return true;
    const auto [first, last] = m_source.recordsAt(m_source.index(sourceRow, 0, sourceParent));
    for (quint64 sequence = first; sequence <= last; ++sequence) {
        if (recordMatches(sequence))
            return true;
    }
    return false;
}

void ExchangeLogFilterModel::appendRowsOf(const QModelIndex &index, QList<LogRow> &rows) const
{
    if (hasChildren(index)) {
        for (int child = 0, count = rowCount(index); child < count; ++child)
            appendRowsOf(this->index(child, 0, index), rows);
        return;
    }
    if (const auto row = m_source.rowAt(mapToSource(index)))
        rows << *row;
}

QList<LogRow> ExchangeLogFilterModel::rowsOf(const QModelIndexList &indexes) const
{
    // Top-level row and row within it (-1 for the top-level row itself).
    QList<std::pair<int, int>> places;
    for (const QModelIndex &index : indexes) {
        if (!index.isValid() || index.model() != this)
            continue;
        const QModelIndex parent = index.parent();
        places << (parent.isValid() ? std::pair{parent.row(), index.row()} : std::pair{index.row(), -1});
    }
    std::sort(places.begin(), places.end());
    places.erase(std::unique(places.begin(), places.end()), places.end());
    QList<LogRow> rows;
    int wholeGroup = -1;  // a group whose own row was picked gives all it shows
    for (const auto &[top, child] : std::as_const(places)) {
        const QModelIndex topIndex = index(top, 0);
        if (child < 0) {
            appendRowsOf(topIndex, rows);
            wholeGroup = top;
        } else if (top != wholeGroup) {
            appendRowsOf(index(child, 0, topIndex), rows);
        }
    }
    return rows;
}
