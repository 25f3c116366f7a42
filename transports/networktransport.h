#pragma once

#include "transports/porttarget.h"
#include "transports/porttransport.h"
#include "transports/remoteline.h"

#include <memory>

// A network port (raw TCP or RFC 2217) for the serial control: the line
// itself comes from the network module, loaded on first use.
class NetworkTransport final : public PortTransport
{
    Q_OBJECT

public:
    NetworkTransport(const PortTarget &target, QObject *parent);
    ~NetworkTransport() override;

    [[nodiscard]] bool open(const SerialParameters &parameters) override;
    void close() override;
    [[nodiscard]] bool isOpen() const override;
    void write(const QByteArray &bytes) override;
    [[nodiscard]] QByteArray readAll() override;
    void discardInput() override;

private:
    const PortTarget m_target;
    std::unique_ptr<RemoteLine> m_line;
};
