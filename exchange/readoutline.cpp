#include "exchange/readoutline.h"

#include "exchange/readoutlineaccessible.h"

#include <QAccessible>

ReadoutLine::ReadoutLine(QWidget *parent)
    : QLabel(parent)
{
    ReadoutLineAccessible::install();
    setTextFormat(Qt::PlainText);
}

namespace {

// Whether describe() comes to the same for both, without building either.
bool sameDescription(QStringView a, QStringView b)
{
    constexpr qsizetype Cap = ReadoutLine::DescribedLength;
    return (a.size() > Cap) == (b.size() > Cap) && a.first(qMin(a.size(), Cap)) == b.first(qMin(b.size(), Cap));
}

} // namespace

QString ReadoutLine::describe(const QString &text)
{
    if (text.size() <= DescribedLength)
        return text;
    return text.first(DescribedLength) + QChar(0x2026);
}

void ReadoutLine::showText(const QString &text)
{
    // With no assistive technology listening nothing is announced, and
    // nothing is kept for it.
    if (!QAccessible::isActive()) {
        setText(text);
        return;
    }
    const QString before = this->text();
    setText(text);
    // QLabel keeps its text when given an equal one.
    if (this->text().constData() == before.constData())
        return;
    QAccessibleTextUpdateEvent replaced(this, 0, before, text);
    QAccessible::updateAccessibility(&replaced);
    if (!sameDescription(before, text)) {
        QAccessibleEvent described(this, QAccessible::DescriptionChanged);
        QAccessible::updateAccessibility(&described);
    }
}

void ReadoutLine::appendText(const QString &pieces)
{
    if (pieces.isEmpty())
        return;
    // Let go of the label's reference first, so that the append happens in
    // place instead of copying the whole line.
    QString grown = text();
    const qsizetype position = grown.size();
    setText(QString());
    grown += pieces;
    setText(grown);
    if (!QAccessible::isActive())
        return;
    // Only the new pieces travel: the line may be long.
    QAccessibleTextInsertEvent inserted(this, int(position), pieces);
    QAccessible::updateAccessibility(&inserted);
    // The description changes while it is not yet cut, and once more when it is.
    if (position <= DescribedLength) {
        QAccessibleEvent described(this, QAccessible::DescriptionChanged);
        QAccessible::updateAccessibility(&described);
    }
}
