#pragma once

#include <QByteArray>
#include <QByteArrayView>
#include <QDebug>
#include <QList>

// The telnet framing that RFC 2217 runs on: a byte stream in which 0xFF (IAC)
// starts a command, option negotiations (IAC WILL/WONT/DO/DONT option) and
// subnegotiations (IAC SB option ... IAC SE); a 0xFF of data goes doubled.
namespace Telnet {

inline constexpr char Se = char(240);
inline constexpr char Sb = char(250);
inline constexpr char Iac = char(255);
inline constexpr char Cr = '\r';
inline constexpr char Nul = '\0';

inline constexpr quint8 BinaryOption = 0;
inline constexpr quint8 ComPortOption = 44;

} // namespace Telnet

struct TelnetEvent {
    enum class Kind : quint8 { Will = 251, Wont = 252, Do = 253, Dont = 254, Subnegotiation = 250 };

    Kind kind = Kind::Will;
    quint8 option = 0;
    QByteArray payload;  // Subnegotiation: the bytes after the option, IAC IAC undone

    friend bool operator==(const TelnetEvent &, const TelnetEvent &) = default;
};

QDebug operator<<(QDebug debug, const TelnetEvent &event);

// Splits what a telnet peer sends into data and events. It keeps its place
// between calls, so a command split across two reads is read whole. Other
// commands (NOP, GA, BRK ...) are consumed and dropped.
class TelnetDecoder
{
public:
    // A longer subnegotiation is dropped whole, however long it goes on.
    static constexpr qsizetype MaxSubnegotiation = 256;

    struct Output {
        QByteArray data;
        QList<TelnetEvent> events;
    };

    [[nodiscard]] Output decode(QByteArrayView bytes);

    // A peer that does not send binary sends a CR of data as CR NUL.
    void setPeerSendsBinary(bool binary) { m_peerSendsBinary = binary; }

private:
    enum class State { Data, Iac, Option, SbOption, Sb, SbIac };

    void takeCommand(char command, Output &output);

    State m_state = State::Data;
    TelnetEvent::Kind m_verb = TelnetEvent::Kind::Will;
    TelnetEvent m_subnegotiation;
    bool m_subnegotiationTooLong = false;
    bool m_peerSendsBinary = false;
    bool m_afterCr = false;
};

namespace Telnet {

// Data as it goes on the connection: 0xFF doubled, and a CR followed by NUL
// unless this side sends binary.
[[nodiscard]] QByteArray encodeData(QByteArrayView data, bool binary);
[[nodiscard]] QByteArray negotiation(TelnetEvent::Kind verb, quint8 option);
// The payload's 0xFF bytes are doubled.
[[nodiscard]] QByteArray subnegotiation(quint8 option, QByteArrayView payload);

} // namespace Telnet
