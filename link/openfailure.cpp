#include "link/openfailure.h"

namespace OpenFailure {

namespace {

QString named(const Facts &facts)
{
    if (facts.ownName.isEmpty() || facts.ownName == facts.device)
        return facts.device;
    return QStringLiteral("%1 (%2)").arg(facts.device, facts.ownName);
}

} // namespace

QString explain(const Facts &facts)
{
    const QString device = named(facts);
    switch (facts.kind) {
    case Kind::Missing:
        return QStringLiteral("%1 does not exist. Is the adapter plugged in, or is the port "
                              "mapped to the right device?")
            .arg(device);
    case Kind::Held:
        return facts.holder.isEmpty()
            ? QStringLiteral("%1 is in use by another program. Close it there, then try again.").arg(device)
            : QStringLiteral("%1 is in use by another program (%2). Close it there, then try again.")
                  .arg(device, facts.holder);
    case Kind::NoPermission:
        if (facts.group.isEmpty() || facts.group == QLatin1String("root"))
            return QStringLiteral("You may not use %1: only its owner may.").arg(device);
        return QStringLiteral("You may not use %1: it belongs to the group %2. Add your user to "
                              "the group %2 (sudo adduser $USER %2), then log in again.")
            .arg(device, facts.group);
    case Kind::NotASerialPort:
        return QStringLiteral("%1 is not a serial port (%2).").arg(device, facts.systemText);
    case Kind::Other:
        break;
    }
    return QStringLiteral("%1 cannot be opened (%2).").arg(device, facts.systemText);
}

} // namespace OpenFailure
