#pragma once

#include "bridge/projector/projectorreadings.h"
#include "protocol/readreplies.h"

#include <QByteArray>
#include <QStringList>

#include <array>
#include <chrono>
#include <optional>

// What is known of one projector: the latest reply to each read, with its
// time, and what the bridge itself last set where the projector has no read
// for it. Time is an argument (a steady clock's reading), so it is a value.
class ProjectorState
{
public:
    using Time = std::chrono::milliseconds;
    using Reading = ProjectorReadings::Reading;

    struct Record {
        Time at{0};
        std::optional<QByteArray> reply;  // nothing: the read got no reply it could use
    };

    void record(Reading reading, Time at, std::optional<QByteArray> reply);
    [[nodiscard]] const std::optional<Record> &latest(Reading reading) const;
    // The read's reply, when there is one (an old one too).
    [[nodiscard]] std::optional<QByteArray> reply(Reading reading) const;
    // Whether the reading was taken (or tried) less than `maxAge` before `now`.
    [[nodiscard]] bool isFresh(Reading reading, Time now, Time maxAge) const;
    // The latest replies read as values; nothing for none, or one of another form.
    [[nodiscard]] std::optional<ReadReplies::Status> status() const;
    [[nodiscard]] std::optional<int> input() const;
    [[nodiscard]] std::optional<int> lampHours() const;
    [[nodiscard]] std::optional<ReadReplies::Lamp> lamp() const;
    [[nodiscard]] std::optional<ReadReplies::Temperatures> temperatures() const;

    // What is wrong with the projector, as its readings tell: the lamp, the
    // temperature and anything else (a power fault). A sensor at or above
    // `temperatureWarning` degrees (0: never) is a warning. Nothing while the
    // status is unknown.
    enum class Level { Fine, Warning, Error };
    struct Faults {
        Level lamp = Level::Fine;
        Level temperature = Level::Fine;
        Level other = Level::Fine;
    };
    [[nodiscard]] std::optional<Faults> faults(double temperatureWarning) const;
    // The same in the words the fronts show: "lamp error", "temperature
    // warning"; none while the status is unknown.
    [[nodiscard]] QStringList faultWords(double temperatureWarning) const;

    // The reading is unknown until it is taken again.
    void forget(Reading reading);
    // Every reading is gone, and the mutes with them (the port was lost, or
    // the projector went silent: it may have been switched off meanwhile).
    void forgetReadings();

    // What the bridge last set successfully; a mute is unknown until it is
    // set while the line is up, since no read tells it.
    struct Remembered {
        QByteArray input;  // PJLink input code, empty before the first
        std::optional<bool> videoMuted;
        std::optional<bool> audioMuted;
    };
    [[nodiscard]] const Remembered &remembered() const { return m_remembered; }
    [[nodiscard]] Remembered &remembered() { return m_remembered; }

private:
    std::array<std::optional<Record>, ProjectorReadings::ReadingCount> m_records;
    Remembered m_remembered;
};
