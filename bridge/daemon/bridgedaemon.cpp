#include "bridge/bridgedaemon.h"

#include "bridge/passwordfile.h"
#include "bridge/pjlinkdiscovery.h"
#include "bridge/pjlinkserver.h"
#include "bridge/projectorservice.h"
#include "bridge/webfront.h"
#include "ctl/portchoice.h"
#include "link/linksettings.h"
#include "link/portsgroup.h"
#include "transports/porttarget.h"

#include <QSettings>

#include <cstdio>

std::optional<QList<ServedProjector>> prepareProjectors(const QList<ProjectorConfig> &configs, QString *error)
{
    const auto store = LinkSettings::openStore();
    QList<ServedProjector> prepared;
    for (const ProjectorConfig &config : configs) {
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
        served.networkPort = PortTarget::fromEntry(served.portEntry).isNetwork();
        if (!config.passwordFile.isEmpty()) {
            served.password = PasswordFile::read(PasswordFile::expanded(config.passwordFile), &problem);
            if (!served.password) {
                *error = QStringLiteral("%1: %2").arg(config.whereOf.value(QStringLiteral("password-file")), problem);
                return std::nullopt;
            }
        }
        prepared.append(served);
    }
    return prepared;
}

BridgeDaemon::BridgeDaemon(const QList<ServedProjector> &projectors, const QString &version, QObject *parent)
    : QObject(parent)
{
    for (const ServedProjector &served : projectors) {
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
    // One page for every projector, with the password of the section that asks for it.
    for (const ServedProjector &served : projectors) {
        if (!served.config.httpAddress)
            continue;
        QList<WebFront::Projector> fronts;
        for (const Projector &p : std::as_const(m_projectors))
            fronts.append({p.service, p.served.config.inputs, p.served.config.temperatureWarning});
        m_web = new WebFront(fronts, served.password,
                             {served.config.httpMaxConnections, served.config.idleTimeout}, this);
        m_webWhere = served.config.whereOf.value(QStringLiteral("http"), served.config.where);
        m_webAddress = *served.config.httpAddress;
        m_webPort = served.config.httpPort;
        m_webEndpoint = served.config.httpEndpoint();
        connect(m_web, &WebFront::logLine, this, [this](const QString &line) { log(QStringLiteral("web"), line); });
        m_webPassword = served.password.has_value();
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
    if (m_web) {
        QString problem;
        if (!m_web->listen(m_webAddress, m_webPort, &problem)) {
            *error = QStringLiteral("%1: cannot serve the web page on %2: %3").arg(m_webWhere, m_webEndpoint, problem);
            shutDown();
            return false;
        }
        log(QStringLiteral("web"), tr("the web page on http://%1/%2").arg(m_webEndpoint,
                                                                       m_webPassword ? tr(" with a password") : QString()));
    }
    for (const Projector &p : std::as_const(m_projectors))
        p.service->start();
    return true;
}

void BridgeDaemon::shutDown()
{
    if (m_web)
        m_web->close();
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
    // One line an event; the journal adds the time.
    const QByteArray text = QStringLiteral("[%1] %2\n").arg(name, line).toUtf8();
    std::fwrite(text.constData(), 1, size_t(text.size()), stderr);
    std::fflush(stderr);
}
