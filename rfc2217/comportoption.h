#pragma once

#include "rfc2217/serialparameters.h"

#include <QByteArray>
#include <QByteArrayView>
#include <QDebug>
#include <QList>

#include <optional>

// The commands of the telnet COM-PORT-OPTION (RFC 2217) that set up a line:
// the client sends a command with the value it asks for, the server answers
// with the command's code plus 100 and the value in force.
namespace ComPortOption {

enum class Command : quint8 {
    SetBaudRate = 1,
    SetDataSize = 2,
    SetParity = 3,
    SetStopSize = 4,
    SetControl = 5,
    PurgeData = 12,
};

inline constexpr quint8 ServerOffset = 100;
// SET-CONTROL's value for "no flow control".
inline constexpr quint32 NoFlowControl = 1;

struct Setting {
    Command command = Command::SetBaudRate;
    quint32 value = 0;  // 0 asks for the value in force
    friend bool operator==(const Setting &, const Setting &) = default;
};

struct Message {
    Setting setting;
    bool fromServer = false;  // the code was the command's plus 100
    friend bool operator==(const Message &, const Message &) = default;
};

// Speed, data size, parity, stop size and no flow control, in the order the
// RFC recommends.
[[nodiscard]] QList<Setting> lineSettings(const SerialParameters &parameters);

// The subnegotiation payload: the code, then the value (four bytes in network
// order for the speed, one byte for the rest).
[[nodiscard]] QByteArray payload(const Setting &setting, bool fromServer);
// A payload read back; nullopt for other commands or a value of the wrong size.
[[nodiscard]] std::optional<Message> parse(QByteArrayView payload);

// The parameters with one setting applied; nullopt for a value that names none.
[[nodiscard]] std::optional<SerialParameters> apply(SerialParameters parameters, const Setting &setting);
// The value in force for a setting's command.
[[nodiscard]] quint32 valueIn(const SerialParameters &parameters, Command command);

} // namespace ComPortOption

QDebug operator<<(QDebug debug, const ComPortOption::Setting &setting);
