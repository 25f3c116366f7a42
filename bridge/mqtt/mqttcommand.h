#pragma once

#include "bridge/projector/inputtable.h"
#include "bridge/projector/projectoractions.h"

#include <QByteArray>
#include <QString>

#include <optional>

// A command from MQTT: an item of set/<item> (or press, `item` empty) and its
// payload, turned into the action the projector's queue runs, through the
// same actions as the page's and PJLink's:
//   power, audio_mute, video_mute, freeze   ON or OFF
//   input                                   an input's name, as the page shows it
//   press                                   a panel button's key ("Command17")
namespace MqttCommand {

inline constexpr qsizetype LongestPayload = 256;

// The items of set/, in the order the documents list them.
[[nodiscard]] QStringList items();

// The action, or nothing with `error` saying what is wrong, for people.
[[nodiscard]] std::optional<ProjectorAction> parse(const QString &item, const QByteArray &payload,
                                                   const InputTable &inputs, QString *error);

} // namespace MqttCommand
