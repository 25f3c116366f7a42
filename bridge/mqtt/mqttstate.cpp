#include "bridge/mqtt/mqttstate.h"

#include "bridge/projector/projectorservice.h"

#include <QJsonArray>

#include <array>

namespace MqttState {
namespace {

// By the values' order.
constexpr std::array powerWords{"standby", "warming", "on", "cooling", "fault"};
constexpr std::array lampWords{"lit", "off", "failed"};

template <typename T>
QJsonValue orNull(const std::optional<T> &value)
{
    return value ? QJsonValue(*value) : QJsonValue(QJsonValue::Null);
}

QJsonValue word(bool known, const char *text)
{
    return known ? QJsonValue(QLatin1StringView(text)) : QJsonValue(QJsonValue::Null);
}

QJsonValue inputName(const ProjectorState &state, const InputTable &inputs)
{
    const auto connector = state.input();
    if (!connector)
        return QJsonValue::Null;
    const auto code = inputs.codeOn(*connector, state.remembered().input);
    const InputTable::Input *input = code ? inputs.byCode(*code) : nullptr;
    return input ? InputTable::nameOf(*input) : QStringLiteral("Input %1").arg(*connector);
}

} // namespace

QJsonObject of(const ProjectorService &service, const InputTable &inputs, double temperatureWarning,
               std::optional<bool> frozen)
{
    const ProjectorState &state = service.state();
    const auto status = state.status();
    const auto lamp = state.lamp();
    return QJsonObject{
        {QStringLiteral("power"), word(status.has_value(), status ? powerWords[size_t(status->power)] : "")},
        {QStringLiteral("input"), inputName(state, inputs)},
        {QStringLiteral("audio_mute"), orNull(state.remembered().audioMuted)},
        {QStringLiteral("video_mute"), orNull(state.remembered().videoMuted)},
        {QStringLiteral("freeze"), orNull(frozen)},
        {QStringLiteral("lamp_hours"), orNull(state.lampHours())},
        {QStringLiteral("lamp"), word(lamp.has_value(), lamp ? lampWords[size_t(*lamp)] : "")},
        {QStringLiteral("errors"), QJsonArray::fromStringList(state.faultWords(temperatureWarning))},
    };
}

bool isAvailable(const ProjectorService &service)
{
    return service.isPortOpen() && service.isAnswering();
}

} // namespace MqttState
