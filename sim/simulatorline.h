#pragma once

#include <QByteArray>
#include <QObject>
#include <QString>

#include <optional>

// The simulated projector's end of the line: a pseudo-terminal, or a port on
// the network as a device server offers it.
class SimulatorLine : public QObject
{
    Q_OBJECT

public:
    using QObject::QObject;

    [[nodiscard]] virtual bool open() = 0;
    [[nodiscard]] virtual bool isOpen() const = 0;
    // Where the program finds it: a device path or a network port's URL.
    [[nodiscard]] virtual QString address() const = 0;
    [[nodiscard]] virtual QString errorString() const = 0;

    // Queued and sent as fast as the other side takes it.
    virtual void write(QByteArrayView bytes) = 0;
    [[nodiscard]] virtual qsizetype pendingBytes() const = 0;
    // Hangs up: the program sees its device or connection go away.
    virtual void close() = 0;

    // The speed the program has set the line to, where the line carries one.
    [[nodiscard]] virtual std::optional<qint32> lineSpeed() const = 0;

signals:
    void received(const QByteArray &bytes);
    // Everything queued has been handed on.
    void drained();
    // Something worth a line of the log (a connection came or went).
    void note(const QString &text);
    // The program has set the line anew (where the line carries its settings).
    void lineSet();
    // The program's connection ended: what it half sent is no frame.
    void partnerGone();
    // The program has connected (on a line that takes connections).
    void partnerCame();
};
