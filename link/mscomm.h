#pragma once

#include <QByteArray>
#include <QObject>
#include <QPointer>
#include <QString>
#include <QTimer>

#include "transports/porttarget.h"

class PortTransport;

// The serial control of the main window. It offers exactly what the program
// uses of a serial port: the port number, the "9600,N,8,1" style settings,
// opening and closing, writing, reading everything waiting, and a receive
// notification. It alone knows device names, network ports and what a port
// error means; behind it a transport reaches the line (a local device, raw
// TCP or RFC 2217). Bytes and characters map one to one (Latin-1): a reply's
// length in characters is its length in bytes.
class MSComm : public QObject
{
    Q_OBJECT

public:
    // CommEvent value for "characters have been received".
    static constexpr qint16 comEvReceive = 2;

    explicit MSComm(QObject *parent = nullptr);
    ~MSComm() override;

    [[nodiscard]] int CommPort() const { return m_commPort; }
    void setCommPort(int portNumber) { m_commPort = portNumber; }

    // What opening reaches: a device, socket://host:port or rfc2217://host:port,
    // as the store's "Ports" group resolves CommPort (see PortsGroup) or as
    // given. Empty: CommPort's default device.
    void setPortEntry(const QString &entry) { m_portEntry = entry; }

    [[nodiscard]] QString Settings() const { return m_settings; }
    // False (and nothing changed) for a text that is not "baud,parity,data,stop".
    bool setSettings(const QString &settings);

    [[nodiscard]] bool PortOpen() const;
    // Opening reports failure (no such port, held by another program, not
    // permitted, a network port that refuses or does not answer) by returning
    // false; closing always succeeds. Opening a network port returns once it
    // is connected and set up, within a few seconds. Either ends the wait
    // for a lost device to come back.
    [[nodiscard]] bool setPortOpen(bool open);
    // A local device that went away is reopened when it comes back, unless
    // its owner opens the port again itself (and said so here).
    void setReopensReturningDevice(bool reopens) { m_reopensReturningDevice = reopens; }
    [[nodiscard]] bool isWaitingForDevice() const { return m_returnWatch.isActive(); }
    // Why the last opening failed, or why the port was lost, in plain words.
    [[nodiscard]] QString errorString() const { return m_lastError; }

    // Every byte goes out as it is, in order, with nothing added. Writes
    // nothing while the port is closed.
    void Output(const QByteArray &bytes);
    // All bytes waiting, removed from the receive queue.
    [[nodiscard]] QByteArray Input();
    // Drops what waits, the system's queue for the line included.
    void discardInput();
    [[nodiscard]] qint16 CommEvent() const { return m_commEvent; }

    // The device or network port that opening reaches.
    [[nodiscard]] QString deviceName() const;

signals:
    void OnComm();
    // setPortOpen opened the port, or closed it (or ended the wait for a lost device).
    void opened();
    void closed();
    // The port was closed because its device or connection went away.
    void deviceLost();
    // The device that went away is back and open again.
    void deviceReturned();

private:
    void readyToRead();
    void transportLost();
    void dropTransport();
    [[nodiscard]] bool openTarget(const PortTarget &target);
    void lookForLostDevice();

    QPointer<PortTransport> m_transport;
    // What the port was last opened to, for reopening a device that comes back.
    PortTarget m_target;
    // A few looks a second while a lost device is away.
    QTimer m_returnWatch;
    bool m_reopensReturningDevice = true;
    int m_commPort = 1;
    QString m_portEntry;
    QString m_settings = QStringLiteral("9600,N,8,1");
    qint16 m_commEvent = 0;
    QString m_lastError;
};
