#pragma once

#include "exchange/monitorrendering.h"
#include "exchange/readoutline.h"

// A line of the communication monitor (TxD or RxD). Its text is the full
// rendering; a growing reply is appended to it without copying what is already
// shown, and only the part that fits is laid out when painting, so a long
// reply costs no more per receive event than a short one.
class MonitorLine : public ReadoutLine
{
    Q_OBJECT

public:
    explicit MonitorLine(QWidget *parent = nullptr);

    // Shows the rendering of `source` and returns the legends it calls for.
    MonitorRendering::Legends showRendering(QByteArrayView source);
    // The same for a source that only grows while its generation stays.
    MonitorRendering::Legends showRenderingOfAppended(QByteArrayView source, quint64 generation);
    void blank();
    void showMark(const QString &mark);

protected:
    void paintEvent(QPaintEvent *event) override;

private:
    [[nodiscard]] bool stillShowsLastRendering() const;
    MonitorRendering::Legends show(const IncrementalRendering::Step &step);
    void replaceText(const QString &text);
    void appendText(const QString &pieces);

    IncrementalRendering m_rendering;
    QString m_shown;  // what showRendering last put up; keeps its storage alive
};
