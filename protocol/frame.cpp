#include "protocol/frame.h"

namespace Protocol {

QByteArray frame(QByteArrayView text)
{
    return text.toByteArray() + Cr;
}

QByteArrayView textOf(QByteArrayView frame)
{
    return frame.endsWith(Cr) ? frame.chopped(1) : frame;
}

Kind kindOf(QByteArrayView frame)
{
    return frame.startsWith("CR") ? Kind::Read : Kind::Execute;
}

} // namespace Protocol
