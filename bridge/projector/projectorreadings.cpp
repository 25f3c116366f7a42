#include "bridge/projectorreadings.h"

#include "bridge/panelframes.h"

namespace ProjectorReadings {
namespace {

struct StatusForm {
    QByteArrayView digits;
    Status status;
};

// Every form the panel's status decoder knows, read as what it says.
constexpr std::array statusForms{
    StatusForm{"00", {Power::On, false, false}},
    StatusForm{"80", {Power::Standby, false, false}},
    StatusForm{"40", {Power::WarmingUp, false, false}},
    StatusForm{"20", {Power::CoolingDown, false, false}},
    StatusForm{"10", {Power::Abnormal, false, false}},
    StatusForm{"08", {Power::On, true, false}},
    StatusForm{"18", {Power::Abnormal, true, false}},
    StatusForm{"28", {Power::CoolingDown, true, false}},
    StatusForm{"48", {Power::WarmingUp, true, false}},
    StatusForm{"88", {Power::Standby, true, false}},
    StatusForm{"21", {Power::CoolingDown, false, true}},
    StatusForm{"81", {Power::Standby, false, true}},
};

struct LampForm {
    QByteArrayView text;
    Lamp lamp;
};

constexpr std::array lampForms{
    LampForm{"000 1I", Lamp::Lit},
    LampForm{"000 1O", Lamp::Off},
    LampForm{"000 1X", Lamp::Failed},
};

constexpr qsizetype LampHoursDigits = 5;
constexpr qsizetype TemperatureField = 5;
constexpr qsizetype TemperatureReplyLength = 3 * TemperatureField + 2 + 1;

bool isDigits(QByteArrayView text)
{
    for (const char c : text) {
        if (c < '0' || c > '9')
            return false;
    }
    return !text.isEmpty();
}

} // namespace

QByteArray frame(Reading reading)
{
    switch (reading) {
    case Reading::Status: return panelFrame("Read status");
    case Reading::Input: return panelFrame("Read input mode");
    case Reading::LampHours: return panelFrame("Read lamp time");
    case Reading::LampStatus: return panelFrame("Read lamp status");
    case Reading::Temperatures: return panelFrame("Read temperatures");
    }
    return {};
}

QByteArrayView word(Reading reading)
{
    switch (reading) {
    case Reading::Status: return "status";
    case Reading::Input: return "input";
    case Reading::LampHours: return "lamp-hours";
    case Reading::LampStatus: return "lamp-status";
    case Reading::Temperatures: return "temperatures";
    }
    return {};
}

// The panel's decoders look at the start of the reply; so does the bridge.
std::optional<Status> status(QByteArrayView reply)
{
    for (const StatusForm &form : statusForms) {
        if (reply.startsWith(form.digits))
            return form.status;
    }
    return std::nullopt;
}

std::optional<int> inputNumber(QByteArrayView reply)
{
    if (reply.isEmpty() || reply[0] < '1' || reply[0] > '5')
        return std::nullopt;
    return reply[0] - '0';
}

std::optional<int> lampHours(QByteArrayView reply)
{
    if (reply.size() != LampHoursDigits + 1 || !reply.endsWith('\r')
        || !isDigits(reply.first(LampHoursDigits)))
        return std::nullopt;
    return reply.first(LampHoursDigits).toInt();
}

std::optional<Lamp> lampStatus(QByteArrayView reply)
{
    for (const LampForm &form : lampForms) {
        if (reply.startsWith(form.text))
            return form.lamp;
    }
    return std::nullopt;
}

std::optional<Temperatures> temperatures(QByteArrayView reply)
{
    if (reply.size() != TemperatureReplyLength || !reply.endsWith('\r'))
        return std::nullopt;
    Temperatures result;
    for (qsizetype i = 0; i < 3; ++i) {
        bool ok = false;
        const double value = reply.sliced(i * (TemperatureField + 1), TemperatureField).toDouble(&ok);
        if (ok)
            result[size_t(i)] = value;
    }
    return result;
}

} // namespace ProjectorReadings
