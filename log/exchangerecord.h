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

// What happened to the port, for the records that stand between exchanges.
enum class PortEvent : quint8 {
    None,      // an exchange
    Opened,    // opened by start-up or the port dialog
    Reopened,  // a lost device came back and was opened again by itself
    Closed,    // closed on purpose ("COM", "END")
    Lost,      // its device or connection went away
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
// A port event is a record of its own, with its words in `bytes` (UTF-8);
// the new fields fill what was padding, so a record is no bigger for them.
struct ExchangeRecord {
    quint64 sequence = 0;   // counts every exchange ever recorded
    qint64 sentAtMs = 0;    // the transmit, or the first receive when there was none
    qint64 closedAtMs = 0;  // when the reply window closed
    quint16 origin = 0;     // in the ring's origin table
    bool hasFrame = false;
    bool written = false;   // false: the port was closed and nothing went out
    ReplyWindow replyWindow = ReplyWindow::Open;
    PortEvent portEvent = PortEvent::None;
    qint32 frameSize = 0;
    qint32 droppedBytes = 0;  // received, but beyond what a record keeps
    qint32 mergedEvents = 0;  // receive events folded into the last one kept
    // Milliseconds from the frame to the last byte received while its reply
    // window was open, folded events and bytes not kept included; -1: none.
    qint32 replyMs = -1;
    QByteArray bytes;         // the frame, then the reply bytes kept
    QList<ReceiveEvent> events;

    [[nodiscard]] QByteArrayView frame() const { return QByteArrayView(bytes).first(frameSize); }
    [[nodiscard]] QByteArrayView reply() const { return QByteArrayView(bytes).sliced(frameSize); }
    [[nodiscard]] bool isPortEvent() const { return portEvent != PortEvent::None; }
    [[nodiscard]] QString portWords() const { return isPortEvent() ? QString::fromUtf8(bytes) : QString(); }
    [[nodiscard]] QByteArrayView eventBytes(qsizetype index) const
    {
        const qint32 start = index == 0 ? 0 : events[index - 1].end;
        return reply().sliced(start, events[index].end - start);
    }
};
