#include "bridge/mqtt/homeassistantdiscovery.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>

#include <array>

namespace HomeAssistantDiscovery {
namespace {

enum class Kind { Switch, Select, Sensor, BinarySensor };

// Each entity: its component, object id, name, the state's field it shows
// (a template), the set item it commands (none for a sensor), and extras.
struct Entity {
    const char *component;
    const char *object;
    const char *name;
    Kind kind;
    const char *valueTemplate;
    const char *item;    // set/<item>, or nullptr
    const char *icon;
};

constexpr std::array entities{
    Entity{"switch", "power", "Power", Kind::Switch,
           "{{ 'ON' if value_json.power in ['on', 'warming'] else 'OFF' }}", "power", "mdi:projector"},
    Entity{"select", "input", "Input", Kind::Select, "{{ value_json.input }}", "input", "mdi:video-input-hdmi"},
    Entity{"switch", "audio_mute", "Audio mute", Kind::Switch,
           "{{ 'ON' if value_json.audio_mute else 'OFF' }}", "audio_mute", "mdi:volume-off"},
    Entity{"switch", "video_mute", "Video mute", Kind::Switch,
           "{{ 'ON' if value_json.video_mute else 'OFF' }}", "video_mute", "mdi:projector-off"},
    Entity{"switch", "freeze", "Freeze", Kind::Switch, "{{ 'ON' if value_json.freeze else 'OFF' }}", "freeze",
           "mdi:pause"},
    Entity{"sensor", "lamp_hours", "Lamp hours", Kind::Sensor, "{{ value_json.lamp_hours }}", nullptr,
           "mdi:lightbulb-on"},
    Entity{"sensor", "lamp", "Lamp status", Kind::Sensor, "{{ value_json.lamp }}", nullptr, "mdi:lightbulb"},
    Entity{"binary_sensor", "problem", "Problem", Kind::BinarySensor,
           "{{ 'ON' if value_json.errors | length > 0 else 'OFF' }}", nullptr, nullptr},
};

QString nodeOf(const QString &bridgeId, const QString &projectorId)
{
    return QStringLiteral("%1_%2").arg(bridgeId, projectorId);
}

QString configTopic(const QString &prefix, const Entity &entity, const QString &node)
{
    return QStringLiteral("%1/%2/%3/%4/config").arg(prefix, QLatin1StringView(entity.component), node,
                                                    QLatin1StringView(entity.object));
}

} // namespace

QList<Message> configs(const Projector &projector, const MqttTopics &topics, const QString &prefix,
                       const QString &bridgeId, const QString &version)
{
    const QString node = nodeOf(bridgeId, projector.id);
    const QJsonObject device{
        {QStringLiteral("identifiers"), QJsonArray{node}},
        {QStringLiteral("name"), projector.name},
        {QStringLiteral("model"), QStringLiteral("RS-232 projector on rm740-bridge")},
        {QStringLiteral("sw_version"), QStringLiteral("rm740-bridge %1").arg(version)},
    };
    const QJsonObject origin{{QStringLiteral("name"), QStringLiteral("rm740-bridge")},
                             {QStringLiteral("sw_version"), version}};
    // Available while the bridge is (its last will) and the projector answers.
    const QJsonArray availability{
        QJsonObject{{QStringLiteral("topic"), topics.bridgeStatus()},
                    {QStringLiteral("value_template"), QStringLiteral("{{ value_json.state }}")}},
        QJsonObject{{QStringLiteral("topic"), topics.availability(projector.id)}},
    };
    QList<Message> messages;
    for (const Entity &entity : entities) {
        QJsonObject config{
            {QStringLiteral("name"), QLatin1StringView(entity.name)},
            {QStringLiteral("unique_id"), QStringLiteral("%1_%2").arg(node, QLatin1StringView(entity.object))},
            {QStringLiteral("object_id"), QStringLiteral("%1_%2").arg(projector.id, QLatin1StringView(entity.object))},
            {QStringLiteral("state_topic"), topics.state(projector.id)},
            {QStringLiteral("value_template"), QLatin1StringView(entity.valueTemplate)},
            {QStringLiteral("availability"), availability},
            {QStringLiteral("availability_mode"), QStringLiteral("all")},
            {QStringLiteral("device"), device},
            {QStringLiteral("origin"), origin},
        };
        if (entity.icon)
            config.insert(QStringLiteral("icon"), QLatin1StringView(entity.icon));
        if (entity.item)
            config.insert(QStringLiteral("command_topic"),
                          QStringLiteral("%1/%2").arg(topics.setFilter(projector.id).chopped(2),
                                                      QLatin1StringView(entity.item)));
        switch (entity.kind) {
        case Kind::Select:
            config.insert(QStringLiteral("options"), QJsonArray::fromStringList(projector.inputs));
            break;
        case Kind::Sensor:
            if (QLatin1StringView(entity.object) == u"lamp_hours") {
                config.insert(QStringLiteral("unit_of_measurement"), QStringLiteral("h"));
                config.insert(QStringLiteral("device_class"), QStringLiteral("duration"));
                config.insert(QStringLiteral("state_class"), QStringLiteral("total_increasing"));
            }
            break;
        case Kind::BinarySensor:
            config.insert(QStringLiteral("device_class"), QStringLiteral("problem"));
            break;
        case Kind::Switch:
            break;
        }
        messages.append({configTopic(prefix, entity, node), QJsonDocument(config).toJson(QJsonDocument::Compact)});
    }
    return messages;
}

QList<Message> removals(const QString &projectorId, const QString &prefix, const QString &bridgeId)
{
    QList<Message> messages;
    for (const Entity &entity : entities)
        messages.append({configTopic(prefix, entity, nodeOf(bridgeId, projectorId)), {}});
    return messages;
}

} // namespace HomeAssistantDiscovery
