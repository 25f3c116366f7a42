#include "sim/framesplitter.h"

QList<QByteArray> FrameSplitter::take(QByteArrayView bytes)
{
    QList<QByteArray> frames;
    for (const char c : bytes) {
        if (c == '\r') {
            frames.append(m_partial);
            m_partial.clear();
        } else if (c != '\n' && m_partial.size() < MaxFrameLength) {
            m_partial += c;
        }
    }
    return frames;
}
