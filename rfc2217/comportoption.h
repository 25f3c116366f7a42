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
    Signature = 0,
    SetBaudRate = 1,
    SetDataSize = 2,
    SetParity = 3,
    SetStopSize = 4,
    SetControl = 5,
    NotifyLineState = 6,
    NotifyModemState = 7,
    FlowControlSuspend = 8,
    FlowControlResume = 9,
    SetLineStateMask = 10,
    SetModemStateMask = 11,
    PurgeData = 12,
};

inline constexpr quint8 ServerOffset = 100;
// SET-CONTROL's value for "no flow control".
inline constexpr quint32 NoFlowControl = 1;

struct Setting {
    Command command = Command::SetBaudRate;
    quint32 value = 0;  // 0 asks for the value in force
    QByteArray text{};  // SIGNATURE's text; empty asks for the peer's
    friend bool operator==(const Setting &, const Setting &) = default;
};

// SET-CONTROL's values (RFC 2217): requests of a state, and settings.
namespace Control {
inline constexpr quint32 AskFlowControl = 0, NoFlow = 1, XonXoff = 2, Hardware = 3;
inline constexpr quint32 AskBreak = 4, BreakOn = 5, BreakOff = 6;
inline constexpr quint32 AskDtr = 7, DtrOn = 8, DtrOff = 9;
inline constexpr quint32 AskRts = 10, RtsOn = 11, RtsOff = 12;
inline constexpr quint32 AskInboundFlow = 13, NoInboundFlow = 14, InboundXonXoff = 15, InboundHardware = 16;
inline constexpr quint32 DcdFlow = 17, DtrFlow = 18, DsrFlow = 19;
} // namespace Control

// NOTIFY-MODEMSTATE's bits.
namespace ModemState {
inline constexpr quint8 Cts = 0x10, Dsr = 0x20, CarrierDetect = 0x80;
} // namespace ModemState

struct Message {
    Setting setting;
    bool fromServer = false;  // the code was the command's plus 100
    friend bool operator==(const Message &, const Message &) = default;
};

// Speed, data size, parity, stop size and no flow control, in the order the
// RFC recommends.
[[nodiscard]] QList<Setting> lineSettings(const SerialParameters &parameters);

// The subnegotiation payload: the code, then the value (four bytes in network
// order for the speed, the text for a signature, nothing for the flow
// control's suspend and resume, one byte for the rest).
[[nodiscard]] QByteArray payload(const Setting &setting, bool fromServer);
// A payload read back; nullopt for other commands or a value of the wrong
// size. The notifications may come without a value: a poll.
[[nodiscard]] std::optional<Message> parse(QByteArrayView payload);

// The parameters with one setting applied; nullopt for a value that names none.
[[nodiscard]] std::optional<SerialParameters> apply(SerialParameters parameters, const Setting &setting);
// The value in force for a setting's command.
[[nodiscard]] quint32 valueIn(const SerialParameters &parameters, Command command);

} // namespace ComPortOption

QDebug operator<<(QDebug debug, const ComPortOption::Setting &setting);
