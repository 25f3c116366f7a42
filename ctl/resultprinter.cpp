#include "ctl/resultprinter.h"

#include "ctl/resultformat.h"
#include "transports/messagetext.h"

ResultPrinter::ResultPrinter(CtlPlan::Format format, bool withPort, QObject *parent)
    : QObject(parent)
    , m_format(format)
    , m_withPort(withPort)
{
}

void ResultPrinter::printExchange(const ExchangeResult &result)
{
    switch (m_format) {
    case CtlPlan::Format::Text:
        writeLine(stdout, ResultFormat::line(result, m_withPort).toLocal8Bit());
        break;
    case CtlPlan::Format::Json:
        writeLine(stdout, ResultFormat::json(result));
        break;
    case CtlPlan::Format::Prometheus:
        m_metrics.add(result);
        break;
    }
}

void ResultPrinter::printProblem(const PortChoice &port, const QString &message)
{
    m_metrics.portFailed(port.label);
    writeMessage(stderr, QStringLiteral("rm740ctl: %1: %2").arg(port.shownName(), message));
}

void ResultPrinter::finish()
{
    if (m_format != CtlPlan::Format::Prometheus)
        return;
    const QByteArray text = m_metrics.text();
    std::fwrite(text.constData(), 1, size_t(text.size()), stdout);
    std::fflush(stdout);
}

void ResultPrinter::writeLine(std::FILE *stream, const QByteArray &line)
{
    std::fwrite(line.constData(), 1, size_t(line.size()), stream);
    std::fputc('\n', stream);
    // A script reading the pipe sees each line as soon as it is known.
    std::fflush(stream);
}

void ResultPrinter::writeMessage(std::FILE *stream, const QString &message)
{
    writeLine(stream, MessageText::printable(message).toLocal8Bit());
}
