#include "rfc2217/rfc2217server.h"

#include "rfc2217/comportoption.h"

using ComPortOption::Command;

Rfc2217Server::Rfc2217Server(const SerialParameters &line)
    : m_line(line)
    , m_options({Telnet::BinaryOption}, {Telnet::BinaryOption, Telnet::ComPortOption})
{
}

Rfc2217Server::Step Rfc2217Server::receive(QByteArrayView bytes)
{
    TelnetDecoder::Output decoded = m_decoder.decode(bytes);
    Step step{std::move(decoded.data), {}, false};
    for (const TelnetEvent &event : std::as_const(decoded.events))
        take(event, step);
    m_decoder.setPeerSendsBinary(m_options.isRemoteOn(Telnet::BinaryOption));
    return step;
}

QByteArray Rfc2217Server::encode(QByteArrayView data) const
{
    return Telnet::encodeData(data, m_options.isLocalOn(Telnet::BinaryOption));
}

void Rfc2217Server::take(const TelnetEvent &event, Step &step)
{
    if (event.kind != TelnetEvent::Kind::Subnegotiation) {
        step.reply += m_options.answer(event);
        return;
    }
    if (event.option != Telnet::ComPortOption)
        return;
    const auto message = ComPortOption::parse(event.payload);
    if (!message || message->fromServer)
        return;
    ComPortOption::Setting answer = message->setting;
    if (answer.command == Command::SetControl || answer.command == Command::PurgeData) {
        // No modem lines or buffers to act on here: confirmed as asked.
    } else if (const auto changed = ComPortOption::apply(m_line, answer)) {
        step.lineChanged = step.lineChanged || !(*changed == m_line);
        m_line = *changed;
    } else {
        answer.value = ComPortOption::valueIn(m_line, answer.command);  // 0 or a value it cannot set
    }
    step.reply += Telnet::subnegotiation(Telnet::ComPortOption, ComPortOption::payload(answer, true));
}
