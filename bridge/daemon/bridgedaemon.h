#pragma once

#include "bridge/bridgeconfig.h"

#include <QByteArray>
#include <QHostAddress>
#include <QList>
#include <QObject>
#include <QString>

#include <optional>

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

// Everything the configuration asks for that needs the system: the port
// each names (COM numbers through the store's "Ports" group) and the
// password files. Nothing, with `error` ("WHERE: ..."), on the first problem.
[[nodiscard]] std::optional<QList<ServedProjector>> prepareProjectors(const QList<ProjectorConfig> &configs,
                                                                      QString *error);

// rm740-bridge at work: for each projector its service and its PJLink port
// (and the search, where asked for), and one way to stop them all.
class BridgeDaemon : public QObject
{
    Q_OBJECT

public:
    explicit BridgeDaemon(const QList<ServedProjector> &projectors, const QString &version,
                          QObject *parent = nullptr);
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
    WebFront *m_web = nullptr;      // only where a section asks for it
    QString m_webWhere;
    QHostAddress m_webAddress;
    quint16 m_webPort = 0;
    QString m_webEndpoint;
    bool m_webPassword = false;
};
