#pragma once

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
    ResultPrinter(bool json, bool withPort, QObject *parent = nullptr);

    void printExchange(const ExchangeResult &result);
    void printProblem(const QString &port, const QString &message);

    static void writeLine(std::FILE *stream, const QByteArray &line);

private:
    const bool m_json;
    const bool m_withPort;
};
