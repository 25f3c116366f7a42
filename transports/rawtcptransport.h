#pragma once

#include "transports/tcptransport.h"

// Raw TCP ("socket://"): every byte of the connection is a byte of the line,
// whose settings are the server's.
class RawTcpTransport final : public TcpTransport
{
public:
    using TcpTransport::TcpTransport;

protected:
    [[nodiscard]] QByteArray start(const SerialParameters &) override { return {}; }
    [[nodiscard]] Received decode(QByteArrayView bytes) override { return {bytes.toByteArray(), {}}; }
    [[nodiscard]] QByteArray encode(QByteArrayView data) override { return data.toByteArray(); }
    [[nodiscard]] SetUp setUpState() const override { return SetUp::Done; }
    [[nodiscard]] QString setUpFailure() const override { return {}; }
};
