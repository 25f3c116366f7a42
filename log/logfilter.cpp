#include "log/logfilter.h"

#include "exchange/monitorrendering.h"
#include "log/exchangeoutcome.h"
#include "log/exchangering.h"
#include "log/logrow.h"

#include <algorithm>

namespace {

bool canBeHex(QStringView text)
{
    return !text.isEmpty() && std::all_of(text.begin(), text.end(), [](QChar c) {
        return c == u' ' || (c >= u'0' && c <= u'9') || (c.toLower() >= u'a' && c.toLower() <= u'f');
    });
}

} // namespace

LogFilter::LogFilter(const QString &text, Show show)
    : m_text(text)
    , m_show(show)
    , m_hex(canBeHex(text) ? text.toLatin1().toLower() : QByteArray())
{
}

bool LogFilter::matches(const ExchangeRing &ring, const ExchangeRecord &record) const
{
    return showsOutcomeOf(record) && (m_text.isEmpty() || containsText(ring, record));
}

bool LogFilter::showsOutcomeOf(const ExchangeRecord &record) const
{
    using ExchangeOutcome::Outcome;
    const Outcome outcome = ExchangeOutcome::of(record);
    switch (m_show) {
    case Show::All:
        return true;
    case Show::NoReply:
        return outcome == Outcome::NoReply || outcome == Outcome::NotAnExchange;
    case Show::Refused:
        return outcome == Outcome::Refused || outcome == Outcome::NotAnExchange;
    case Show::Unexpected:
        return outcome == Outcome::Unexpected || outcome == Outcome::NotAnExchange;
    }
    return false;
}

// From the cheapest look to the dearest.
bool LogFilter::containsText(const ExchangeRing &ring, const ExchangeRecord &record) const
{
    if (record.isPortEvent())
        return in(record.portWords());
    for (const ReceiveEvent &event : record.events) {
        if (in(event.status))
            return true;
    }
    // The origin and what the record could not keep are in the details.
    const qsizetype rows = LogRows::rowCount(record);
    for (const qsizetype index : {qsizetype(0), rows - 1}) {
        if (index >= 0 && in(LogRows::row(ring, record, index).details))
            return true;
    }
    if (record.replyWindow == ReplyWindow::NoReply && in(QString(MonitorRendering::NoReplyMark)))
        return true;
    const QByteArrayView frame = record.frame();
    const QByteArrayView reply = record.reply();
    if (in(LogRows::rawText(frame)) || in(LogRows::rawText(reply)))
        return true;
    if (!m_hex.isEmpty()
        && (frame.toByteArray().toHex(' ').contains(m_hex) || reply.toByteArray().toHex(' ').contains(m_hex)))
        return true;
    // A reply in several pieces is looked at whole, as the RxD line showed it.
    return in(MonitorRendering::render(frame)) || in(MonitorRendering::render(reply));
}
