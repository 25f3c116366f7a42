#include "link/serialdevices.h"

#include "link/linksettings.h"
#include "link/portnames.h"
#include "link/porttarget.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QHash>
#include <QRegularExpression>
#include <QSerialPortInfo>
#include <QSettings>

#ifndef Q_OS_WIN
#include <fcntl.h>
#include <grp.h>
#include <sys/stat.h>
#include <unistd.h>
#endif

namespace SerialDevices {

namespace {

std::function<DeviceList()> &replacement()
{
    static std::function<DeviceList()> list;
    return list;
}

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

int portNumberOf(const QString &key)
{
    static const QRegularExpression com(QStringLiteral("^COM(\\d{1,2})$"),
                                        QRegularExpression::CaseInsensitiveOption);
    const QRegularExpressionMatch match = com.match(key);
    return match.hasMatch() ? match.captured(1).toInt() : 0;
}

#ifndef Q_OS_WIN
// Who holds the lock that QSerialPort and other serial programs take:
// "/run/lock/LCK..ttyUSB0" holds the process id and the program's name.
QString lockHolder(const QString &ownName)
{
    QString name = ownName;
    if (name.startsWith(QLatin1String("/dev/")))
        name = name.mid(5);
    QFile lock(QStringLiteral("/var/lock/LCK..") + name.replace(u'/', u'_'));
    if (!lock.open(QIODevice::ReadOnly))
        return {};
    const QList<QByteArray> lines = lock.read(256).split('\n');
    const QByteArray pid = lines.value(0).trimmed();
    const QByteArray program = lines.value(1).trimmed();
    if (pid.isEmpty())
        return {};
    return program.isEmpty() ? QStringLiteral("process %1").arg(QString::fromLatin1(pid))
                             : QStringLiteral("%1, process %2").arg(QString::fromLocal8Bit(program),
                                                                     QString::fromLatin1(pid));
}

// May this process read and write the device? Checked with the identity
// that opening uses, so it holds also where that differs from the user's.
bool mayOpen(const QString &ownName)
{
    return ::faccessat(AT_FDCWD, QFile::encodeName(ownName).constData(), R_OK | W_OK, AT_EACCESS) == 0;
}

QString groupOf(const QString &ownName)
{
    struct stat info {};
    if (::stat(QFile::encodeName(ownName).constData(), &info) != 0)
        return {};
    const struct group *group = ::getgrgid(info.st_gid);
    return group ? QString::fromLocal8Bit(group->gr_name) : QString::number(info.st_gid);
}
#endif

} // namespace

DeviceList listed()
{
    if (replacement())
        return replacement()();
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

void replaceListForTesting(std::function<DeviceList()> list)
{
    replacement() = std::move(list);
}

AdapterNumbers::PortsGroup portsGroup(QSettings &store)
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

QList<AdapterNumbers::Assignment> numberNewAdapters(QSettings &store)
{
#ifdef Q_OS_WIN
    Q_UNUSED(store);
    return {};
#else
    const QList<AdapterNumbers::Assignment> added = AdapterNumbers::newAssignments(listed(), portsGroup(store));
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
    const PortTarget target = PortNames::targetFor(portNumber, store);
    port.isNetwork = target.isNetwork();
    port.configured = port.isNetwork ? PortNames::deviceFor(portNumber, store) : target.device;
    if (port.isNetwork)
        return port;
#ifdef Q_OS_WIN
    // "\\.\COM3" is listed for COM3.
    for (const AdapterNumbers::SerialDevice &device : devices) {
        if (device.systemLocation.endsWith(target.device, Qt::CaseInsensitive)) {
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

OpenFailure::Facts whyNotOpened(QSerialPort::SerialPortError error, const QString &device,
                                const QString &systemText)
{
    OpenFailure::Facts facts;
    facts.device = device;
    facts.systemText = systemText;
#ifdef Q_OS_WIN
    facts.ownName = device;
#else
    facts.ownName = canonical(device);
#endif
    const QString own = facts.ownName.isEmpty() ? device : facts.ownName;
    switch (error) {
    case QSerialPort::DeviceNotFoundError:
        facts.kind = OpenFailure::Kind::Missing;
        break;
    case QSerialPort::PermissionError:
#ifdef Q_OS_WIN
        facts.kind = OpenFailure::Kind::Held;
#else
        // Both a lock or exclusive use held by another program and a device
        // this user may not open are reported so; the file system tells which.
        if (mayOpen(own)) {
            facts.kind = OpenFailure::Kind::Held;
            facts.holder = lockHolder(own);
        } else {
            facts.kind = OpenFailure::Kind::NoPermission;
            facts.group = groupOf(own);
        }
#endif
        break;
    case QSerialPort::UnsupportedOperationError:
        facts.kind = OpenFailure::Kind::NotASerialPort;
        break;
    default: {
        const QFileInfo info(own);
        if (!info.exists())
            facts.kind = OpenFailure::Kind::Missing;
        else if (info.isDir() || info.isFile())
            facts.kind = OpenFailure::Kind::NotASerialPort;
        break;
    }
    }
    return facts;
}

} // namespace SerialDevices
