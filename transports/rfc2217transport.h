#pragma once

#include "rfc2217/rfc2217client.h"
#include "transports/tcptransport.h"

#include <optional>

// RFC 2217 ("rfc2217://"): telnet with the COM-PORT-OPTION, by which the
// server's line is set to the serial control's settings before it opens.
class Rfc2217Transport final : public TcpTransport
{
public:
    using TcpTransport::TcpTransport;

protected:
    [[nodiscard]] QByteArray start(const SerialParameters &parameters) override;
    [[nodiscard]] Received decode(QByteArrayView bytes) override;
    [[nodiscard]] QByteArray encode(QByteArrayView data) override;
    [[nodiscard]] SetUp setUpState() const override;
    [[nodiscard]] QString setUpFailure() const override;

private:
    std::optional<Rfc2217Client> m_client;
};
