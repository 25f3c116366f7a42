#include "exchange/replyinterpretation.h"

#include "exchange/monitorrendering.h"
#include "protocol/readreplies.h"

#include <array>

namespace ReplyInterpretation {
namespace {

using namespace ReadReplies;

QString words(const Status &status)
{
    if (status.lampFailure)
        return QStringLiteral(" Lamp Failure");
    if (status.temperatureFault)
        return QStringLiteral(" Temperature abnormality");
    switch (status.power) {
    case Power::On: return QStringLiteral(" Power ON");
    case Power::Standby: return QStringLiteral(" Stand by");
    case Power::WarmingUp: return QStringLiteral(" Count down");
    case Power::CoolingDown: return QStringLiteral(" Cooling down");
    case Power::Abnormal: break;
    }
    return QStringLiteral(" Power abnormality");
}

QString inputWords(int input)
{
    static constexpr std::array names{u" Input 1", u" Input 2", u" Input 3", u" Wired", u" Wireless/Viewer"};
    return QString::fromUtf16(names[size_t(input - 1)]);
}

QString words(Setting setting)
{
    switch (setting) {
    case Setting::Normal: return QStringLiteral(" Normally");
    case Setting::TopBottomReversed: return QStringLiteral(" Top/Bottom reversal");
    case Setting::LeftRightReversed: return QStringLiteral(" Left/Right reversal");
    case Setting::BothReversed: break;
    }
    return QStringLiteral(" Top/Bottom , Left/Right reversal");
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

QString words(Lamp lamp)
{
    switch (lamp) {
    case Lamp::Lit: return QStringLiteral(" Lamp is ON");
    case Lamp::Off: return QStringLiteral(" Lamp is OFF");
    case Lamp::Failed: break;
    }
    return QStringLiteral(" Lamp is failure");
}

QString words(LampMode mode)
{
    switch (mode) {
    case LampMode::High: return QStringLiteral(" Lamp Mode is High");
    case LampMode::Normal: return QStringLiteral(" Lamp Mode is NORMAL");
    case LampMode::Eco: break;
    }
    return QStringLiteral(" Lamp Mode is Eco");
}

template <typename Value, typename Words>
std::optional<QString> say(const std::optional<Value> &value, Words toWords)
{
    return value ? std::optional(toWords(*value)) : std::nullopt;
}

} // namespace

std::optional<QString> statusFor(QByteArrayView key, QByteArrayView reply)
{
    const auto command = commandOf(key);
    if (!command)
        return std::nullopt;
    const auto toWords = [](const auto &value) { return words(value); };
    switch (*command) {
    case Command::Status: return say(status(reply), toWords);
    case Command::Input: return say(input(reply), inputWords);
    case Command::Setting: return say(setting(reply), toWords);
    case Command::LampTime: return say(lampTime(reply), toWords);
    case Command::Temperatures: return say(temperatures(reply), toWords);
    case Command::LampStatus: return say(lampStatus(reply), toWords);
    case Command::LampMode: return say(lampMode(reply), toWords);
    }
    return std::nullopt;
}

} // namespace ReplyInterpretation
