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

QList<PanelButton> panelButtons(Buttons which)
{
    QList<PanelButton> buttons;
    for (const QStringList &row : read(QStringLiteral(":/tables/panel-buttons.tsv"))) {
        PanelButton button;
        button.name = row.value(0);
        button.group = row.value(1) == u"none" ? QString() : row.value(1);
        // "up-arrow picture" shows the way it points.
        button.caption = quoted(row.value(2));
        button.picture = button.caption.isNull();
        if (button.picture) {
            const QString direction = row.value(2).section(u'-', 0, 0);
            button.caption = direction.left(1).toUpper() + direction.mid(1);
        }
        QString sends = row.value(3);
        button.hold = sends.endsWith(QLatin1StringView(" hold"));
        if (button.hold)
            sends.chop(5);
        if (const QString text = quoted(sends); !text.isNull())
            button.sends = text.toLatin1();
        button.twips = QRect(row.value(4).toInt(), row.value(5).toInt(), row.value(6).toInt(), row.value(7).toInt());
        button.colour = row.value(8);
        const bool oneShot = !button.hold && !button.sends.isNull();
        if (which == Buttons::All || (which == Buttons::Hold ? button.hold : oneShot))
            buttons.append(button);
    }
    return buttons;
}

} // namespace TableData
