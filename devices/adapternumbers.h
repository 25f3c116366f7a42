#pragma once

#include <QDebug>
#include <QList>
#include <QMap>
#include <QString>

// COM numbers for USB-serial adapters on systems without COM names, given the
// way Windows gives them: each adapter keeps the number it got when it was
// first seen, under a name that stays the same for it (its serial-number link
// in /dev/serial/by-id, else its USB socket's link in /dev/serial/by-path),
// and a new adapter gets the lowest number from 1 to 15 that is free.
namespace AdapterNumbers {

// The COM numbers there are to give.
inline constexpr int FirstNumber = 1;
inline constexpr int LastNumber = 15;

// A serial device as the system lists it.
struct SerialDevice {
    QString systemLocation;   // "/dev/ttyUSB0"
    QString byIdLink;         // "/dev/serial/by-id/usb-...-port0", or empty
    QString byPathLink;       // "/dev/serial/by-path/...-port0", or empty
    QString description;      // "FT232R USB UART"
    QString manufacturer;
    QString serialNumber;
    bool isUsbAdapter = false;

    friend bool operator==(const SerialDevice &, const SerialDevice &) = default;
};
QDebug operator<<(QDebug debug, const SerialDevice &device);

// One entry of the store's "Ports" group: what it says, and the device it
// leads to now (the target of a link; empty when there is none).
struct PortsEntry {
    QString value;
    QString device;

    friend bool operator==(const PortsEntry &, const PortsEntry &) = default;
};
using PortsGroup = QMap<int, PortsEntry>;  // by COM number

struct Assignment {
    int portNumber = 0;
    QString stableName;

    friend bool operator==(const Assignment &, const Assignment &) = default;
};
QDebug operator<<(QDebug debug, const Assignment &assignment);

// The name under which an adapter's number is kept: its by-id link, else its
// by-path link, else nothing (it cannot be told apart from the next one).
[[nodiscard]] QString stableName(const SerialDevice &device);

// The COM number of a built-in port, "/dev/ttyS<n>" being COM<n+1>; 0 for
// anything else.
[[nodiscard]] int builtInNumber(const QString &systemLocation);

// The entries to add to `ports` for the adapters in `devices` that have no
// number yet: an adapter has one when an entry names it by any of its names
// or leads to its device. A number is free when no entry uses it and no
// built-in port in `devices` is that COM port. Adapters are numbered in the
// order of their stable names, so the result does not depend on the order
// the system lists them in. Existing entries are never changed.
[[nodiscard]] QList<Assignment> newAssignments(const QList<SerialDevice> &devices,
                                               const PortsGroup &ports);

} // namespace AdapterNumbers
