#pragma once

#include <QHash>
#include <QString>

#include <chrono>

// Wrong passwords (web) or digests (PJLink) in a row, by peer address, and
// how long that peer's next request waits: 0.5 s, doubling up to 8 s, for
// every request of the peer, not only the wrong one's answer. After a few in
// a row the peer is shut out (its connections closed, new ones refused) for
// the penalty's time: guessing is slowed to a few tries a minute without
// locking anybody out for longer. Only so many peers are remembered, and a
// peer quiet for ten minutes is forgotten, so many addresses cannot grow it
// without end.
class WrongPasswords
{
public:
    using Clock = std::chrono::steady_clock;
    static constexpr std::chrono::milliseconds FirstPenalty{500};
    static constexpr std::chrono::milliseconds LongestPenalty{8000};
    static constexpr std::chrono::minutes Memory{10};
    static constexpr qsizetype MostPeers = 1024;
    static constexpr int ShutOutAfter = 5;

    struct Penalty {
        int inARow = 0;
        std::chrono::milliseconds delay{0};
        bool shutOut = false;
    };

    [[nodiscard]] Penalty failed(const QString &peer, Clock::time_point now = Clock::now());
    void succeeded(const QString &peer) { m_peers.remove(peer); }
    // How long a request of the peer still waits (0: none).
    [[nodiscard]] std::chrono::milliseconds waitFor(const QString &peer, Clock::time_point now = Clock::now()) const;
    // Whether its connections are refused now.
    [[nodiscard]] bool shutOut(const QString &peer, Clock::time_point now = Clock::now()) const;
    [[nodiscard]] qsizetype peers() const { return m_peers.size(); }

private:
    struct Record {
        int inARow = 0;
        Clock::time_point last;
        std::chrono::milliseconds delay{0};
    };
    void makeRoom(Clock::time_point now);

    QHash<QString, Record> m_peers;
};
