#include "exchange/replyinterpretation.h"

#include <QList>

#include <array>
#include <span>

namespace ReplyInterpretation {
namespace {

struct Pattern {
    QStringView rendered;  // columns of the RxD line, as the monitor shows them
    QStringView status;    // every status text begins with one space
};

struct Reply {
    QStringView rxd;
    qsizetype bufferLength;
};

// The text of the first pattern equal to `window`.
std::optional<QString> firstMatch(QStringView window, std::span<const Pattern> patterns)
{
    for (const Pattern &p : patterns) {
        if (window == p.rendered)
            return p.status.toString();
    }
    return std::nullopt;
}

// Columns are counted from 1; a window that is not complete yet matches nothing.
std::optional<QString> matchColumns(QStringView rxd, qsizetype first, qsizetype last,
                                    std::span<const Pattern> patterns)
{
    if (rxd.size() < last)
        return std::nullopt;
    return firstMatch(rxd.sliced(first - 1, last - first + 1), patterns);
}

constexpr std::array statusPatterns{
    Pattern{u" 0 0", u" Power ON"},
    Pattern{u" 8 0", u" Stand by"},
    Pattern{u" 4 0", u" Count down"},
    Pattern{u" 2 0", u" Cooling down"},
    Pattern{u" 1 0", u" Power abnormality"},
    Pattern{u" 0 8", u" Temperature abnormality"},
    Pattern{u" 1 8", u" Temperature abnormality"},
    Pattern{u" 2 8", u" Temperature abnormality"},
    Pattern{u" 4 8", u" Temperature abnormality"},
    Pattern{u" 8 8", u" Temperature abnormality"},
    Pattern{u" 2 1", u" Lamp Failure"},
    Pattern{u" 8 1", u" Lamp Failure"},
};

constexpr std::array inputPatterns{
    Pattern{u" 1", u" Input 1"},
    Pattern{u" 2", u" Input 2"},
    Pattern{u" 3", u" Input 3"},
    Pattern{u" 4", u" Wired"},
    Pattern{u" 5", u" Wireless/Viewer"},
};

constexpr std::array settingPatterns{
    Pattern{u" 1 1", u" Normally"},
    Pattern{u" 1 0", u" Top/Bottom reversal"},
    Pattern{u" 0 1", u" Left/Right reversal"},
    Pattern{u" 0 0", u" Top/Bottom , Left/Right reversal"},
};

constexpr std::array lampStatusPatterns{
    Pattern{u" 0 0 0 _ 1 I", u" Lamp is ON"},
    Pattern{u" 0 0 0 _ 1 O", u" Lamp is OFF"},
    Pattern{u" 0 0 0 _ 1 X", u" Lamp is failure"},
};

constexpr std::array lampModePatterns{
    Pattern{u" 0 0 0 _ H I G H", u" Lamp Mode is High"},
    Pattern{u" 0 0 0 _ N O R M A L", u" Lamp Mode is NORMAL"},
    Pattern{u" 0 0 0 _ E C O", u" Lamp Mode is Eco"},
};

std::optional<QString> status(Reply r) { return matchColumns(r.rxd, 1, 4, statusPatterns); }
std::optional<QString> input(Reply r) { return matchColumns(r.rxd, 1, 2, inputPatterns); }
std::optional<QString> setting(Reply r) { return matchColumns(r.rxd, 1, 4, settingPatterns); }
std::optional<QString> lampStatus(Reply r) { return matchColumns(r.rxd, 1, 12, lampStatusPatterns); }

// Five hour digits and CR: leading zeros, and the spacing columns between
// them, become spaces; everything from the first other character on is kept.
std::optional<QString> lampTime(Reply r)
{
    if (r.bufferLength != 6)
        return std::nullopt;
    const qsizetype n = r.rxd.size() - 5;
    QString text;
    bool significant = false;
    for (qsizetype i = 0; i < n; ++i) {
        const QChar c = r.rxd[i];
        if (c == u' ' && !significant)
            text += c;
        else if (c == u'0' && !significant)
            text += u' ';
        else {
            text += c;
            significant = true;
        }
    }
    text += QLatin1StringView(" Hour Use");
    return text;
}

// Three five-character fields with one separator between them, and CR.
std::optional<QString> temperatures(Reply r)
{
    if (r.bufferLength != 18 || r.rxd.size() < 34)
        return std::nullopt;
    const QLatin1StringView degrees(" deg C ");
    QString text = r.rxd.sliced(0, 10).toString();
    text += degrees;
    text += r.rxd.sliced(13, 9);
    text += degrees;
    text += r.rxd.sliced(25, 9);
    text += degrees;
    return text;
}

// Everything but the rendering of the closing CR and the spacing column
// before it.
std::optional<QString> lampMode(Reply r)
{
    if (r.rxd.size() < 7)
        return std::nullopt;
    return firstMatch(r.rxd.first(r.rxd.size() - 7), lampModePatterns);
}

struct Decoder {
    QByteArrayView key;
    std::optional<QString> (*decode)(Reply);
};

constexpr std::array decoders{
    Decoder{"CR0\r", status},
    Decoder{"CR1\r", input},
    Decoder{"CR4\r", setting},
    Decoder{"CR3\r", lampTime},
    Decoder{"CR6\r", temperatures},
    Decoder{"CR LAMPSTS\r", lampStatus},
    // The Lamp Mode button reads with "CR7"; the long form reads the same.
    Decoder{"CR LAMPMODE\r", lampMode},
    Decoder{"CR7\r", lampMode},
};

} // namespace

std::optional<QString> statusFor(QByteArrayView key, QStringView rxdText, qsizetype bufferLength)
{
    for (const Decoder &d : decoders) {
        if (key == d.key)
            return d.decode(Reply{rxdText, bufferLength});
    }
    return std::nullopt;
}

QList<QByteArray> keys()
{
    QList<QByteArray> result;
    for (const Decoder &d : decoders)
        result.append(d.key.toByteArray());
    return result;
}

} // namespace ReplyInterpretation
