#include "link/portsgroup.h"

#include "link/linksettings.h"
#include "link/portnames.h"
#include "transports/porttarget.h"

#include <QFileInfo>
#include <QSettings>

namespace PortsGroup {

namespace {

QString canonical(const QString &path)
{
    return QFileInfo(path).canonicalFilePath();
}

int portNumberOf(const QString &key)
{
    // "COM" in any case and one or two digits.
    if (key.size() < 4 || key.size() > 5 || !key.startsWith(QLatin1StringView("COM"), Qt::CaseInsensitive))
        return 0;
    for (const QChar c : QStringView(key).sliced(3)) {
        if (c < u'0' || c > u'9')
            return 0;
    }
    return QStringView(key).sliced(3).toInt();
}

QString mappedEntry(int portNumber, QSettings &store)
{
    store.beginGroup(QLatin1StringView(LinkSettings::PortsGroup));
    const QString mapped = store.value(PortNames::comName(portNumber)).toString().trimmed();
    store.endGroup();
    return mapped;
}

} // namespace

PortTarget targetFor(int portNumber, QSettings &store)
{
    const PortTarget mapped = PortTarget::fromEntry(mappedEntry(portNumber, store));
#ifdef Q_OS_WIN
    // Windows has its own names for devices; only network ports are mapped.
    return mapped.kind == PortTarget::Kind::Device ? PortTarget::fromDevice(PortNames::comName(portNumber)) : mapped;
#else
    return mapped.kind == PortTarget::Kind::Device && mapped.device.isEmpty()
        ? PortTarget::fromDevice(PortNames::defaultDevice(portNumber))
        : mapped;
#endif
}

QString entryFor(int portNumber, QSettings &store)
{
    const PortTarget target = targetFor(portNumber, store);
    return target.kind == PortTarget::Kind::Device ? target.device : mappedEntry(portNumber, store);
}

AdapterNumbers::PortsGroup read(QSettings &store)
{
    AdapterNumbers::PortsGroup ports;
    store.beginGroup(QLatin1StringView(LinkSettings::PortsGroup));
    for (const QString &key : store.childKeys()) {
        const int number = portNumberOf(key);
        if (number == 0)
            continue;
        const QString value = store.value(key).toString().trimmed();
        const PortTarget target = PortTarget::fromEntry(value);
        ports.insert(number, {value, target.kind == PortTarget::Kind::Device ? canonical(value) : QString()});
    }
    store.endGroup();
    return ports;
}

QList<AdapterNumbers::Assignment> numberNewAdapters(QSettings &store, const DeviceSource &devices)
{
#ifdef Q_OS_WIN
    Q_UNUSED(store);
    Q_UNUSED(devices);
    return {};
#else
    const QList<AdapterNumbers::Assignment> added = AdapterNumbers::newAssignments(devices.listed(), read(store));
    if (added.isEmpty())
        return added;
    store.beginGroup(QLatin1StringView(LinkSettings::PortsGroup));
    for (const AdapterNumbers::Assignment &assignment : added)
        store.setValue(PortNames::comName(assignment.portNumber), assignment.stableName);
    store.endGroup();
    store.sync();
    return added;
#endif
}

PortDescription::Port port(int portNumber, QSettings &store, const DeviceList &devices)
{
    PortDescription::Port port;
    port.portNumber = portNumber;
    const PortTarget target = targetFor(portNumber, store);
    port.isNetwork = target.isNetwork();
    port.configured = port.isNetwork || target.kind == PortTarget::Kind::Invalid ? mappedEntry(portNumber, store)
                                                                                 : target.device;
    if (target.kind == PortTarget::Kind::Invalid) {
        port.problem = target.problem;
        return port;
    }
    if (port.isNetwork)
        return port;
#ifdef Q_OS_WIN
    // "\\.\COM3" is listed for COM3 (and "\\.\COM13" is not).
    for (const AdapterNumbers::SerialDevice &device : devices) {
        if (device.systemLocation.section(u'\\', -1).compare(target.device, Qt::CaseInsensitive) == 0) {
            port.device = target.device;
            port.listed = device;
        }
    }
#else
    port.device = canonical(target.device);
    if (!port.device.isEmpty()) {
        for (const AdapterNumbers::SerialDevice &device : devices) {
            if (canonical(device.systemLocation) == port.device)
                port.listed = device;
        }
    }
    // The nodes of built-in ports exist whether a UART answers or not; one
    // is there when the system lists it.
    if (AdapterNumbers::builtInNumber(port.device) != 0 && !port.listed)
        port.device.clear();
#endif
    return port;
}

} // namespace PortsGroup
