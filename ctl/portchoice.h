#pragma once

#include <QDebug>
#include <QString>
#include <QStringList>
#include <QStringView>

#include <optional>

// One projector's port as the command line names it: a COM number, which
// the store's "Ports" group maps as it does for the panel, or a device path
// or network URL opened as it is.
struct PortChoice {
    QString label;       // as given (or "COMn" from the store): for messages and prefixes
    int comNumber = 0;   // 1 to 15, or 0 when `entry` names the port
    QString entry;       // a device path, socket://host:port or rfc2217://host:port

    // "COMn" (any case) or a bare number n is a COM number; a text with
    // "://" must be a valid network URL; anything else is a device path.
    // Nothing, with `error` set, for a COM number the panel cannot use or a
    // malformed URL.
    [[nodiscard]] static std::optional<PortChoice> fromArgument(const QString &argument, QString *error);
    [[nodiscard]] static PortChoice comPort(int comNumber);

    friend bool operator==(const PortChoice &, const PortChoice &) = default;
};

QDebug operator<<(QDebug debug, const PortChoice &choice);

// The ports a ports file lists: one a line, surrounding blanks dropped,
// empty lines and lines starting with "#" skipped.
[[nodiscard]] QStringList portsFileLines(QStringView text);
