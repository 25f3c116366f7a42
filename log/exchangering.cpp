#include "log/exchangering.h"

#include <limits>

ExchangeRing::ExchangeRing(qsizetype capacity)
    : m_capacity(qMax<qsizetype>(capacity, 1))
{
}

const ExchangeRecord &ExchangeRing::at(qsizetype index) const
{
    Q_ASSERT(index >= 0 && index < m_size);
    return m_records[(m_oldest + index) % m_capacity];
}

const ExchangeRecord *ExchangeRing::bySequence(quint64 sequence) const
{
    if (sequence < firstSequence() || sequence >= endSequence())
        return nullptr;
    return &at(qsizetype(sequence - firstSequence()));
}

const TransmitOrigin &ExchangeRing::origin(const ExchangeRecord &record) const
{
    return record.origin < m_origins.size() ? m_origins[record.origin] : m_origins.first();
}

ExchangeRecord &ExchangeRing::newest()
{
    return m_records[(m_oldest + m_size - 1) % m_capacity];
}

ExchangeRecord &ExchangeRing::push(qint64 atMs)
{
    ExchangeRecord record;
    record.sequence = m_nextSequence++;
    record.sentAtMs = atMs;
    if (m_size < m_capacity) {
        // Until the ring is full the records lie in order from index 0.
        m_records.append(std::move(record));
        ++m_size;
    } else {
        m_records[m_oldest] = std::move(record);
        m_oldest = (m_oldest + 1) % m_capacity;
    }
    m_inProgress = true;
    return newest();
}

quint16 ExchangeRing::intern(const TransmitOrigin &origin)
{
    if (origin == m_origins.first())
        return 0;
    const auto known = m_originIds.constFind(origin);
    if (known != m_originIds.cend())
        return *known;
    // Past this many distinct origins the rest are recorded as unknown.
    if (m_origins.size() > std::numeric_limits<quint16>::max())
        return 0;
    const auto id = quint16(m_origins.size());
    m_origins.append(origin);
    m_originIds.insert(origin, id);
    return id;
}

void ExchangeRing::transmit(qint64 atMs, const TransmitOrigin &origin, QByteArrayView frame, bool written)
{
    ExchangeRecord &record = push(atMs);
    record.origin = intern(origin);
    record.hasFrame = true;
    record.written = written;
    record.frameSize = qint32(frame.size());
    record.bytes = frame.toByteArray();
}

void ExchangeRing::receive(qint64 atMs, QByteArrayView bytes)
{
    if (bytes.isEmpty())
        return;
    ExchangeRecord &record = m_inProgress ? newest() : push(atMs);
    const qsizetype room = KeptReplyBytes - record.reply().size();
    const auto kept = qint32(qMin(bytes.size(), room));
    record.bytes.append(bytes.first(kept));
    record.droppedBytes += qint32(bytes.size() - kept);
    if (record.hasFrame && record.replyWindow == ReplyWindow::Open)
        record.replyMs = qint32(qBound(qint64(0), atMs - record.sentAtMs, qint64(std::numeric_limits<qint32>::max())));
    // A record's first event always has room, so there is a last one to fold into.
    if (record.events.isEmpty() || (kept > 0 && record.events.size() < KeptReceiveEvents)) {
        record.events.append({atMs, qint32(record.reply().size()), {}});
        return;
    }
    record.events.last().end += kept;
    ++record.mergedEvents;
}

void ExchangeRing::statusWritten(const QString &text)
{
    if (!m_inProgress || newest().events.isEmpty())
        return;
    newest().events.last().status = text;
}

void ExchangeRing::replyWindowClosed(qint64 atMs, bool replied)
{
    if (!m_inProgress)
        return;
    ExchangeRecord &record = newest();
    if (!record.hasFrame || record.replyWindow != ReplyWindow::Open)
        return;
    // Nothing received means no receive event either; the events decide.
    record.replyWindow = replied || !record.events.isEmpty() ? ReplyWindow::Replied : ReplyWindow::NoReply;
    record.closedAtMs = atMs;
}

void ExchangeRing::portEvent(qint64 atMs, PortEvent event, const QString &words)
{
    if (event == PortEvent::None)
        return;
    ExchangeRecord &record = push(atMs);
    record.portEvent = event;
    record.bytes = words.left(KeptPortWords).toUtf8();
    m_inProgress = false;
}

void ExchangeRing::clear()
{
    m_records.clear();
    m_oldest = 0;
    m_size = 0;
    m_inProgress = false;
    m_origins.resize(1);
    m_originIds.clear();
    ++m_generation;
}
