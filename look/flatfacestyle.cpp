#include "look/flatfacestyle.h"

#include <QApplication>
#include <QPainter>
#include <QStyleFactory>
#include <QStyleOptionButton>
#include <QWidget>

namespace {

constexpr char FaceProperty[] = "rm740FaceColour";
const QColor Border(64, 64, 64);
// How much darker a face is while it is pressed.
constexpr int PressedDarkness = 120;

bool isPressed(const QStyleOption *option)
{
    return option->state & (QStyle::State_Sunken | QStyle::State_On);
}

} // namespace

FlatFaceStyle::FlatFaceStyle(QObject *parent)
    : QProxyStyle(QStyleFactory::create(QApplication::style()->name()))
{
    setParent(parent);
}

void FlatFaceStyle::paintFace(QWidget *button, const QColor &colour)
{
    button->setProperty(FaceProperty, colour);
    button->setStyle(this);
}

QColor FlatFaceStyle::faceColour(const QWidget *widget)
{
    return widget ? widget->property(FaceProperty).value<QColor>() : QColor();
}

void FlatFaceStyle::drawControl(ControlElement element, const QStyleOption *option,
                                QPainter *painter, const QWidget *widget) const
{
    const QColor face = faceColour(widget);
    if (element != CE_PushButtonBevel || !face.isValid()) {
        QProxyStyle::drawControl(element, option, painter, widget);
        return;
    }
    const bool pressed = isPressed(option);
    const QRect rect = option->rect;
    painter->save();
    painter->fillRect(rect, pressed ? face.darker(PressedDarkness) : face);
    painter->setPen(Border);
    painter->setBrush(Qt::NoBrush);
    painter->drawRect(rect.adjusted(0, 0, -1, -1));
    if (pressed)  // a second line inside: the face sinks in
        painter->drawRect(rect.adjusted(1, 1, -2, -2));
    painter->restore();
}

int FlatFaceStyle::pixelMetric(PixelMetric metric, const QStyleOption *option,
                               const QWidget *widget) const
{
    if ((metric == PM_ButtonShiftHorizontal || metric == PM_ButtonShiftVertical)
        && faceColour(widget).isValid())
        return 1;
    return QProxyStyle::pixelMetric(metric, option, widget);
}
