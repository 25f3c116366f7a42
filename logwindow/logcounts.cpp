#include "logwindow/logcounts.h"

#include <QCoreApplication>

namespace LogCounts {
namespace {

QString counted(qsizetype n, const char *one, const char *many)
{
    return QCoreApplication::translate("LogCounts", n == 1 ? one : many).arg(n);
}

} // namespace

QString rowsShown(qsizetype shown, qsizetype all, bool filtered)
{
    const QString rows = counted(all, "%1 row", "%1 rows");
    return filtered ? QCoreApplication::translate("LogCounts", "%1 of %2").arg(shown).arg(rows) : rows;
}

QString exchangesKept(qsizetype exchanges, qsizetype capacity)
{
    return QCoreApplication::translate("LogCounts", "%1 (the newest %2 are kept)")
        .arg(counted(exchanges, "%1 exchange", "%1 exchanges"))
        .arg(capacity);
}

} // namespace LogCounts
