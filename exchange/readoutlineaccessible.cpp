#include "exchange/readoutlineaccessible.h"

#include "exchange/readoutline.h"

#include <QFontMetrics>

namespace {

QAccessibleInterface *createFor(const QString &className, QObject *object)
{
    // Asked for each class from the most derived one up, so subclasses of
    // ReadoutLine arrive here under this name.
    if (className == QLatin1StringView("ReadoutLine"))
        return new ReadoutLineAccessible(static_cast<ReadoutLine *>(object));
    return nullptr;
}

} // namespace

ReadoutLineAccessible::ReadoutLineAccessible(ReadoutLine *line)
    : QAccessibleWidget(line, QAccessible::StaticText)
{
}

void ReadoutLineAccessible::install()
{
    static const bool installed = [] {
        QAccessible::installFactory(&createFor);
        return true;
    }();
    Q_UNUSED(installed);
}

ReadoutLine *ReadoutLineAccessible::line() const
{
    return static_cast<ReadoutLine *>(widget());
}

QString ReadoutLineAccessible::text(QAccessible::Text t) const
{
    switch (t) {
    case QAccessible::Name:
        if (!line()->accessibleName().isEmpty())
            return line()->accessibleName();
        return ReadoutLine::describe(line()->text());
    case QAccessible::Description:
        if (!line()->accessibleDescription().isEmpty())
            return line()->accessibleDescription();
        return ReadoutLine::describe(line()->text());
    default:
        return QAccessibleWidget::text(t);
    }
}

void *ReadoutLineAccessible::interface_cast(QAccessible::InterfaceType type)
{
    if (type == QAccessible::TextInterface)
        return static_cast<QAccessibleTextInterface *>(this);
    return QAccessibleWidget::interface_cast(type);
}

void ReadoutLineAccessible::selection(int, int *startOffset, int *endOffset) const
{
    *startOffset = 0;
    *endOffset = 0;
}

int ReadoutLineAccessible::selectionCount() const { return 0; }
void ReadoutLineAccessible::addSelection(int, int) {}
void ReadoutLineAccessible::removeSelection(int) {}
void ReadoutLineAccessible::setSelection(int, int, int) {}
int ReadoutLineAccessible::cursorPosition() const { return 0; }
void ReadoutLineAccessible::setCursorPosition(int) {}

QString ReadoutLineAccessible::text(int startOffset, int endOffset) const
{
    const QString &all = line()->text();
    const qsizetype start = qBound(qsizetype(0), qsizetype(startOffset), all.size());
    // -1 asks for everything to the end.
    const qsizetype end = endOffset < 0 ? all.size() : qBound(start, qsizetype(endOffset), all.size());
    return all.sliced(start, end - start);
}

int ReadoutLineAccessible::characterCount() const
{
    return int(line()->text().size());
}

QRect ReadoutLineAccessible::textArea() const
{
    const int margin = line()->margin();
    return line()->contentsRect().adjusted(margin, margin, -margin, -margin);
}

int ReadoutLineAccessible::shownCharacterCount() const
{
    // The line paints no more than this (every character is at least a pixel wide).
    return int(qMin(line()->text().size(), qsizetype(qMax(textArea().width(), 0) + 1)));
}

QRect ReadoutLineAccessible::characterRect(int offset) const
{
    if (offset < 0 || offset >= shownCharacterCount())
        return {};
    const QString &all = line()->text();
    const QFontMetrics metrics(line()->font());
    const QRect area = textArea();
    const int x = area.left() + metrics.horizontalAdvance(all.first(offset));
    const int y = area.top() + (area.height() - metrics.height()) / 2;
    const QRect local(x, y, metrics.horizontalAdvance(all.at(offset)), metrics.height());
    return QRect(line()->mapToGlobal(local.topLeft()), local.size());
}

int ReadoutLineAccessible::offsetAtPoint(const QPoint &point) const
{
    const QString &all = line()->text();
    const QFontMetrics metrics(line()->font());
    const int x = line()->mapFromGlobal(point).x() - textArea().left();
    if (x < 0)
        return -1;
    int right = 0;
    for (int offset = 0, shown = shownCharacterCount(); offset < shown; ++offset) {
        right += metrics.horizontalAdvance(all.at(offset));
        if (x < right)
            return offset;
    }
    return -1;
}

void ReadoutLineAccessible::scrollToSubstring(int, int) {}

QString ReadoutLineAccessible::attributes(int offset, int *startOffset, int *endOffset) const
{
    Q_UNUSED(offset);
    // One run of plain text without attributes.
    *startOffset = 0;
    *endOffset = characterCount();
    return {};
}
