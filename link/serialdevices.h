#pragma once

#include "link/adapternumbers.h"
#include "link/openfailure.h"
#include "link/portdescription.h"

#include <QList>
#include <QSerialPort>

#include <functional>

class QSettings;

// The serial devices of this machine as the port rules need them: what the
// system lists, with the /dev/serial links of each; COM numbers for adapters
// seen for the first time; what a COM number leads to; why a device did not
// open.
namespace SerialDevices {

using DeviceList = QList<AdapterNumbers::SerialDevice>;

// Every serial device the system lists (built-in UARTs that answer, USB
// adapters), each with its by-id and by-path links where udev made them.
[[nodiscard]] DeviceList listed();
// Tests stand in for the system's list; an empty function puts it back.
void replaceListForTesting(std::function<DeviceList()> list);

// The store's "Ports" group by COM number, each entry with the device it leads to now.
[[nodiscard]] AdapterNumbers::PortsGroup portsGroup(QSettings &store);

// Gives each adapter seen for the first time a COM number of its own in the
// store's "Ports" group (nothing else is written, nothing existing changed).
// Does nothing where the system has COM names of its own. Returns what it added.
QList<AdapterNumbers::Assignment> numberNewAdapters(QSettings &store);

// What COMn leads to, for the port dialog.
[[nodiscard]] PortDescription::Port port(int portNumber, QSettings &store, const DeviceList &devices);

// Why `device` did not open, from the serial port's error and what the
// file system says of the device.
[[nodiscard]] OpenFailure::Facts whyNotOpened(QSerialPort::SerialPortError error,
                                              const QString &device, const QString &systemText);

} // namespace SerialDevices
