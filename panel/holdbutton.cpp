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

void HoldButton::hideEvent(QHideEvent *event)
{
    // A hidden button never sees its release: end the hold here.
    if (isHeld()) {
        m_buttonsDown = Qt::NoButton;
        setDown(false);
        emit mouseUp();
    }
    QPushButton::hideEvent(event);
}
