#pragma once

#include <QColor>
#include <QProxyStyle>

class QWidget;

// Buttons of a colour drawn in the graphical manner: the face filled flat
// with exactly its colour, a thin dark border, and a pressed state that
// darkens the face and shifts the caption. Buttons without a face colour are
// drawn by the application's style as usual.
class FlatFaceStyle : public QProxyStyle
{
    Q_OBJECT

public:
    // Based on the application's own style (Fusion), whatever the desktop's is.
    explicit FlatFaceStyle(QObject *parent = nullptr);

    // Gives `button` this style and a face of `colour`.
    void paintFace(QWidget *button, const QColor &colour);
    [[nodiscard]] static QColor faceColour(const QWidget *widget);

    void drawControl(ControlElement element, const QStyleOption *option, QPainter *painter,
                     const QWidget *widget = nullptr) const override;
    int pixelMetric(PixelMetric metric, const QStyleOption *option = nullptr,
                    const QWidget *widget = nullptr) const override;
};
