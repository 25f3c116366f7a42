#pragma once

#include <QByteArray>
#include <QList>

// Cuts what the program writes into command frames: the text up to each CR.
// A stray LF (as a terminal adds after CR) is dropped wherever it comes.
// Text that runs on without a CR is kept only up to MaxFrameLength
// characters, so a stream without end cannot exhaust memory.
class FrameSplitter
{
public:
    static constexpr qsizetype MaxFrameLength = 256;

    // The texts of the frames completed by `bytes`, without their CR.
    [[nodiscard]] QList<QByteArray> take(QByteArrayView bytes);

    [[nodiscard]] const QByteArray &partial() const { return m_partial; }
    // Forgets a frame begun: its sender is gone.
    void clear() { m_partial.clear(); }

private:
    QByteArray m_partial;
};
