#pragma once

#include "devices/adapternumbers.h"
#include "devices/devicelist.h"
#include "devices/portdescription.h"
#include "transports/porttarget.h"

#include <QString>

class QSettings;

// The store's "Ports" group: what each COM number opens. On systems without
// COM names it maps COMn to a device (by default /dev/ttyS(n-1)); on every
// system it may map COMn to a network port instead. Only this and
// LinkSettings read or write the store.
namespace PortsGroup {

// What opening COMn reaches, as an entry MSComm opens: a device (the mapped
// one or the default; COMn itself on Windows) or a network port's URL.
[[nodiscard]] PortTarget targetFor(int portNumber, QSettings &store);
[[nodiscard]] QString entryFor(int portNumber, QSettings &store);

// Every COMn entry by number, each with the device it leads to now.
[[nodiscard]] AdapterNumbers::PortsGroup read(QSettings &store);

// Gives each adapter seen for the first time a COM number of its own
// (nothing else is written, nothing existing changed). Does nothing where the
// system has COM names of its own. Returns what it added.
QList<AdapterNumbers::Assignment> numberNewAdapters(QSettings &store, const DeviceSource &devices);

// What COMn leads to, for the port dialog.
[[nodiscard]] PortDescription::Port port(int portNumber, QSettings &store, const DeviceList &devices);

} // namespace PortsGroup
