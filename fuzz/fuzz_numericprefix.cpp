// Stored settings texts of any content read as a finite whole number, and as
// a port number or baud code only where it fits.
#include "link/linksettings.h"
#include "link/numericprefix.h"

#include <cmath>
#include <cstdint>
#include <cstdlib>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    const QString text = QString::fromUtf8(reinterpret_cast<const char *>(data), qsizetype(size));
    const double value = NumericPrefix::value(text);
    if (!std::isfinite(value) || value != std::nearbyint(value))
        std::abort();
    // Text after the number does not change it.
    if (NumericPrefix::value(text + u'x') != value)
        std::abort();

    const qint16 port = LinkSettings::portNumberFromText(text);
    if (value >= -32768 && value <= 32767 ? port != qint16(value) : port != 0)
        std::abort();
    const quint8 baud = LinkSettings::baudCodeFromText(text);
    if (value >= 0 && value <= 255 ? baud != quint8(value) : baud != 0)
        std::abort();
    return 0;
}
