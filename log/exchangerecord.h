#pragma once

#include <QByteArray>
#include <QByteArrayView>
#include <QList>
#include <QString>

// How the reply window of a transmit ended, as far as it has.
enum class ReplyWindow : quint8 {
    Open,     // still open, or overtaken by the next transmit or the end of a hold
    Replied,  // closed after something came
    NoReply,  // closed with nothing received
};

// One receive event: when it came, and where its bytes end in the record's
// reply. Its bytes start where the previous event's end.
struct ReceiveEvent {
    qint64 atMs = 0;  // milliseconds since the epoch
    qint32 end = 0;
    QString status;   // what it made the status line say, if anything

    friend bool operator==(const ReceiveEvent &, const ReceiveEvent &) = default;
};

// One exchange: a transmit and everything that followed it until the next
// one. Bytes that arrive with no transmit before them make a record without
// a frame. The raw bytes are kept in one array; nothing is rendered here.
struct ExchangeRecord {
    quint64 sequence = 0;   // counts every exchange ever recorded
    qint64 sentAtMs = 0;    // the transmit, or the first receive when there was none
    qint64 closedAtMs = 0;  // when the reply window closed
    quint16 origin = 0;     // in the ring's origin table
    bool hasFrame = false;
    bool written = false;   // false: the port was closed and nothing went out
    ReplyWindow replyWindow = ReplyWindow::Open;
    qint32 frameSize = 0;
    qint32 droppedBytes = 0;  // received, but beyond what a record keeps
    qint32 mergedEvents = 0;  // receive events folded into the last one kept
    QByteArray bytes;         // the frame, then the reply bytes kept
    QList<ReceiveEvent> events;

    [[nodiscard]] QByteArrayView frame() const { return QByteArrayView(bytes).first(frameSize); }
    [[nodiscard]] QByteArrayView reply() const { return QByteArrayView(bytes).sliced(frameSize); }
    [[nodiscard]] QByteArrayView eventBytes(qsizetype index) const
    {
        const qint32 start = index == 0 ? 0 : events[index - 1].end;
        return reply().sliced(start, events[index].end - start);
    }
};
