// Any bytes render without fault; the rendering of a text that grows in two
// steps equals the rendering of the whole text.
#include "exchange/monitorrendering.h"

#include <cstdint>
#include <cstdlib>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    const QByteArrayView bytes(reinterpret_cast<const char *>(data), qsizetype(size));
    MonitorRendering::Legends legends;
    const QString whole = MonitorRendering::render(bytes, &legends);
    if (whole.isEmpty() || whole[0] != u' ')
        std::abort();

    const qsizetype split = size ? qsizetype(data[0] % (size + 1)) : 0;
    IncrementalRendering incremental;
    const auto first = incremental.update(bytes.first(split));
    const auto second = incremental.update(bytes);
    if (!first.restarted || second.restarted || first.text + second.text != whole)
        std::abort();
    if (!(incremental.legends() == legends))
        std::abort();
    return 0;
}
