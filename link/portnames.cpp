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

QString deviceFor(int portNumber, QSettings &store)
{
#ifdef Q_OS_WIN
    Q_UNUSED(store);
    return comName(portNumber);
#else
    store.beginGroup(QLatin1StringView(LinkSettings::PortsGroup));
    const QString mapped = store.value(comName(portNumber)).toString().trimmed();
    store.endGroup();
    return mapped.isEmpty() ? defaultDevice(portNumber) : mapped;
#endif
}

} // namespace PortNames
