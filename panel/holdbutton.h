#pragma once

#include <QPushButton>

// An arrow button that acts while a mouse button is held on it, not on a
// click. Any mouse button starts a hold; every release is reported. The
// space bar does nothing here, since only mouse events are reported.
class HoldButton : public QPushButton
{
    Q_OBJECT

public:
    explicit HoldButton(QWidget *parent = nullptr);

    [[nodiscard]] bool isHeld() const { return m_buttonsDown != Qt::NoButton; }

signals:
    void mouseDown();
    void mouseUp();

protected:
    void mousePressEvent(QMouseEvent *event) override;
    void mouseReleaseEvent(QMouseEvent *event) override;
    void mouseDoubleClickEvent(QMouseEvent *event) override;
    void hideEvent(QHideEvent *event) override;
    bool event(QEvent *event) override;

private:
    // Ends a hold whose release this button will never see.
    void abandonHold();

    Qt::MouseButtons m_buttonsDown = Qt::NoButton;
};
