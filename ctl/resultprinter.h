#pragma once

#include "ctl/ctlplan.h"
#include "ctl/metricsformat.h"
#include "session/exchangeresult.h"

#include <QByteArray>
#include <QObject>
#include <QString>

#include <cstdio>

// Writes results to standard output and problems to standard error, a whole
// line at a time, so the lines of ports that run side by side never mix.
class ResultPrinter : public QObject
{
    Q_OBJECT

public:
    ResultPrinter(CtlPlan::Format format, bool withPort, QObject *parent = nullptr);

    void printExchange(const ExchangeResult &result);
    void printProblem(const PortChoice &port, const QString &message);
    // Once every port is done: the metrics, in that format.
    void finish();

    static void writeLine(std::FILE *stream, const QByteArray &line);
    // A message for a person: printable whatever a port's name, a file or
    // the line put into it (MessageText::printable).
    static void writeMessage(std::FILE *stream, const QString &message);

private:
    const CtlPlan::Format m_format;
    const bool m_withPort;
    MetricsFormat m_metrics;
};
