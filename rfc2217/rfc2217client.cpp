#include "rfc2217/rfc2217client.h"

#include <algorithm>

using ComPortOption::Command;
using Kind = TelnetEvent::Kind;

namespace {

QString describe(Command command, quint32 value)
{
    switch (command) {
    case Command::SetBaudRate: return QStringLiteral("%1 baud").arg(value);
    case Command::SetDataSize: return QStringLiteral("%1 data bits").arg(value);
    case Command::SetParity: return QStringLiteral("parity %1").arg(value);
    case Command::SetStopSize: return QStringLiteral("stop size %1").arg(value);
    case Command::SetControl: return QStringLiteral("control %1").arg(value);
    case Command::PurgeData: return QStringLiteral("purge %1").arg(value);
    default: break;
    }
    return QStringLiteral("command %1, %2").arg(int(command)).arg(value);
}

} // namespace

Rfc2217Client::Rfc2217Client(const SerialParameters &parameters)
    : m_parameters(parameters)
    , m_options({Telnet::BinaryOption, Telnet::ComPortOption}, {Telnet::BinaryOption})
{
}

QByteArray Rfc2217Client::start()
{
    return m_options.requestLocal(Telnet::ComPortOption) + m_options.requestLocal(Telnet::BinaryOption)
        + m_options.requestRemote(Telnet::BinaryOption);
}

Rfc2217Client::Step Rfc2217Client::receive(QByteArrayView bytes)
{
    TelnetDecoder::Output decoded = m_decoder.decode(bytes);
    Step step{std::move(decoded.data), {}};
    for (const TelnetEvent &event : std::as_const(decoded.events))
        take(event, step.reply);
    m_decoder.setPeerSendsBinary(m_options.isRemoteOn(Telnet::BinaryOption));
    updateState();
    return step;
}

QByteArray Rfc2217Client::encode(QByteArrayView data) const
{
    return Telnet::encodeData(data, m_options.isLocalOn(Telnet::BinaryOption));
}

void Rfc2217Client::take(const TelnetEvent &event, QByteArray &reply)
{
    if (event.kind != Kind::Subnegotiation) {
        const bool comPortRefused = event.kind == Kind::Dont && event.option == Telnet::ComPortOption;
        reply += m_options.answer(event);
        if (comPortRefused)
            refuse(QStringLiteral("it does not offer RFC 2217"));
        if (m_options.isLocalOn(Telnet::ComPortOption) && !m_settingsSent) {
            m_settingsSent = true;
            m_unanswered = ComPortOption::lineSettings(m_parameters);
            for (const ComPortOption::Setting &setting : std::as_const(m_unanswered))
                reply += Telnet::subnegotiation(Telnet::ComPortOption, ComPortOption::payload(setting, false));
        }
        return;
    }
    if (event.option != Telnet::ComPortOption)
        return;
    const auto message = ComPortOption::parse(event.payload);
    if (message && message->fromServer)
        takeAnswer(message->setting);
}

void Rfc2217Client::takeAnswer(const ComPortOption::Setting &answer)
{
    const auto asked = std::find_if(m_unanswered.begin(), m_unanswered.end(),
                                    [&](const ComPortOption::Setting &s) { return s.command == answer.command; });
    if (asked == m_unanswered.end())
        return;  // a notification, or an answer given twice
    if (answer.command != Command::SetControl && answer.value != asked->value) {
        refuse(QStringLiteral("%1 asked for, %2 set")
                   .arg(describe(asked->command, asked->value), describe(answer.command, answer.value)));
        return;
    }
    m_unanswered.erase(asked);
}

void Rfc2217Client::refuse(const QString &why)
{
    if (m_state == State::Refused)
        return;
    m_state = State::Refused;
    m_refusal = QStringLiteral("the server did not accept the line settings (%1)").arg(why);
}

void Rfc2217Client::updateState()
{
    if (m_state != State::Negotiating)
        return;
    const bool binarySettled = !m_options.isLocalPending(Telnet::BinaryOption)
        && !m_options.isRemotePending(Telnet::BinaryOption);
    if (m_settingsSent && m_unanswered.isEmpty() && binarySettled)
        m_state = State::Ready;
}
