#include "rfc2217/rfc2217server.h"

#include <array>
#include <utility>

using ComPortOption::Command;
namespace Control = ComPortOption::Control;

namespace {

// SET-CONTROL's settings of a flow control the device's side cannot use,
// answered with the one in force (none), outbound or inbound.
constexpr std::array<std::pair<quint32, quint32>, 8> FlowControlAnswers{{
    {Control::NoFlow, Control::NoFlow},
    {Control::XonXoff, Control::NoFlow},
    {Control::Hardware, Control::NoFlow},
    {Control::DcdFlow, Control::NoFlow},
    {Control::DsrFlow, Control::NoFlow},
    {Control::NoInboundFlow, Control::NoInboundFlow},
    {Control::InboundXonXoff, Control::NoInboundFlow},
    {Control::InboundHardware, Control::NoInboundFlow},
}};

} // namespace

Rfc2217Server::Rfc2217Server(const SerialParameters &line)
    : Rfc2217Server(line, Device{})
{
}

Rfc2217Server::Rfc2217Server(const SerialParameters &line, Device device)
    : m_line(line)
    , m_format(line)
    , m_device(std::move(device))
    , m_options({Telnet::BinaryOption}, {Telnet::BinaryOption, Telnet::ComPortOption})
{
}

QByteArray Rfc2217Server::start()
{
    // Binary both ways, as device servers offer it: a CR of data then needs no NUL.
    return m_options.requestLocal(Telnet::BinaryOption) + m_options.requestRemote(Telnet::BinaryOption);
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
        const bool comPortWasOn = m_options.isRemoteOn(Telnet::ComPortOption);
        step.reply += m_options.answer(event);
        // A client that has just agreed learns the modem lines at once.
        if (!comPortWasOn && m_options.isRemoteOn(Telnet::ComPortOption))
            step.reply += modemStateNotice();
        return;
    }
    if (event.option != Telnet::ComPortOption)
        return;
    const auto message = ComPortOption::parse(event.payload);
    if (!message || message->fromServer)
        return;
    if (const auto answered = answer(message->setting, step))
        step.reply += Telnet::subnegotiation(Telnet::ComPortOption, ComPortOption::payload(*answered, true));
}

std::optional<ComPortOption::Setting> Rfc2217Server::answer(const ComPortOption::Setting &asked, Step &step)
{
    ComPortOption::Setting answer{asked.command, asked.value, {}};
    switch (asked.command) {
    case Command::Signature:
        // An empty one asks for ours; a client's own needs no answer.
        if (!asked.text.isEmpty())
            return std::nullopt;
        answer.text = m_device.signature;
        return answer;
    case Command::SetControl:
        answer.value = control(asked.value);
        return answer;
    case Command::SetLineStateMask:
        m_lineStateMask = quint8(asked.value);
        return answer;
    case Command::SetModemStateMask:
        m_modemStateMask = quint8(asked.value);
        return answer;
    case Command::NotifyModemState:
        // A client's poll: the state as the mask lets it be seen.
        step.reply += modemStateNotice();
        return std::nullopt;
    case Command::NotifyLineState:
    case Command::FlowControlSuspend:
    case Command::FlowControlResume:
        return std::nullopt;
    case Command::PurgeData:
        // Nothing is held back here: confirmed as asked.
        return answer;
    default:
        break;
    }
    const auto changed = ComPortOption::apply(m_line, asked);
    if (changed && canRun(*changed)) {
        step.lineChanged = step.lineChanged || !(*changed == m_line);
        m_line = *changed;
    } else {
        answer.value = ComPortOption::valueIn(m_line, asked.command);  // a request, or a value it cannot set
    }
    return answer;
}

quint32 Rfc2217Server::control(quint32 asked)
{
    switch (asked) {
    case Control::AskFlowControl: return Control::NoFlow;
    case Control::AskInboundFlow: return Control::NoInboundFlow;
    case Control::AskBreak: return m_break;
    case Control::AskDtr: return m_dtr;
    case Control::AskRts: return m_rts;
    case Control::BreakOn:
    case Control::BreakOff: return m_break = asked;
    case Control::DtrOn:
    case Control::DtrOff: return m_dtr = asked;
    case Control::RtsOn:
    case Control::RtsOff: return m_rts = asked;
    default: break;
    }
    for (const auto &[setting, inForce] : FlowControlAnswers) {
        if (setting == asked)
            return inForce;
    }
    return Control::NoFlow;
}

bool Rfc2217Server::canRun(const SerialParameters &line) const
{
    if (!m_device.speeds.isEmpty() && !m_device.speeds.contains(line.baudRate))
        return false;
    return !m_device.fixedFormat
        || (line.dataBits == m_format.dataBits && line.parity == m_format.parity
            && line.stopBits == m_format.stopBits);
}

QByteArray Rfc2217Server::modemStateNotice() const
{
    const quint8 shown = m_device.modemState & m_modemStateMask;
    if (m_modemStateMask == 0)
        return {};
    return Telnet::subnegotiation(Telnet::ComPortOption,
                                  ComPortOption::payload({Command::NotifyModemState, shown, {}}, true));
}
