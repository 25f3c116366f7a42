#include "devices/portdescription.h"

#include <QStringList>

namespace PortDescription {

namespace {

// "COM6, COM8 to COM11, COM15": runs of three or more as a range.
QString numbersInRuns(const QList<int> &numbers)
{
    QStringList runs;
    for (qsizetype i = 0; i < numbers.size();) {
        qsizetype last = i;
        while (last + 1 < numbers.size() && numbers[last + 1] == numbers[last] + 1)
            ++last;
        if (last - i >= 2) {
            runs << QStringLiteral("COM%1 to COM%2").arg(numbers[i]).arg(numbers[last]);
        } else {
            for (qsizetype k = i; k <= last; ++k)
                runs << QStringLiteral("COM%1").arg(numbers[k]);
        }
        i = last + 1;
    }
    return runs.join(QStringLiteral(", "));
}

} // namespace

QString describe(const Port &port)
{
    QStringList parts;
    if (!port.problem.isEmpty()) {
        parts << port.problem;
    } else if (port.isNetwork) {
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
    QStringList broken;
    QList<int> absent;
    for (const Port &port : ports) {
        if (port.portNumber < FirstOther)
            continue;
        if (port.isPresent())
            present << describe(port);
        else if (!port.problem.isEmpty())
            broken << describe(port);
        else
            absent << port.portNumber;
    }
    if (present.isEmpty() && broken.isEmpty())
        return QStringLiteral("COM6 to COM15: none has a device");
    QStringList lines;
    if (!present.isEmpty())
        lines << QStringLiteral("COM6 to COM15 with a device:") << present;
    lines << broken;
    if (!absent.isEmpty())
        lines << QStringLiteral("No device: %1").arg(numbersInRuns(absent));
    return lines.join(u'\n');
}

} // namespace PortDescription
