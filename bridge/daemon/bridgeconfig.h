#pragma once

#include "bridge/inputtable.h"

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
    bool discovery = false;
    quint16 discoveryPort = 4352;
    // The web page and its API for every projector (one section gives it);
    // none: nothing listens for it.
    std::optional<QHostAddress> httpAddress;
    quint16 httpPort = 0;
    int httpMaxConnections = 256;

    // "127.0.0.1:4352", "[::1]:4352".
    [[nodiscard]] QString listenEndpoint() const;
    [[nodiscard]] QString httpEndpoint() const;
};

// The configuration file (INI): one section a projector, "key = value"
// lines, "#" or ";" starting a comment line. Errors name the file and line.
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

// "ADDR:PORT", "[IPv6]:PORT" or a bare port (on 127.0.0.1); "*" is every address.
[[nodiscard]] bool parseEndpoint(QStringView text, QHostAddress *address, quint16 *port);

} // namespace BridgeConfig
