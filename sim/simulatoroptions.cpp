#include "sim/simulatoroptions.h"

#include "transports/porttarget.h"

#include <QCommandLineParser>
#include <QHostAddress>

#include <cmath>
#include <utility>

namespace {

// Seconds as a non-negative decimal number ("2", "0.5").
std::optional<std::chrono::milliseconds> seconds(const QString &text)
{
    bool ok = false;
    const double s = text.toDouble(&ok);
    if (!ok || !std::isfinite(s) || s < 0 || s > 24 * 3600)
        return std::nullopt;
    return std::chrono::milliseconds(std::llround(s * 1000));
}

std::optional<int> wholeNumber(const QString &text, int minimum)
{
    bool ok = false;
    const int n = text.toInt(&ok);
    if (!ok || n < minimum)
        return std::nullopt;
    return n;
}

// "PORT" on the loopback address, or "ADDRESS:PORT" ("0.0.0.0:4001", "[::1]:4001").
bool readListenAddress(const QString &text, SimulatorOptions &options)
{
    const QString entry = text.contains(u':') ? text : QStringLiteral("127.0.0.1:") + text;
    const PortTarget target = PortTarget::fromEntry(QStringLiteral("socket://") + entry);
    if (target.kind != PortTarget::Kind::RawTcp || QHostAddress(target.host).isNull())
        return false;
    options.listenAddress = target.host;
    options.listenPort = target.port;
    return true;
}

} // namespace

SimulatorCommandLine parseSimulatorCommandLine(const QStringList &arguments)
{
    QCommandLineParser parser;
    parser.setApplicationDescription(QStringLiteral(
        "Plays a projector on the device end of a pseudo-terminal, or on a network port with "
        "--tcp or --rfc2217: prints the device path or the port's URL and answers command frames, "
        "logging each exchange on standard error."));
    const QCommandLineOption help({QStringLiteral("h"), QStringLiteral("help")},
                                  QStringLiteral("Shows this help."));
    const QCommandLineOption version(QStringLiteral("version"), QStringLiteral("Shows the version."));
    const QCommandLineOption link(QStringLiteral("link"),
                                  QStringLiteral("Makes a symbolic link to the device at <path>."),
                                  QStringLiteral("path"));
    const QCommandLineOption warmUp(QStringLiteral("warmup"),
                                    QStringLiteral("Warm-up period in seconds (default 3)."),
                                    QStringLiteral("s"));
    const QCommandLineOption coolDown(QStringLiteral("cooldown"),
                                      QStringLiteral("Cool-down period in seconds (default 3)."),
                                      QStringLiteral("s"));
    const QCommandLineOption delay(QStringLiteral("delay"),
                                   QStringLiteral("Waits <ms> milliseconds before each reply."),
                                   QStringLiteral("ms"));
    const QCommandLineOption split(QStringLiteral("split"),
                                   QStringLiteral("Sends replies one byte at a time."));
    const QCommandLineOption silent(QStringLiteral("silent"), QStringLiteral("Never answers."));
    const QCommandLineOption noise(QStringLiteral("noise"),
                                   QStringLiteral("Sends random bytes between replies."));
    const QCommandLineOption flood(QStringLiteral("flood"),
                                   QStringLiteral("Streams random bytes without end."));
    const QCommandLineOption dropAfter(QStringLiteral("drop-after"),
                                       QStringLiteral("Closes the device after <n> frames."),
                                       QStringLiteral("n"));
    const QCommandLineOption seed(QStringLiteral("seed"),
                                  QStringLiteral("Seed of the random bytes (default: new each run)."),
                                  QStringLiteral("n"));
    const QCommandLineOption tcp(
        QStringLiteral("tcp"),
        QStringLiteral("Listens for raw TCP on [<address>:]<port> (127.0.0.1 unless an address is "
                       "given) instead of a pseudo-terminal: socket://127.0.0.1:<port>."),
        QStringLiteral("port"));
    const QCommandLineOption rfc2217(
        QStringLiteral("rfc2217"),
        QStringLiteral("Listens for RFC 2217 (telnet, line set by the client) on [<address>:]<port>: "
                       "rfc2217://127.0.0.1:<port>."),
        QStringLiteral("port"));
    parser.addOptions({help, version, link, warmUp, coolDown, delay, split, silent, noise, flood, dropAfter,
                       seed, tcp, rfc2217});

    SimulatorCommandLine result;
    result.helpText = parser.helpText();
    if (!parser.parse(arguments)) {
        result.error = parser.errorText();
        return result;
    }
    if (!parser.positionalArguments().isEmpty()) {
        result.error = QStringLiteral("Unexpected argument: %1").arg(parser.positionalArguments().first());
        return result;
    }
    result.helpRequested = parser.isSet(help);
    result.versionRequested = parser.isSet(version);

    SimulatorOptions &o = result.options;
    o.link = parser.value(link);
    o.split = parser.isSet(split);
    o.silent = parser.isSet(silent);
    o.noise = parser.isSet(noise);
    o.flood = parser.isSet(flood);

    const auto invalid = [&](const QCommandLineOption &option, const char *expected) {
        result.error = QStringLiteral("--%1 %2: expected %3")
                           .arg(option.names().constLast(), parser.value(option),
                                QLatin1StringView(expected));
        return result;
    };
    if (parser.isSet(warmUp)) {
        const auto s = seconds(parser.value(warmUp));
        if (!s)
            return invalid(warmUp, "seconds");
        o.timing.warmUp = *s;
    }
    if (parser.isSet(coolDown)) {
        const auto s = seconds(parser.value(coolDown));
        if (!s)
            return invalid(coolDown, "seconds");
        o.timing.coolDown = *s;
    }
    if (parser.isSet(delay)) {
        const auto ms = wholeNumber(parser.value(delay), 0);
        if (!ms)
            return invalid(delay, "milliseconds");
        o.delay = std::chrono::milliseconds(*ms);
    }
    if (parser.isSet(dropAfter)) {
        const auto n = wholeNumber(parser.value(dropAfter), 1);
        if (!n)
            return invalid(dropAfter, "a number of frames, 1 or more");
        o.dropAfter = *n;
    }
    if (parser.isSet(tcp) && parser.isSet(rfc2217)) {
        result.error = QStringLiteral("--tcp and --rfc2217 exclude each other");
        return result;
    }
    for (const auto &[option, listening] : {std::pair{&tcp, SimulatorOptions::Listening::RawTcp},
                                            std::pair{&rfc2217, SimulatorOptions::Listening::Rfc2217}}) {
        if (!parser.isSet(*option))
            continue;
        if (!readListenAddress(parser.value(*option), o))
            return invalid(*option, "[address:]port, a port from 1 to 65535");
        if (!o.link.isEmpty()) {
            result.error = QStringLiteral("--link is for the pseudo-terminal, not for --%1")
                               .arg(option->names().constLast());
            return result;
        }
        o.listening = listening;
    }
    if (parser.isSet(seed)) {
        bool ok = false;
        o.seed = parser.value(seed).toUInt(&ok);
        if (!ok)
            return invalid(seed, "a whole number");
    }
    return result;
}
