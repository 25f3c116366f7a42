#include "devices/adapternumbers.h"


#include <algorithm>

namespace AdapterNumbers {

QDebug operator<<(QDebug debug, const SerialDevice &device)
{
    const QDebugStateSaver saver(debug);
    debug.nospace() << "SerialDevice(" << device.systemLocation << ", " << device.byIdLink << ", "
                    << device.byPathLink << (device.isUsbAdapter ? ", USB" : "") << ')';
    return debug;
}

QDebug operator<<(QDebug debug, const Assignment &assignment)
{
    const QDebugStateSaver saver(debug);
    debug.nospace() << "COM" << assignment.portNumber << '=' << assignment.stableName;
    return debug;
}

QString stableName(const SerialDevice &device)
{
    return !device.byIdLink.isEmpty() ? device.byIdLink : device.byPathLink;
}

int builtInNumber(const QString &systemLocation)
{
    const QLatin1StringView prefix("/dev/ttyS");
    const QStringView digits = QStringView(systemLocation).sliced(qMin(systemLocation.size(), prefix.size()));
    if (!systemLocation.startsWith(prefix) || digits.isEmpty() || digits.size() > 3)
        return 0;
    for (const QChar c : digits) {
        if (c < u'0' || c > u'9')
            return 0;
    }
    return digits.toInt() + 1;
}

namespace {

bool isNamedBy(const SerialDevice &device, const PortsEntry &entry)
{
    const QString value = entry.value.trimmed();
    const bool byName = !value.isEmpty()
        && (value == device.systemLocation || value == device.byIdLink || value == device.byPathLink);
    return byName || (!entry.device.isEmpty() && entry.device == device.systemLocation);
}

bool hasNumber(const SerialDevice &device, const PortsGroup &ports)
{
    return std::any_of(ports.cbegin(), ports.cend(),
                       [&](const PortsEntry &entry) { return isNamedBy(device, entry); });
}

} // namespace

QList<Assignment> newAssignments(const QList<SerialDevice> &devices, const PortsGroup &ports)
{
    QList<int> taken = ports.keys();
    for (const SerialDevice &device : devices) {
        if (const int number = builtInNumber(device.systemLocation); number != 0 && !device.isUsbAdapter)
            taken.append(number);
    }

    QList<SerialDevice> waiting;
    for (const SerialDevice &device : devices) {
        if (device.isUsbAdapter && !stableName(device).isEmpty() && !hasNumber(device, ports))
            waiting.append(device);
    }
    std::sort(waiting.begin(), waiting.end(), [](const SerialDevice &a, const SerialDevice &b) {
        return stableName(a) < stableName(b);
    });

    QList<Assignment> added;
    int candidate = FirstNumber;
    for (const SerialDevice &device : std::as_const(waiting)) {
        // The same adapter may be listed twice (two names of one device).
        const QString name = stableName(device);
        if (std::any_of(added.cbegin(), added.cend(),
                        [&](const Assignment &a) { return a.stableName == name; }))
            continue;
        while (candidate <= LastNumber && taken.contains(candidate))
            ++candidate;
        if (candidate > LastNumber)
            break;  // every number is in use: the adapter waits for a free one
        added.append({candidate, name});
        taken.append(candidate);
    }
    return added;
}

} // namespace AdapterNumbers
