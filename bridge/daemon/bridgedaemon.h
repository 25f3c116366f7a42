#pragma once

#include "bridge/daemon/bridgeconfig.h"

#include <QByteArray>
#include <QHostAddress>
#include <QList>
#include <QObject>
#include <QStringList>
#include <QString>

#include <optional>

class MqttBridge;
class PjlinkDiscovery;
class PjlinkServer;
class ProjectorService;
class WebFront;

// One projector ready to serve: its configuration checked whole, its port
// resolved and its password read.
struct ServedProjector {
    ProjectorConfig config;
    QString portLabel;
    int comNumber = 0;
    QString portEntry;
    bool networkPort = false;
    std::optional<QByteArray> password;
};

// The web page ready to serve, its password read.
struct ServedWeb {
    WebConfig config;
    std::optional<QByteArray> password;
};

// The metrics' own listener ready to serve, its password read.
struct ServedMetrics {
    MetricsConfig config;
    std::optional<QByteArray> password;
};

// The broker ready to be used, its password read.
struct ServedMqtt {
    MqttConfig config;
    std::optional<QByteArray> password;
};

struct Served {
    QList<ServedProjector> projectors;
    std::optional<ServedWeb> web;
    std::optional<ServedMetrics> metrics;
    std::optional<ServedMqtt> mqtt;
    QStringList notes;     // logged at start
    QStringList warnings;  // "WHERE: ..." that hold now but may not later (a port not plugged in)
};

// Everything the configuration asks for that needs the system: the port
// each projector names (COM numbers through the store's "Ports" group) and
// the password files. Nothing, with `error` ("WHERE: ..."), on the first problem.
[[nodiscard]] std::optional<Served> prepare(const BridgeConfig::Configuration &configuration, QString *error);

// rm740-bridge at work: for each projector its service and its PJLink port
// (and the search, where asked for), and one way to stop them all.
class BridgeMetrics;
class MetricsServer;

class BridgeDaemon : public QObject
{
    Q_OBJECT

public:
    explicit BridgeDaemon(const Served &prepared, const QString &version, QObject *parent = nullptr);
    ~BridgeDaemon() override;

    // Listens and opens the ports. False, with `error`, when a listen address
    // cannot be used (nothing is left listening then).
    [[nodiscard]] bool start(QString *error);
    // Closes every client and port; the daemon is then idle and can go.
    void shutDown();

private:
    struct Projector {
        ServedProjector served;
        ProjectorService *service = nullptr;
        PjlinkServer *pjlink = nullptr;
        PjlinkDiscovery *discovery = nullptr;
    };

    void log(const QString &name, const QString &line);

    QList<Projector> m_projectors;
    std::optional<ServedWeb> m_servedWeb;
    WebFront *m_web = nullptr;      // only where the configuration asks for it
    BridgeMetrics *m_metrics = nullptr;
    std::optional<ServedMetrics> m_servedMetrics;
    MetricsServer *m_metricsServer = nullptr;  // only where [metrics] gives a listen
    MqttBridge *m_mqtt = nullptr;   // likewise
    QString m_servedMqttWhere;
    QStringList m_notes;
};
