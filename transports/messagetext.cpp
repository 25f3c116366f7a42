#include "transports/messagetext.h"

namespace MessageText {

namespace {

// Characters from 0x80 up to `printableFrom` are escaped as well; a quote
// and a backslash only `inQuotes`.
void appendEscaped(QString &shown, QChar c, char16_t printableFrom, bool inQuotes)
{
    switch (c.unicode()) {
    case '\r': shown += QLatin1StringView("\\r"); return;
    case '\n': shown += QLatin1StringView("\\n"); return;
    case '\t': shown += QLatin1StringView("\\t"); return;
    case '\0': shown += QLatin1StringView("\\0"); return;
    case '"':
    case '\\':
        if (inQuotes)
            shown += u'\\';
        shown += c;
        return;
    default:
        if (c.unicode() < 0x20 || c.unicode() == 0x7F || (c.unicode() >= 0x80 && c.unicode() < printableFrom))
            shown += QStringLiteral("\\x%1").arg(c.unicode(), 2, 16, QLatin1Char('0'));
        else
            shown += c;
    }
}

QString quotedWith(QStringView text, char16_t printableFrom)
{
    QString shown(1, u'"');
    for (const QChar c : text.first(qMin(text.size(), LongestQuoted)))
        appendEscaped(shown, c, printableFrom, true);
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

QString printable(QStringView line)
{
    QString shown;
    for (const QChar c : line.first(qMin(line.size(), LongestLine)))
        appendEscaped(shown, c, 0xA0, false);
    if (line.size() > LongestLine)
        shown += QStringLiteral("... (cut, %1 characters in all)").arg(line.size());
    return shown;
}

} // namespace MessageText
