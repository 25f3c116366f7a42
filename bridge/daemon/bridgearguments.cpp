#include "bridge/daemon/bridgearguments.h"

namespace BridgeArguments {
namespace {

// The options that are keys of the configuration, with a value each.
constexpr std::array valueOptions{
    "port", "baud", "pjlink", "name", "password-file", "inputs", "poll-interval", "idle-timeout",
    "max-clients", "reply-timeout", "temperature-warning", "discovery-port", "http", "http-max-connections",
    // [mqtt]'s keys, as --mqtt-KEY.
    "mqtt-broker", "mqtt-ca-file", "mqtt-cert-file", "mqtt-key-file", "mqtt-username", "mqtt-password-file",
    "mqtt-client-id", "mqtt-topic-prefix", "mqtt-discovery-prefix",
};

BridgePlan refuse(const QString &error)
{
    BridgePlan plan;
    plan.action = BridgePlan::Action::Refuse;
    plan.error = error;
    return plan;
}

bool isValueOption(const QString &name)
{
    for (const char *option : valueOptions) {
        if (name == QLatin1StringView(option))
            return true;
    }
    return false;
}

} // namespace

QString usageLine()
{
    return QStringLiteral("Usage: rm740-bridge --port PORT [--baud 9600|19200] [--pjlink ADDR:PORT] "
                          "[--name NAME] [--password-file FILE] [--discovery] [--http ADDR:PORT] [--check]\n"
                          "       rm740-bridge --config FILE [--check]");
}

QString helpText()
{
    return usageLine() + QStringLiteral(
        "\n\n"
        "Puts a projector on the serial line on a PJLink Class 1 port, so control systems can drive it.\n"
        "\n"
        "  --port PORT            COMn, a device (/dev/ttyUSB0) or socket://HOST:PORT, rfc2217://HOST:PORT\n"
        "  --baud 9600|19200      the line's speed (19200)\n"
        "  --pjlink ADDR:PORT     where PJLink listens (127.0.0.1:4352); * is every address\n"
        "  --name NAME            what NAME answers (rm740)\n"
        "  --password-file FILE   ask clients for PJLink's MD5 digest of this password (mode 600)\n"
        "  --http ADDR:PORT       serve the web page and its JSON API there (off; beyond loopback\n"
        "                         it asks for the password file's password, HTTP basic authentication)\n"
        "  --http-max-connections N  the web page's connections at once (256)\n"
        "  --discovery            answer PJLink searches on UDP port 4352\n"
        "  --inputs LIST          PJLink input codes to panel inputs (11:C50 12:C06 21:C07 ...)\n"
        "  --poll-interval S      read the projector's state every S seconds (5; 0: never)\n"
        "  --idle-timeout S       close a silent connection (PJLink or web) after S seconds (30)\n"
        "  --max-clients N        connections at once (16)\n"
        "  --reply-timeout MS     wait for the projector's reply (1000)\n"
        "  --temperature-warning C  ERST warns at C degrees or more (70; 0: never)\n"
        "  --mqtt-broker URL      publish on an MQTT broker, mqtt://HOST[:1883] or mqtts://HOST[:8883] (off)\n"
        "  --mqtt-ca-file FILE    the certificate authority of an mqtts:// broker\n"
        "  --mqtt-cert-file FILE  the bridge's client certificate, with\n"
        "  --mqtt-key-file FILE   its key\n"
        "  --mqtt-username NAME   the broker's user, with\n"
        "  --mqtt-password-file FILE  its password (readable by its owner only)\n"
        "  --mqtt-client-id ID    the bridge's id at the broker and in its topics (rm740-HOSTNAME)\n"
        "  --mqtt-topic-prefix P  the topics' first level (rm740)\n"
        "  --mqtt-discovery-prefix P  Home Assistant's discovery prefix (homeassistant; empty: none)\n"
        "  --config FILE          serve every projector of an INI file, a section each, the same keys\n"
        "  --check                check the configuration (and password files) and exit\n"
        "  --help, --version\n"
        "\n"
        "See rm740-bridge(1).\n");
}

BridgePlan parse(const QStringList &arguments)
{
    BridgePlan plan;
    plan.options.name = QStringLiteral("rm740");
    plan.options.where = QStringLiteral("the command line");
    bool check = false;
    for (qsizetype i = 1; i < arguments.size(); ++i) {
        const QString &argument = arguments[i];
        if (!argument.startsWith(QLatin1StringView("--")))
            return refuse(QStringLiteral("%1: not an option").arg(argument));
        QString name = argument.sliced(2);
        std::optional<QString> value;
        if (const qsizetype equals = name.indexOf(u'='); equals >= 0) {
            value = name.sliced(equals + 1);
            name.truncate(equals);
        }
        if (name == QLatin1StringView("help") || name == QLatin1StringView("version")) {
            plan.action = name == QLatin1StringView("help") ? BridgePlan::Action::Help : BridgePlan::Action::Version;
            return plan;
        }
        if (name == QLatin1StringView("check") || name == QLatin1StringView("discovery")) {
            if (value)
                return refuse(QStringLiteral("--%1 takes no value").arg(name));
            if (name == QLatin1StringView("check"))
                check = true;
            else
                plan.options.settings.append({name, QStringLiteral("true"), QStringLiteral("--discovery")});
            continue;
        }
        const bool isConfig = name == QLatin1StringView("config");
        if (!isConfig && !isValueOption(name))
            return refuse(QStringLiteral("--%1: no such option").arg(name));
        if (!value) {
            if (i + 1 == arguments.size())
                return refuse(QStringLiteral("--%1 needs a value").arg(name));
            value = arguments[++i];
        }
        if (isConfig) {
            if (!plan.configFile.isEmpty())
                return refuse(QStringLiteral("--config comes twice"));
            plan.configFile = *value;
            continue;
        }
        for (const BridgeConfig::Setting &earlier : std::as_const(plan.options.settings)) {
            if (earlier.key == name)
                return refuse(QStringLiteral("--%1 comes twice").arg(name));
        }
        plan.options.settings.append({name, *value, QStringLiteral("--%1").arg(name)});
    }
    if (!plan.configFile.isEmpty() && !plan.options.settings.isEmpty())
        return refuse(QStringLiteral("%1 belongs in the configuration file with --config")
                          .arg(plan.options.settings.first().where));
    if (plan.configFile.isEmpty() && plan.options.settings.isEmpty())
        return refuse(QStringLiteral("give --port PORT, or --config FILE"));
    if (check)
        plan.action = BridgePlan::Action::Check;
    return plan;
}

} // namespace BridgeArguments
