#pragma once

#include "transports/porttransport.h"

#include <QSerialPort>

// A serial device of this machine: a built-in port, a USB adapter, a
// pseudo-terminal.
class LocalDeviceTransport : public PortTransport
{
    Q_OBJECT

public:
    LocalDeviceTransport(const QString &device, QObject *parent);
    ~LocalDeviceTransport() override;

    [[nodiscard]] bool open(const SerialParameters &parameters) override;
    void close() override;
    [[nodiscard]] bool isOpen() const override { return m_port.isOpen(); }
    void write(const QByteArray &bytes) override;
    [[nodiscard]] QByteArray readAll() override { return m_port.readAll(); }
    void discardInput() override;

private:
    void handleError(QSerialPort::SerialPortError error);

    QString m_device;
    QSerialPort m_port;
};
