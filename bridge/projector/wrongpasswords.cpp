#include "bridge/projector/wrongpasswords.h"

#include <algorithm>

WrongPasswords::Penalty WrongPasswords::failed(const QString &peer, Clock::time_point now)
{
    if (!m_peers.contains(peer) && m_peers.size() >= MostPeers)
        makeRoom(now);
    Record &record = m_peers[peer];
    if (now - record.last > Memory)
        record.inARow = 0;
    record.last = now;
    ++record.inARow;
    const int doublings = std::min(record.inARow - 1, 8);
    record.delay = std::min(LongestPenalty, FirstPenalty * (1 << doublings));
    return {record.inARow, record.delay, record.inARow >= ShutOutAfter};
}

std::chrono::milliseconds WrongPasswords::waitFor(const QString &peer, Clock::time_point now) const
{
    const auto record = m_peers.constFind(peer);
    if (record == m_peers.cend() || now >= record->last + record->delay)
        return std::chrono::milliseconds(0);
    return std::chrono::ceil<std::chrono::milliseconds>(record->last + record->delay - now);
}

bool WrongPasswords::shutOut(const QString &peer, Clock::time_point now) const
{
    const auto record = m_peers.constFind(peer);
    return record != m_peers.cend() && record->inARow >= ShutOutAfter && now < record->last + record->delay;
}

void WrongPasswords::makeRoom(Clock::time_point now)
{
    m_peers.removeIf([now](const auto &entry) { return now - entry.value().last > Memory; });
    if (m_peers.size() < MostPeers)
        return;
    // All recent: the one quiet longest goes.
    const auto oldest = std::min_element(m_peers.cbegin(), m_peers.cend(),
                                         [](const Record &a, const Record &b) { return a.last < b.last; });
    m_peers.remove(oldest.key());
}
