#include "rfc2217/telnetcodec.h"

namespace {

bool isNegotiationVerb(char byte)
{
    const auto b = quint8(byte);
    return b >= quint8(TelnetEvent::Kind::Will) && b <= quint8(TelnetEvent::Kind::Dont);
}

const char *verbName(TelnetEvent::Kind kind)
{
    switch (kind) {
    case TelnetEvent::Kind::Will: return "WILL";
    case TelnetEvent::Kind::Wont: return "WONT";
    case TelnetEvent::Kind::Do: return "DO";
    case TelnetEvent::Kind::Dont: return "DONT";
    case TelnetEvent::Kind::Subnegotiation: return "SB";
    }
    return "?";
}

} // namespace

QDebug operator<<(QDebug debug, const TelnetEvent &event)
{
    QDebugStateSaver saver(debug);
    debug.nospace() << verbName(event.kind) << ' ' << event.option;
    if (event.kind == TelnetEvent::Kind::Subnegotiation)
        debug << ' ' << event.payload.toHex(' ');
    return debug;
}

TelnetDecoder::Output TelnetDecoder::decode(QByteArrayView bytes)
{
    Output output;
    output.data.reserve(bytes.size());
    for (const char byte : bytes) {
        switch (m_state) {
        case State::Data:
            if (byte == Telnet::Iac) {
                m_state = State::Iac;
                break;
            }
            if (m_afterCr && byte == Telnet::Nul) {
                m_afterCr = false;
                break;
            }
            m_afterCr = !m_peerSendsBinary && byte == Telnet::Cr;
            output.data.append(byte);
            break;
        case State::Iac:
            takeCommand(byte, output);
            break;
        case State::Option:
            output.events.append({m_verb, quint8(byte), {}});
            m_state = State::Data;
            break;
        case State::SbOption:
            m_subnegotiation = {TelnetEvent::Kind::Subnegotiation, quint8(byte), {}};
            m_subnegotiationTooLong = false;
            m_state = State::Sb;
            break;
        case State::Sb:
            if (byte == Telnet::Iac) {
                m_state = State::SbIac;
                break;
            }
            if (m_subnegotiation.payload.size() < MaxSubnegotiation)
                m_subnegotiation.payload.append(byte);
            else
                m_subnegotiationTooLong = true;
            break;
        case State::SbIac:
            if (byte == Telnet::Iac) {
                m_state = State::Sb;
                if (m_subnegotiation.payload.size() < MaxSubnegotiation)
                    m_subnegotiation.payload.append(byte);
                else
                    m_subnegotiationTooLong = true;
                break;
            }
            if (byte == Telnet::Se) {
                if (!m_subnegotiationTooLong)
                    output.events.append(m_subnegotiation);
                m_subnegotiation = {};
                m_state = State::Data;
                break;
            }
            // Any other command ends a subnegotiation that lost its IAC SE;
            // what was gathered is dropped and the command is taken as such.
            m_subnegotiation = {};
            takeCommand(byte, output);
            break;
        }
    }
    return output;
}

void TelnetDecoder::takeCommand(char command, Output &output)
{
    m_afterCr = false;
    if (command == Telnet::Iac) {
        output.data.append(Telnet::Iac);
        m_state = State::Data;
    } else if (isNegotiationVerb(command)) {
        m_verb = TelnetEvent::Kind(quint8(command));
        m_state = State::Option;
    } else if (command == Telnet::Sb) {
        m_state = State::SbOption;
    } else {
        m_state = State::Data;
    }
}

namespace Telnet {

QByteArray encodeData(QByteArrayView data, bool binary)
{
    QByteArray encoded;
    encoded.reserve(data.size() + 2);
    for (const char byte : data) {
        encoded.append(byte);
        if (byte == Iac)
            encoded.append(Iac);
        else if (byte == Cr && !binary)
            encoded.append(Nul);
    }
    return encoded;
}

QByteArray negotiation(TelnetEvent::Kind verb, quint8 option)
{
    const char bytes[] = {Iac, char(verb), char(option)};
    return QByteArray(bytes, sizeof bytes);
}

QByteArray subnegotiation(quint8 option, QByteArrayView payload)
{
    QByteArray bytes(1, Iac);
    bytes.append(Sb);
    bytes.append(char(option));
    bytes.append(encodeData(payload, true));
    bytes.append(Iac);
    bytes.append(Se);
    return bytes;
}

} // namespace Telnet
