#include "look/captionfont.h"

#include <QAbstractButton>
#include <QFontMetrics>
#include <QGroupBox>
#include <QLabel>
#include <QPushButton>
#include <QRadioButton>
#include <QStringList>
#include <QStyle>

#include <cmath>

namespace {

// Below this a caption is no longer readable; it is clipped instead.
constexpr qreal SmallestPoints = 6.5;
// A push button's frame and the style's margins inside it.
constexpr int ButtonPadding = 8;

// What a caption needs: its advance, or the ink of its last letter where that
// reaches further (a bold letter's bearing may stick out of its advance).
int needed(const QFontMetrics &metrics, const QString &caption)
{
    return qMax(metrics.horizontalAdvance(caption), metrics.tightBoundingRect(caption).right() + 1);
}

QString captionOf(const QWidget *control)
{
    if (const auto *button = qobject_cast<const QAbstractButton *>(control))
        return button->text();
    if (const auto *label = qobject_cast<const QLabel *>(control))
        return label->text();
    if (const auto *group = qobject_cast<const QGroupBox *>(control))
        return group->title();
    return {};
}

} // namespace

namespace CaptionFont {

QFont face(const QFont &base, qreal points, bool bold)
{
    QFont font = base;
    // Liberation Sans has Arial's metrics; Nimbus Sans those of Helvetica,
    // which are close. Whatever the platform offers comes last.
    font.setFamilies({QStringLiteral("Liberation Sans"), QStringLiteral("Arial"),
                      QStringLiteral("Nimbus Sans"), QStringLiteral("Helvetica"), base.family()});
    // Where none of them is found, a sans-serif face rather than the first
    // face that fontconfig happens to list.
    font.setStyleHint(QFont::SansSerif);
    font.setBold(bold);
    font.setPointSizeF(points);
    return font;
}

int room(const QWidget *control)
{
    if (const auto *option = qobject_cast<const QRadioButton *>(control)) {
        // The circle, the spacing after it and the margins the style adds.
        constexpr int LabelMargins = 4;
        const QStyle *style = option->style();
        const int circle = style->pixelMetric(QStyle::PM_ExclusiveIndicatorWidth, nullptr, option)
            + style->pixelMetric(QStyle::PM_RadioButtonLabelSpacing, nullptr, option) + LabelMargins;
        return option->width() - circle;
    }
    if (qobject_cast<const QPushButton *>(control))
        return control->width() - ButtonPadding;
    if (const auto *label = qobject_cast<const QLabel *>(control))
        return label->contentsRect().width() - 2 * qMax(0, label->indent());
    if (qobject_cast<const QGroupBox *>(control)) {
        // The title sits on the top border, inset at both ends.
        constexpr int TitleInsets = 16;
        return control->width() - TitleInsets;
    }
    return control->width();
}

QFont fitting(QFont font, const QString &caption, int room, const QWidget *control)
{
    const auto width = [&](const QFont &f) { return needed(QFontMetrics(f, control), caption); };
    const int first = width(font);
    if (caption.isEmpty() || first <= room || room <= 0)
        return font;
    // Text width grows about in proportion to the size: start from there and
    // step down in quarter points until it fits.
    const qreal points = font.pointSizeF();
    qreal size = qMax(SmallestPoints, std::floor(points * room / first * 4) / 4);
    font.setPointSizeF(size);
    while (size > SmallestPoints && width(font) > room) {
        size -= 0.25;
        font.setPointSizeF(size);
    }
    return font;
}

void apply(QWidget *control, qreal points, bool bold)
{
    const QFont font = face(control->font(), points, bold);
    control->setFont(fitting(font, captionOf(control), room(control), control));
}

} // namespace CaptionFont
