#include "bridge/projector/projectoractions.h"

#include "panel/paneltable.h"

using PanelTable::Key;
using ProjectorReadings::Reading;

void ProjectorAction::rememberIn(ProjectorState::Remembered &remembered) const
{
    switch (remember) {
    case Remember::Nothing: break;
    case Remember::Input: remembered.input = input; break;
    case Remember::VideoMute: remembered.videoMuted = true; break;
    case Remember::VideoUnmute: remembered.videoMuted = false; break;
    case Remember::AudioMute: remembered.audioMuted = true; break;
    case Remember::AudioUnmute: remembered.audioMuted = false; break;
    }
}

namespace ProjectorActions {

ProjectorAction powerOn()
{
    return {"power-on", PanelTable::frame(Key::PowerOn), true, ProjectorAction::Remember::Nothing, {}, Reading::Status};
}

ProjectorAction powerOff()
{
    return {"power-off", PanelTable::frame(Key::PowerOff), true, ProjectorAction::Remember::Nothing, {}, Reading::Status};
}

ProjectorAction videoMute(bool on)
{
    using R = ProjectorAction::Remember;
    return on ? ProjectorAction{"video-mute-on", PanelTable::frame(Key::VideoMuteOn), false, R::VideoMute, {}, {}}
              : ProjectorAction{"video-mute-off", PanelTable::frame(Key::VideoMuteOff), false, R::VideoUnmute, {}, {}};
}

ProjectorAction audioMute(bool on)
{
    using R = ProjectorAction::Remember;
    return on ? ProjectorAction{"audio-mute-on", PanelTable::frame(Key::AudioMuteOn), false, R::AudioMute, {}, {}}
              : ProjectorAction{"audio-mute-off", PanelTable::frame(Key::AudioMuteOff), false, R::AudioUnmute, {}, {}};
}

ProjectorAction selectInput(const InputTable::Input &input)
{
    return {"input", input.frame, false, ProjectorAction::Remember::Input, input.code, Reading::Input};
}

ProjectorAction freeze(bool on)
{
    // No read tells the freeze, so nothing is remembered or read after.
    const PanelTable::Button *b = PanelTable::buttonNamed(on ? u"Command25" : u"Command26");
    return {on ? "freeze-on" : "freeze-off", PanelTable::frame(*b), false, ProjectorAction::Remember::Nothing, {}, {}};
}

std::optional<ProjectorAction> forButton(QStringView objectName, const InputTable &inputs)
{
    const PanelTable::Button *b = PanelTable::buttonNamed(objectName);
    if (!b || !b->sends)
        return std::nullopt;
    return forFrame(b->accessibleName, PanelTable::frame(*b), inputs);
}

ProjectorAction forFrame(QByteArrayView name, const QByteArray &frame, const InputTable &inputs)
{
    for (const ProjectorAction &action : {powerOn(), powerOff(), videoMute(true), videoMute(false), audioMute(true),
                                          audioMute(false)}) {
        if (action.frame == frame)
            return action;
    }
    for (const InputTable::Input &input : inputs.inputs()) {
        if (input.frame == frame)
            return selectInput(input);
    }
    ProjectorAction action;
    action.name = name;
    action.frame = frame;
    return action;
}

bool powerIsChanging(const ProjectorState &state)
{
    const auto status = state.status();
    return status && (status->power == ReadReplies::Power::WarmingUp || status->power == ReadReplies::Power::CoolingDown);
}

} // namespace ProjectorActions
