#pragma once

#include <QHash>
#include <QString>

#include <chrono>

// Wrong passwords in a row, by peer address, and how long the answer to the
// next one waits: 0.5 s, doubling up to 8 s. Guessing is slowed without
// locking anybody out. Only so many peers are remembered, and a peer quiet
// for ten minutes is forgotten, so many addresses cannot grow it without end.
class WrongPasswords
{
public:
    using Clock = std::chrono::steady_clock;
    static constexpr std::chrono::milliseconds FirstPenalty{500};
    static constexpr std::chrono::milliseconds LongestPenalty{8000};
    static constexpr std::chrono::minutes Memory{10};
    static constexpr qsizetype MostPeers = 1024;

    struct Penalty {
        int inARow = 0;
        std::chrono::milliseconds delay{0};
    };

    [[nodiscard]] Penalty failed(const QString &peer, Clock::time_point now = Clock::now());
    void succeeded(const QString &peer) { m_peers.remove(peer); }
    [[nodiscard]] qsizetype peers() const { return m_peers.size(); }

private:
    struct Record {
        int inARow = 0;
        Clock::time_point last;
    };
    void makeRoom(Clock::time_point now);

    QHash<QString, Record> m_peers;
};
