// Whatever a server sends, the telnet decoder reads it the same in one piece
// or in two, keeps every subnegotiation within its bound and never makes more
// line data than bytes came in; the RFC 2217 client answers in proportion;
// and any line data encoded comes back as it was.
#include "rfc2217/rfc2217client.h"
#include "rfc2217/telnetcodec.h"

#include "fuzzcheck.h"

#include <cstdint>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    if (size == 0)
        return 0;
    const bool binary = data[0] & 1;
    const QByteArrayView bytes(reinterpret_cast<const char *>(data) + 1, qsizetype(size - 1));
    const qsizetype split = bytes.isEmpty() ? 0 : qsizetype(data[0]) % (bytes.size() + 1);

    TelnetDecoder whole;
    whole.setPeerSendsBinary(binary);
    const TelnetDecoder::Output once = whole.decode(bytes);

    TelnetDecoder pieces;
    pieces.setPeerSendsBinary(binary);
    TelnetDecoder::Output twice = pieces.decode(bytes.first(split));
    const TelnetDecoder::Output rest = pieces.decode(bytes.sliced(split));
    twice.data += rest.data;
    twice.events += rest.events;

    check(once.data == twice.data && once.events == twice.events);
    check(once.data.size() <= bytes.size());
    for (const TelnetEvent &event : once.events)
        check(event.payload.size() <= TelnetDecoder::MaxSubnegotiation);

    Rfc2217Client client(SerialParameters{});
    const qsizetype started = client.start().size();
    const Rfc2217Client::Step step = client.receive(bytes);
    // At most one three-byte answer per three bytes, plus the five settings once.
    check(step.reply.size() <= bytes.size() + 5 * 12);
    check(started == 9);
    check(client.state() != Rfc2217Client::State::Refused || !client.refusal().isEmpty());

    TelnetDecoder back;
    back.setPeerSendsBinary(binary);
    check(back.decode(Telnet::encodeData(bytes, binary)).data == bytes);
    return 0;
}
