#include "bridge/daemon/bridgedaemon.h"

#include "bridge/daemon/passwordfile.h"
#include "bridge/metrics/bridgemetrics.h"
#include "bridge/metrics/metricsserver.h"
#include "bridge/mqtt/mqttbridge.h"
#include "bridge/mqtt/mqtttopics.h"
#include "bridge/pjlink/pjlinkdiscovery.h"
#include "bridge/pjlink/pjlinkserver.h"
#include "bridge/projector/projectorservice.h"
#include "bridge/web/webfront.h"
#include "ctl/portchoice.h"
#include "link/linksettings.h"
#include "link/portsgroup.h"
#include "transports/messagetext.h"
#include "transports/porttarget.h"

#include <QFileInfo>
#include <QSettings>

#include <cstdio>

namespace {

std::optional<QByteArray> readPassword(const QString &file, const QString &where, QString *error)
{
    QString problem;
    const auto path = PasswordFile::expanded(file, &problem);
    auto password = path ? PasswordFile::read(*path, &problem) : std::nullopt;
    if (!password)
        *error = QStringLiteral("%1: %2").arg(where, problem);
    return password;
}

} // namespace

std::optional<Served> prepare(const BridgeConfig::Configuration &configuration, QString *error)
{
    const auto store = LinkSettings::openStore();
    Served prepared;
    prepared.notes = configuration.notes;
    for (const ProjectorConfig &config : configuration.projectors) {
        ServedProjector served{config, {}, 0, {}, false, std::nullopt};
        QString problem;
        const auto choice = PortChoice::fromArgument(config.port, &problem);
        if (!choice) {
            *error = QStringLiteral("%1: port %2").arg(config.whereOf.value(QStringLiteral("port")), problem);
            return std::nullopt;
        }
        served.portLabel = choice->label;
        served.comNumber = choice->comNumber;
        // A COM number opens what the store's "Ports" group maps it to, as in the panel.
        served.portEntry = choice->comNumber > 0 ? PortsGroup::entryFor(choice->comNumber, *store) : choice->entry;
        const PortTarget target = PortTarget::fromEntry(served.portEntry);
        served.networkPort = target.isNetwork();
        // An adapter may be plugged in later: the service waits for it, so this is no refusal.
        if (target.kind == PortTarget::Kind::Device && !QFileInfo::exists(target.device))
            prepared.warnings.append(QStringLiteral("%1: port %2: %3 does not exist now; the bridge opens it when it appears")
                                         .arg(config.whereOf.value(QStringLiteral("port"), config.where), config.port,
                                              target.device));
        if (!config.passwordFile.isEmpty()) {
            served.password = readPassword(config.passwordFile, config.whereOf.value(QStringLiteral("password-file")), error);
            if (!served.password)
                return std::nullopt;
        }
        prepared.projectors.append(served);
    }
    if (const auto &web = configuration.web) {
        prepared.web = ServedWeb{*web, std::nullopt};
        if (!web->passwordFile.isEmpty()) {
            prepared.web->password = readPassword(web->passwordFile, web->where, error);
            if (!prepared.web->password)
                return std::nullopt;
        }
    }
    if (const auto &metrics = configuration.metrics) {
        prepared.metrics = ServedMetrics{*metrics, std::nullopt};
        if (!metrics->passwordFile.isEmpty()) {
            prepared.metrics->password =
                readPassword(metrics->passwordFile, metrics->where.isEmpty() ? QStringLiteral("[metrics]") : metrics->where, error);
            if (!prepared.metrics->password)
                return std::nullopt;
        }
    }
    if (const auto &mqtt = configuration.mqtt) {
        prepared.mqtt = ServedMqtt{*mqtt, std::nullopt};
        const std::pair<const char *, QString> files[] = {
            {"ca-file", mqtt->caFile}, {"cert-file", mqtt->certFile}, {"key-file", mqtt->keyFile}};
        for (const auto &[key, file] : files) {
            const QString where = mqtt->whereOf.value(QLatin1StringView(key));
            if (!file.isEmpty() && !QFileInfo(file).isReadable()) {
                *error = QStringLiteral("%1: %2 %3 cannot be read").arg(where, QLatin1StringView(key), file);
                return std::nullopt;
            }
        }
        if (!mqtt->passwordFile.isEmpty()) {
            prepared.mqtt->password = readPassword(mqtt->passwordFile, mqtt->whereOf.value(QStringLiteral("password-file")), error);
            if (!prepared.mqtt->password)
                return std::nullopt;
        }
    }
    return prepared;
}

BridgeDaemon::BridgeDaemon(const Served &prepared, const QString &version, QObject *parent)
    : QObject(parent)
    , m_servedWeb(prepared.web)
    , m_servedMetrics(prepared.metrics)
    , m_servedMqttWhere(prepared.mqtt ? prepared.mqtt->config.where : QString())
    , m_notes(prepared.notes)
{
    for (const ServedProjector &served : prepared.projectors) {
        const ProjectorConfig &config = served.config;
        Projector p;
        p.served = served;
        ProjectorService::Settings settings;
        settings.name = config.name;
        settings.port = SessionPort{served.portLabel, served.comNumber, served.portEntry};
        settings.serialParameters = LinkSettings::serialParameters(
            config.baud == 9600 ? LinkSettings::Baud9600 : LinkSettings::Baud19200);
        settings.networkPort = served.networkPort;
        settings.replyTimeout = config.replyTimeout;
        settings.pollInterval = config.pollInterval;
        p.service = new ProjectorService(settings, this);

        PjlinkSettings pjlink;
        pjlink.password = served.password;
        pjlink.idleTimeout = config.idleTimeout;
        pjlink.inputs = config.inputs;
        pjlink.identity = PjlinkTable::Identity{config.name.toUtf8(), ("rm740-bridge " + version).toLatin1(),
                                                config.temperatureWarning};
        p.pjlink = new PjlinkServer(*p.service, pjlink, config.maxClients, this);
        if (config.discovery)
            p.discovery = new PjlinkDiscovery(config.listenAddress, config.discoveryPort, this);

        const QString name = config.name;
        connect(p.service, &ProjectorService::logLine, this, [this, name](const QString &line) { log(name, line); });
        connect(p.pjlink, &PjlinkServer::logLine, this, [this, name](const QString &line) { log(name, line); });
        if (p.discovery)
            connect(p.discovery, &PjlinkDiscovery::logLine, this, [this, name](const QString &line) { log(name, line); });
        m_projectors.append(p);
    }
    QList<BridgeMetrics::Projector> counted;
    for (const Projector &p : std::as_const(m_projectors))
        counted.append({p.service, p.served.config.lampLifeHours, p.served.config.temperatureWarning});
    m_metrics = new BridgeMetrics(counted, version, this);
    for (int id = 0; id < m_projectors.size(); ++id) {
        PjlinkServer *pjlink = m_projectors[id].pjlink;
        connect(pjlink, &PjlinkServer::connectionTaken, m_metrics, [this, id] { m_metrics->countPjlinkConnection(id, false); });
        connect(pjlink, &PjlinkServer::connectionRefused, m_metrics, [this, id] { m_metrics->countPjlinkConnection(id, true); });
        connect(pjlink, &PjlinkServer::wrongPassword, m_metrics, [this] { m_metrics->countWrongPassword("pjlink"); });
    }
    if (m_servedMetrics) {
        m_metricsServer = new MetricsServer([metrics = m_metrics] { return metrics->scrape(); },
                                            m_servedMetrics->password, this);
        connect(m_metricsServer, &MetricsServer::wrongPassword, m_metrics, [this] { m_metrics->countWrongPassword("metrics"); });
    }
    // One page for every projector.
    if (m_servedWeb) {
        QList<WebFront::Projector> fronts;
        for (const Projector &p : std::as_const(m_projectors))
            fronts.append({p.service, p.served.config.inputs, p.served.config.temperatureWarning});
        const WebConfig &web = m_servedWeb->config;
        m_web = new WebFront(fronts, m_servedWeb->password,
                             {web.maxConnections, web.idleTimeout, web.requestTimeout, web.connectionsPerPeer,
                              web.hosts, web.trustedProxies},
                             this);
        connect(m_web, &WebFront::logLine, this, [this](const QString &line) { log(QStringLiteral("web"), line); });
        connect(m_web, &WebFront::wrongPassword, m_metrics, [this] { m_metrics->countWrongPassword("web"); });
        m_metrics->setPagesOpen([web = m_web] { return web->pagesOpen(); });
        m_web->addGetRoute(QLatin1StringView(MetricsServer::Path), [metrics = m_metrics](QHttpServerResponder &responder) {
            MetricsServer::answerScrape(responder, metrics->scrape());
        });
    }
    if (prepared.mqtt) {
        const MqttConfig &config = prepared.mqtt->config;
        MqttBridge::Settings settings;
        settings.client = {config.host, config.port, config.tls, config.caFile, config.certFile, config.keyFile,
                           config.username, prepared.mqtt->password, config.clientId, {}, {}};
        settings.topicPrefix = config.topicPrefix;
        settings.bridgeId = config.clientId;
        settings.discoveryPrefix = config.discoveryPrefix;
        settings.version = version;
        QList<MqttFront::Projector> fronts;
        for (const Projector &p : std::as_const(m_projectors))
            fronts.append({p.service, MqttTopics::levelFor(p.served.config.name), p.served.config.name,
                           p.served.config.inputs, p.served.config.temperatureWarning});
        m_mqtt = new MqttBridge(settings, fronts, this);
        connect(m_mqtt, &MqttBridge::logLine, this, [this](const QString &line) { log(QStringLiteral("mqtt"), line); });
    }
}

BridgeDaemon::~BridgeDaemon()
{
    shutDown();
}

bool BridgeDaemon::start(QString *error)
{
    for (const Projector &p : std::as_const(m_projectors)) {
        const ProjectorConfig &config = p.served.config;
        if (!p.pjlink->listen(config.listenAddress, config.listenPort)) {
            *error = QStringLiteral("%1: cannot listen on %2: %3")
                         .arg(config.whereOf.value(QStringLiteral("pjlink"), config.where), config.listenEndpoint(),
                              p.pjlink->errorString());
            shutDown();
            return false;
        }
        if (p.discovery && !p.discovery->start()) {
            *error = QStringLiteral("%1: cannot answer searches on UDP port %2: %3")
                         .arg(config.whereOf.value(QStringLiteral("discovery"), config.where))
                         .arg(config.discoveryPort).arg(p.discovery->errorString());
            shutDown();
            return false;
        }
        log(config.name, tr("PJLink on %1%2 for %3 at %4 baud")
                             .arg(config.listenEndpoint(), p.served.password ? tr(" with a password") : QString(),
                                  p.served.portLabel).arg(config.baud));
    }
    for (const QString &note : std::as_const(m_notes))
        log(QStringLiteral("web"), note);
    if (m_web) {
        const WebConfig &web = m_servedWeb->config;
        QString problem;
        if (!m_web->listen(web.address, web.port, &problem)) {
            *error = QStringLiteral("%1: cannot serve the web page on %2: %3").arg(web.where, web.endpoint(), problem);
            shutDown();
            return false;
        }
        log(QStringLiteral("web"), tr("the web page on http://%1/%2").arg(web.endpoint(),
                                                                       m_servedWeb->password ? tr(" with a password") : QString()));
    }
    if (m_metricsServer) {
        const MetricsConfig &metrics = m_servedMetrics->config;
        QString problem;
        if (!m_metricsServer->listen(metrics.address, metrics.port, &problem)) {
            *error = QStringLiteral("%1: cannot serve the metrics on %2: %3").arg(metrics.where, metrics.endpoint(), problem);
            shutDown();
            return false;
        }
        log(QStringLiteral("metrics"), tr("the metrics on http://%1/metrics%2")
                                           .arg(metrics.endpoint(), m_servedMetrics->password ? tr(" with a password") : QString()));
    }
    for (const Projector &p : std::as_const(m_projectors))
        p.service->start();
    if (m_mqtt) {
        QString problem;
        if (!m_mqtt->start(&problem)) {
            *error = QStringLiteral("%1: MQTT: %2").arg(m_servedMqttWhere, problem);
            shutDown();
            return false;
        }
    }
    return true;
}

void BridgeDaemon::shutDown()
{
    if (m_mqtt)
        m_mqtt->stop();
    if (m_web)
        m_web->close();
    if (m_metricsServer)
        m_metricsServer->close();
    for (const Projector &p : std::as_const(m_projectors)) {
        p.pjlink->close();
        p.service->stop();
        if (p.discovery)
            p.discovery->deleteLater();
    }
    for (Projector &p : m_projectors)
        p.discovery = nullptr;
}

void BridgeDaemon::log(const QString &name, const QString &line)
{
    // One line an event, printable whatever a client sent; the journal adds the time.
    const QByteArray text = (MessageText::printable(QStringLiteral("[%1] %2").arg(name, line)) + u'\n').toUtf8();
    std::fwrite(text.constData(), 1, size_t(text.size()), stderr);
    std::fflush(stderr);
}
