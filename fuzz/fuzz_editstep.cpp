// Whatever the operator types into the command list window's edit box, the
// prepared frame is the text before the first "[" and exactly one CR.
#include "catalogue/commandtext.h"

#include <cstdint>
#include <cstdlib>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    const QString text = QString::fromUtf8(reinterpret_cast<const char *>(data), qsizetype(size));
    const QByteArray frame = Catalogue::preparedFrame(text);
    const QStringView command = Catalogue::commandText(text);
    if (frame.isEmpty() || !frame.endsWith('\r') || frame.size() != command.size() + 1)
        std::abort();
    if (command.contains(u'[') || frame.first(frame.size() - 1).contains('['))
        std::abort();
    if (text.contains(u'[') ? text.indexOf(u'[') != command.size() : command.size() != text.size())
        std::abort();
    return 0;
}
