#include "bridge/web/clientframes.h"

#include <algorithm>

ClientFrames::Verdict ClientFrames::feed(QByteArrayView bytes)
{
    qsizetype at = 0;
    while (at < bytes.size()) {
        if (m_payloadLeft > 0) {
            const auto skip = qsizetype(std::min<quint64>(m_payloadLeft, quint64(bytes.size() - at)));
            m_payloadLeft -= quint64(skip);
            at += skip;
            continue;
        }
        m_header.append(bytes[at++]);
        if (m_header.size() < 2)
            continue;
        const uchar second = uchar(m_header[1]);
        if (!(second & 0x80))
            return Verdict::Unmasked;
        const int length7 = second & 0x7f;
        const qsizetype extended = length7 == 126 ? 2 : length7 == 127 ? 8 : 0;
        if (m_header.size() < 2 + extended + 4)
            continue;
        quint64 payload = quint64(length7);
        if (extended > 0) {
            payload = 0;
            for (qsizetype i = 0; i < extended; ++i)
                payload = (payload << 8) | uchar(m_header[2 + i]);
        }
        m_payloadLeft = payload;
        m_header.clear();
    }
    return Verdict::Fine;
}

QByteArray ClientFrames::protocolErrorClose()
{
    // FIN and close, two bytes of payload: 1002.
    return QByteArray("\x88\x02\x03\xea", 4);
}
