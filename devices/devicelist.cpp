#include "devices/devicelist.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QHash>

#include <dirent.h>
#include <fcntl.h>
#include <unistd.h>

namespace {

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

// A sysfs attribute's text, without its newline; empty where there is none.
QString attribute(const QByteArray &path)
{
    const int fd = ::open(path.constData(), O_RDONLY | O_CLOEXEC);
    if (fd < 0)
        return {};
    char text[256];
    const ssize_t length = ::read(fd, text, sizeof text);
    ::close(fd);
    return length > 0 ? QString::fromUtf8(text, length).trimmed() : QString();
}

// The USB device a tty hangs from: the nearest folder above it with a
// vendor id, at most a few levels up (port, interface, device).
QByteArray usbDeviceFolder(const QByteArray &ttyClassEntry)
{
    char resolved[PATH_MAX];
    if (!::realpath((ttyClassEntry + "/device").constData(), resolved))
        return {};
    QByteArray folder(resolved);
    for (int level = 0; level < 4 && folder.size() > 1; ++level) {
        if (::access((folder + "/idVendor").constData(), F_OK) == 0)
            return folder;
        folder.truncate(folder.lastIndexOf('/'));
    }
    return {};
}

// The serial devices under /sys/class/tty, read directly: consoles, virtual
// terminals and pseudo-terminals are passed over by their link alone, and
// the port nodes of the serial core count only where a UART answers.
DeviceList listedBySysfs()
{
    DeviceList devices;
    DIR *classes = ::opendir("/sys/class/tty");
    if (!classes)
        return devices;
    while (const dirent *entry = ::readdir(classes)) {
        const QByteArray name(entry->d_name);
        if (name.startsWith('.'))
            continue;
        char target[PATH_MAX];
        const ssize_t length = ::readlinkat(::dirfd(classes), entry->d_name, target, sizeof target - 1);
        if (length <= 0 || QByteArrayView(target, length).contains("/virtual/"))
            continue;
        const QByteArray classEntry = "/sys/class/tty/" + name;
        if (attribute(classEntry + "/type") == u"0")
            continue;  // a serial-core node with no UART behind it
        AdapterNumbers::SerialDevice device;
        device.systemLocation = QStringLiteral("/dev/") + QString::fromLocal8Bit(name);
        if (const QByteArray usb = usbDeviceFolder(classEntry); !usb.isEmpty()) {
            device.description = attribute(usb + "/product");
            device.manufacturer = attribute(usb + "/manufacturer");
            device.serialNumber = attribute(usb + "/serial");
            device.isUsbAdapter = true;
        }
        devices.append(device);
    }
    ::closedir(classes);
    return devices;
}

} // namespace

const SystemDevices &SystemDevices::instance()
{
    static const SystemDevices devices;
    return devices;
}

DeviceList SystemDevices::listed() const
{
    const QHash<QString, QString> byId = linksByDevice(QStringLiteral("/dev/serial/by-id"));
    const QHash<QString, QString> byPath = linksByDevice(QStringLiteral("/dev/serial/by-path"));
    DeviceList devices = listedBySysfs();
    for (AdapterNumbers::SerialDevice &device : devices) {
        const QString own = canonical(device.systemLocation);
        device.byIdLink = byId.value(own);
        device.byPathLink = byPath.value(own);
        device.isUsbAdapter = device.isUsbAdapter || !device.byIdLink.isEmpty()
            || device.byPathLink.contains(QLatin1String("-usb-"));
    }
    return devices;
}
