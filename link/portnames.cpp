#include "link/portnames.h"

#include "link/linksettings.h"

#include <QSettings>

namespace PortNames {

QString comName(int portNumber)
{
    return QStringLiteral("COM%1").arg(portNumber);
}

QString defaultDevice(int portNumber)
{
#ifdef Q_OS_WIN
    return comName(portNumber);
#else
    return QStringLiteral("/dev/ttyS%1").arg(portNumber - 1);
#endif
}

namespace {
QString mappedEntry(int portNumber, QSettings &store)
{
    store.beginGroup(QLatin1StringView(LinkSettings::PortsGroup));
    const QString mapped = store.value(comName(portNumber)).toString().trimmed();
    store.endGroup();
    return mapped;
}
} // namespace

QString deviceFor(int portNumber, QSettings &store)
{
#ifdef Q_OS_WIN
    Q_UNUSED(store);
    return comName(portNumber);
#else
    const QString mapped = mappedEntry(portNumber, store);
    return mapped.isEmpty() ? defaultDevice(portNumber) : mapped;
#endif
}

PortTarget targetFor(int portNumber, QSettings &store)
{
    const PortTarget mapped = PortTarget::fromEntry(mappedEntry(portNumber, store));
#ifdef Q_OS_WIN
    // Windows has its own names for devices; only network ports are mapped.
    return mapped.kind == PortTarget::Kind::Device ? PortTarget::fromDevice(comName(portNumber)) : mapped;
#else
    return mapped.kind == PortTarget::Kind::Device && mapped.device.isEmpty()
        ? PortTarget::fromDevice(defaultDevice(portNumber))
        : mapped;
#endif
}

} // namespace PortNames
