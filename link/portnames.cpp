#include "link/portnames.h"

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

} // namespace PortNames
