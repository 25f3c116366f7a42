#include "sim/exchangelog.h"

#include <array>

namespace ExchangeLog {
namespace {

constexpr std::array<const char *, 32> controlNames{
    "NUL", "SOH", "STX", "ETX", "EOT", "ENQ", "ACK", "BEL", "BS",  "HT",  "LF",
    "VT",  "FF",  "CR",  "SO",  "SI",  "DLE", "DC1", "DC2", "DC3", "DC4", "NAK",
    "SYN", "ETB", "CAN", "EM",  "SUB", "ESC", "FS",  "GS",  "RS",  "US",
};

QString stamp(QTime time)
{
    return time.toString(QStringLiteral("hh:mm:ss.zzz"));
}

} // namespace

QString spellOut(QByteArrayView bytes)
{
    QString text;
    for (const char c : bytes) {
        const auto b = static_cast<unsigned char>(c);
        if (b < controlNames.size())
            text += u'[' + QLatin1StringView(controlNames[b]) + u']';
        else if (b == 0x7F)
            text += QLatin1StringView("[DEL]");
        else if (b > 0x7F)
            text += QStringLiteral("[x%1]").arg(QString::number(b, 16).toUpper());
        else
            text += QLatin1Char(c);
    }
    return text;
}

QString frameLine(QTime time, QByteArrayView frameText, const QString &answer)
{
    return stamp(time) + QLatin1StringView("  ") + spellOut(frameText)
        + QLatin1StringView("[CR]  ->  ") + answer;
}

QString eventLine(QTime time, const QString &event)
{
    return stamp(time) + QLatin1StringView("  -- ") + event;
}

} // namespace ExchangeLog
