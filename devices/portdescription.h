#pragma once

#include "devices/adapternumbers.h"

#include <QList>
#include <QString>

#include <optional>

// What the port dialog says of a COM number: the device behind it and what
// it is, or that it is not there.
namespace PortDescription {

struct Port {
    int portNumber = 0;
    QString configured;     // what COMn names: a device path or a network URL
    QString device;         // the device it leads to now; empty when there is none
    bool isNetwork = false;
    std::optional<AdapterNumbers::SerialDevice> listed;  // the system's entry for it
    QString problem{};      // why what COMn names is no port at all; empty when it is one

    [[nodiscard]] bool isPresent() const { return problem.isEmpty() && (isNetwork || !device.isEmpty()); }
};

// "COM3: /dev/ttyUSB0, FT232R USB UART, serial A10K5Z3B",
// "COM1: /dev/ttyS0, not present", "COM4: socket://10.0.0.7:4001, network port",
// "COM5: rfc2217://[::1 is no network port: the [ of an IPv6 address is not closed".
[[nodiscard]] QString describe(const Port &port);

// For the "OTHER" field: the numbers from 6 to 15 that have a device, those
// whose entry is no port, and the numbers without a device.
[[nodiscard]] QString otherPorts(const QList<Port> &ports);

} // namespace PortDescription
