#include "ctl/portchoice.h"

#include "link/linksettings.h"
#include "link/numericprefix.h"
#include "link/portnames.h"
#include "transports/messagetext.h"
#include "transports/portname.h"
#include "transports/porttarget.h"

#include <algorithm>
#include <limits>

PortChoice PortChoice::comPort(int comNumber)
{
    return PortChoice{PortNames::comName(comNumber), comNumber, {}, {}, {}};
}

std::optional<PortChoice> PortChoice::fromArgument(const QString &argument, QString *error)
{
    // Before the blanks are dropped: a trailing newline is a control character too.
    if (QString control = PortName::controlProblem(argument); !control.isEmpty()) {
        *error = control;
        return std::nullopt;
    }
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
    return PortChoice{argument, 0, text, {}, {}};
}

PortChoice PortChoice::refused(const QString &label, const QString &problem)
{
    PortChoice choice;
    choice.label = label;
    choice.problem = problem;
    return choice;
}

QString PortChoice::shownName() const
{
    return note.isEmpty() ? label : QStringLiteral("%1 (%2)").arg(label, note);
}

QDebug operator<<(QDebug debug, const PortChoice &choice)
{
    QDebugStateSaver saver(debug);
    debug.nospace() << "PortChoice(" << choice.label << ", COM " << choice.comNumber << ", "
                    << choice.entry << ", " << choice.problem << ", " << choice.note << ')';
    return debug;
}

std::optional<QString> readPortsFile(QIODevice &file, const QString &path, QString *error)
{
    const QByteArray bytes = file.read(LongestPortsFile + 1);
    if (bytes.size() <= LongestPortsFile)
        return QString::fromUtf8(bytes);
    *error = QStringLiteral("%1:%2: the file goes on past %3 MiB, more than a ports file holds")
                 .arg(path).arg(bytes.count('\n') + 1).arg(LongestPortsFile / (1024 * 1024));
    return std::nullopt;
}

QList<PortsFileLine> portsFileLines(QStringView text)
{
    QList<PortsFileLine> ports;
    int number = 0;
    for (QStringView line : text.split(u'\n')) {
        ++number;
        if (line.size() > LongestPortsFileLine) {
            ports.append({number, {}, {}, true});
            continue;
        }
        QStringView note;
        for (qsizetype i = 1; i < line.size(); ++i) {
            if (line[i] == u'#' && line[i - 1].isSpace()) {
                note = line.sliced(i + 1).trimmed();
                line = line.first(i);
                break;
            }
        }
        line = line.trimmed();
        if (!line.isEmpty() && !line.startsWith(u'#'))
            ports.append({number, line.toString(), note.toString()});
    }
    return ports;
}

QList<PortChoice> portsFromFile(const QString &path, QStringView text)
{
    QList<PortChoice> ports;
    for (const PortsFileLine &line : portsFileLines(text)) {
        const QString where = QStringLiteral("%1:%2").arg(path).arg(line.number);
        QString error;
        // No port's name has a blank in it: such a line is of another format
        // (a rooms list's "101 socket://..."), not a device to be looked for.
        std::optional<PortChoice> choice;
        if (line.tooLong)
            error = QStringLiteral("a line longer than %1 characters").arg(LongestPortsFileLine);
        else if (std::any_of(line.port.begin(), line.port.end(), [](QChar c) { return c.isSpace(); }))
            error = QStringLiteral("%1 is not one port's name (it has a blank in it)").arg(MessageText::quoted(line.port));
        else
            choice = PortChoice::fromArgument(line.port, &error);
        PortChoice port = choice ? *choice
                                 : PortChoice::refused(where, QStringLiteral("%1; a line of a ports file is %2")
                                                                  .arg(error, QLatin1StringView(PortsFileLineForms)));
        port.note = line.note;
        ports.append(port);
    }
    return ports;
}
