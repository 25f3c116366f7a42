#include "transports/messagetext.h"

namespace MessageText {

namespace {

// Characters from 0x80 up to `printableFrom` are escaped as well.
QString quotedWith(QStringView text, char16_t printableFrom)
{
    QString shown(1, u'"');
    for (const QChar c : text.first(qMin(text.size(), LongestQuoted))) {
        switch (c.unicode()) {
        case '\r': shown += QLatin1StringView("\\r"); break;
        case '\n': shown += QLatin1StringView("\\n"); break;
        case '\t': shown += QLatin1StringView("\\t"); break;
        case '\0': shown += QLatin1StringView("\\0"); break;
        case '"': shown += QLatin1StringView("\\\""); break;
        case '\\': shown += QLatin1StringView("\\\\"); break;
        default:
            if (c.unicode() < 0x20 || c.unicode() == 0x7F || (c.unicode() >= 0x80 && c.unicode() < printableFrom))
                shown += QStringLiteral("\\x%1").arg(c.unicode(), 2, 16, QLatin1Char('0'));
            else
                shown += c;
        }
    }
    shown += u'"';
    if (text.size() > LongestQuoted)
        shown += QLatin1StringView("...");
    return shown;
}

} // namespace

QString quoted(QStringView text)
{
    // Latin-1 letters are text; the C1 controls are not.
    return quotedWith(text, 0xA0);
}

QString quotedBytes(QByteArrayView bytes)
{
    return quotedWith(QString::fromLatin1(bytes), 0x100);
}

} // namespace MessageText
