#pragma once

#include "log/logfilter.h"
#include "log/logrow.h"

#include <QList>
#include <QModelIndexList>
#include <QSortFilterProxyModel>

#include <limits>

class ExchangeLogModel;

// The log's rows that the operator's filter lets through. An exchange is
// kept or left out whole; a hold's group is kept when any of its frames is,
// and then shows those frames. Rows keep their order; nothing is sorted.
class ExchangeLogFilterModel : public QSortFilterProxyModel
{
    Q_OBJECT

public:
    explicit ExchangeLogFilterModel(ExchangeLogModel &source, QObject *parent = nullptr);

    void setFilter(const LogFilter &filter);
    [[nodiscard]] const LogFilter &filter() const { return m_filter; }

    // The rows at these indexes of this model, in the order shown, a group
    // giving the rows it shows; each row once.
    [[nodiscard]] QList<LogRow> rowsOf(const QModelIndexList &indexes) const;

protected:
    [[nodiscard]] bool filterAcceptsRow(int sourceRow, const QModelIndex &sourceParent) const override;

private:
    [[nodiscard]] bool recordMatches(quint64 sequence) const;
    void appendRowsOf(const QModelIndex &index, QList<LogRow> &rows) const;

    ExchangeLogModel &m_source;
    LogFilter m_filter;
    // A record's rows stand one after another: the last answer serves them
    // all, unless the record is the newest, which may still change.
    static constexpr quint64 NoSequence = std::numeric_limits<quint64>::max();
    mutable quint64 m_lastSequence = NoSequence;
    mutable bool m_lastMatched = false;
};
