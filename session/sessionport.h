#pragma once

#include <QString>

// The port a session opens: a COM number, opened as what the store's "Ports"
// group maps it to (`entry`, resolved by the caller), or a device or network
// URL given as it is.
struct SessionPort {
    QString label;      // for messages and results
    int comNumber = 0;  // 1 to 15, or 0 when `entry` alone names the port
    QString entry;      // a device path, socket://host:port or rfc2217://host:port

    friend bool operator==(const SessionPort &, const SessionPort &) = default;
};
