#pragma once

#include "bridge/projector/inputtable.h"
#include "bridge/projector/projectorreadings.h"
#include "bridge/projector/projectorstate.h"

#include <QByteArray>
#include <QByteArrayView>
#include <QStringView>

#include <optional>

// What a front (PJLink, later others) can have the projector do: one frame
// of the panel's each, with what it needs first, what the bridge remembers
// once the projector acknowledges it and what is read again after.
struct ProjectorAction {
    enum class Remember { Nothing, Input, VideoMute, VideoUnmute, AudioMute, AudioUnmute };

    QByteArrayView name;   // for logs: "power-on"
    QByteArray frame;
    // A projector warming up or cooling down ignores it: refused then.
    bool needsSettledPower = false;
    Remember remember = Remember::Nothing;
    QByteArray input;      // Remember::Input: the PJLink code selected
    std::optional<ProjectorReadings::Reading> readAfter;

    // Notes what the acknowledged action changed where no read tells it.
    void rememberIn(ProjectorState::Remembered &remembered) const;

    friend bool operator==(const ProjectorAction &, const ProjectorAction &) = default;
};

// What became of an action (or of the actions of one request).
enum class ActionOutcome {
    Done,     // acknowledged
    Refused,  // the projector said "?", or its power was changing
    Failed,   // no reply, an unexpected one, or no port
};

namespace ProjectorActions {

[[nodiscard]] ProjectorAction powerOn();
[[nodiscard]] ProjectorAction powerOff();
[[nodiscard]] ProjectorAction videoMute(bool on);
[[nodiscard]] ProjectorAction audioMute(bool on);
[[nodiscard]] ProjectorAction selectInput(const InputTable::Input &input);
// The panel's Freeze On or Off button's frame.
[[nodiscard]] ProjectorAction freeze(bool on);
// A panel button's action by its objectName ("Command17"), the key the page
// and MQTT's press use; nothing for no button that sends.
[[nodiscard]] std::optional<ProjectorAction> forButton(QStringView objectName, const InputTable &inputs);

// The action whose frame `frame` is (power, mutes, an input of `inputs`), so
// the state notes what it changed; else the frame alone, called `name`.
[[nodiscard]] ProjectorAction forFrame(QByteArrayView name, const QByteArray &frame, const InputTable &inputs);

// Whether the power is in a phase that refuses power actions.
[[nodiscard]] bool powerIsChanging(const ProjectorState &state);

} // namespace ProjectorActions
