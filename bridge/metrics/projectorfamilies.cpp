#include "bridge/metrics/projectorfamilies.h"

#include <array>
#include <functional>

namespace ProjectorFamilies {

namespace {

using prometheus::ClientMetric;
using prometheus::MetricFamily;
using Power = ReadReplies::Power;
using Labels = std::vector<ClientMetric::Label>;

constexpr double SecondsPerHour = 3600;
// The phases a series is written for; a power fault is none of them (the fault family tells it).
constexpr std::array Phases{Power::On, Power::Standby, Power::WarmingUp, Power::CoolingDown};

// What one family writes for one projector: (labels beyond the projector's, value) pairs.
using Series = std::vector<std::pair<Labels, double>>;

struct Family {
    const char *name;
    const char *help;
    std::function<Series(const Sample &)> series;
};

Series one(double value)
{
    return {{Labels{}, value}};
}

template <typename T>
Series ifKnown(const std::optional<T> &value, double scale = 1)
{
    return value ? one(double(*value) * scale) : Series{};
}

double levelOf(ProjectorState::Level level)
{
    return level == ProjectorState::Level::Error ? 2 : level == ProjectorState::Level::Warning ? 1 : 0;
}

const std::vector<Family> &table()
{
    static const std::vector<Family> families{
        {"rm740_projector_port_open", "1 while the projector's port is open.",
         [](const Sample &s) { return one(s.portOpen); }},
        {"rm740_projector_line_up", "1 while the projector answers: its last exchange was answered.",
         [](const Sample &s) { return one(s.portOpen && s.lineUp); }},
        {"rm740_projector_power_state", "1 for the projector's power state (on, standby, warming, cooling).",
         [](const Sample &s) {
             Series series;
             const auto status = s.state->status();
             if (!status)
                 return series;
             for (const Power phase : Phases)
                 series.push_back({Labels{{"state", powerWord(phase)}}, status->power == phase ? 1.0 : 0.0});
             return series;
         }},
        {"rm740_projector_lamp_seconds", "The lamp's time in use, as the projector counts it (whole hours).",
         [](const Sample &s) { return ifKnown(s.state->lampHours(), SecondsPerHour); }},
        {"rm740_projector_lamp_rated_seconds", "The lamp's rated life, as the configuration's lamp-life gives it.",
         [](const Sample &s) { return s.lampLifeHours > 0 ? one(s.lampLifeHours * SecondsPerHour) : Series{}; }},
        {"rm740_projector_lamp_on", "1 while the lamp is lit.",
         [](const Sample &s) {
             const auto lamp = s.state->lamp();
             return lamp ? one(*lamp == ReadReplies::Lamp::Lit) : Series{};
         }},
        {"rm740_projector_temperature_celsius", "Each temperature the projector reports, by sensor (1 to 3).",
         [](const Sample &s) {
             Series series;
             if (const auto t = s.state->temperatures()) {
                 for (size_t i = 0; i < t->degrees.size(); ++i) {
                     if (t->degrees[i])
                         series.push_back({Labels{{"sensor", std::to_string(i + 1)}}, *t->degrees[i]});
                 }
             }
             return series;
         }},
        {"rm740_projector_fault", "What is wrong, by kind (lamp, temperature, other): 0 fine, 1 warning, 2 error.",
         [](const Sample &s) {
             Series series;
             if (const auto f = s.state->faults(s.temperatureWarning)) {
                 series.push_back({Labels{{"kind", "lamp"}}, levelOf(f->lamp)});
                 series.push_back({Labels{{"kind", "temperature"}}, levelOf(f->temperature)});
                 series.push_back({Labels{{"kind", "other"}}, levelOf(f->other)});
             }
             return series;
         }},
        {"rm740_projector_input", "The input in use, 1 to 5.",
         [](const Sample &s) { return ifKnown(s.state->input()); }},
        {"rm740_projector_video_muted", "1 while the picture is muted, as the bridge last set it.",
         [](const Sample &s) { return ifKnown(s.state->remembered().videoMuted); }},
        {"rm740_projector_audio_muted", "1 while the sound is muted, as the bridge last set it.",
         [](const Sample &s) { return ifKnown(s.state->remembered().audioMuted); }},
    };
    return families;
}

} // namespace

const char *powerWord(Power power)
{
    switch (power) {
    case Power::On: return "on";
    case Power::Standby: return "standby";
    case Power::WarmingUp: return "warming";
    case Power::CoolingDown: return "cooling";
    case Power::Abnormal: break;
    }
    return "fault";
}

std::vector<MetricFamily> families(const QList<Sample> &samples)
{
    std::vector<MetricFamily> result;
    result.reserve(table().size());
    for (const Family &family : table()) {
        MetricFamily written{family.name, family.help, prometheus::MetricType::Gauge, {}};
        for (const Sample &sample : samples) {
            const std::string projector = sample.name.toStdString();
            for (auto &[labels, value] : family.series(sample)) {
                ClientMetric metric;
                metric.label.push_back({"projector", projector});
                metric.label.insert(metric.label.end(), labels.begin(), labels.end());
                metric.gauge.value = value;
                written.metric.push_back(std::move(metric));
            }
        }
        if (!written.metric.empty())
            result.push_back(std::move(written));
    }
    return result;
}

} // namespace ProjectorFamilies
