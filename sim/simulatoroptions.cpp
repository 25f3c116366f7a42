#include "sim/simulatoroptions.h"

#include <QCommandLineParser>

#include <cmath>

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

} // namespace

SimulatorCommandLine parseSimulatorCommandLine(const QStringList &arguments)
{
    QCommandLineParser parser;
    parser.setApplicationDescription(QStringLiteral(
        "Plays a projector on the device end of a pseudo-terminal: prints the device path and "
        "answers command frames, logging each exchange on standard error."));
    const QCommandLineOption help({QStringLiteral("h"), QStringLiteral("help")},
                                  QStringLiteral("Shows this help."));
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
    parser.addOptions({help, link, warmUp, coolDown, delay, split, silent, noise, flood, dropAfter,
                       seed});

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
    if (parser.isSet(seed)) {
        bool ok = false;
        o.seed = parser.value(seed).toUInt(&ok);
        if (!ok)
            return invalid(seed, "a whole number");
    }
    return result;
}
