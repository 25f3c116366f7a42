#include "bridge/projectorstate.h"

void ProjectorState::record(Reading reading, Time at, std::optional<QByteArray> reply)
{
    m_records[size_t(reading)] = Record{at, std::move(reply)};
}

const std::optional<ProjectorState::Record> &ProjectorState::latest(Reading reading) const
{
    return m_records[size_t(reading)];
}

std::optional<QByteArray> ProjectorState::reply(Reading reading) const
{
    const auto &record = latest(reading);
    return record ? record->reply : std::nullopt;
}

bool ProjectorState::isFresh(Reading reading, Time now, Time maxAge) const
{
    const auto &record = latest(reading);
    return record && now - record->at < maxAge;
}

void ProjectorState::forget(Reading reading)
{
    m_records[size_t(reading)].reset();
}

void ProjectorState::forgetReadings()
{
    m_records.fill(std::nullopt);
}
