#pragma once

#include <QByteArray>
#include <QByteArrayView>

#include <array>
#include <initializer_list>

// What the bridge reads of the projector, with the frames of the panel's read
// buttons; the replies are read as values by ReadReplies.
namespace ProjectorReadings {

enum class Reading { Status, Input, LampHours, LampStatus, Temperatures };
inline constexpr std::array AllReadings{Reading::Status, Reading::Input, Reading::LampHours,
                                        Reading::LampStatus, Reading::Temperatures};
inline constexpr int ReadingCount = int(AllReadings.size());

// A few readings at once.
class ReadingSet
{
public:
    constexpr ReadingSet() = default;
    constexpr ReadingSet(std::initializer_list<Reading> readings)
    {
        for (const Reading reading : readings)
            m_bits |= bit(reading);
    }
    [[nodiscard]] constexpr bool contains(Reading reading) const { return m_bits & bit(reading); }
    [[nodiscard]] constexpr bool isEmpty() const { return m_bits == 0; }
    constexpr void add(Reading reading) { m_bits |= bit(reading); }
    constexpr void remove(Reading reading) { m_bits &= ~bit(reading); }
    friend constexpr bool operator==(ReadingSet, ReadingSet) = default;

private:
    [[nodiscard]] static constexpr unsigned bit(Reading reading) { return 1u << unsigned(reading); }
    unsigned m_bits = 0;
};

// The read button's frame ("CR0" and CR for the status).
[[nodiscard]] QByteArray frame(Reading reading);
// A word for logs: "status", "input", "lamp-hours", "lamp-status", "temperatures".
[[nodiscard]] QByteArrayView word(Reading reading);

} // namespace ProjectorReadings
