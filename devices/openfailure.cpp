#include "devices/openfailure.h"

#include <QFile>
#include <QFileInfo>

#ifndef Q_OS_WIN
#include <fcntl.h>
#include <grp.h>
#include <sys/stat.h>
#include <unistd.h>
#endif

namespace OpenFailure {

namespace {

QString named(const Facts &facts)
{
    if (facts.ownName.isEmpty() || facts.ownName == facts.device)
        return facts.device;
    return QStringLiteral("%1 (%2)").arg(facts.device, facts.ownName);
}

[[maybe_unused]] QString canonical(const QString &path)
{
    return QFileInfo(path).canonicalFilePath();
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

Facts factsFor(QSerialPort::SerialPortError error, const QString &device, const QString &systemText)
{
    Facts facts;
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
        facts.kind = Kind::Missing;
        break;
    case QSerialPort::PermissionError:
#ifdef Q_OS_WIN
        facts.kind = Kind::Held;
#else
        // Both a lock or exclusive use held by another program and a device
        // this user may not open are reported so; the file system tells which.
        if (mayOpen(own)) {
            facts.kind = Kind::Held;
            facts.holder = lockHolder(own);
        } else {
            facts.kind = Kind::NoPermission;
            facts.group = groupOf(own);
        }
#endif
        break;
    case QSerialPort::UnsupportedOperationError:
        facts.kind = Kind::NotASerialPort;
        break;
    default: {
        const QFileInfo info(own);
        if (!info.exists())
            facts.kind = Kind::Missing;
        else if (info.isDir() || info.isFile())
            facts.kind = Kind::NotASerialPort;
        break;
    }
    }
    return facts;
}

} // namespace OpenFailure
