#pragma once

#include "sim/simulatorline.h"

#include <QByteArray>
#include <QString>

class QSocketNotifier;

// The device side of a pseudo-terminal pair. The program opens the other
// side (devicePath) as if it were a serial port; everything it writes arrives
// here, and what is written here arrives there. Closing it is what an
// unplugged adapter does to the program.
class PseudoTerminal : public SimulatorLine
{
    Q_OBJECT

public:
    explicit PseudoTerminal(QObject *parent = nullptr);
    ~PseudoTerminal() override;

    [[nodiscard]] bool open() override;
    [[nodiscard]] bool isOpen() const override { return m_master >= 0; }
    [[nodiscard]] QString devicePath() const { return m_devicePath; }
    [[nodiscard]] QString address() const override { return m_devicePath; }
    [[nodiscard]] QString errorString() const override { return m_error; }

    // Queued and written as fast as the other side takes it.
    void write(QByteArrayView bytes) override;
    [[nodiscard]] qsizetype pendingBytes() const override { return m_outgoing.size() - m_sent; }

    // Hangs up: the program's side sees its device go away.
    void close() override;

    // The speed whoever opened the device end set (a serial port, a device
    // server such as ser2net); nullopt before anyone set one.
    [[nodiscard]] std::optional<qint32> lineSpeed() const override;

private:
    void readAvailable();
    void flushOutgoing();

    int m_master = -1;
    int m_slave = -1;  // held open so the pair survives the program closing its side
    QString m_devicePath;
    QString m_error;
    QByteArray m_outgoing;
    qsizetype m_sent = 0;  // how much of m_outgoing is already written
    QSocketNotifier *m_readNotifier = nullptr;
    QSocketNotifier *m_writeNotifier = nullptr;
};
