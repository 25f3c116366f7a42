#include "devices/portdescription.h"

#include <QStringList>

namespace PortDescription {

QString describe(const Port &port)
{
    QStringList parts;
    if (port.isNetwork) {
        parts << port.configured << QStringLiteral("network port");
    } else if (!port.isPresent()) {
        parts << port.configured << QStringLiteral("not present");
    } else {
        parts << port.device;
        if (port.listed) {
            if (!port.listed->description.isEmpty())
                parts << port.listed->description;
            else if (!port.listed->manufacturer.isEmpty())
                parts << port.listed->manufacturer;
            if (!port.listed->serialNumber.isEmpty())
                parts << QStringLiteral("serial %1").arg(port.listed->serialNumber);
        }
    }
    return QStringLiteral("COM%1").arg(port.portNumber) + QStringLiteral(": ") + parts.join(QStringLiteral(", "));
}

QString otherPorts(const QList<Port> &ports)
{
    constexpr int FirstOther = 6;
    QStringList present;
    for (const Port &port : ports) {
        if (port.portNumber >= FirstOther && port.isPresent())
            present << describe(port);
    }
    if (present.isEmpty())
        return QStringLiteral("COM6 to COM15: none has a device");
    return QStringLiteral("COM6 to COM15 with a device:\n") + present.join(u'\n');
}

} // namespace PortDescription
