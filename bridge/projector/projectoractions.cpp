#include "bridge/projectoractions.h"

#include "bridge/panelframes.h"

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
    return {"power-on", panelFrame("Power On"), true, ProjectorAction::Remember::Nothing, {}, Reading::Status};
}

ProjectorAction powerOff()
{
    return {"power-off", panelFrame("Power Off"), true, ProjectorAction::Remember::Nothing, {}, Reading::Status};
}

ProjectorAction videoMute(bool on)
{
    using R = ProjectorAction::Remember;
    return on ? ProjectorAction{"video-mute-on", panelFrame("Video mute on"), false, R::VideoMute, {}, {}}
              : ProjectorAction{"video-mute-off", panelFrame("Video mute off"), false, R::VideoUnmute, {}, {}};
}

ProjectorAction audioMute(bool on)
{
    using R = ProjectorAction::Remember;
    return on ? ProjectorAction{"audio-mute-on", panelFrame("Audio mute on"), false, R::AudioMute, {}, {}}
              : ProjectorAction{"audio-mute-off", panelFrame("Audio mute off"), false, R::AudioUnmute, {}, {}};
}

ProjectorAction selectInput(const InputTable::Input &input)
{
    return {"input", input.frame, false, ProjectorAction::Remember::Input, input.code, Reading::Input};
}

bool powerIsChanging(const ProjectorState &state)
{
    const auto reply = state.reply(Reading::Status);
    const auto status = reply ? ProjectorReadings::status(*reply) : std::nullopt;
    return status
        && (status->power == ProjectorReadings::Power::WarmingUp
            || status->power == ProjectorReadings::Power::CoolingDown);
}

} // namespace ProjectorActions
