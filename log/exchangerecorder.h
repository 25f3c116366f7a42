#pragma once

#include "log/exchangering.h"

#include <QObject>

class Exchange;

// Keeps the exchange log: listens to what the exchange reports and records
// it, with the time, in a ring of the newest exchanges. It only listens; the
// exchange behaves the same with or without it.
class ExchangeRecorder : public QObject
{
    Q_OBJECT

public:
    explicit ExchangeRecorder(Exchange &exchange, QObject *parent = nullptr);

    [[nodiscard]] const ExchangeRing &ring() const { return m_ring; }
    void clear();

signals:
    // Something was recorded or the log was cleared.
    void changed();

private:
    ExchangeRing m_ring;
};
