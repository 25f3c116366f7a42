#pragma once

#include <QFont>
#include <QStringList>

// The bold captions of the program's windows: a narrow face first, since the
// captions were laid out for one, then whatever the platform offers.
[[nodiscard]] inline QFont captionFont(const QFont &base, qreal points)
{
    QFont font = base;
    font.setFamilies({QStringLiteral("Liberation Sans"), QStringLiteral("Arial"),
                      QStringLiteral("Nimbus Sans"), QStringLiteral("Helvetica"), base.family()});
    font.setBold(true);
    font.setPointSizeF(points);
    return font;
}
