#include "bridge/pjlink/repeatedlines.h"

QStringList RepeatedLines::take(const QString &key, const QString &detail)
{
    if (key == m_key) {
        return ++m_repeats < SummaryEvery ? QStringList() : finish();
    }
    QStringList lines = finish();
    m_key = key;
    lines.append(key + detail);
    return lines;
}

QStringList RepeatedLines::finish()
{
    if (m_repeats == 0)
        return {};
    QStringList lines{summary()};
    m_repeats = 0;
    return lines;
}

QString RepeatedLines::summary() const
{
    return QStringLiteral("%1 (%2 more like it)").arg(m_key, QString::number(m_repeats));
}
