#include "ctl/resultprinter.h"

#include "ctl/resultformat.h"

ResultPrinter::ResultPrinter(bool json, bool withPort, QObject *parent)
    : QObject(parent)
    , m_json(json)
    , m_withPort(withPort)
{
}

void ResultPrinter::printExchange(const ExchangeResult &result)
{
    writeLine(stdout, m_json ? ResultFormat::json(result)
                             : ResultFormat::line(result, m_withPort).toLocal8Bit());
}

void ResultPrinter::printProblem(const QString &port, const QString &message)
{
    writeLine(stderr, QStringLiteral("rm740ctl: %1: %2").arg(port, message).toLocal8Bit());
}

void ResultPrinter::writeLine(std::FILE *stream, const QByteArray &line)
{
    std::fwrite(line.constData(), 1, size_t(line.size()), stream);
    std::fputc('\n', stream);
    // A script reading the pipe sees each line as soon as it is known.
    std::fflush(stream);
}
