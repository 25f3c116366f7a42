#include "rfc2217/comportoption.h"

#include <QtEndian>

#include <array>
#include <limits>
#include <utility>

namespace ComPortOption {

namespace {

using Parity = SerialParameters::Parity;
using StopBits = SerialParameters::StopBits;

constexpr std::array<std::pair<Parity, quint32>, 5> ParityValues{{
    {Parity::None, 1}, {Parity::Odd, 2}, {Parity::Even, 3}, {Parity::Mark, 4}, {Parity::Space, 5},
}};
constexpr std::array<std::pair<StopBits, quint32>, 3> StopValues{{
    {StopBits::One, 1}, {StopBits::Two, 2}, {StopBits::OneAndHalf, 3},
}};

template <typename Enum, std::size_t N>
quint32 valueOf(const std::array<std::pair<Enum, quint32>, N> &table, Enum e)
{
    for (const auto &[key, value] : table)
        if (key == e)
            return value;
    return 0;
}

template <typename Enum, std::size_t N>
std::optional<Enum> keyOf(const std::array<std::pair<Enum, quint32>, N> &table, quint32 v)
{
    for (const auto &[key, value] : table)
        if (value == v)
            return key;
    return std::nullopt;
}

bool isKnown(quint8 code)
{
    return code <= quint8(Command::PurgeData);
}

} // namespace

QList<Setting> lineSettings(const SerialParameters &parameters)
{
    QList<Setting> settings;
    for (Command command : {Command::SetBaudRate, Command::SetDataSize, Command::SetParity,
                            Command::SetStopSize})
        settings.append({command, valueIn(parameters, command)});
    settings.append({Command::SetControl, NoFlowControl});
    return settings;
}

QByteArray payload(const Setting &setting, bool fromServer)
{
    QByteArray bytes(1, char(quint8(setting.command) + (fromServer ? ServerOffset : 0)));
    switch (setting.command) {
    case Command::SetBaudRate: {
        char value[4];
        qToBigEndian(setting.value, value);
        bytes.append(value, sizeof value);
        break;
    }
    case Command::Signature:
        bytes.append(setting.text);
        break;
    case Command::FlowControlSuspend:
    case Command::FlowControlResume:
        break;
    default:
        bytes.append(char(quint8(setting.value)));
    }
    return bytes;
}

std::optional<Message> parse(QByteArrayView payload)
{
    if (payload.isEmpty())
        return std::nullopt;
    const auto code = quint8(payload.front());
    const bool fromServer = code >= ServerOffset;
    const quint8 command = fromServer ? quint8(code - ServerOffset) : code;
    if (!isKnown(command))
        return std::nullopt;
    const QByteArrayView value = payload.sliced(1);
    Message message{{Command(command), 0}, fromServer};
    switch (message.setting.command) {
    case Command::SetBaudRate:
        if (value.size() != 4)
            return std::nullopt;
        message.setting.value = qFromBigEndian<quint32>(value.data());
        return message;
    case Command::Signature:
        message.setting.text = value.toByteArray();
        return message;
    case Command::FlowControlSuspend:
    case Command::FlowControlResume:
        return value.isEmpty() ? std::optional(message) : std::nullopt;
    case Command::NotifyLineState:
    case Command::NotifyModemState:
        if (value.isEmpty())
            return message;
        break;
    default:
        break;
    }
    if (value.size() != 1)
        return std::nullopt;
    message.setting.value = quint8(value.front());
    return message;
}

std::optional<SerialParameters> apply(SerialParameters parameters, const Setting &setting)
{
    switch (setting.command) {
    case Command::SetBaudRate:
        if (setting.value == 0 || setting.value > quint32(std::numeric_limits<qint32>::max()))
            return std::nullopt;
        parameters.baudRate = qint32(setting.value);
        return parameters;
    case Command::SetDataSize:
        if (setting.value < 5 || setting.value > 8)
            return std::nullopt;
        parameters.dataBits = int(setting.value);
        return parameters;
    case Command::SetParity:
        if (const auto parity = keyOf(ParityValues, setting.value)) {
            parameters.parity = *parity;
            return parameters;
        }
        return std::nullopt;
    case Command::SetStopSize:
        if (const auto stop = keyOf(StopValues, setting.value)) {
            parameters.stopBits = *stop;
            return parameters;
        }
        return std::nullopt;
    default:
        break;
    }
    return std::nullopt;
}

quint32 valueIn(const SerialParameters &parameters, Command command)
{
    switch (command) {
    case Command::SetBaudRate: return quint32(parameters.baudRate);
    case Command::SetDataSize: return quint32(parameters.dataBits);
    case Command::SetParity: return valueOf(ParityValues, parameters.parity);
    case Command::SetStopSize: return valueOf(StopValues, parameters.stopBits);
    case Command::SetControl: return NoFlowControl;
    default: return 0;
    }
}

} // namespace ComPortOption

QDebug operator<<(QDebug debug, const ComPortOption::Setting &setting)
{
    QDebugStateSaver saver(debug);
    debug.nospace() << "Setting(" << int(setting.command) << ", " << setting.value << ')';
    return debug;
}
