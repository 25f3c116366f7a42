#pragma once

#include "link/porttarget.h"

#include <QString>

class QSettings;

// The device behind "COMn". Windows knows COM names itself; elsewhere COMn is
// /dev/ttyS(n-1) unless the store's "Ports" group maps it to another device.
// On every system the group may map COMn to a network port instead.
namespace PortNames {

[[nodiscard]] QString comName(int portNumber);
[[nodiscard]] QString defaultDevice(int portNumber);
[[nodiscard]] QString deviceFor(int portNumber, QSettings &store);
// What opening COMn reaches: the device deviceFor names, or a network port.
[[nodiscard]] PortTarget targetFor(int portNumber, QSettings &store);

} // namespace PortNames
