#pragma once

#include <QDebug>
#include <QString>

// What a "Ports" entry names: a serial device, or a serial port on the
// network behind a device server, reached as raw TCP ("socket://host:port",
// every byte of the connection a byte of the line) or by RFC 2217
// ("rfc2217://host:port", telnet with the line settings negotiated).
struct PortTarget {
    enum class Kind { Device, RawTcp, Rfc2217, Invalid };

    Kind kind = Kind::Invalid;
    QString device;  // Device: the path or COM name
    QString host;    // network kinds: a name or an address, IPv6 without brackets
    quint16 port = 0;
    QString problem;  // Invalid: why the entry names no port

    // An entry that starts with "socket://" or "rfc2217://" (in any case) is
    // a network port and must be a valid one; anything else is a device.
    [[nodiscard]] static PortTarget fromEntry(const QString &entry);
    [[nodiscard]] static PortTarget fromDevice(const QString &device);

    [[nodiscard]] bool isNetwork() const { return kind == Kind::RawTcp || kind == Kind::Rfc2217; }
    // "host:port", an IPv6 address in brackets: for messages.
    [[nodiscard]] QString endpoint() const;

    friend bool operator==(const PortTarget &, const PortTarget &) = default;
};

QDebug operator<<(QDebug debug, const PortTarget &target);
