#include "exchange/monitorrendering.h"

#include "protocol/frame.h"

#include <cstring>

namespace MonitorRendering {

void appendPieces(QString &out, QByteArrayView text, Legends &legends)
{
    out.reserve(out.size() + text.size() * 2 + 8);
    for (const char byte : text) {
        const auto code = static_cast<unsigned char>(byte);
        switch (code) {
        case Protocol::Ack:
            out += QLatin1StringView(" [ACK] ");
            break;
        case Protocol::Cr:
            out += QLatin1StringView(" [CR] ");
            legends.carriageReturn = true;
            break;
        case Protocol::Lf:
            out += QLatin1StringView(" [LF]  ");
            break;
        case ' ':
            out += QLatin1StringView("_ ");
            legends.space = true;
            break;
        default:
            // The printable range ends at "z", not at "~".
            if (code < 0x20 || code > 'z')
                out += QLatin1StringView("? ");
            else {
                out += QLatin1Char(byte);
                out += QLatin1Char(' ');
            }
        }
    }
}

QString render(QByteArrayView text, Legends *legends)
{
    QString out(1, QLatin1Char(' '));
    Legends seen;
    appendPieces(out, text, seen);
    if (legends)
        *legends = seen;
    return out;
}

} // namespace MonitorRendering

IncrementalRendering::Step IncrementalRendering::restart(QByteArrayView source)
{
    m_legends = {};
    m_renderedSize = source.size();
    return {true, MonitorRendering::render(source, &m_legends)};
}

IncrementalRendering::Step IncrementalRendering::append(QByteArrayView tail)
{
    m_renderedSize += tail.size();
    Step step;
    MonitorRendering::appendPieces(step.text, tail, m_legends);
    return step;
}

IncrementalRendering::Step IncrementalRendering::update(QByteArrayView source)
{
    const qsizetype known = m_renderedSize;
    const bool continues = m_known == Known::Copy && source.size() >= known
        && (known == 0 || std::memcmp(source.data(), m_source.constData(), size_t(known)) == 0);
    if (!continues) {
        m_known = Known::Copy;
        m_source = QByteArray(source.data(), source.size());
        return restart(source);
    }
    const QByteArrayView tail = source.sliced(known);
    m_source.append(tail);
    return append(tail);
}

IncrementalRendering::Step IncrementalRendering::updateAppended(QByteArrayView source, quint64 generation)
{
    const bool continues = m_known == Known::Generation && m_generation == generation
        && source.size() >= m_renderedSize;
    if (!continues) {
        m_known = Known::Generation;
        m_generation = generation;
        m_source.clear();
        return restart(source);
    }
    return append(source.sliced(m_renderedSize));
}

void IncrementalRendering::reset()
{
    m_known = Known::Nothing;
    m_source.clear();
    m_renderedSize = 0;
    m_legends = {};
}
