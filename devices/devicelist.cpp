#include "devices/devicelist.h"

#include <QDir>
#include <QFileInfo>
#include <QHash>
#include <QSerialPortInfo>

namespace {

// The links in `folder` by the device each leads to.
QHash<QString, QString> linksByDevice(const QString &folder)
{
    QHash<QString, QString> links;
    const QDir dir(folder);
    for (const QFileInfo &link : dir.entryInfoList(QDir::System | QDir::Files | QDir::NoDotAndDotDot)) {
        const QString target = link.canonicalFilePath();
        if (link.isSymLink() && !target.isEmpty() && !links.contains(target))
            links.insert(target, link.absoluteFilePath());
    }
    return links;
}

QString canonical(const QString &path)
{
    return QFileInfo(path).canonicalFilePath();
}

} // namespace

const SystemDevices &SystemDevices::instance()
{
    static const SystemDevices devices;
    return devices;
}

DeviceList SystemDevices::listed() const
{
    const QHash<QString, QString> byId = linksByDevice(QStringLiteral("/dev/serial/by-id"));
    const QHash<QString, QString> byPath = linksByDevice(QStringLiteral("/dev/serial/by-path"));
    DeviceList devices;
    for (const QSerialPortInfo &info : QSerialPortInfo::availablePorts()) {
        AdapterNumbers::SerialDevice device;
        device.systemLocation = info.systemLocation();
        const QString own = canonical(device.systemLocation);
        device.byIdLink = byId.value(own);
        device.byPathLink = byPath.value(own);
        device.description = info.description();
        device.manufacturer = info.manufacturer();
        device.serialNumber = info.serialNumber();
        device.isUsbAdapter = info.hasVendorIdentifier() || !device.byIdLink.isEmpty()
            || device.byPathLink.contains(QLatin1String("-usb-"));
        devices.append(device);
    }
    return devices;
}

