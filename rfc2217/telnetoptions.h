#pragma once

#include "rfc2217/telnetcodec.h"

#include <QByteArray>
#include <QHash>
#include <QList>

// Which telnet options are in force on each side, and the answer to every
// WILL, WONT, DO and DONT. A request is answered only when it changes an
// option's state (as RFC 1143 sets out), so two peers cannot loop.
class TelnetOptions
{
public:
    // `local`: options this side agrees to use (it answers DO with WILL);
    // `remote`: options it agrees the peer uses (it answers WILL with DO).
    TelnetOptions(QList<quint8> local, QList<quint8> remote);

    // Asks to use an option here (WILL) or on the peer (DO); empty when it is
    // already in force or asked for.
    [[nodiscard]] QByteArray requestLocal(quint8 option);
    [[nodiscard]] QByteArray requestRemote(quint8 option);

    // The reply to a negotiation from the peer; empty when none is due.
    [[nodiscard]] QByteArray answer(const TelnetEvent &event);

    [[nodiscard]] bool isLocalOn(quint8 option) const { return state(m_local, option) == State::Yes; }
    [[nodiscard]] bool isRemoteOn(quint8 option) const { return state(m_remote, option) == State::Yes; }
    // Asked for and not answered yet.
    [[nodiscard]] bool isLocalPending(quint8 option) const { return state(m_local, option) == State::WantYes; }
    [[nodiscard]] bool isRemotePending(quint8 option) const { return state(m_remote, option) == State::WantYes; }

private:
    enum class State { No, Yes, WantYes };

    [[nodiscard]] static State state(const QHash<quint8, State> &side, quint8 option)
    {
        return side.value(option, State::No);
    }
    // `enable`: the peer's WILL (for the remote side) or DO (for the local side).
    [[nodiscard]] static QByteArray answerFor(QHash<quint8, State> &side, const QList<quint8> &accepted,
                                              quint8 option, bool enable, TelnetEvent::Kind yes,
                                              TelnetEvent::Kind no);

    QList<quint8> m_acceptedLocal;
    QList<quint8> m_acceptedRemote;
    QHash<quint8, State> m_local;
    QHash<quint8, State> m_remote;
};
