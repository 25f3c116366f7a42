#pragma once

#include <QString>

// The names of COM ports. Windows knows COM names itself; elsewhere COMn is
// /dev/ttyS(n-1) unless the store's "Ports" group maps it (see PortsGroup).
namespace PortNames {

[[nodiscard]] QString comName(int portNumber);
[[nodiscard]] QString defaultDevice(int portNumber);

} // namespace PortNames
