#pragma once

#include "bridge/daemon/bridgeconfig.h"

#include <QString>
#include <QStringList>

// What the command line asks of rm740-bridge.
struct BridgePlan {
    enum class Action { Serve, Check, Help, Version, Refuse };
    Action action = Action::Serve;
    QString configFile;               // --config FILE; empty: one projector from the options
    BridgeConfig::Section options;    // the options as a section of the configuration
    QString error;                    // Refuse: why
};

namespace BridgeArguments {

[[nodiscard]] BridgePlan parse(const QStringList &arguments);
[[nodiscard]] QString helpText();
[[nodiscard]] QString usageLine();

} // namespace BridgeArguments
