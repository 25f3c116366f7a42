// Every read reply's form takes any reply without fault, and whatever the
// status line is given begins with a space, as every status text does.
#include "exchange/replyinterpretation.h"

#include <cstdint>
#include <cstdlib>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    const QByteArrayView reply(reinterpret_cast<const char *>(data), qsizetype(size));
    for (const char *key : {"CR0\r", "CR1\r", "CR3\r", "CR4\r", "CR6\r", "CR7\r", "CR LAMPSTS\r", "CR LAMPMODE\r"}) {
        const auto status = ReplyInterpretation::statusFor(key, reply);
        if (status && !status->startsWith(u' '))
            std::abort();
    }
    // The reply itself used as a key selects at most a form, never a fault.
    (void)ReplyInterpretation::statusFor(reply, reply);
    return 0;
}
