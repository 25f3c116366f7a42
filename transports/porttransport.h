#pragma once

#include "rfc2217/serialparameters.h"

#include <QByteArray>
#include <QObject>
#include <QString>

// One way to reach the projector's serial line: a local device, or a device
// server on the network. The serial control opens one per opening of the
// port and sees nothing else of it.
class PortTransport : public QObject
{
    Q_OBJECT

public:
    using QObject::QObject;

    // Receive buffer of the serial control, in characters.
    static constexpr qint64 InBufferSize = 1024;

    // Returns once the line is usable or has failed; a network port waits for
    // its connection and set-up (a bounded time, with the event loop running).
    [[nodiscard]] virtual bool open(const SerialParameters &parameters) = 0;
    virtual void close() = 0;
    [[nodiscard]] virtual bool isOpen() const = 0;
    // Every byte goes on the line as it is; nothing while closed.
    virtual void write(const QByteArray &bytes) = 0;
    // The line's bytes waiting, removed.
    [[nodiscard]] virtual QByteArray readAll() = 0;
    // Drops everything received so far, down to what the system holds for
    // the line, so that nothing from before reads as a reply.
    virtual void discardInput() = 0;
    // Why the last opening failed, or why the line was lost.
    [[nodiscard]] QString errorString() const { return m_error; }

signals:
    void readyRead();
    // The line closed itself: the device or the connection went away.
    void lost();

protected:
    void setErrorString(const QString &error) { m_error = error; }

private:
    QString m_error;
};
