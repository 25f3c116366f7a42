#include "exchange/monitorline.h"

#include <QPainter>
#include <QStyle>

MonitorLine::MonitorLine(QWidget *parent)
    : ReadoutLine(parent)
{
}

bool MonitorLine::stillShowsLastRendering() const
{
    return !m_shown.isNull() && text().constData() == m_shown.constData()
        && text().size() == m_shown.size();
}

MonitorRendering::Legends MonitorLine::showRendering(QByteArrayView source)
{
    if (!stillShowsLastRendering())
        m_rendering.reset();
    return show(m_rendering.update(source));
}

MonitorRendering::Legends MonitorLine::showRenderingOfAppended(QByteArrayView source, quint64 generation)
{
    if (!stillShowsLastRendering())
        m_rendering.reset();
    return show(m_rendering.updateAppended(source, generation));
}

MonitorRendering::Legends MonitorLine::show(const IncrementalRendering::Step &step)
{
    if (step.restarted)
        replaceText(step.text);
    else if (!step.text.isEmpty())
        appendText(step.text);
    return m_rendering.legends();
}

void MonitorLine::blank()
{
    replaceText(QString());
    m_shown = QString();
}

void MonitorLine::showMark(const QString &mark)
{
    replaceText(mark);
    m_shown = QString();
}

void MonitorLine::replaceText(const QString &text)
{
    m_shown = QString();
    showText(text);
    m_shown = this->text();
}

void MonitorLine::appendText(const QString &pieces)
{
    // The append happens in place only if this is not holding the text too.
    m_shown = QString();
    ReadoutLine::appendText(pieces);
    m_shown = text();
}

void MonitorLine::paintEvent(QPaintEvent *)
{
    QPainter painter(this);
    drawFrame(&painter);
    const QRect area = contentsRect().adjusted(margin(), margin(), -margin(), -margin());
    // Every character is at least a pixel wide: more than this cannot show.
    const QString visible = text().left(qMax(area.width(), 0) + 1);
    style()->drawItemText(&painter, area, int(alignment()) | Qt::TextSingleLine, palette(),
                          isEnabled(), visible, foregroundRole());
}
