#include "ctl/metricsformat.h"

#include "bridge/metrics/projectorfamilies.h"

#include <prometheus/text_serializer.h>

MetricsFormat::Port &MetricsFormat::port(const QString &name)
{
    for (Port &p : m_ports) {
        if (p.name == name)
            return p;
    }
    m_ports.append(Port{name, {}, true, false});
    return m_ports.last();
}

void MetricsFormat::add(const ExchangeResult &result)
{
    Port &p = port(result.port);
    const bool answered = result.outcome == CommandOutcome::Answered;
    p.lineUp = answered || result.outcome == CommandOutcome::Refused;
    // The read commands are the bridge's readings: their replies go into the state as its polls' do.
    for (const auto reading : ProjectorReadings::AllReadings) {
        if (answered && result.sent == ProjectorReadings::frame(reading))
            p.state.record(reading, ProjectorState::Time(0), result.reply);
    }
}

void MetricsFormat::portFailed(const QString &name)
{
    Port &p = port(name);
    p.open = false;
    p.lineUp = false;
}

QByteArray MetricsFormat::text() const
{
    QList<ProjectorFamilies::Sample> samples;
    for (const Port &p : m_ports)
        samples.append({p.name, &p.state, p.open, p.lineUp, 0, 0});
    return QByteArray::fromStdString(prometheus::TextSerializer().Serialize(ProjectorFamilies::families(samples)));
}
