#include "sim/linebehaviour.h"

LineBehaviour::LineBehaviour(const SimulatorOptions &options)
    : m_options(options)
    , m_random(options.seed != 0 ? options.seed : QRandomGenerator::global()->generate())
{
}

QList<LineBehaviour::Delivery> LineBehaviour::deliveries(const QByteArray &reply)
{
    QList<Delivery> result;
    if (m_options.silent || reply.isEmpty())
        return result;
    Duration at = m_options.delay;
    if (m_options.split) {
        for (qsizetype i = 0; i < reply.size(); ++i) {
            if (i > 0)
                at += SplitGap;
            result.append({at, reply.sliced(i, 1)});
        }
    } else {
        result.append({at, reply});
    }
    if (m_options.noise)
        result.append({at + NoiseGap, randomBytes(1 + int(m_random.bounded(MaxNoiseBytes))), true});
    return result;
}

bool LineBehaviour::countFrame()
{
    ++m_frames;
    return m_options.dropAfter > 0 && m_frames == m_options.dropAfter;
}

QByteArray LineBehaviour::floodChunk()
{
    return randomBytes(FloodChunkBytes);
}

QByteArray LineBehaviour::randomBytes(int count)
{
    QByteArray bytes(count, Qt::Uninitialized);
    for (char &b : bytes)
        b = char(m_random.bounded(256));
    return bytes;
}
