#include "ctl/ctlplan.h"

#include "catalogue/commandtext.h"
#include "ctl/namedcommands.h"
#include "exchange/exchangeintervals.h"
#include "link/linksettings.h"
#include "transports/messagetext.h"

#include <QCommandLineParser>
#include <QFile>

#include <algorithm>

namespace CtlArguments {
namespace {

struct Options {
    QCommandLineOption port{QStringLiteral("port"),
                            QStringLiteral("The projector's port: COMn or n, 1 to 15 (mapped by the "
                                           "settings' \"Ports\" group, as the panel maps it), a device such as "
                                           "/dev/ttyUSB0, or socket://host:port or rfc2217://host:port. "
                                           "Give it more than once for several projectors. Default: "
                                           "the port the panel stored."),
                            QStringLiteral("port")};
    QCommandLineOption portsFile{QStringLiteral("ports-file"),
                                 QStringLiteral("Reads more ports from <file>, one a line (\"#\" starts "
                                                "a comment; a bad line fails its port alone)."),
                                 QStringLiteral("file")};
    QCommandLineOption baud{QStringLiteral("baud"),
                            QStringLiteral("Line speed, 9600 or 19200. Default: the speed the panel stored."),
                            QStringLiteral("rate")};
    QCommandLineOption timeout{QStringLiteral("timeout"),
                               QStringLiteral("How long to wait for each reply, 1 to %1 ms (default %2 ms).")
                                   .arg(LongestTimeoutMs)
                                   .arg(ExchangeIntervals::AfterStartUp.replyWindowMs),
                               QStringLiteral("ms")};
    QCommandLineOption json{QStringLiteral("json"),
                            QStringLiteral("Prints one JSON object a line instead (--format json).")};
    QCommandLineOption format{QStringLiteral("format"),
                              QStringLiteral("text (a line each, the default), json (--json) or prometheus "
                                             "(the projector's metrics once all is done, for node_exporter's "
                                             "textfile collector)."),
                              QStringLiteral("format")};
    QCommandLineOption raw{QStringLiteral("raw"),
                           QStringLiteral("Sends a text as it is, \"%\" placeholders and control "
                                          "characters included.")};
    QCommandLineOption help{{QStringLiteral("h"), QStringLiteral("help")}, QStringLiteral("Shows this help.")};
    QCommandLineOption version{QStringLiteral("version"), QStringLiteral("Shows the version.")};
};

void addOptions(QCommandLineParser &parser, const Options &o)
{
    parser.setOptionsAfterPositionalArgumentsMode(QCommandLineParser::ParseAsPositionalArguments);
    parser.setSingleDashWordOptionMode(QCommandLineParser::ParseAsLongOptions);
    parser.addOptions({o.port, o.portsFile, o.baud, o.timeout, o.json, o.format, o.raw, o.help, o.version});
}

CtlPlan refuse(const QString &error)
{
    CtlPlan plan;
    plan.action = CtlPlan::Action::Refuse;
    plan.error = error;
    return plan;
}

// The parser's complaint in the words of the rest: which option, and what
// is wrong with it.
QString parserError(const QCommandLineParser &parser, const Options &o, const QStringList &arguments)
{
    const QList<const QCommandLineOption *> known{&o.port, &o.portsFile, &o.baud, &o.timeout,
                                                  &o.json, &o.format, &o.raw, &o.help, &o.version};
    const QStringList unknown = parser.unknownOptionNames();
    for (qsizetype i = 1; i < arguments.size(); ++i) {
        const QString &argument = arguments[i];
        if (!argument.startsWith(u'-') || argument == u"-" || argument == u"--")
            break;
        const QString typed = argument.section(u'=', 0, 0);
        QString name = typed;
        while (name.startsWith(u'-'))
            name.remove(0, 1);
        if (unknown.contains(name))
            return QStringLiteral("unknown option %1").arg(MessageText::quoted(typed));
        const auto option = std::find_if(known.begin(), known.end(), [&](const QCommandLineOption *candidate) {
            return candidate->names().contains(name);
        });
        if (option == known.end())
            continue;
        const bool takesValue = !(*option)->valueName().isEmpty();
        const bool valueAttached = argument.contains(u'=');
        if (!takesValue && valueAttached)
            return QStringLiteral("%1 takes no value").arg(typed);
        if (takesValue && !valueAttached) {
            if (i + 1 == arguments.size())
                return QStringLiteral("%1 needs a value: %1 %2").arg(typed, (*option)->valueName().toUpper());
            ++i;
        }
    }
    return parser.errorText();
}

bool isPrintableAscii(QChar c)
{
    return c.unicode() >= 0x20 && c.unicode() < 0x7F;
}

// The frame of `send TEXT`: what the command list window's SEND sends for
// the text in its edit box. `offerRaw` names --raw in the refusals, where the
// caller has that option.
std::optional<QByteArray> textFrame(const QString &text, bool raw, bool offerRaw, QString *error)
{
    const QStringView command = Catalogue::commandText(text);
    if (std::any_of(command.begin(), command.end(), [](QChar c) { return c.unicode() > 0xFF; })) {
        *error = QStringLiteral("%1 has characters that are no bytes (Latin-1)").arg(MessageText::quoted(text));
        return std::nullopt;
    }
    if (!raw && command.contains(Catalogue::Placeholder)) {
        *error = QStringLiteral("%1 still has a \"%2\": replace each \"%2\" by a digit (0-9)%3")
                     .arg(MessageText::quoted(text), Catalogue::Placeholder,
                          offerRaw ? QStringLiteral(", or give --raw to send it as it is") : QString());
        return std::nullopt;
    }
    if (!raw && !std::all_of(command.begin(), command.end(), isPrintableAscii)) {
        *error = QStringLiteral("%1 has control characters%2")
                     .arg(MessageText::quoted(text), offerRaw ? QStringLiteral("; give --raw to send them") : QString());
        return std::nullopt;
    }
    return Catalogue::preparedFrame(text);
}

// COMMAND... into commands, or the catalogue query of a `list`.
bool readCommands(const QStringList &words, bool raw, CtlPlan &plan)
{
    if (words.isEmpty()) {
        plan = refuse(QStringLiteral("no command given"));
        return false;
    }
    if (words.front() == u"list") {
        plan.action = CtlPlan::Action::List;
        QStringList rest = words.mid(1);
        if (!rest.isEmpty()) {
            if (const auto list = CatalogueListing::listNamed(rest.front())) {
                plan.query.list = list;
                rest.removeFirst();
            }
        }
        if (!rest.isEmpty())
            plan.query.word = rest.takeFirst();
        if (!rest.isEmpty()) {
            plan = refuse(QStringLiteral("list takes a list (basic, expand, read) and one word, not %1")
                              .arg(MessageText::quoted(rest.join(u' '))));
            return false;
        }
        // A lone word that is no list and that no entry holds is taken for a
        // mistyped list's name rather than answered with nothing.
        if (!plan.query.list && !plan.query.word.isEmpty() && CatalogueListing::rows(plan.query).isEmpty()) {
            plan = refuse(QStringLiteral("no list is called %1 and no entry holds it: the lists are basic, "
                                         "expand and read (list [LIST] [WORD])")
                              .arg(MessageText::quoted(plan.query.word)));
            return false;
        }
        return true;
    }
    plan.action = CtlPlan::Action::Exchange;
    for (qsizetype i = 0; i < words.size(); ++i) {
        const QString &word = words[i];
        if (word == u"send") {
            if (i + 1 == words.size()) {
                plan = refuse(QStringLiteral("send needs the command text, as in: send 'CF BRIGHT 050'"));
                return false;
            }
            // "send -- TEXT" as well as "send TEXT": a text may look like an option.
            if (words[i + 1] == u"--" && i + 2 < words.size())
                ++i;
            const QString &text = words[++i];
            QString error;
            const auto frame = textFrame(text, raw, true, &error);
            if (!frame) {
                plan = refuse(error);
                return false;
            }
            plan.commands.append({QStringLiteral("send ") + text, *frame});
            continue;
        }
        if (word == u"list") {
            plan = refuse(QStringLiteral("list goes alone, without other commands"));
            return false;
        }
        // "power on" and "power off" are two words.
        const bool twoWords = word == u"power" && i + 1 < words.size();
        const QString name = twoWords ? word + u' ' + words[i + 1] : word;
        const NamedCommands::Named *named = NamedCommands::byName(name);
        if (!named) {
            plan = refuse(word == u"power" ? QStringLiteral("power takes on or off")
                          : word.startsWith(u'-')
                              ? QStringLiteral("options go before the first command: %1").arg(MessageText::quoted(word))
                              : QStringLiteral("unknown command %1").arg(MessageText::quoted(word)));
            return false;
        }
        if (twoWords)
            ++i;
        plan.commands.append({name, NamedCommands::frameOf(*named)});
    }
    return true;
}

bool readPorts(const QCommandLineParser &parser, const Options &o, CtlPlan &plan)
{
    for (const QString &argument : parser.values(o.port)) {
        QString error;
        const auto choice = PortChoice::fromArgument(argument, &error);
        if (!choice) {
            plan = refuse(error);
            return false;
        }
        plan.ports.append(*choice);
    }
    // A bad line of a ports file fails its own port alone: one typo must not
    // keep every other projector from being served.
    for (const QString &path : parser.values(o.portsFile)) {
        QFile file(path);
        if (!file.open(QIODevice::ReadOnly | QIODevice::Text)) {
            plan = refuse(QStringLiteral("cannot read the ports file %1: %2").arg(path, file.errorString()));
            return false;
        }
        QString error;
        const std::optional<QString> text = readPortsFile(file, path, &error);
        if (!text) {
            plan = refuse(error);
            return false;
        }
        const QList<PortChoice> listed = portsFromFile(path, *text);
        if (listed.isEmpty()) {
            plan = refuse(QStringLiteral("the ports file %1 lists no port").arg(path));
            return false;
        }
        plan.ports += listed;
    }
    return true;
}

bool readFormat(const QCommandLineParser &parser, const Options &o, CtlPlan &plan)
{
    static const std::pair<const char *, CtlPlan::Format> words[] = {
        {"text", CtlPlan::Format::Text}, {"json", CtlPlan::Format::Json}, {"prometheus", CtlPlan::Format::Prometheus}};
    plan.format = parser.isSet(o.json) ? CtlPlan::Format::Json : CtlPlan::Format::Text;
    if (!parser.isSet(o.format))
        return true;
    const QString word = parser.value(o.format);
    for (const auto &[name, format] : words) {
        if (word != QLatin1StringView(name))
            continue;
        if (parser.isSet(o.json) && format != CtlPlan::Format::Json)
            break;
#ifdef RM740_NO_PROMETHEUS
        if (format == CtlPlan::Format::Prometheus) {
            plan = refuse(QStringLiteral("--format prometheus is not in this build (its library is Linux's)"));
            return false;
        }
#endif
        plan.format = format;
        return true;
    }
    plan = refuse(QStringLiteral("--format is text, json or prometheus (and json with --json), not %1")
                      .arg(MessageText::quoted(word)));
    return false;
}

bool readLine(const QCommandLineParser &parser, const Options &o, CtlPlan &plan)
{
    if (parser.isSet(o.baud)) {
        const QString rate = parser.value(o.baud);
        if (rate == u"9600")
            plan.baudCode = LinkSettings::Baud9600;
        else if (rate == u"19200")
            plan.baudCode = LinkSettings::Baud19200;
        else {
            plan = refuse(QStringLiteral("--baud is 9600 or 19200, not %1").arg(MessageText::quoted(rate)));
            return false;
        }
    }
    plan.timeoutMs = ExchangeIntervals::AfterStartUp.replyWindowMs;
    if (parser.isSet(o.timeout)) {
        bool ok = false;
        const QString text = parser.value(o.timeout);
        const int ms = text.toInt(&ok);
        if (!ok || ms < 1 || ms > LongestTimeoutMs || !std::all_of(text.begin(), text.end(), [](QChar c) {
                return c.isDigit();
            })) {
            plan = refuse(QStringLiteral("--timeout is a number of milliseconds from 1 to %1, not %2")
                              .arg(LongestTimeoutMs).arg(MessageText::quoted(text)));
            return false;
        }
        plan.timeoutMs = ms;
    }
    return true;
}

} // namespace

CtlPlan parse(const QStringList &arguments)
{
    const Options o;
    QCommandLineParser parser;
    addOptions(parser, o);
    if (!parser.parse(arguments))
        return refuse(parserError(parser, o, arguments));

    CtlPlan plan;
    if (parser.isSet(o.help)) {
        plan.action = CtlPlan::Action::Help;
        return plan;
    }
    if (parser.isSet(o.version)) {
        plan.action = CtlPlan::Action::Version;
        return plan;
    }
    // Each reader replaces the plan by a refusal when it fails.
    (void)(readFormat(parser, o, plan) && readLine(parser, o, plan) && readPorts(parser, o, plan)
           && readCommands(parser.positionalArguments(), parser.isSet(o.raw), plan));
    return plan;
}

QString usageLine()
{
    return QStringLiteral("Usage: rm740ctl [--port PORT]... [--ports-file FILE] [--baud 9600|19200] "
                          "[--timeout MS] [--json | --format text|json|prometheus] [--raw] COMMAND...");
}

QString helpText()
{
    const Options o;
    QCommandLineParser parser;
    addOptions(parser, o);
    parser.setApplicationDescription(QStringLiteral(
        "Sends the projector's commands from the command line, on the panel's rules,\n"
        "to one port or to several at once."));
    QString commands;
    for (const NamedCommands::Named &n : NamedCommands::all())
        commands += QStringLiteral("  %1  sends %2\n")
                        .arg(QString::fromLatin1(n.name).leftJustified(14))
                        .arg(QLatin1StringView(PanelTable::button(n.button).sends));
    return usageLine() + u'\n' + parser.helpText().section(u'\n', 1)
        + QStringLiteral("\nCommands (several go out one after another):\n") + commands
        + QStringLiteral(
            "  send TEXT       sends TEXT and a CR; TEXT is cut at its first \"[\", as the\n"
            "                  command list's SEND does, so 'C00[CR]' sends C00\n"
            "  list [basic|expand|read] [WORD]\n"
            "                  prints the command catalogue, or the entries holding WORD\n"
            "\n"
            "Each command prints one line: the frame and the reply as the panel's monitor\n"
            "shows them, for a read command the reply in plain English, and the outcome:\n"
            "answered, refused (the projector answered \"?\"), unexpected (a reply of\n"
            "another form than the command takes, or garbage), no-reply or port-lost.\n"
            "With several ports, the port first.\n"
            "\n"
            "Exit status: 0 every command was answered, 2 a port was refused, did not open\n"
            "or went away, 3 a reply did not come (within --timeout), 4 a command was\n"
            "refused, 5 a reply was unexpected, 64 the arguments were not understood; the\n"
            "worst over all ports, in the order 64, 2, 3, 5, 4.\n");
}

std::optional<QByteArray> sendFrame(const QString &text, QString *error)
{
    return textFrame(text, false, false, error);
}

} // namespace CtlArguments
