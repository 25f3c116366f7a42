#include "exchange/monitorrendering.h"

#include <cstring>

namespace MonitorRendering {

void appendPieces(QString &out, QByteArrayView text, Legends &legends)
{
    out.reserve(out.size() + text.size() * 2 + 8);
    for (const char byte : text) {
        const auto code = static_cast<unsigned char>(byte);
        switch (code) {
        case Ack:
            out += QLatin1StringView(" [ACK] ");
            break;
        case Cr:
            out += QLatin1StringView(" [CR] ");
            legends.carriageReturn = true;
            break;
        case Lf:
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

IncrementalRendering::Step IncrementalRendering::update(QByteArrayView source)
{
    const qsizetype known = m_source.size();
    const bool continues = m_valid && source.size() >= known
        && (known == 0 || std::memcmp(source.data(), m_source.constData(), size_t(known)) == 0);
    if (!continues) {
        m_source = QByteArray(source.data(), source.size());
        m_legends = {};
        m_valid = true;
        return {true, MonitorRendering::render(source, &m_legends)};
    }
    const QByteArrayView tail = source.sliced(known);
    m_source.append(tail);
    Step step;
    MonitorRendering::appendPieces(step.text, tail, m_legends);
    return step;
}

void IncrementalRendering::reset()
{
    m_source.clear();
    m_legends = {};
    m_valid = false;
}
