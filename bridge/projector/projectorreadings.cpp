#include "bridge/projector/projectorreadings.h"

#include "panel/paneltable.h"

namespace ProjectorReadings {

QByteArray frame(Reading reading)
{
    using K = PanelTable::Key;
    switch (reading) {
    case Reading::Status: return PanelTable::frame(K::ReadStatus);
    case Reading::Input: return PanelTable::frame(K::ReadInput);
    case Reading::LampHours: return PanelTable::frame(K::ReadLampTime);
    case Reading::LampStatus: return PanelTable::frame(K::ReadLampStatus);
    case Reading::Temperatures: return PanelTable::frame(K::ReadTemperatures);
    }
    return {};
}

QByteArrayView word(Reading reading)
{
    switch (reading) {
    case Reading::Status: return "status";
    case Reading::Input: return "input";
    case Reading::LampHours: return "lamp-hours";
    case Reading::LampStatus: return "lamp-status";
    case Reading::Temperatures: return "temperatures";
    }
    return {};
}

} // namespace ProjectorReadings
