#pragma once

#include <QByteArray>
#include <QByteArrayView>

#include <bitset>
#include <chrono>
#include <optional>
#include <vector>

namespace CommandTable {
struct Family;
}

// How long the lamp takes to come on and to cool down.
struct ProjectorTiming {
    std::chrono::milliseconds warmUp = std::chrono::seconds(3);
    std::chrono::milliseconds coolDown = std::chrono::seconds(3);
};

// The simulated projector: its state, and what it answers to each command
// frame. Time is an argument, so the model is deterministic and tests need no
// sleeps; the simulator, the tests' fake projector and the benchmarks all
// answer through it.
class ProjectorModel
{
public:
    using Duration = std::chrono::milliseconds;

    enum class Power { Standby, WarmingUp, On, CoolingDown };

    using Timing = ProjectorTiming;

    static constexpr char Ack = '\x06';
    static constexpr int InitialLampHours = 123;
    static constexpr int MaxDigitalZoom = 10;

    explicit ProjectorModel(Timing timing = {});

    // The reply to one frame's text (without its CR) at `now`, a point on a
    // clock that does not go back: ACK for an execution command, the reply
    // text and CR for a read command, "?" and CR for anything else.
    [[nodiscard]] QByteArray answer(QByteArrayView frameText, Duration now);

    [[nodiscard]] static QByteArray unknownReply() { return QByteArrayLiteral("?\r"); }

    [[nodiscard]] Power power(Duration now) const;
    [[nodiscard]] bool lampLit(Duration now) const;
    [[nodiscard]] int lampHours(Duration now) const;
    // What "CR <keyword>" reports after "000 " for a family of settings.
    [[nodiscard]] QByteArray setting(QByteArrayView keyword) const;
    [[nodiscard]] int digitalZoom() const { return m_zoom; }
    [[nodiscard]] Timing timing() const { return m_timing; }

private:
    [[nodiscard]] std::optional<QByteArray> read(QByteArrayView frameText, Duration now) const;
    [[nodiscard]] std::optional<QByteArray> readKeyword(QByteArrayView keyword, Duration now) const;
    [[nodiscard]] bool execute(QByteArrayView keyword, QByteArrayView value, bool fromBasicCode,
                               Duration now);
    [[nodiscard]] bool applyExtra(const CommandTable::Family &family, QByteArrayView value);
    [[nodiscard]] bool applySource(QByteArrayView value);
    void applyAction(const CommandTable::Family &family, int word, Duration now);
    void step(const CommandTable::Family &family, int by);
    void select(QByteArrayView keyword, QByteArrayView word);

    void switchOn(Duration now);
    void switchOff(Duration now);
    void settle(Duration now);
    void resetSettings();

    [[nodiscard]] int &value(QByteArrayView keyword);
    [[nodiscard]] int value(QByteArrayView keyword) const;
    [[nodiscard]] QByteArray settingText(const CommandTable::Family &family) const;
    [[nodiscard]] Duration lampTime(Duration now) const;
    [[nodiscard]] int runHours(Duration now) const;
    [[nodiscard]] QByteArray statusDigits(Duration now) const;
    [[nodiscard]] QByteArray inputDigit() const;
    [[nodiscard]] QByteArray settingDigits() const;
    [[nodiscard]] QByteArray temperatures(Duration now) const;
    [[nodiscard]] QByteArray lampModeText() const;
    [[nodiscard]] QByteArray currentSourceFamily() const;

    Timing m_timing;
    Duration m_lastNow{0};
    Power m_power = Power::Standby;  // as last settled; phases with a period end by time
    Duration m_since{0};             // start of the warm-up or cool-down
    Duration m_lampOnSince{0};
    Duration m_lampTime{0};          // lit time before m_lampOnSince
    std::vector<int> m_values;       // per family: choice index, level, or last action (-1)
    int m_zoom = 0;
    std::bitset<10> m_pcStored;
    int m_filterHoursOffset = 40;    // filter hours = run hours + this
    bool m_powerSavingReset = false;
};
