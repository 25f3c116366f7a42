#include "ctl/portchoice.h"

#include "link/linksettings.h"
#include "link/numericprefix.h"
#include "link/portnames.h"
#include "transports/porttarget.h"

#include <algorithm>
#include <limits>

PortChoice PortChoice::comPort(int comNumber)
{
    return PortChoice{PortNames::comName(comNumber), comNumber, {}};
}

std::optional<PortChoice> PortChoice::fromArgument(const QString &argument, QString *error)
{
    const QString text = argument.trimmed();
    if (text.isEmpty()) {
        *error = QStringLiteral("--port needs a port: COMn, a device or a network URL");
        return std::nullopt;
    }
    // The number is read as the port dialog's "OTHER" box reads one.
    const bool comPrefix = text.startsWith(QLatin1StringView("COM"), Qt::CaseInsensitive);
    const QStringView digits = comPrefix ? QStringView(text).sliced(3) : QStringView(text);
    if (const auto number = NumericPrefix::wholeNumberInRange(digits, 0, std::numeric_limits<int>::max())) {
        const auto portNumber = qint16(std::min(*number, int(std::numeric_limits<qint16>::max())));
        if (!LinkSettings::isUsablePort(portNumber)) {
            *error = QStringLiteral("%1 is not a port the panel uses (COM%2 to COM%3)")
                         .arg(argument).arg(LinkSettings::FirstPort).arg(LinkSettings::LastPort);
            return std::nullopt;
        }
        PortChoice choice = comPort(portNumber);
        choice.label = argument;
        return choice;
    }
    if (comPrefix) {
        *error = QStringLiteral("%1 is no COM number (COM%2 to COM%3)")
                     .arg(argument).arg(LinkSettings::FirstPort).arg(LinkSettings::LastPort);
        return std::nullopt;
    }
    const PortTarget target = PortTarget::fromEntry(text);
    if (target.kind == PortTarget::Kind::Invalid) {
        *error = target.problem;
        return std::nullopt;
    }
    return PortChoice{argument, 0, text};
}

QDebug operator<<(QDebug debug, const PortChoice &choice)
{
    QDebugStateSaver saver(debug);
    debug.nospace() << "PortChoice(" << choice.label << ", COM " << choice.comNumber << ", "
                    << choice.entry << ')';
    return debug;
}

QStringList portsFileLines(QStringView text)
{
    QStringList ports;
    for (QStringView line : text.split(u'\n')) {
        line = line.trimmed();
        if (!line.isEmpty() && !line.startsWith(u'#'))
            ports.append(line.toString());
    }
    return ports;
}
