#pragma once

#include <QByteArray>
#include <QByteArrayView>

// The frames a WebSocket client sends, read for their headers only as they
// pass to Qt's WebSocket: every client frame must be masked, or the
// connection is closed with 1002 (a protocol error).
class ClientFrames
{
public:
    enum class Verdict { Fine, Unmasked };

    [[nodiscard]] Verdict feed(QByteArrayView bytes);

    // What the front sends before closing for a protocol error.
    [[nodiscard]] static QByteArray protocolErrorClose();

private:
    QByteArray m_header;          // a frame header not yet whole
    quint64 m_payloadLeft = 0;    // the current frame's payload still to pass
};
