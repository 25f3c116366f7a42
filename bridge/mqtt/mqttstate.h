#pragma once

#include "bridge/projector/inputtable.h"

#include <QJsonObject>

#include <optional>

class ProjectorService;

// What <prefix>/<projector>/state holds, one JSON object:
//   {"power": "on"|"standby"|"warming"|"cooling"|"fault", "input": NAME,
//    "audio_mute": bool, "video_mute": bool, "freeze": bool, "lamp_hours": N,
//    "lamp": "lit"|"off"|"failed", "errors": ["lamp error", ...], "last_answer": ISO time}
// A value not known is null. The time of the last answer is left to the
// caller: it changes on every poll, and the state is published on change.
namespace MqttState {

[[nodiscard]] QJsonObject of(const ProjectorService &service, const InputTable &inputs, double temperatureWarning,
                             std::optional<bool> frozen);
// "online" while the port is open and the projector answers.
[[nodiscard]] bool isAvailable(const ProjectorService &service);

} // namespace MqttState
