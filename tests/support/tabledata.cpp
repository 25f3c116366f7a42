#include "support/tabledata.h"

#include <QFile>

namespace TableData {

QList<QStringList> read(const QString &path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) {
        qWarning("cannot read %s: %s", qPrintable(path), qPrintable(file.errorString()));
        return {};
    }
    QList<QStringList> rows;
    const QString text = QString::fromUtf8(file.readAll());
    for (const QString &line : text.split(u'\n')) {
        if (line.isEmpty() || line.startsWith(u'#'))
            continue;
        rows.append(line.split(u'\t'));
    }
    return rows;
}

QString quoted(const QString &field)
{
    if (field.size() < 2 || !field.startsWith(u'"') || !field.endsWith(u'"'))
        return {};
    return field.sliced(1, field.size() - 2);
}

} // namespace TableData
