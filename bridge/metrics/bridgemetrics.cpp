#include "bridge/metrics/bridgemetrics.h"

#include "bridge/metrics/processfamilies.h"
#include "bridge/metrics/projectorfamilies.h"

#include <prometheus/gauge.h>
#include <prometheus/text_serializer.h>

#include <QMetaEnum>

#include <algorithm>
#include <ostream>
#include <streambuf>

namespace {

std::string originWord(ProjectorService::Origin origin)
{
    // Named from the enum itself, so an origin added there is counted under its own name.
    const char *key = QMetaEnum::fromType<ProjectorService::Origin>().valueToKey(int(origin));
    return key ? QByteArray(key).toLower().toStdString() : std::string("other");
}

// Appends to a string that keeps its room from one scrape to the next.
class AppendingBuffer : public std::streambuf
{
public:
    explicit AppendingBuffer(std::string &text) : m_text(text) {}

protected:
    int_type overflow(int_type c) override
    {
        if (!traits_type::eq_int_type(c, traits_type::eof()))
            m_text.push_back(traits_type::to_char_type(c));
        return traits_type::not_eof(c);
    }
    std::streamsize xsputn(const char *data, std::streamsize size) override
    {
        m_text.append(data, size_t(size));
        return size;
    }

private:
    std::string &m_text;
};

// The families in the text exposition format, in place of what `text` held.
void write(std::string &text, const std::vector<prometheus::MetricFamily> &families)
{
    text.clear();
    AppendingBuffer buffer(text);
    std::ostream out(&buffer);
    prometheus::TextSerializer().Serialize(out, families);
}

} // namespace

std::vector<double> BridgeMetrics::replyBuckets(std::chrono::milliseconds longestReplyTimeout)
{
    // A reply at 19200 baud takes a few milliseconds; a slow one the window's seconds.
    std::vector<double> buckets{0.002, 0.005, 0.01, 0.02, 0.05, 0.1, 0.2, 0.5, 1};
    const double window = std::chrono::duration<double>(longestReplyTimeout).count();
    for (double bound = 2; bound < window; bound *= 2)
        buckets.push_back(bound);
    if (window > buckets.back())
        buckets.push_back(window);
    return buckets;
}

BridgeMetrics::BridgeMetrics(const QList<Projector> &projectors, const QString &version, QObject *parent)
    : QObject(parent)
    , m_projectors(projectors)
    , m_version(version)
    , m_registry(std::make_unique<prometheus::Registry>())
{
    using prometheus::BuildCounter;
    std::chrono::milliseconds longest{0};
    for (const Projector &p : projectors)
        longest = std::max(longest, p.service->settings().replyTimeout);
    m_buckets = replyBuckets(longest);

    m_exchanges = &BuildCounter().Name("rm740_exchanges_total")
                       .Help("Exchanges on the serial line, by outcome and by whom they were for.")
                       .Register(*m_registry);
    auto &replyTimes = prometheus::BuildHistogram().Name("rm740_reply_seconds")
                           .Help("From a frame going out to its reply (answered exchanges).")
                           .Register(*m_registry);
    auto &losses = BuildCounter().Name("rm740_port_losses_total").Help("The projector's port went away.")
                       .Register(*m_registry);
    auto &reopens = BuildCounter().Name("rm740_port_reopens_total")
                        .Help("The projector's port was opened again after it was lost or did not open.")
                        .Register(*m_registry);
    auto &connections = BuildCounter().Name("rm740_pjlink_connections_total")
                            .Help("PJLink connections taken.").Register(*m_registry);
    auto &refusals = BuildCounter().Name("rm740_pjlink_refusals_total")
                         .Help("PJLink connections refused: as many clients as allowed were connected.")
                         .Register(*m_registry);
    m_wrongPasswords = &BuildCounter().Name("rm740_wrong_passwords_total")
                            .Help("Wrong passwords, by front (pjlink, web, metrics).").Register(*m_registry);
    for (const char *front : {"pjlink", "web", "metrics"})
        m_wrongPasswords->Add({{"front", front}});

    for (int id = 0; id < projectors.size(); ++id) {
        ProjectorService *service = projectors[id].service;
        const prometheus::Labels labels{{"projector", service->settings().name.toStdString()}};
        m_counted.push_back({&replyTimes.Add(labels, m_buckets), &losses.Add(labels), &reopens.Add(labels),
                             &connections.Add(labels), &refusals.Add(labels)});
        connect(service, &ProjectorService::exchangeFinished, this,
                [this, id](const ExchangeResult &result, ProjectorService::Origin origin) { exchanged(id, result, origin); });
        connect(service, &ProjectorService::stateChanged, this, [this] { m_projectorsPart.stale = true; });
        connect(service, &ProjectorService::portOpened, this, [this, id] {
            m_projectorsPart.stale = m_countsPart.stale = true;
            Counted &c = m_counted[size_t(id)];
            if (c.wasClosed)
                c.reopens->Increment();
            c.wasOpen = true;
            c.wasClosed = false;
        });
        connect(service, &ProjectorService::portClosed, this, [this, id] {
            m_projectorsPart.stale = m_countsPart.stale = true;
            Counted &c = m_counted[size_t(id)];
            // A port that did not open at first is no loss.
            if (c.wasOpen)
                c.losses->Increment();
            c.wasOpen = false;
            c.wasClosed = true;
        });
    }
}

BridgeMetrics::~BridgeMetrics() = default;

void BridgeMetrics::exchanged(int projector, const ExchangeResult &result, ProjectorService::Origin origin)
{
    m_countsPart.stale = true;
    const std::string name = m_projectors[projector].service->settings().name.toStdString();
    m_exchanges->Add({{"projector", name}, {"outcome", std::string(outcomeWord(result.outcome).data(), size_t(outcomeWord(result.outcome).size()))},
                      {"origin", originWord(origin)}})
        .Increment();
    if (result.outcome == CommandOutcome::Answered)
        m_counted[size_t(projector)].replyTime->Observe(result.elapsedMs / 1000);
}

void BridgeMetrics::countPjlinkConnection(int projector, bool refused)
{
    m_countsPart.stale = true;
    Counted &c = m_counted[size_t(projector)];
    (refused ? c.pjlinkRefusals : c.pjlinkConnections)->Increment();
}

void BridgeMetrics::countWrongPassword(const char *front)
{
    m_countsPart.stale = true;
    m_wrongPasswords->Add({{"front", front}}).Increment();
}

const std::string &BridgeMetrics::projectorsText() const
{
    if (m_projectorsPart.stale) {
        QList<ProjectorFamilies::Sample> samples;
        samples.reserve(m_projectors.size());
        for (const Projector &p : m_projectors)
            samples.append({p.service->settings().name, &p.service->state(), p.service->isPortOpen(),
                            p.service->isAnswering(), p.lampLifeHours, p.temperatureWarning});
        write(m_projectorsPart.text, ProjectorFamilies::families(samples));
        m_projectorsPart.stale = false;
    }
    return m_projectorsPart.text;
}

const std::string &BridgeMetrics::countsText() const
{
    if (m_countsPart.stale) {
        write(m_countsPart.text, m_registry->Collect());
        m_countsPart.stale = false;
    }
    return m_countsPart.text;
}

QByteArray BridgeMetrics::scrape() const
{
    // The pages open and the process change without telling: read at each scrape.
    std::vector<prometheus::MetricFamily> live;
    if (m_pagesOpen) {
        prometheus::ClientMetric pages;
        pages.gauge.value = m_pagesOpen();
        live.push_back({"rm740_web_pages_open", "Web pages open (their WebSockets).", prometheus::MetricType::Gauge,
                        {pages}});
    }
    std::vector<prometheus::MetricFamily> process = ProcessFamilies::families(ProcessFamilies::current(), m_version);
    std::move(process.begin(), process.end(), std::back_inserter(live));
    std::string written;
    write(written, live);
    const std::string &liveText = written;
    const std::string &projectors = projectorsText();
    const std::string &counts = countsText();
    QByteArray text;
    text.reserve(qsizetype(projectors.size() + counts.size() + liveText.size()));
    for (const std::string *part : {&projectors, &counts, &liveText})
        text.append(part->data(), qsizetype(part->size()));
    return text;
}
