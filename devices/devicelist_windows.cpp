#include "devices/devicelist.h"

#include <QSerialPortInfo>

// Windows numbers its ports itself (a USB adapter gets its COM number when it
// is first plugged in), so the list is the system's, as the Device Manager shows it.
const SystemDevices &SystemDevices::instance()
{
    static const SystemDevices devices;
    return devices;
}

DeviceList SystemDevices::listed() const
{
    DeviceList devices;
    for (const QSerialPortInfo &info : QSerialPortInfo::availablePorts()) {
        AdapterNumbers::SerialDevice device;
        device.systemLocation = info.systemLocation();
        device.description = info.description();
        device.manufacturer = info.manufacturer();
        device.serialNumber = info.serialNumber();
        device.isUsbAdapter = info.hasVendorIdentifier();
        devices.append(device);
    }
    return devices;
}
