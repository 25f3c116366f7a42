#pragma once

#include "exchange/transmitorigin.h"
#include "log/exchangerecord.h"

#include <QHash>
#include <QList>

// The newest exchanges, at most `capacity` of them: each transmit starts a
// record and pushes the oldest out once the ring is full. What arrives is
// added to the newest record, up to a bound per record, so neither a flood
// nor a long hold can make the ring grow without limit. Times are given by
// the caller.
class ExchangeRing
{
public:
    static constexpr qsizetype DefaultCapacity = 10000;
    // Far more than any reply of the projector: what a record keeps of a flood.
    static constexpr qint32 KeptReplyBytes = 256;
    static constexpr qsizetype KeptReceiveEvents = 16;
    // What a port event's words may take: a device path or a reason.
    static constexpr qsizetype KeptPortWords = 200;

    explicit ExchangeRing(qsizetype capacity = DefaultCapacity);

    void transmit(qint64 atMs, const TransmitOrigin &origin, QByteArrayView frame, bool written);
    void receive(qint64 atMs, QByteArrayView bytes);
    // The status line was written by the receive event just recorded.
    void statusWritten(const QString &text);
    void replyWindowClosed(qint64 atMs, bool replied);
    // The port opened, closed, went or came back: a record of its own, which
    // ends the exchange in progress (what arrives next starts afresh).
    void portEvent(qint64 atMs, PortEvent event, const QString &words);
    void clear();

    [[nodiscard]] qsizetype capacity() const { return m_capacity; }
    [[nodiscard]] qsizetype size() const { return m_size; }
    [[nodiscard]] bool isEmpty() const { return m_size == 0; }
    // 0 is the oldest record kept.
    [[nodiscard]] const ExchangeRecord &at(qsizetype index) const;
    // The records kept have the sequences firstSequence() to endSequence() - 1.
    [[nodiscard]] quint64 firstSequence() const { return m_nextSequence - quint64(m_size); }
    [[nodiscard]] quint64 endSequence() const { return m_nextSequence; }
    [[nodiscard]] const ExchangeRecord *bySequence(quint64 sequence) const;
    [[nodiscard]] const TransmitOrigin &origin(const ExchangeRecord &record) const;
    // Changes with every clear().
    [[nodiscard]] quint64 generation() const { return m_generation; }

private:
    ExchangeRecord &push(qint64 atMs);
    [[nodiscard]] ExchangeRecord &newest();
    [[nodiscard]] quint16 intern(const TransmitOrigin &origin);

    qsizetype m_capacity;
    QList<ExchangeRecord> m_records;  // circular once full
    qsizetype m_oldest = 0;
    qsizetype m_size = 0;
    quint64 m_nextSequence = 0;
    quint64 m_generation = 0;
    // Whether the newest record is still the exchange in progress.
    bool m_inProgress = false;
    // A handful of origins serve every record; 0 is the unknown one.
    QList<TransmitOrigin> m_origins{TransmitOrigin{}};
    QHash<TransmitOrigin, quint16> m_originIds;
};
