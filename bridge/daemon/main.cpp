// rm740-bridge: each configured projector on a PJLink Class 1 port, so
// control systems on the network can drive it.

#include "bridge/daemon/bridgearguments.h"
#include "bridge/daemon/bridgeconfig.h"
#include "bridge/daemon/bridgedaemon.h"
#include "signals/terminationsignals.h"

#include <QCoreApplication>
#include <QFile>

#include <cstdio>

namespace {

enum Status {
    Fine = 0,
    NotStarted = 1,      // a listen address could not be used
    BadArguments = 64,   // sysexits' EX_USAGE
    BadConfiguration = 78, // EX_CONFIG
};

void say(std::FILE *stream, const QString &text)
{
    const QByteArray bytes = (text + u'\n').toLocal8Bit();
    std::fwrite(bytes.constData(), 1, size_t(bytes.size()), stream);
    std::fflush(stream);
}

std::optional<BridgeConfig::Configuration> configured(const BridgePlan &plan, QString *error)
{
    if (plan.configFile.isEmpty()) {
        // --mqtt-KEY options are the [mqtt] section's keys.
        BridgeConfig::Section projector = plan.options;
        BridgeConfig::Section mqtt{QStringLiteral("mqtt"), plan.options.where, {}};
        projector.settings.removeIf([&mqtt](const BridgeConfig::Setting &s) {
            if (!s.key.startsWith(QLatin1StringView("mqtt-")))
                return false;
            mqtt.settings.append({s.key.sliced(5), s.value, s.where});
            return true;
        });
        const auto config = BridgeConfig::projector(projector, error);
        if (!config)
            return std::nullopt;
        BridgeConfig::Configuration configuration{{*config}, BridgeConfig::webOf(*config), std::nullopt, {}, std::nullopt};
        if (!mqtt.settings.isEmpty()) {
            configuration.mqtt = BridgeConfig::mqttSection(mqtt, error);
            if (!configuration.mqtt)
                return std::nullopt;
        }
        return configuration;
    }
    QFile file(plan.configFile);
    if (!file.open(QIODevice::ReadOnly)) {
        *error = QStringLiteral("%1: cannot be read: %2").arg(plan.configFile, file.errorString());
        return std::nullopt;
    }
    const auto sections = BridgeConfig::readSections(QString::fromUtf8(file.readAll()), plan.configFile, error);
    return sections ? BridgeConfig::configuration(*sections, error) : std::nullopt;
}

} // namespace

int main(int argc, char *argv[])
{
    QCoreApplication app(argc, argv);
    QCoreApplication::setApplicationName(QStringLiteral("rm740-bridge"));
    QCoreApplication::setApplicationVersion(QStringLiteral(PROJECT_VERSION));

    const BridgePlan plan = BridgeArguments::parse(QCoreApplication::arguments());
    switch (plan.action) {
    case BridgePlan::Action::Help:
        say(stdout, BridgeArguments::helpText());
        return Fine;
    case BridgePlan::Action::Version:
        say(stdout, QStringLiteral("rm740-bridge %1").arg(QCoreApplication::applicationVersion()));
        return Fine;
    case BridgePlan::Action::Refuse:
        say(stderr, QStringLiteral("rm740-bridge: %1").arg(plan.error));
        say(stderr, BridgeArguments::usageLine());
        return BadArguments;
    case BridgePlan::Action::Serve:
    case BridgePlan::Action::Check:
        break;
    }

    // Nothing starts unless the whole configuration holds.
    QString error;
    const auto configuration = configured(plan, &error);
    const auto served = configuration ? prepare(*configuration, &error) : std::nullopt;
    if (!served) {
        say(stderr, QStringLiteral("rm740-bridge: %1").arg(error));
        say(stderr, QStringLiteral("rm740-bridge: not started"));
        return BadConfiguration;
    }
    for (const QString &warning : served->warnings)
        say(stderr, QStringLiteral("rm740-bridge: warning: %1").arg(warning));
    if (plan.action == BridgePlan::Action::Check) {
        say(stdout, QStringLiteral("rm740-bridge: the configuration holds (%1 projector%2)")
                        .arg(served->projectors.size()).arg(served->projectors.size() == 1 ? "" : "s"));
        return Fine;
    }

    BridgeDaemon daemon(*served, QCoreApplication::applicationVersion());
    // Clients and ports are let go of on the way out, as on an ordinary stop.
    TerminationSignals stopSignals;
    QObject::connect(&stopSignals, &TerminationSignals::received, &app, [&daemon](int signal) {
        say(stderr, QStringLiteral("rm740-bridge: %1, stopping").arg(TerminationSignals::name(signal)));
        daemon.shutDown();
        QCoreApplication::quit();
    });
    if (!daemon.start(&error)) {
        say(stderr, QStringLiteral("rm740-bridge: %1").arg(error));
        return NotStarted;
    }
    const int status = app.exec();
    daemon.shutDown();
    // Stopped by a signal is the service's ordinary end.
    return status;
}
