#include "rfc2217/telnetoptions.h"

using Kind = TelnetEvent::Kind;

TelnetOptions::TelnetOptions(QList<quint8> local, QList<quint8> remote)
    : m_acceptedLocal(std::move(local))
    , m_acceptedRemote(std::move(remote))
{
}

QByteArray TelnetOptions::requestLocal(quint8 option)
{
    if (state(m_local, option) != State::No)
        return {};
    m_local[option] = State::WantYes;
    return Telnet::negotiation(Kind::Will, option);
}

QByteArray TelnetOptions::requestRemote(quint8 option)
{
    if (state(m_remote, option) != State::No)
        return {};
    m_remote[option] = State::WantYes;
    return Telnet::negotiation(Kind::Do, option);
}

QByteArray TelnetOptions::answer(const TelnetEvent &event)
{
    switch (event.kind) {
    case Kind::Will:
    case Kind::Wont:
        return answerFor(m_remote, m_acceptedRemote, event.option, event.kind == Kind::Will, Kind::Do,
                         Kind::Dont);
    case Kind::Do:
    case Kind::Dont:
        return answerFor(m_local, m_acceptedLocal, event.option, event.kind == Kind::Do, Kind::Will,
                         Kind::Wont);
    case Kind::Subnegotiation:
        break;
    }
    return {};
}

QByteArray TelnetOptions::answerFor(QHash<quint8, State> &side, const QList<quint8> &accepted,
                                    quint8 option, bool enable, Kind yes, Kind no)
{
    const State current = state(side, option);
    if (enable) {
        if (current == State::Yes)
            return {};
        if (current == State::WantYes) {  // the answer to our request
            side[option] = State::Yes;
            return {};
        }
        if (!accepted.contains(option))
            return Telnet::negotiation(no, option);
        side[option] = State::Yes;
        return Telnet::negotiation(yes, option);
    }
    if (current == State::No)
        return {};
    side[option] = State::No;
    // A refusal of our request needs no answer; switching off one in force does.
    return current == State::Yes ? Telnet::negotiation(no, option) : QByteArray();
}
