#pragma once

#include <QString>

class QSettings;

// The device behind "COMn". Windows knows COM names itself; elsewhere COMn is
// /dev/ttyS(n-1) unless the store's "Ports" group maps it to another device.
namespace PortNames {

[[nodiscard]] QString comName(int portNumber);
[[nodiscard]] QString defaultDevice(int portNumber);
[[nodiscard]] QString deviceFor(int portNumber, QSettings &store);

} // namespace PortNames
