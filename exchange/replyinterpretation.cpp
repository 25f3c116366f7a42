#include "exchange/replyinterpretation.h"

#include "exchange/monitorrendering.h"
#include "protocol/readreplies.h"

#include <array>

namespace ReplyInterpretation {
namespace {

using namespace ReadReplies;

// Words by the values' order.
constexpr std::array powerWords{u" Stand by", u" Count down", u" Power ON", u" Cooling down", u" Power abnormality"};
constexpr std::array inputWords{u" Input 1", u" Input 2", u" Input 3", u" Wired", u" Wireless/Viewer"};
constexpr std::array settingWords{u" Normally", u" Top/Bottom reversal", u" Left/Right reversal",
                                  u" Top/Bottom , Left/Right reversal"};
constexpr std::array lampWords{u" Lamp is ON", u" Lamp is OFF", u" Lamp is failure"};
constexpr std::array lampModeWords{u" Lamp Mode is High", u" Lamp Mode is NORMAL", u" Lamp Mode is Eco"};

template <std::size_t N>
QString word(const std::array<const char16_t *, N> &words, std::size_t index)
{
    return QString::fromUtf16(words[index]);
}

QString words(const Status &status)
{
    if (status.lampFailure)
        return QStringLiteral(" Lamp Failure");
    if (status.temperatureFault)
        return QStringLiteral(" Temperature abnormality");
    return word(powerWords, size_t(status.power));
}

// The monitor's columns of the five hour digits: leading zeros, and the
// spacing columns between them, become spaces; everything from the first
// other character on is kept.
QString words(const LampTime &time)
{
    const QString shown = MonitorRendering::render(time.text);
    QString text;
    bool significant = false;
    for (const QChar c : QStringView(shown).first(shown.size() - 5)) {
        if (c == u' ' && !significant)
            text += c;
        else if (c == u'0' && !significant)
            text += u' ';
        else {
            text += c;
            significant = true;
        }
    }
    return text + QLatin1StringView(" Hour Use");
}

// The three fields as the monitor shows them, each with its unit.
QString words(const Temperatures &temperatures)
{
    const QString shown = MonitorRendering::render(temperatures.text);
    const QLatin1StringView degrees(" deg C ");
    return shown.sliced(0, 10) + degrees + shown.sliced(13, 9) + degrees + shown.sliced(25, 9) + degrees;
}

template <typename Value>
std::optional<QString> say(const std::optional<Value> &value)
{
    return value ? std::optional(words(*value)) : std::nullopt;
}

// A value that is an index into its words.
template <typename Value, std::size_t N>
std::optional<QString> say(const std::optional<Value> &value, const std::array<const char16_t *, N> &words)
{
    return value ? std::optional(word(words, size_t(*value))) : std::nullopt;
}

} // namespace

std::optional<QString> statusFor(QByteArrayView key, QByteArrayView reply)
{
    const auto command = commandOf(key);
    if (!command)
        return std::nullopt;
    switch (*command) {
    case Command::Status: return say(status(reply));
    case Command::Input: {
        const auto number = input(reply);
        return number ? std::optional(word(inputWords, size_t(*number - 1))) : std::nullopt;
    }
    case Command::Setting: return say(setting(reply), settingWords);
    case Command::LampTime: return say(lampTime(reply));
    case Command::Temperatures: return say(temperatures(reply));
    case Command::LampStatus: return say(lampStatus(reply), lampWords);
    case Command::LampMode: return say(lampMode(reply), lampModeWords);
    }
    return std::nullopt;
}

} // namespace ReplyInterpretation
