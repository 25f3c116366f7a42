// The network module's entry point: a line for a raw TCP or RFC 2217 target.
#include "transports/rawtcptransport.h"
#include "transports/rfc2217transport.h"

extern "C" Q_DECL_EXPORT RemoteLine *rm740_createRemoteLine(const PortTarget &target, RemoteLine::Events events)
{
    switch (target.kind) {
    case PortTarget::Kind::RawTcp: return new RawTcpTransport(target, std::move(events));
    case PortTarget::Kind::Rfc2217: return new Rfc2217Transport(target, std::move(events));
    case PortTarget::Kind::Device:
    case PortTarget::Kind::Invalid: break;
    }
    return nullptr;
}
