#include "look/accessibleroles.h"

#include <QAccessibleWidget>

namespace AccessibleRoles {
namespace {

QAccessibleInterface *createFor(const QString &className, QObject *object)
{
    if (!object->isWidgetType())
        return nullptr;
    auto *widget = static_cast<QWidget *>(object);
    if (className == QLatin1StringView("PanelGroup"))
        return new QAccessibleWidget(widget, QAccessible::Grouping);
    if (className == QLatin1StringView("Form1") || className == QLatin1StringView("Form3")
        || className == QLatin1StringView("ExchangeLogWindow"))
        return new QAccessibleWidget(widget, QAccessible::Window);
    return nullptr;
}

} // namespace

void install()
{
    static const bool installed = [] {
        QAccessible::installFactory(&createFor);
        return true;
    }();
    Q_UNUSED(installed);
}

} // namespace AccessibleRoles
