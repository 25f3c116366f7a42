#pragma once

#include "bridge/projector/inputtable.h"

#include <QByteArray>
#include <QHostAddress>
#include <QList>
#include <QMap>
#include <QString>
#include <QStringList>
#include <QStringView>

#include <chrono>
#include <optional>

// One projector the bridge serves, as the configuration gives it.
struct ProjectorConfig {
    QString name;             // the section's name, or NAME's answer when `name` is set
    QString where;            // "bridge.conf:4" or "the command line": for messages
    QMap<QString, QString> whereOf;  // each key given: "bridge.conf:7" or "--baud"
    QString port;             // any form rm740ctl --port takes
    int baud = 19200;
    QHostAddress listenAddress = QHostAddress(QHostAddress::LocalHost);
    quint16 listenPort = 4352;
    QString passwordFile;     // empty: no authentication
    InputTable inputs = InputTable::defaults();
    std::chrono::milliseconds pollInterval{5000};   // 0: never
    std::chrono::milliseconds idleTimeout{30000};
    int maxClients = 16;
    std::chrono::milliseconds replyTimeout{1000};
    double temperatureWarning = 70;                 // degrees C; 0: never
    double lampLifeHours = 0;                       // the lamp's rated life; 0: not given
    bool discovery = false;
    quint16 discoveryPort = 4352;
    // The web page as this section gave it before the [web] section (its
    // http keys are still read); none: not here.
    std::optional<QHostAddress> httpAddress;
    quint16 httpPort = 0;
    int httpMaxConnections = 256;

    // "127.0.0.1:4352", "[::1]:4352".
    [[nodiscard]] QString listenEndpoint() const;
    [[nodiscard]] QString httpEndpoint() const;
};

// The web page and its API for every projector; nothing listens for it
// unless it is given.
struct WebConfig {
    QString where;            // its listen key, or the projector's http key
    QHostAddress address;
    quint16 port = 0;
    QString passwordFile;     // empty: no password (loopback only)
    int maxConnections = 256;
    std::chrono::milliseconds idleTimeout{30000};
    // What the front bounds, and who stands before it.
    std::chrono::milliseconds requestTimeout{10000};
    int connectionsPerPeer = 32;
    QStringList hosts;                 // Host names besides the address (a reverse proxy's)
    QList<QHostAddress> trustedProxies;

    [[nodiscard]] QString endpoint() const;
};

// The metrics' listener for Prometheus; the web page's listener serves
// /metrics as well where it runs.
struct MetricsConfig {
    QString where;            // its listen key
    QHostAddress address;
    quint16 port = 0;
    QString passwordFile;     // empty: no password (loopback only)

    [[nodiscard]] QString endpoint() const;
};

// The bridge on an MQTT broker; nothing connects unless a [mqtt] section
// (or --mqtt-broker) gives one.
struct MqttConfig {
    QString where;            // its broker key
    QMap<QString, QString> whereOf;
    bool tls = false;         // mqtts://
    QString host;
    quint16 port = 1883;
    QString caFile;
    QString certFile;
    QString keyFile;
    QString username;
    QString passwordFile;
    QString clientId;         // also the bridge's id in topics; rm740-HOSTNAME when not given
    QString topicPrefix = QStringLiteral("rm740");
    QString discoveryPrefix = QStringLiteral("homeassistant");  // empty: no discovery
};

// The configuration file (INI): one section a projector and a [web] section
// for the web page, "key = value" lines, "#" or ";" starting a comment line.
// Errors name the file and line.
namespace BridgeConfig {

struct Setting {
    QString key;
    QString value;
    QString where;  // "bridge.conf:7", or the option ("--baud")
};

struct Section {
    QString name;
    QString where;
    QList<Setting> settings;
};

// The sections of an INI text; nothing, with `error` ("FILE:LINE: ..."), when
// a line is neither a section, a setting, a comment nor blank, a setting
// stands before every section, or a section or key comes twice.
[[nodiscard]] std::optional<QList<Section>> readSections(QStringView text, const QString &fileName,
                                                         QString *error);

// The keys a section takes, in the order the manual lists them.
[[nodiscard]] QStringList keys();

// One projector from a section; every key checked, the first error returned
// ("WHERE: ...").
[[nodiscard]] std::optional<ProjectorConfig> projector(const Section &section, QString *error);

// Every projector of the sections, checked against each other too: no two
// on the same listen port of the same address, or on the same serial port.
[[nodiscard]] std::optional<QList<ProjectorConfig>> projectors(const QList<Section> &sections, QString *error);

// Everything a configuration file gives.
struct Configuration {
    QList<ProjectorConfig> projectors;
    std::optional<WebConfig> web;
    std::optional<MqttConfig> mqtt;
    QStringList notes;  // for the log: keys still read in their old place
    std::optional<MetricsConfig> metrics;
};

// The keys of the [metrics] section.
[[nodiscard]] QStringList metricsKeys();
// The keys of the [mqtt] section.
[[nodiscard]] QStringList mqttKeys();
// The [mqtt] section checked whole.
[[nodiscard]] std::optional<MqttConfig> mqttSection(const Section &section, QString *error);

// The keys of the [web] section.
[[nodiscard]] QStringList webKeys();
// The projectors and the web page of the sections: a section [web] without
// a port is the web page's, each other one a projector. A projector's http
// key still gives the page (with that section's password-file, idle-timeout
// and http-max-connections), with a note.
[[nodiscard]] std::optional<Configuration> configuration(const QList<Section> &sections, QString *error);
// The web page that a projector section's http key gives, if any.
[[nodiscard]] std::optional<WebConfig> webOf(const ProjectorConfig &config);

// "ADDR:PORT", "[IPv6]:PORT" or a bare port (on 127.0.0.1); "*" is every address.
[[nodiscard]] bool parseEndpoint(QStringView text, QHostAddress *address, quint16 *port);

} // namespace BridgeConfig
