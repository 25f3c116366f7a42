#include "bridge/daemon/bridgeconfig.h"

#include "bridge/mqtt/mqtttopics.h"

#include <QHostInfo>
#include <QUrl>

#include <QRegularExpression>

#include <algorithm>
#include <cmath>
#include <functional>

namespace {

QString endpoint(const QHostAddress &address, quint16 port)
{
    if (address == QHostAddress::Any)
        return QStringLiteral("*:%1").arg(port);
    const QString host = address.protocol() == QAbstractSocket::IPv6Protocol
        ? QStringLiteral("[%1]").arg(address.toString())
        : address.toString();
    return QStringLiteral("%1:%2").arg(host).arg(port);
}

} // namespace

QString ProjectorConfig::listenEndpoint() const
{
    return endpoint(listenAddress, listenPort);
}

QString ProjectorConfig::httpEndpoint() const
{
    return httpAddress ? endpoint(*httpAddress, httpPort) : QString();
}

QString WebConfig::endpoint() const
{
    return ::endpoint(address, port);
}

QString MetricsConfig::endpoint() const
{
    return ::endpoint(address, port);
}

namespace BridgeConfig {
namespace {

using Apply = std::function<std::optional<QString>(ProjectorConfig &, const QString &value)>;

std::optional<double> number(const QString &value, double lowest, double highest)
{
    bool ok = false;
    const double n = value.toDouble(&ok);
    if (!ok || !std::isfinite(n) || n < lowest || n > highest)
        return std::nullopt;
    return n;
}

std::optional<int> wholeNumber(const QString &value, int lowest, int highest)
{
    bool ok = false;
    const int n = value.toInt(&ok);
    if (!ok || n < lowest || n > highest)
        return std::nullopt;
    return n;
}

QString outOfRange(double lowest, double highest, const QString &unit)
{
    return QStringLiteral("must be a number from %1 to %2%3").arg(lowest).arg(highest).arg(unit);
}

std::optional<QString> seconds(std::chrono::milliseconds &into, const QString &value, double lowest,
                               double highest)
{
    const auto n = number(value, lowest, highest);
    if (!n)
        return outOfRange(lowest, highest, QStringLiteral(" (seconds)"));
    into = std::chrono::milliseconds(qint64(std::llround(*n * 1000)));
    return std::nullopt;
}

std::optional<QString> count(int &into, const QString &value, int lowest, int highest)
{
    const auto n = wholeNumber(value, lowest, highest);
    if (!n)
        return QStringLiteral("must be a whole number from %1 to %2").arg(lowest).arg(highest);
    into = *n;
    return std::nullopt;
}

QString endpointForm()
{
    return QStringLiteral("must be ADDRESS:PORT (an IP address, [IPv6] or *, and a port from 1 to 65535)");
}

std::optional<QString> checkName(const QString &value)
{
    const QByteArray utf8 = value.toUtf8();
    if (utf8.isEmpty() || utf8.size() > 64)
        return QStringLiteral("must be 1 to 64 bytes of UTF-8 (it is %1)").arg(utf8.size());
    for (const QChar c : value) {
        if (!c.isPrint())
            return QStringLiteral("must hold printable characters only");
    }
    return std::nullopt;
}

struct Key {
    const char *name;
    Apply apply;
};

const QList<Key> &keyTable()
{
    static const QList<Key> table{
        {"port", [](ProjectorConfig &c, const QString &v) -> std::optional<QString> {
             if (v.isEmpty())
                 return QStringLiteral("needs a port: COMn, a device or a socket:// or rfc2217:// URL");
             c.port = v;
             return std::nullopt;
         }},
        {"baud", [](ProjectorConfig &c, const QString &v) -> std::optional<QString> {
             if (v != QLatin1StringView("9600") && v != QLatin1StringView("19200"))
                 return QStringLiteral("must be 9600 or 19200");
             c.baud = v.toInt();
             return std::nullopt;
         }},
        {"pjlink", [](ProjectorConfig &c, const QString &v) -> std::optional<QString> {
             if (!parseEndpoint(v, &c.listenAddress, &c.listenPort))
                 return endpointForm();
             return std::nullopt;
         }},
        {"http", [](ProjectorConfig &c, const QString &v) -> std::optional<QString> {
             QHostAddress address;
             if (!parseEndpoint(v, &address, &c.httpPort))
                 return endpointForm();
             c.httpAddress = address;
             return std::nullopt;
         }},
        {"http-max-connections", [](ProjectorConfig &c, const QString &v) {
             return count(c.httpMaxConnections, v, 1, 4096);
         }},
        {"name", [](ProjectorConfig &c, const QString &v) -> std::optional<QString> {
             if (auto problem = checkName(v))
                 return problem;
             c.name = v;
             return std::nullopt;
         }},
        {"password-file", [](ProjectorConfig &c, const QString &v) -> std::optional<QString> {
             if (v.isEmpty())
                 return QStringLiteral("needs a file name");
             c.passwordFile = v;
             return std::nullopt;
         }},
        {"inputs", [](ProjectorConfig &c, const QString &v) -> std::optional<QString> {
             QString error;
             const auto inputs = InputTable::parse(v, &error);
             if (!inputs)
                 return error;
             c.inputs = *inputs;
             return std::nullopt;
         }},
        {"poll-interval", [](ProjectorConfig &c, const QString &v) {
             return seconds(c.pollInterval, v, 0, 3600);
         }},
        {"idle-timeout", [](ProjectorConfig &c, const QString &v) {
             return seconds(c.idleTimeout, v, 0.1, 3600);
         }},
        {"max-clients", [](ProjectorConfig &c, const QString &v) {
             return count(c.maxClients, v, 1, 1024);
         }},
        {"reply-timeout", [](ProjectorConfig &c, const QString &v) -> std::optional<QString> {
             const auto n = wholeNumber(v, 50, 10000);
             if (!n)
                 return QStringLiteral("must be a whole number from 50 to 10000 (milliseconds)");
             c.replyTimeout = std::chrono::milliseconds(*n);
             return std::nullopt;
         }},
        {"temperature-warning", [](ProjectorConfig &c, const QString &v) -> std::optional<QString> {
             const auto n = number(v, 0, 200);
             if (!n)
                 return outOfRange(0, 200, QStringLiteral(" (degrees C; 0: never)"));
             c.temperatureWarning = *n;
             return std::nullopt;
         }},
        {"lamp-life", [](ProjectorConfig &c, const QString &v) -> std::optional<QString> {
             const auto n = number(v, 0, 100000);
             if (!n)
                 return outOfRange(0, 100000, QStringLiteral(" (hours; 0: not given)"));
             c.lampLifeHours = *n;
             return std::nullopt;
         }},
        {"discovery", [](ProjectorConfig &c, const QString &v) -> std::optional<QString> {
             static const QStringList yes{"true", "yes", "on", "1"};
             static const QStringList no{"false", "no", "off", "0"};
             if (yes.contains(v, Qt::CaseInsensitive))
                 c.discovery = true;
             else if (no.contains(v, Qt::CaseInsensitive))
                 c.discovery = false;
             else
                 return QStringLiteral("must be true or false");
             return std::nullopt;
         }},
        {"discovery-port", [](ProjectorConfig &c, const QString &v) -> std::optional<QString> {
             const auto n = wholeNumber(v, 1, 65535);
             if (!n)
                 return QStringLiteral("must be a port from 1 to 65535");
             c.discoveryPort = quint16(*n);
             return std::nullopt;
         }},
    };
    return table;
}

template <typename Table>
QStringList namesOf(const Table &table)
{
    QStringList names;
    for (const auto &key : table)
        names.append(QLatin1StringView(key.name));
    return names;
}

struct WebKey {
    const char *name;
    std::function<std::optional<QString>(WebConfig &, const QString &value)> apply;
};

const QList<WebKey> &webKeyTable()
{
    static const QList<WebKey> table{
        {"listen", [](WebConfig &c, const QString &v) -> std::optional<QString> {
             if (!parseEndpoint(v, &c.address, &c.port))
                 return endpointForm();
             return std::nullopt;
         }},
        {"password-file", [](WebConfig &c, const QString &v) -> std::optional<QString> {
             if (v.isEmpty())
                 return QStringLiteral("needs a file name");
             c.passwordFile = v;
             return std::nullopt;
         }},
        {"max-connections", [](WebConfig &c, const QString &v) { return count(c.maxConnections, v, 1, 4096); }},
        {"idle-timeout", [](WebConfig &c, const QString &v) { return seconds(c.idleTimeout, v, 0.1, 3600); }},
        {"request-timeout", [](WebConfig &c, const QString &v) { return seconds(c.requestTimeout, v, 0.1, 600); }},
        {"connections-per-peer", [](WebConfig &c, const QString &v) { return count(c.connectionsPerPeer, v, 1, 4096); }},
        {"hosts", [](WebConfig &c, const QString &v) -> std::optional<QString> {
             c.hosts.clear();
             static const QRegularExpression name(QStringLiteral("^[A-Za-z0-9]([A-Za-z0-9.-]{0,252})$"));
             for (const QString &host : v.split(QLatin1Char(' '), Qt::SkipEmptyParts)) {
                 if (!name.match(host).hasMatch())
                     return QStringLiteral("must be host names separated by spaces (not \"%1\")").arg(host.left(100));
                 c.hosts.append(host.toLower());
             }
             return std::nullopt;
         }},
        {"trusted-proxies", [](WebConfig &c, const QString &v) -> std::optional<QString> {
             c.trustedProxies.clear();
             for (const QString &proxy : v.split(QLatin1Char(' '), Qt::SkipEmptyParts)) {
                 const QHostAddress address(proxy);
                 if (address.isNull())
                     return QStringLiteral("must be IP addresses separated by spaces (not \"%1\")").arg(proxy.left(100));
                 c.trustedProxies.append(address);
             }
             return std::nullopt;
         }},
    };
    return table;
}

struct MetricsKey {
    const char *name;
    std::function<std::optional<QString>(MetricsConfig &, const QString &value)> apply;
};

const QList<MetricsKey> &metricsKeyTable()
{
    static const QList<MetricsKey> table{
        {"listen", [](MetricsConfig &c, const QString &v) -> std::optional<QString> {
             if (!parseEndpoint(v, &c.address, &c.port))
                 return endpointForm();
             return std::nullopt;
         }},
        {"password-file", [](MetricsConfig &c, const QString &v) -> std::optional<QString> {
             if (v.isEmpty())
                 return QStringLiteral("needs a file name");
             c.passwordFile = v;
             return std::nullopt;
         }},
    };
    return table;
}

bool fail(QString *error, const QString &where, const QString &message)
{
    *error = QStringLiteral("%1: %2").arg(where, message);
    return false;
}

bool sameListenSocket(const ProjectorConfig &a, const ProjectorConfig &b)
{
    const auto isAny = [](const QHostAddress &address) {
        return address == QHostAddress::Any || address == QHostAddress::AnyIPv4
            || address == QHostAddress::AnyIPv6;
    };
    return a.listenPort == b.listenPort
        && (a.listenAddress.isEqual(b.listenAddress) || isAny(a.listenAddress) || isAny(b.listenAddress));
}

QString whereOf(const Section &section, const QString &key)
{
    for (const Setting &s : section.settings) {
        if (s.key == key)
            return s.where;
    }
    return section.where;
}

// Every setting of the section by its key of `table`; the first problem in
// `error` ("WHERE: ..."). `in` names the section in a message, or nothing.
template <typename Config, typename Table>
bool apply(const Section &section, const Table &table, Config &config, const QString &in, QString *error)
{
    for (const Setting &setting : section.settings) {
        const auto key = std::find_if(table.begin(), table.end(),
                                      [&setting](const auto &k) { return setting.key == QLatin1StringView(k.name); });
        if (key == table.end())
            return fail(error, setting.where, QStringLiteral("unknown key %1%2 (the keys: %3)")
                                                  .arg(setting.key, in, namesOf(table).join(QLatin1StringView(", "))));
        if (const auto problem = key->apply(config, setting.value.trimmed()))
            return fail(error, setting.where, QStringLiteral("%1 %2").arg(setting.key, *problem));
    }
    return true;
}

// [web], [metrics] or [mqtt], unless it has a port: a projector called so stays one.
bool isSectionOf(const Section &section, QStringView name)
{
    return section.name == name
        && std::none_of(section.settings.begin(), section.settings.end(),
                        [](const Setting &s) { return s.key == u"port"; });
}

bool isWebSection(const Section &section)
{
    return isSectionOf(section, u"web");
}

std::optional<WebConfig> webSection(const Section &section, QString *error)
{
    WebConfig web;
    if (!apply(section, webKeyTable(), web, QStringLiteral(" in [web]"), error))
        return std::nullopt;
    web.where = whereOf(section, QStringLiteral("listen"));
    if (web.port == 0) {
        fail(error, section.where, QStringLiteral("[web] has no listen: give listen = ADDRESS:PORT"));
        return std::nullopt;
    }
    // Beyond loopback the page changes projectors for whoever reaches it.
    if (!web.address.isLoopback() && web.passwordFile.isEmpty()) {
        fail(error, web.where,
             QStringLiteral("the web page on %1 needs a password-file: it is reachable beyond this machine")
                 .arg(web.endpoint()));
        return std::nullopt;
    }
    return web;
}

bool isMetricsSection(const Section &section)
{
    return isSectionOf(section, u"metrics");
}

std::optional<MetricsConfig> metricsSection(const Section &section, QString *error)
{
    MetricsConfig metrics;
    if (!apply(section, metricsKeyTable(), metrics, QStringLiteral(" in [metrics]"), error))
        return std::nullopt;
    metrics.where = whereOf(section, QStringLiteral("listen"));
    if (metrics.port == 0) {
        fail(error, section.where, QStringLiteral("[metrics] has no listen: give listen = ADDRESS:PORT"));
        return std::nullopt;
    }
    // The figures name every room and its state: beyond loopback only with a password.
    if (!metrics.address.isLoopback() && metrics.passwordFile.isEmpty()) {
        fail(error, metrics.where,
             QStringLiteral("the metrics on %1 need a password-file: they are reachable beyond this machine")
                 .arg(metrics.endpoint()));
        return std::nullopt;
    }
    return metrics;
}

} // namespace

bool parseEndpoint(QStringView text, QHostAddress *address, quint16 *port)
{
    QStringView host;
    QStringView portText = text;
    if (const qsizetype colon = text.lastIndexOf(u':'); colon >= 0) {
        host = text.first(colon);
        portText = text.sliced(colon + 1);
    } else {
        host = u"127.0.0.1";
    }
    if (host.startsWith(u'[') && host.endsWith(u']'))
        host = host.sliced(1, host.size() - 2);
    bool ok = false;
    const uint number = portText.toUInt(&ok);
    if (!ok || number < 1 || number > 65535)
        return false;
    QHostAddress parsed;
    if (host == u"*")
        parsed = QHostAddress(QHostAddress::Any);
    else if (!parsed.setAddress(host.toString()))
        return false;
    *address = parsed;
    *port = quint16(number);
    return true;
}

std::optional<QList<Section>> readSections(QStringView text, const QString &fileName, QString *error)
{
    static const QRegularExpression sectionLine(QStringLiteral("^\\[\\s*([^\\]]*?)\\s*\\]$"));
    static const QRegularExpression settingLine(QStringLiteral("^([A-Za-z0-9-]+)\\s*=\\s*(.*)$"));
    QList<Section> sections;
    int lineNumber = 0;
    for (QStringView line : text.split(u'\n')) {
        ++lineNumber;
        const QString where = QStringLiteral("%1:%2").arg(fileName).arg(lineNumber);
        line = line.trimmed();
        if (line.isEmpty() || line.startsWith(u'#') || line.startsWith(u';'))
            continue;
        if (const auto m = sectionLine.match(line.toString()); m.hasMatch()) {
            const QString name = m.captured(1);
            if (name.isEmpty()) {
                fail(error, where, QStringLiteral("a section needs a name: [room-101]"));
                return std::nullopt;
            }
            for (const Section &s : std::as_const(sections)) {
                if (s.name == name) {
                    fail(error, where, QStringLiteral("section [%1] comes twice (first at %2)").arg(name, s.where));
                    return std::nullopt;
                }
            }
            sections.append(Section{name, where, {}});
            continue;
        }
        const auto m = settingLine.match(line.toString());
        if (!m.hasMatch()) {
            fail(error, where, QStringLiteral("not understood: a line is [section], key = value, or a "
                                              "comment starting with # or ;"));
            return std::nullopt;
        }
        if (sections.isEmpty()) {
            fail(error, where, QStringLiteral("%1 stands before any section; each projector is a "
                                              "section, as in [room-101]").arg(m.captured(1)));
            return std::nullopt;
        }
        const QString key = m.captured(1).toLower();
        for (const Setting &s : std::as_const(sections.last().settings)) {
            if (s.key == key) {
                fail(error, where, QStringLiteral("%1 comes twice in [%2] (first at %3)")
                                       .arg(key, sections.last().name, s.where));
                return std::nullopt;
            }
        }
        sections.last().settings.append(Setting{key, m.captured(2), where});
    }
    if (sections.isEmpty()) {
        fail(error, fileName, QStringLiteral("no projector: add a section such as [room-101] with a port"));
        return std::nullopt;
    }
    return sections;
}

QStringList keys()
{
    return namesOf(keyTable());
}

std::optional<ProjectorConfig> projector(const Section &section, QString *error)
{
    ProjectorConfig config;
    config.name = section.name;
    config.where = section.where;
    for (const Setting &setting : section.settings)
        config.whereOf.insert(setting.key, setting.where);
    if (!apply(section, keyTable(), config, QString(), error))
        return std::nullopt;
    if (config.port.isEmpty()) {
        fail(error, section.where, QStringLiteral("[%1] has no port").arg(section.name));
        return std::nullopt;
    }
    // Beyond loopback the page changes projectors for whoever reaches it.
    if (config.httpAddress && !config.httpAddress->isLoopback() && config.passwordFile.isEmpty()) {
        fail(error, whereOf(section, QStringLiteral("http")),
             QStringLiteral("the web page on %1 needs a password-file: it is reachable beyond this machine")
                 .arg(config.httpEndpoint()));
        return std::nullopt;
    }
    if (config.discovery && config.listenPort != 4352) {
        fail(error, whereOf(section, QStringLiteral("discovery")),
             QStringLiteral("discovery finds projectors on PJLink's port 4352 only; this one listens on %1")
                 .arg(config.listenEndpoint()));
        return std::nullopt;
    }
    return config;
}

std::optional<QList<ProjectorConfig>> projectors(const QList<Section> &sections, QString *error)
{
    QList<ProjectorConfig> result;
    for (const Section &section : sections) {
        auto config = projector(section, error);
        if (!config)
            return std::nullopt;
        for (const ProjectorConfig &earlier : std::as_const(result)) {
            if (sameListenSocket(earlier, *config)) {
                fail(error, whereOf(section, QStringLiteral("pjlink")),
                     QStringLiteral("[%1] listens on %2 as [%3] does: give each projector a port (or "
                                    "address) of its own").arg(config->name, config->listenEndpoint(), earlier.name));
                return std::nullopt;
            }
            if (earlier.port == config->port) {
                fail(error, whereOf(section, QStringLiteral("port")),
                     QStringLiteral("[%1] uses the serial port %2 of [%3]: one line serves one projector")
                         .arg(config->name, config->port, earlier.name));
                return std::nullopt;
            }
            if (earlier.httpAddress && config->httpAddress) {
                fail(error, whereOf(section, QStringLiteral("http")),
                     QStringLiteral("[%1] serves the web page as [%2] does: one page shows every projector")
                         .arg(config->name, earlier.name));
                return std::nullopt;
            }
            if (earlier.discovery && config->discovery && earlier.discoveryPort == config->discoveryPort) {
                fail(error, whereOf(section, QStringLiteral("discovery")),
                     QStringLiteral("[%1] answers searches as [%2] does: one projector a machine can be found")
                         .arg(config->name, earlier.name));
                return std::nullopt;
            }
        }
        result.append(*config);
    }
    return result;
}

QStringList metricsKeys()
{
    return namesOf(metricsKeyTable());
}

QStringList webKeys()
{
    return namesOf(webKeyTable());
}

std::optional<WebConfig> webOf(const ProjectorConfig &config)
{
    if (!config.httpAddress)
        return std::nullopt;
    WebConfig web;
    web.where = config.whereOf.value(QStringLiteral("http"), config.where);
    web.address = *config.httpAddress;
    web.port = config.httpPort;
    web.passwordFile = config.passwordFile;
    web.maxConnections = config.httpMaxConnections;
    web.idleTimeout = config.idleTimeout;
    return web;
}

std::optional<Configuration> configuration(const QList<Section> &sections, QString *error)
{
    Configuration result;
    QList<Section> projectorSections;
    for (const Section &section : sections) {
        if (isMetricsSection(section)) {
            result.metrics = metricsSection(section, error);
            if (!result.metrics)
                return std::nullopt;
            continue;
        }
        if (isSectionOf(section, u"mqtt")) {
            result.mqtt = mqttSection(section, error);
            if (!result.mqtt)
                return std::nullopt;
            continue;
        }
        if (!isWebSection(section)) {
            projectorSections.append(section);
            continue;
        }
        result.web = webSection(section, error);
        if (!result.web)
            return std::nullopt;
    }
    if (projectorSections.isEmpty()) {
        fail(error, sections.first().where, QStringLiteral("no projector: add a section such as [room-101] with a port"));
        return std::nullopt;
    }
    auto projectorConfigs = projectors(projectorSections, error);
    if (!projectorConfigs)
        return std::nullopt;
    for (const ProjectorConfig &projector : std::as_const(*projectorConfigs)) {
        const auto old = webOf(projector);
        if (!old)
            continue;
        if (result.web) {
            fail(error, old->where, QStringLiteral("[%1] serves the web page as [web] does: one page shows every "
                                                   "projector").arg(projector.name));
            return std::nullopt;
        }
        result.web = old;
        result.notes.append(QStringLiteral("%1: http in [%2] is read as [web]'s listen, with [%2]'s password-file, "
                                           "idle-timeout and http-max-connections; the page's keys belong in a "
                                           "[web] section").arg(old->where, projector.name));
    }
    if (result.mqtt) {
        // Each projector's topics are its name as one level: two names must not meet there.
        QMap<QString, QString> levels;
        for (const ProjectorConfig &projector : std::as_const(*projectorConfigs)) {
            const QString level = MqttTopics::levelFor(projector.name);
            if (levels.contains(level)) {
                fail(error, projector.where, QStringLiteral("[%1] would have the MQTT topics of [%2] (%3/%4/...): "
                                                            "give one a name of its own")
                                                 .arg(projector.name, levels.value(level), result.mqtt->topicPrefix, level));
                return std::nullopt;
            }
            levels.insert(level, projector.name);
        }
    }
    result.projectors = *projectorConfigs;
    return result;
}

namespace {

std::optional<QString> mqttBroker(MqttConfig &c, const QString &v)
{
    const QUrl url(v, QUrl::StrictMode);
    const QString scheme = url.scheme();
    if (!url.isValid() || (scheme != u"mqtt" && scheme != u"mqtts") || url.host().isEmpty()
        || !url.userInfo().isEmpty() || !(url.path().isEmpty() || url.path() == u"/") || url.hasQuery())
        return QStringLiteral("must be mqtt://HOST[:PORT] or mqtts://HOST[:PORT]");
    c.tls = scheme == u"mqtts";
    c.host = url.host();
    c.port = quint16(url.port(c.tls ? 8883 : 1883));
    return std::nullopt;
}

using MqttApply = std::function<std::optional<QString>(MqttConfig &, const QString &value)>;

MqttApply fileKey(QString MqttConfig::*field)
{
    return [field](MqttConfig &c, const QString &v) -> std::optional<QString> {
        if (v.isEmpty())
            return QStringLiteral("needs a file name");
        c.*field = v;
        return std::nullopt;
    };
}

struct MqttKey {
    const char *name;
    MqttApply apply;
};

const QList<MqttKey> &mqttKeyTable()
{
    static const QList<MqttKey> table{
        {"broker", &mqttBroker},
        {"ca-file", fileKey(&MqttConfig::caFile)},
        {"cert-file", fileKey(&MqttConfig::certFile)},
        {"key-file", fileKey(&MqttConfig::keyFile)},
        {"username", [](MqttConfig &c, const QString &v) -> std::optional<QString> {
             if (v.isEmpty() || v.toUtf8().size() > 256)
                 return QStringLiteral("must be 1 to 256 bytes");
             c.username = v;
             return std::nullopt;
         }},
        {"password-file", fileKey(&MqttConfig::passwordFile)},
        {"client-id", [](MqttConfig &c, const QString &v) -> std::optional<QString> {
             static const QRegularExpression form(QStringLiteral("^[A-Za-z0-9_-]{1,64}$"));
             if (!form.match(v).hasMatch())
                 return QStringLiteral("must be 1 to 64 letters, digits, - or _ (it names the bridge in topics)");
             c.clientId = v;
             return std::nullopt;
         }},
        {"topic-prefix", [](MqttConfig &c, const QString &v) -> std::optional<QString> {
             if (!MqttTopics::isPrefix(v))
                 return QStringLiteral("must be topic levels separated by / (no +, #, empty level or leading $)");
             c.topicPrefix = v;
             return std::nullopt;
         }},
        {"discovery-prefix", [](MqttConfig &c, const QString &v) -> std::optional<QString> {
             if (!v.isEmpty() && !MqttTopics::isPrefix(v))
                 return QStringLiteral("must be topic levels separated by / (empty: no discovery)");
             c.discoveryPrefix = v;
             return std::nullopt;
         }},
    };
    return table;
}

} // namespace

QStringList mqttKeys()
{
    return namesOf(mqttKeyTable());
}

std::optional<MqttConfig> mqttSection(const Section &section, QString *error)
{
    MqttConfig mqtt;
    for (const Setting &setting : section.settings)
        mqtt.whereOf.insert(setting.key, setting.where);
    if (!apply(section, mqttKeyTable(), mqtt, QStringLiteral(" in [mqtt]"), error))
        return std::nullopt;
    mqtt.where = whereOf(section, QStringLiteral("broker"));
    if (mqtt.host.isEmpty()) {
        fail(error, section.where, QStringLiteral("[mqtt] has no broker: give broker = mqtt://HOST:1883"));
        return std::nullopt;
    }
    if (mqtt.certFile.isEmpty() != mqtt.keyFile.isEmpty()) {
        fail(error, whereOf(section, mqtt.certFile.isEmpty() ? QStringLiteral("key-file") : QStringLiteral("cert-file")),
             QStringLiteral("a client certificate needs both cert-file and key-file"));
        return std::nullopt;
    }
    const bool tlsFiles = !mqtt.caFile.isEmpty() || !mqtt.certFile.isEmpty();
    if (tlsFiles && !mqtt.tls) {
        fail(error, whereOf(section, mqtt.caFile.isEmpty() ? QStringLiteral("cert-file") : QStringLiteral("ca-file")),
             QStringLiteral("TLS files need an mqtts:// broker (the broker is %1)").arg(mqtt.where));
        return std::nullopt;
    }
    if (!mqtt.passwordFile.isEmpty() && mqtt.username.isEmpty()) {
        fail(error, whereOf(section, QStringLiteral("password-file")),
             QStringLiteral("a password-file needs a username"));
        return std::nullopt;
    }
    if (mqtt.clientId.isEmpty())
        mqtt.clientId = QStringLiteral("rm740-%1").arg(MqttTopics::levelFor(QHostInfo::localHostName()));
    return mqtt;
}

} // namespace BridgeConfig
