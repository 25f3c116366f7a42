#pragma once

#include "devices/adapternumbers.h"

#include <QList>

using DeviceList = QList<AdapterNumbers::SerialDevice>;

// Where the serial devices of this machine come from. The program asks the
// system; tests hand in a list of their own.
class DeviceSource
{
public:
    virtual ~DeviceSource() = default;
    [[nodiscard]] virtual DeviceList listed() const = 0;
};

// Every serial device the system lists (built-in UARTs that answer, USB
// adapters), each with its by-id and by-path links where udev made them.
class SystemDevices final : public DeviceSource
{
public:
    [[nodiscard]] DeviceList listed() const override;
    // The one the programs use.
    [[nodiscard]] static const SystemDevices &instance();
};
