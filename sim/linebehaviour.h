#pragma once

#include "sim/simulatoroptions.h"

#include <QByteArray>
#include <QList>
#include <QRandomGenerator>

#include <chrono>

// The awkward-device options as a policy: in which pieces, and when, the
// reply to a frame goes out, what noise and flood consist of, and when the
// device hangs up. It decides; the simulator carries it out.
class LineBehaviour
{
public:
    using Duration = std::chrono::milliseconds;

    static constexpr Duration SplitGap{20};   // between the bytes of a split reply
    static constexpr Duration NoiseGap{100};  // from a reply to the noise after it
    static constexpr int MaxNoiseBytes = 8;
    static constexpr int FloodChunkBytes = 64;

    struct Delivery {
        Duration after;  // counted from the arrival of the frame
        QByteArray bytes;
        bool noise = false;
        friend bool operator==(const Delivery &, const Delivery &) = default;
    };

    explicit LineBehaviour(const SimulatorOptions &options);

    // The pieces in which the reply to one frame goes out, in time order.
    [[nodiscard]] QList<Delivery> deliveries(const QByteArray &reply);

    // Counts a frame; true when it is the last one before the device hangs up.
    [[nodiscard]] bool countFrame();
    [[nodiscard]] int frames() const { return m_frames; }
    [[nodiscard]] bool hungUp() const { return m_options.dropAfter > 0 && m_frames >= m_options.dropAfter; }

    [[nodiscard]] QByteArray floodChunk();

private:
    [[nodiscard]] QByteArray randomBytes(int count);

    SimulatorOptions m_options;
    QRandomGenerator m_random;
    int m_frames = 0;
};
