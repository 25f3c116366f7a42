#pragma once

#include "log/exchangering.h"

#include <QObject>
#include <QPointer>

class Exchange;
class MSComm;

// Keeps the exchange log: listens to what the exchange and the serial
// control report and records it, with the time, in a ring of the newest
// exchanges. It only listens; the exchange behaves the same with or without it.
class ExchangeRecorder : public QObject
{
    Q_OBJECT

public:
    // Records nothing until it is given something to listen to.
    explicit ExchangeRecorder(QObject *parent = nullptr);
    ExchangeRecorder(Exchange &exchange, MSComm &comm, QObject *parent = nullptr);

    // Frames, replies, status texts and reply windows.
    void listenTo(Exchange &exchange);
    // The port opened, closed, lost and back again.
    void listenTo(MSComm &comm);

    [[nodiscard]] const ExchangeRing &ring() const { return m_ring; }
    // For whoever fills a log by hand (benchmarks, tests); changed() is not emitted.
    [[nodiscard]] ExchangeRing &ringToFill() { return m_ring; }
    void clear();

    // The control that is about to close the port ("COM", "END"): the row of
    // the closing says so.
    void closingBy(const QString &control) { m_closingBy = control; }

    // "COM1 (/dev/ttyS0) at 9600 baud", what the port is now; empty before
    // there is a serial control.
    [[nodiscard]] QString portNow() const;
    [[nodiscard]] static QString describePort(const MSComm &comm);

signals:
    // Something was recorded or the log was cleared.
    void changed();

private:
    void recordPort(PortEvent event, const QString &words);

    ExchangeRing m_ring;
    QPointer<MSComm> m_comm;
    QString m_closingBy;
};
