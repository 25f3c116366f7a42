// Every decoder takes any reply without fault, and whatever it writes begins
// with a space, as every status text does.
#include "exchange/monitorrendering.h"
#include "exchange/replyinterpretation.h"

#include <cstdint>
#include <cstdlib>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    const QByteArrayView reply(reinterpret_cast<const char *>(data), qsizetype(size));
    const QString rxd = MonitorRendering::render(reply);
    static const QList<QByteArray> keys = ReplyInterpretation::keys();
    for (const QByteArray &key : keys) {
        const auto status = ReplyInterpretation::statusFor(key, rxd, reply.size());
        if (status && !status->startsWith(u' '))
            std::abort();
    }
    // The reply itself used as a key selects at most a decoder, never a fault.
    (void)ReplyInterpretation::statusFor(reply, rxd, reply.size());
    return 0;
}
