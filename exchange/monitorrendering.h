#pragma once

#include <QByteArray>
#include <QByteArrayView>
#include <QString>

// The monitor's rule for showing any bytes as text: a leading space, then per
// character " [ACK] ", " [CR] ", " [LF]  ", "_ " for a space, "? " for other
// control codes and for everything above "z", otherwise the character and a
// space. So the k-th character stands at column 2k as long as no ACK, CR or LF
// comes before it.
namespace MonitorRendering {

// What the RxD line shows when a reply window closes with nothing received.
inline constexpr QLatin1StringView NoReplyMark(" X X X X");

// Which legends the rendering calls for.
struct Legends {
    bool carriageReturn = false;
    bool space = false;

    Legends &operator|=(Legends other)
    {
        carriageReturn = carriageReturn || other.carriageReturn;
        space = space || other.space;
        return *this;
    }
    friend bool operator==(Legends, Legends) = default;
};

// The whole rendering of `text`, leading space included.
[[nodiscard]] QString render(QByteArrayView text, Legends *legends = nullptr);

// Appends the pieces of `text` (no leading space) and notes the legends.
void appendPieces(QString &out, QByteArrayView text, Legends &legends);

} // namespace MonitorRendering

// Renders a text that grows by appending, at a cost proportional to what was
// appended rather than to the whole text. The first call, and any call whose
// text does not continue the previous one, renders from scratch.
class IncrementalRendering
{
public:
    struct Step {
        bool restarted = false;  // `text` is the whole rendering
        QString text;            // otherwise: the pieces to append
    };

    // Compares `source` with what was rendered before to find what is new.
    Step update(QByteArrayView source);
    // For a source known to grow only by appending for as long as its
    // `generation` stays the same: no comparison needed.
    Step updateAppended(QByteArrayView source, quint64 generation);
    void reset();

    // Legends called for by everything rendered since the last restart.
    [[nodiscard]] MonitorRendering::Legends legends() const { return m_legends; }

private:
    Step restart(QByteArrayView source);
    Step append(QByteArrayView tail);

    enum class Known { Nothing, Copy, Generation };
    Known m_known = Known::Nothing;
    QByteArray m_source;       // Copy: own copy, never shared, so appending never copies it
    quint64 m_generation = 0;  // Generation: the source's generation
    qsizetype m_renderedSize = 0;
    MonitorRendering::Legends m_legends;
};
