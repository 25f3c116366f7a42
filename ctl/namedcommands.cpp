#include "ctl/namedcommands.h"

#include "panel/paneltable.h"

#include <array>
#include <cstring>

namespace NamedCommands {
namespace {

constexpr std::array table{
    Named{"power on", "Command17"},      // Power "On"
    Named{"power off", "Command18"},     // Power "Off"
    Named{"status", "Command44"},        // "Status"
    Named{"input", "Command45"},         // "Input Mode"
    Named{"lamp-time", "Command46"},     // "Lamp Time"
    Named{"temperatures", "Command54"},  // "Temp"
    Named{"lamp-status", "Command55"},   // "Lamp Status"
    Named{"lamp-mode", "Command76"},     // "Lamp Mode"
    Named{"setting", "Command47"},       // "Setting"
};

} // namespace

std::span<const Named> all() { return table; }

QByteArray frameOf(const Named &named)
{
    for (const PanelTable::Button &b : PanelTable::buttons()) {
        if (std::strcmp(b.name, named.button) == 0 && b.sends)
            return QByteArray(b.sends) + '\r';
    }
    return {};
}

const Named *byName(const QString &name)
{
    for (const Named &n : table) {
        if (name == QLatin1StringView(n.name))
            return &n;
    }
    return nullptr;
}

} // namespace NamedCommands
