#include "panel/holdbutton.h"

#include <QMouseEvent>

HoldButton::HoldButton(QWidget *parent)
    : QPushButton(parent)
{
}

void HoldButton::mousePressEvent(QMouseEvent *event)
{
    m_buttonsDown |= event->button();
    setDown(true);
    event->accept();
    emit mouseDown();
}

void HoldButton::mouseDoubleClickEvent(QMouseEvent *event)
{
    // The second press of a double click is a press like any other.
    mousePressEvent(event);
}

void HoldButton::mouseReleaseEvent(QMouseEvent *event)
{
    m_buttonsDown &= ~event->button();
    if (m_buttonsDown == Qt::NoButton)
        setDown(false);
    event->accept();
    emit mouseUp();
}

void HoldButton::abandonHold()
{
    if (!isHeld())
        return;
    m_buttonsDown = Qt::NoButton;
    setDown(false);
    emit mouseUp();
}

void HoldButton::hideEvent(QHideEvent *event)
{
    abandonHold();
    QPushButton::hideEvent(event);
}

bool HoldButton::event(QEvent *event)
{
    // A window that loses the mouse to another one may never pass on the release.
    if (event->type() == QEvent::WindowDeactivate)
        abandonHold();
    return QPushButton::event(event);
}
