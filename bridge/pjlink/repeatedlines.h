#pragma once

#include <QString>
#include <QStringList>

// One connection's log of its answers, where a client that asks the same
// again and again would write a line each: a line the same as the one before
// (by its key: the request and the answer, not the time taken) is counted
// instead, and the count is written when another line comes, every
// `SummaryEvery` repeats, and at the end.
class RepeatedLines
{
public:
    static constexpr int SummaryEvery = 10000;

    // The lines to write for `key` + `detail`: none, the line itself, or the
    // repeats' count before it.
    [[nodiscard]] QStringList take(const QString &key, const QString &detail);
    // The repeats not yet counted in the log, at the connection's end.
    [[nodiscard]] QStringList finish();

private:
    [[nodiscard]] QString summary() const;

    QString m_key;
    int m_repeats = 0;
};
