#include "support/controls.h"

#include "panel/paneltable.h"

#include <QGroupBox>
#include <QLabel>

namespace Controls {
namespace {

using PanelTable::Arrow;

// What a button shows: its caption without the mnemonic's ampersand.
QString shownCaption(const QAbstractButton &button)
{
    return button.text().remove(u'&');
}

// A group box with that title, or a frame with a label of that text on it.
bool isTitled(const QWidget &widget, const QString &title)
{
    if (const auto *box = qobject_cast<const QGroupBox *>(&widget))
        return box->title().remove(u'&') == title;
    for (const QLabel *label : widget.findChildren<QLabel *>(Qt::FindDirectChildrenOnly))
        if (label->text() == title)
            return true;
    return false;
}

bool sitsInGroup(const QWidget &button, const QWidget &window, const QString &group)
{
    for (const QWidget *up = button.parentWidget(); up && up != &window; up = up->parentWidget())
        if (isTitled(*up, group))
            return true;
    return false;
}

Arrow arrowNamed(const QString &direction)
{
    if (direction == u"Up")
        return Arrow::Up;
    if (direction == u"Down")
        return Arrow::Down;
    if (direction == u"Left")
        return Arrow::Left;
    if (direction == u"Right")
        return Arrow::Right;
    return Arrow::None;
}

// An arrow's picture cannot be read back from the button: the panel's table
// says which button of the group shows it.
QAbstractButton *arrowButton(const QWidget &window, const QString &group, Arrow arrow)
{
    for (const PanelTable::Button &row : PanelTable::buttons()) {
        if (row.arrow == arrow && group == QLatin1StringView(PanelTable::groupTitle(row.group)))
            return window.findChild<QAbstractButton *>(QLatin1StringView(row.name));
    }
    return nullptr;
}

[[noreturn]] void missing(const QWidget &window, const QString &group, const QString &caption, const char *why)
{
    const QString where = group.isEmpty() ? window.objectName()
                                          : QStringLiteral("%1 \"%2\"").arg(window.objectName(), group);
    qFatal("%s", qPrintable(QStringLiteral("%1: %2 button \"%3\"").arg(where, QLatin1StringView(why), caption)));
}

} // namespace

QAbstractButton *control(const QWidget &window, const QString &group, const QString &caption)
{
    QAbstractButton *found = nullptr;
    for (QAbstractButton *button : window.findChildren<QAbstractButton *>()) {
        // Not the buttons of a dialog it owns.
        if (button->window() != window.window() || shownCaption(*button) != caption
            || (!group.isEmpty() && !sitsInGroup(*button, window, group)))
            continue;
        if (found)
            missing(window, group, caption, "more than one");
        found = button;
    }
    if (!found && arrowNamed(caption) != Arrow::None)
        found = arrowButton(window, group, arrowNamed(caption));
    if (!found)
        missing(window, group, caption, "no");
    return found;
}

QAbstractButton *control(const QWidget &window, const QString &button)
{
    const qsizetype colon = button.indexOf(QLatin1StringView(": "));
    return colon < 0 ? control(window, {}, button) : control(window, button.left(colon), button.mid(colon + 2));
}

QStringList checked(const QWidget &window, const QStringList &captions)
{
    QStringList on;
    for (const QString &caption : captions)
        if (control(window, caption)->isChecked())
            on << caption;
    return on;
}

} // namespace Controls
