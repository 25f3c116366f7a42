#include "bridge/projector/projectorstate.h"

#include <algorithm>

namespace {

template <typename Read>
auto readAs(const std::optional<QByteArray> &reply, Read read) -> decltype(read(QByteArrayView()))
{
    return reply ? read(*reply) : std::nullopt;
}

} // namespace

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
    m_remembered.videoMuted.reset();
    m_remembered.audioMuted.reset();
}

std::optional<ReadReplies::Status> ProjectorState::status() const
{
    return readAs(reply(Reading::Status), ReadReplies::status);
}

std::optional<int> ProjectorState::input() const
{
    return readAs(reply(Reading::Input), ReadReplies::input);
}

std::optional<int> ProjectorState::lampHours() const
{
    const auto time = readAs(reply(Reading::LampHours), ReadReplies::lampTime);
    return time ? time->hours : std::nullopt;
}

std::optional<ReadReplies::Lamp> ProjectorState::lamp() const
{
    return readAs(reply(Reading::LampStatus), ReadReplies::lampStatus);
}

std::optional<ReadReplies::Temperatures> ProjectorState::temperatures() const
{
    return readAs(reply(Reading::Temperatures), ReadReplies::temperatures);
}

QStringList ProjectorState::faultWords(double temperatureWarning) const
{
    QStringList words;
    const auto found = faults(temperatureWarning);
    if (!found)
        return words;
    const std::pair<const char *, Level> parts[] = {
        {"lamp", found->lamp}, {"temperature", found->temperature}, {"other", found->other}};
    for (const auto &[part, level] : parts) {
        if (level != Level::Fine)
            words.append(QStringLiteral("%1 %2").arg(QLatin1StringView(part),
                                                     level == Level::Warning ? u"warning" : u"error"));
    }
    return words;
}

std::optional<ProjectorState::Faults> ProjectorState::faults(double temperatureWarning) const
{
    const auto s = status();
    if (!s)
        return std::nullopt;
    const auto t = temperatures();
    const bool warm = t && temperatureWarning > 0
        && std::any_of(t->degrees.begin(), t->degrees.end(),
                       [temperatureWarning](const auto &degrees) { return degrees && *degrees >= temperatureWarning; });
    Faults faults;
    if (s->lampFailure || lamp() == ReadReplies::Lamp::Failed)
        faults.lamp = Level::Error;
    faults.temperature = s->temperatureFault ? Level::Error : warm ? Level::Warning : Level::Fine;
    if (s->power == ReadReplies::Power::Abnormal)
        faults.other = Level::Error;
    return faults;
}
