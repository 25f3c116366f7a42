#pragma once

#include "bridge/projector/inputtable.h"
#include "bridge/projector/projectoractions.h"

#include <QByteArray>
#include <QString>

#include <optional>

// A command the web page or a script asks for, as the JSON body of a POST:
//   {"command": "power on"}      a name rm740ctl knows
//   {"button": "Command17"}      a button of the panel (what the page sends)
//   {"send": "CF BRIGHT 050"}    a catalogue text, checked as rm740ctl's send
// turned into the action the projector's queue runs. Power, mutes and inputs
// become the actions PJLink uses, so the state remembers and re-reads alike.
namespace WebCommand {

inline constexpr qsizetype LongestBody = 1024;

// The action, or nothing with `error` saying what is wrong for people.
[[nodiscard]] std::optional<ProjectorAction> parse(const QByteArray &body, const InputTable &inputs,
                                                   QString *error);

// A panel button's action by objectName; nothing for no button that sends.
[[nodiscard]] std::optional<ProjectorAction> button(const QString &objectName, const InputTable &inputs);

} // namespace WebCommand
