#include "bridge/projector/projectorreadings.h"

#include "panel/paneltable.h"

namespace ProjectorReadings {
namespace {

struct Read {
    PanelTable::Key button;
    QByteArrayView word;
};

// By the readings' order.
constexpr std::array reads{
    Read{PanelTable::Key::ReadStatus, "status"},
    Read{PanelTable::Key::ReadInput, "input"},
    Read{PanelTable::Key::ReadLampTime, "lamp-hours"},
    Read{PanelTable::Key::ReadLampStatus, "lamp-status"},
    Read{PanelTable::Key::ReadTemperatures, "temperatures"},
};
static_assert(reads.size() == AllReadings.size());

} // namespace

QByteArray frame(Reading reading)
{
    return PanelTable::frame(reads[size_t(reading)].button);
}

QByteArrayView word(Reading reading)
{
    return reads[size_t(reading)].word;
}

} // namespace ProjectorReadings
