// The port dialog's "OTHER" field: any text reads as a whole number from 0 to
// 255 or as nothing, and only the plain digits of such a number read as it.
#include "link/numericprefix.h"

#include <QString>

#include <cstdint>
#include <cstdlib>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    const QString text = QString::fromUtf8(reinterpret_cast<const char *>(data), qsizetype(size));
    const auto number = NumericPrefix::wholeNumberInRange(text, 0, 255);
    if (!number)
        return 0;
    if (*number < 0 || *number > 255)
        std::abort();
    // Nothing but digits, one point and blanks around them reads as a number.
    for (const QChar c : text.trimmed()) {
        if (!c.isDigit() && c != u'.')
            std::abort();
    }
    return 0;
}
