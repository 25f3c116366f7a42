#pragma once

#include "panel/paneltable.h"

#include <QByteArray>
#include <QString>

#include <span>

// The commands rm740ctl knows by name: the main window's buttons of the same
// meaning, so each sends exactly that button's frame.
namespace NamedCommands {

struct Named {
    const char *name;  // as typed, "power on" in two words
    PanelTable::Key button;
};

[[nodiscard]] std::span<const Named> all();
// The frame (command text and CR) of the named command's button.
[[nodiscard]] QByteArray frameOf(const Named &named);
// The named command called `name` ("status", "power off"), if there is one.
[[nodiscard]] const Named *byName(const QString &name);

} // namespace NamedCommands
