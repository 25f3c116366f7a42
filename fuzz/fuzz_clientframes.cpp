// The front's reading of a WebSocket client's frames: whatever the bytes,
// cut in two anywhere they are judged as they are whole; and frames built
// masked from the input, of any lengths, are never taken for unmasked ones.
#include "bridge/web/clientframes.h"

#include "fuzzcheck.h"

#include <cstdint>

namespace {

ClientFrames::Verdict judged(QByteArrayView first, QByteArrayView second)
{
    ClientFrames frames;
    const ClientFrames::Verdict verdict = frames.feed(first);
    return verdict == ClientFrames::Verdict::Fine ? frames.feed(second) : verdict;
}

// Masked frames whose payloads are the input in pieces of lengths the input gives.
QByteArray maskedFrames(QByteArrayView bytes)
{
    QByteArray frames;
    qsizetype at = 0;
    while (at < bytes.size()) {
        const qsizetype want = uchar(bytes[at]) * (bytes[at] & 1 ? 3 : 1);
        const QByteArrayView payload = bytes.sliced(at, std::min(want, bytes.size() - at));
        frames += char(0x82);
        if (payload.size() < 126) {
            frames += char(0x80 | payload.size());
        } else {
            frames += char(0x80 | 126);
            frames += char(payload.size() >> 8);
            frames += char(payload.size() & 0xff);
        }
        frames += QByteArray("\x01\x02\x03\x04", 4);
        frames += payload.toByteArray();
        at += std::max<qsizetype>(payload.size(), 1);
    }
    return frames;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    if (size == 0)
        return 0;
    const QByteArrayView bytes(reinterpret_cast<const char *>(data) + 1, qsizetype(size - 1));
    const qsizetype split = bytes.isEmpty() ? 0 : qsizetype(data[0]) % (bytes.size() + 1);
    ClientFrames whole;
    check(whole.feed(bytes) == judged(bytes.first(split), bytes.sliced(split)));

    const QByteArray masked = maskedFrames(bytes);
    const qsizetype cut = masked.isEmpty() ? 0 : qsizetype(data[0]) * 7 % (masked.size() + 1);
    check(judged(QByteArrayView(masked).first(cut), QByteArrayView(masked).sliced(cut)) == ClientFrames::Verdict::Fine);
    return 0;
}
