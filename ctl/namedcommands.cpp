#include "ctl/namedcommands.h"

#include <array>

namespace NamedCommands {
namespace {

using K = PanelTable::Key;

constexpr std::array table{
    Named{"power on", K::PowerOn},
    Named{"power off", K::PowerOff},
    Named{"status", K::ReadStatus},
    Named{"input", K::ReadInput},
    Named{"lamp-time", K::ReadLampTime},
    Named{"temperatures", K::ReadTemperatures},
    Named{"lamp-status", K::ReadLampStatus},
    Named{"lamp-mode", K::ReadLampMode},
    Named{"setting", K::ReadSetting},
};

} // namespace

std::span<const Named> all() { return table; }

QByteArray frameOf(const Named &named)
{
    return PanelTable::frame(named.button);
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
