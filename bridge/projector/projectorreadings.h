#pragma once

#include <QByteArray>
#include <QByteArrayView>

#include <array>
#include <initializer_list>
#include <optional>

// What the projector tells of itself, read with the frames of the panel's
// read buttons and decoded from the reply forms the panel's decoders know.
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

enum class Power { Standby, WarmingUp, On, CoolingDown, Abnormal };

// The two status digits: the first says the power phase (or a power fault),
// the second adds a temperature fault or a lamp failure.
struct Status {
    Power power = Power::Standby;
    bool temperatureFault = false;
    bool lampFailure = false;
    friend bool operator==(const Status &, const Status &) = default;
};
[[nodiscard]] std::optional<Status> status(QByteArrayView reply);

// The input in use, 1 to 5 (1 and 2 the computer inputs, 3 video, 4 S-video).
[[nodiscard]] std::optional<int> inputNumber(QByteArrayView reply);

// Five digits of lamp hours and CR.
[[nodiscard]] std::optional<int> lampHours(QByteArrayView reply);

enum class Lamp { Lit, Off, Failed };
[[nodiscard]] std::optional<Lamp> lampStatus(QByteArrayView reply);

// Three five-character fields and CR; a field that is no number reads as none.
using Temperatures = std::array<std::optional<double>, 3>;
[[nodiscard]] std::optional<Temperatures> temperatures(QByteArrayView reply);

} // namespace ProjectorReadings
