#pragma once

#include "rfc2217/serialparameters.h"
#include "transports/porttarget.h"

#include <QByteArray>
#include <QString>

#include <functional>

// A serial line behind a device server, as the network module offers it. The
// module is loaded only when a network port is first opened, so a program on
// a local device never loads Qt Network; no QObject crosses the module's
// edge, only this interface and two callbacks.
class RemoteLine
{
public:
    struct Events {
        std::function<void()> readyRead;
        // The connection went away.
        std::function<void()> lost;
    };
    // Receive buffer, in characters (the serial control's).
    static constexpr qint64 InBufferSize = 1024;

    virtual ~RemoteLine() = default;
    // Connects and sets the line up, each within a bounded time.
    [[nodiscard]] virtual bool open(const SerialParameters &parameters) = 0;
    virtual void close() = 0;
    [[nodiscard]] virtual bool isOpen() const = 0;
    virtual void write(const QByteArray &bytes) = 0;
    [[nodiscard]] virtual QByteArray readAll() = 0;
    // Drops what was received, what the connection holds included.
    virtual void discardInput() = 0;
    [[nodiscard]] virtual QString errorString() const = 0;
};

// The module's one entry point, by this name.
using CreateRemoteLine = RemoteLine *(*)(const PortTarget &target, RemoteLine::Events events);
inline constexpr char CreateRemoteLineSymbol[] = "rm740_createRemoteLine";
