#pragma once

#include <QByteArray>
#include <QByteArrayView>

// The characters received since the last transmit, end of a reply window or
// end of a hold. Bounded: a device that never stops sending cannot make it
// grow past `Capacity`; what comes after that is dropped until it is emptied.
class ReceiveBuffer
{
public:
    static constexpr qsizetype Capacity = 32767;

    ReceiveBuffer() { m_bytes.reserve(Capacity); }

    // Appends what fits and returns how many bytes were taken.
    qsizetype append(QByteArrayView bytes)
    {
        const qsizetype room = Capacity - m_bytes.size();
        const qsizetype taken = bytes.size() < room ? bytes.size() : room;
        if (taken > 0)
            m_bytes.append(bytes.first(taken));
        return taken;
    }
    void clear()
    {
        m_bytes.resize(0);  // keeps the reserved room
        ++m_generation;
    }
    // Changes whenever the buffer is emptied: between two changes it only grows.
    [[nodiscard]] quint64 generation() const { return m_generation; }

    [[nodiscard]] const QByteArray &bytes() const { return m_bytes; }
    [[nodiscard]] qsizetype size() const { return m_bytes.size(); }
    [[nodiscard]] bool isEmpty() const { return m_bytes.isEmpty(); }

private:
    QByteArray m_bytes;
    quint64 m_generation = 1;
};
