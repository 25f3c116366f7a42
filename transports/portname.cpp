#include "transports/portname.h"

#include "transports/messagetext.h"

#include <QFile>

#include <algorithm>

namespace PortName {

namespace {

constexpr QLatin1StringView LockPrefix("LCK..");
constexpr QLatin1StringView DeviceFolder("/dev/");

} // namespace

QString controlProblem(const QString &name)
{
    const bool hasControl = std::any_of(name.begin(), name.end(), [](QChar c) {
        return c.unicode() < 0x20 || c.unicode() == 0x7F;
    });
    if (!hasControl)
        return {};
    return QStringLiteral("%1 cannot name a port: it holds a control character").arg(MessageText::quoted(name));
}

QString deviceProblem(const QString &name)
{
    if (QString control = controlProblem(name); !control.isEmpty())
        return control;
#ifdef Q_OS_WIN
    return {};
#else
    const qsizetype folder = name.startsWith(DeviceFolder) ? DeviceFolder.size() : 0;
    const qsizetype longest = LongestFileName - LockPrefix.size() + folder;
    const qsizetype length = QFile::encodeName(name).size();
    if (length <= longest)
        return {};
    return QStringLiteral("%1 is too long for a serial device's name: %2 characters, at most %3 (its lock "
                          "file's name must fit the system's %4)")
        .arg(MessageText::quoted(name))
        .arg(length)
        .arg(longest)
        .arg(LongestFileName);
#endif
}

} // namespace PortName
