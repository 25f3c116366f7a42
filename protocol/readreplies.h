#pragma once

#include <QByteArray>
#include <QByteArrayView>

#include <array>
#include <optional>

// The replies of the read commands as values, read from the reply's bytes in
// this one place for whoever shows them: the status line in words, the bridge
// as PJLink and on its web page. Each reply is read as the panel has always
// read it, by its first characters, where a space and "_" count alike (its
// monitor shows both as "_"); what may follow them is left open.
namespace ReadReplies {

// The read commands whose replies have a form of their own.
enum class Command { Status, Input, Setting, LampTime, Temperatures, LampStatus, LampMode };
// The command a frame reads: "CR0" and CR the status, and so on; the lamp
// mode by the panel's "CR7" and by "CR LAMPMODE". Nothing for any other frame.
[[nodiscard]] std::optional<Command> commandOf(QByteArrayView frame);
// Whether `reply` has the form of `command`'s replies.
[[nodiscard]] bool fits(Command command, QByteArrayView reply);

// The two status digits: the first tells the power phase (or a power fault),
// the second adds a temperature fault or a lamp failure.
enum class Power { Standby, WarmingUp, On, CoolingDown, Abnormal };
struct Status {
    Power power = Power::Standby;
    bool temperatureFault = false;
    bool lampFailure = false;
    friend bool operator==(const Status &, const Status &) = default;
};
[[nodiscard]] std::optional<Status> status(QByteArrayView reply);

// The input in use, 1 to 5, by its first character.
[[nodiscard]] std::optional<int> input(QByteArrayView reply);

// How the picture is turned, by two digits.
enum class Setting { Normal, TopBottomReversed, LeftRightReversed, BothReversed };
[[nodiscard]] std::optional<Setting> setting(QByteArrayView reply);

// Five hour digits and CR: any reply of six characters stands in their
// place; `hours` only when they are that.
struct LampTime {
    QByteArray text;
    std::optional<int> hours;
};
[[nodiscard]] std::optional<LampTime> lampTime(QByteArrayView reply);

// Three five-character fields with a separator between them and CR: any
// reply of 18 characters stands in their place; a field of a reply ending in
// CR that reads as a number has its degrees.
struct Temperatures {
    QByteArray text;
    std::array<std::optional<double>, 3> degrees;
};
[[nodiscard]] std::optional<Temperatures> temperatures(QByteArrayView reply);

// "000", a space, "1" and the lamp's letter.
enum class Lamp { Lit, Off, Failed };
[[nodiscard]] std::optional<Lamp> lampStatus(QByteArrayView reply);

// "000", a space, the mode's word and CR. In the CR's place three other
// characters count too, except ACK, CR or LF (the panel reads the reply by
// its monitor's columns, and a CR takes as many as three characters there).
enum class LampMode { High, Normal, Eco };
[[nodiscard]] std::optional<LampMode> lampMode(QByteArrayView reply);

} // namespace ReadReplies
