#pragma once

#include "bridge/mqtt/mqtttopics.h"

#include <QByteArray>
#include <QList>
#include <QString>
#include <QStringList>

// Home Assistant's MQTT discovery: for each projector, retained config
// messages under <discovery-prefix>/<component>/<bridge-id>_<projector>/<object>/config
// for its entities (power, input, the mutes and the freeze as switches and a
// select, lamp hours and lamp status as sensors, a problem binary sensor),
// all of one device, available while both the bridge and the projector are.
namespace HomeAssistantDiscovery {

struct Projector {
    QString id;      // its topic level
    QString name;    // the device's name
    QStringList inputs;
};

struct Message {
    QString topic;
    QByteArray payload;  // empty: clears a config
    friend bool operator==(const Message &, const Message &) = default;
};

// The config messages of one projector.
[[nodiscard]] QList<Message> configs(const Projector &projector, const MqttTopics &topics, const QString &prefix,
                                     const QString &bridgeId, const QString &version);
// The empty retained messages that remove a projector's entities.
[[nodiscard]] QList<Message> removals(const QString &projectorId, const QString &prefix, const QString &bridgeId);

} // namespace HomeAssistantDiscovery
