#include "protocol/readreplies.h"

#include "protocol/frame.h"

#include <algorithm>

namespace ReadReplies {
namespace {

template <typename Value>
struct Form {
    QByteArrayView start;
    Value value;
};

// Every status the projector reports, read as what it says.
constexpr std::array statusForms{
    Form<Status>{"00", {Power::On, false, false}},
    Form<Status>{"80", {Power::Standby, false, false}},
    Form<Status>{"40", {Power::WarmingUp, false, false}},
    Form<Status>{"20", {Power::CoolingDown, false, false}},
    Form<Status>{"10", {Power::Abnormal, false, false}},
    Form<Status>{"08", {Power::On, true, false}},
    Form<Status>{"18", {Power::Abnormal, true, false}},
    Form<Status>{"28", {Power::CoolingDown, true, false}},
    Form<Status>{"48", {Power::WarmingUp, true, false}},
    Form<Status>{"88", {Power::Standby, true, false}},
    Form<Status>{"21", {Power::CoolingDown, false, true}},
    Form<Status>{"81", {Power::Standby, false, true}},
};

constexpr std::array settingForms{
    Form<Setting>{"11", Setting::Normal},
    Form<Setting>{"10", Setting::TopBottomReversed},
    Form<Setting>{"01", Setting::LeftRightReversed},
    Form<Setting>{"00", Setting::BothReversed},
};

// After "000" and a space.
constexpr std::array lampForms{
    Form<Lamp>{"1I", Lamp::Lit},
    Form<Lamp>{"1O", Lamp::Off},
    Form<Lamp>{"1X", Lamp::Failed},
};

constexpr std::array lampModeForms{
    Form<LampMode>{"HIGH", LampMode::High},
    Form<LampMode>{"NORMAL", LampMode::Normal},
    Form<LampMode>{"ECO", LampMode::Eco},
};

template <typename Value, std::size_t N>
std::optional<Value> firstForm(QByteArrayView text, const std::array<Form<Value>, N> &forms)
{
    for (const Form<Value> &form : forms) {
        if (text.startsWith(form.start))
            return form.value;
    }
    return std::nullopt;
}

constexpr qsizetype LampTimeLength = 6;
constexpr qsizetype TemperatureField = 5;
constexpr qsizetype TemperaturesLength = 3 * TemperatureField + 2 + 1;

bool isDigits(QByteArrayView text)
{
    return std::all_of(text.begin(), text.end(), [](char c) { return c >= '0' && c <= '9'; });
}

// The lamp replies' "000" and space; what follows it, or nothing.
std::optional<QByteArrayView> afterLampPrefix(QByteArrayView reply)
{
    if (reply.size() < 4 || !reply.startsWith("000") || (reply[3] != ' ' && reply[3] != '_'))
        return std::nullopt;
    return reply.sliced(4);
}

} // namespace

std::optional<Command> commandOf(QByteArrayView frame)
{
    struct Key {
        QByteArrayView frame;
        Command command;
    };
    static constexpr std::array keys{
        Key{"CR0\r", Command::Status},          Key{"CR1\r", Command::Input},
        Key{"CR4\r", Command::Setting},         Key{"CR3\r", Command::LampTime},
        Key{"CR6\r", Command::Temperatures},    Key{"CR LAMPSTS\r", Command::LampStatus},
        Key{"CR LAMPMODE\r", Command::LampMode}, Key{"CR7\r", Command::LampMode},
    };
    for (const Key &key : keys) {
        if (frame == key.frame)
            return key.command;
    }
    return std::nullopt;
}

bool fits(Command command, QByteArrayView reply)
{
    switch (command) {
    case Command::Status: return status(reply).has_value();
    case Command::Input: return input(reply).has_value();
    case Command::Setting: return setting(reply).has_value();
    case Command::LampTime: return lampTime(reply).has_value();
    case Command::Temperatures: return temperatures(reply).has_value();
    case Command::LampStatus: return lampStatus(reply).has_value();
    case Command::LampMode: return lampMode(reply).has_value();
    }
    return false;
}

std::optional<Status> status(QByteArrayView reply)
{
    return firstForm(reply, statusForms);
}

std::optional<int> input(QByteArrayView reply)
{
    if (reply.isEmpty() || reply[0] < '1' || reply[0] > '5')
        return std::nullopt;
    return reply[0] - '0';
}

std::optional<Setting> setting(QByteArrayView reply)
{
    return firstForm(reply, settingForms);
}

std::optional<LampTime> lampTime(QByteArrayView reply)
{
    if (reply.size() != LampTimeLength)
        return std::nullopt;
    LampTime time{reply.toByteArray(), std::nullopt};
    const QByteArrayView digits = reply.first(LampTimeLength - 1);
    if (reply.endsWith(Protocol::Cr) && isDigits(digits))
        time.hours = digits.toInt();
    return time;
}

std::optional<Temperatures> temperatures(QByteArrayView reply)
{
    if (reply.size() != TemperaturesLength)
        return std::nullopt;
    Temperatures result{reply.toByteArray(), {}};
    if (!reply.endsWith(Protocol::Cr))
        return result;
    for (qsizetype i = 0; i < 3; ++i) {
        bool ok = false;
        const double value = reply.sliced(i * (TemperatureField + 1), TemperatureField).toDouble(&ok);
        if (ok)
            result.degrees[size_t(i)] = value;
    }
    return result;
}

std::optional<Lamp> lampStatus(QByteArrayView reply)
{
    const auto rest = afterLampPrefix(reply);
    return rest ? firstForm(*rest, lampForms) : std::nullopt;
}

std::optional<LampMode> lampMode(QByteArrayView reply)
{
    const auto rest = afterLampPrefix(reply);
    if (!rest)
        return std::nullopt;
    for (const Form<LampMode> &form : lampModeForms) {
        if (!rest->startsWith(form.start))
            continue;
        const QByteArrayView end = rest->sliced(form.start.size());
        const bool threeShort = end.size() == 3 && !end.contains(Protocol::Ack) && !end.contains(Protocol::Cr)
            && !end.contains(Protocol::Lf);
        if (end == "\r" || threeShort)
            return form.value;
    }
    return std::nullopt;
}

} // namespace ReadReplies
