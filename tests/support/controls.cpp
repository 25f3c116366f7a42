#include "support/controls.h"

#include "panel/paneltable.h"

#include <QGroupBox>
#include <QLabel>

namespace Controls {
namespace {

// A group box with that title, or a frame with a label of that text on it.
bool isTitled(const QWidget &widget, const QString &title)
{
    if (const auto *box = qobject_cast<const QGroupBox *>(&widget))
        return box->title() == title;
    for (const QLabel *label : widget.findChildren<QLabel *>(Qt::FindDirectChildrenOnly))
        if (label->text() == title)
            return true;
    return false;
}

bool sitsIn(const QWidget &button, const QWidget &window, const QString &group)
{
    for (const QWidget *up = button.parentWidget(); up && up != &window; up = up->parentWidget())
        if (isTitled(*up, group))
            return true;
    return group.isEmpty();
}

// An arrow's picture cannot be read back from its button: the panel's table
// says which button of the group shows it.
QAbstractButton *arrowButton(const QWidget &window, const QString &group, const QString &direction)
{
    const QList<QString> arrows{"", "Up", "Down", "Left", "Right"};  // in the order of PanelTable::Arrow
    for (const PanelTable::Button &row : PanelTable::buttons()) {
        if (row.arrow != PanelTable::Arrow::None && arrows.at(int(row.arrow)) == direction
            && group == QLatin1StringView(PanelTable::groupTitle(row.group)))
            return window.findChild<QAbstractButton *>(QLatin1StringView(row.name));
    }
    return nullptr;
}

} // namespace

QAbstractButton *control(const QWidget &window, const QString &group, const QString &caption)
{
    QList<QAbstractButton *> found;
    for (QAbstractButton *button : window.findChildren<QAbstractButton *>()) {
        // Not the buttons of a dialog it owns.
        if (button->window() == window.window() && button->text() == caption && sitsIn(*button, window, group))
            found << button;
    }
    if (found.isEmpty() && !caption.isEmpty())
        found << arrowButton(window, group, caption);
    if (found.size() != 1 || !found.first()) {
        const QString where = group.isEmpty() ? QString() : QStringLiteral(" in \"%1\"").arg(group);
        qFatal("%s has %s button \"%s\"%s", qPrintable(window.objectName()),
               found.size() > 1 ? "more than one" : "no", qPrintable(caption), qPrintable(where));
    }
    return found.first();
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
