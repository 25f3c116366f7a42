#include "sim/model/projectormodel.h"

#include "sim/model/commandtable.h"

#include <algorithm>
#include <array>
#include <string_view>

using namespace std::chrono_literals;
using CommandTable::Family;
using CommandTable::Form;

namespace {

constexpr int MaxHours = 99999;  // five digits
constexpr int FastKeystoneStep = 5;

QByteArrayView view(std::string_view s)
{
    return QByteArrayView(s.data(), qsizetype(s.size()));
}

QByteArray zeroPadded(int number, int width)
{
    return QByteArray::number(number).rightJustified(width, '0');
}

QByteArray readReply(const QByteArray &text) { return text + '\r'; }
QByteArray readReply000(const QByteArray &text) { return "000 " + text + '\r'; }

} // namespace

ProjectorModel::ProjectorModel(Timing timing)
    : m_timing(timing)
{
    resetSettings();
}

void ProjectorModel::resetSettings()
{
    m_values.clear();
    for (const Family &f : CommandTable::families()) {
        switch (f.form) {
        case Form::Choice: m_values.push_back(CommandTable::wordIndex(f.values, view(f.initial))); break;
        case Form::Level: m_values.push_back(f.initialLevel); break;
        case Form::Action: m_values.push_back(-1); break;
        }
    }
    m_zoom = 0;
    m_pcStored.reset();
}

QByteArray ProjectorModel::answer(QByteArrayView frameText, Duration now)
{
    now = std::max(now, m_lastNow);
    m_lastNow = now;
    settle(now);

    if (const auto reply = read(frameText, now))
        return *reply;

    if (frameText.startsWith("CF ")) {
        const QByteArrayView rest = frameText.sliced(3);
        const qsizetype space = rest.indexOf(' ');
        if (space > 0 && space + 1 < rest.size()
            && execute(rest.first(space), rest.sliced(space + 1), false, now))
            return QByteArray(1, Ack);
        return unknownReply();
    }
    if (const CommandTable::BasicCode *code = CommandTable::basicCode(frameText)) {
        if (code->keyword.empty()
            || execute(view(code->keyword), view(code->value), true, now))
            return QByteArray(1, Ack);
    }
    return unknownReply();
}

// --- reading ---------------------------------------------------------------

std::optional<QByteArray> ProjectorModel::read(QByteArrayView frameText, Duration now) const
{
    if (frameText == "CR0")
        return readReply(statusDigits(now));
    if (frameText == "CR1")
        return readReply(inputDigit());
    if (frameText == "CR3")
        return readReply(zeroPadded(lampHours(now), 5));
    if (frameText == "CR4")
        return readReply(settingDigits());
    if (frameText == "CR6")
        return readReply(temperatures(now));
    if (frameText == "CR7")
        return readReply000(lampModeText());
    if (frameText.startsWith("CR "))
        return readKeyword(frameText.sliced(3), now);
    return std::nullopt;
}

std::optional<QByteArray> ProjectorModel::readKeyword(QByteArrayView keyword, Duration now) const
{
    if (!CommandTable::isReadKeyword(keyword))
        return std::nullopt;

    using Reader = QByteArray (*)(const ProjectorModel &, Duration);
    struct Special {
        std::string_view keyword;
        Reader reader;
    };
    static const std::array specials{
        Special{"LAMPSTS", [](const ProjectorModel &m, Duration t) -> QByteArray {
                    return m.lampLit(t) ? "1I" : "1O";
                }},
        Special{"LAMPMODE", [](const ProjectorModel &m, Duration) { return m.lampModeText(); }},
        Special{"LAMPH", [](const ProjectorModel &m, Duration t) { return zeroPadded(m.lampHours(t), 5); }},
        Special{"LAMPCORRESPH",
                [](const ProjectorModel &m, Duration t) { return zeroPadded(m.lampHours(t), 5); }},
        Special{"PROJH", [](const ProjectorModel &m, Duration t) {
                    return zeroPadded(std::min(MaxHours, 1000 + m.runHours(t)), 5);
                }},
        Special{"FILH", [](const ProjectorModel &m, Duration t) {
                    return zeroPadded(std::clamp(m.runHours(t) + m.m_filterHoursOffset, 0, MaxHours), 5);
                }},
        Special{"TEMP", [](const ProjectorModel &m, Duration t) { return m.temperatures(t); }},
        Special{"STATUS", [](const ProjectorModel &m, Duration t) -> QByteArray {
                    switch (m.power(t)) {
                    case Power::Standby: return "STANDBY";
                    case Power::WarmingUp: return "WARMUP";
                    case Power::On: return "ON";
                    case Power::CoolingDown: return "COOLDOWN";
                    }
                    return {};
                }},
        Special{"SIGNAL", [](const ProjectorModel &m, Duration t) -> QByteArray {
                    return m.power(t) == Power::On ? "1" : "0";
                }},
        Special{"SOURCE", [](const ProjectorModel &m, Duration) {
                    return m.setting(m.currentSourceFamily());
                }},
        Special{"SRCINP1", [](const ProjectorModel &m, Duration) { return m.setting("INPUT1"); }},
        Special{"SRCINP2", [](const ProjectorModel &m, Duration) { return m.setting("INPUT2"); }},
        Special{"SRCINP3", [](const ProjectorModel &m, Duration) { return m.setting("INPUT3"); }},
        Special{"SRCINP4", [](const ProjectorModel &m, Duration) { return m.setting("INPUT4"); }},
        Special{"SERSYS", [](const ProjectorModel &m, Duration) -> QByteArray {
                    const QByteArray system = m.setting("SYSTEM");
                    return system == "AUTO" ? "XGA1" : system;  // what auto detection found
                }},
        Special{"PCSTORE", [](const ProjectorModel &m, Duration) {
                    QByteArray modes;
                    for (int i = 0; i < 5; ++i)
                        modes += m.m_pcStored[size_t(i)] ? '1' : '0';
                    return modes;
                }},
        Special{"TTLPWRSAVEKWH", [](const ProjectorModel &m, Duration) -> QByteArray {
                    return m.m_powerSavingReset ? "000000.0" : "000012.5";
                }},
        Special{"TTLPWRSAVECO2", [](const ProjectorModel &m, Duration) -> QByteArray {
                    return m.m_powerSavingReset ? "000000.0" : "000006.9";
                }},
        Special{"IMGGMD", [](const ProjectorModel &m, Duration) { return m.setting("IMAGE"); }},
        Special{"SYSLIST", [](const ProjectorModel &, Duration) -> QByteArray { return "AUTO XGA1 VGA1"; }},
        Special{"MODELIST", [](const ProjectorModel &, Duration) -> QByteArray { return "MODE1 MODE2"; }},
        Special{"LAMPREPL", [](const ProjectorModel &, Duration) -> QByteArray { return "0"; }},
        Special{"HMLAMP", [](const ProjectorModel &, Duration) -> QByteArray { return "1"; }},
        Special{"SECURITY", [](const ProjectorModel &, Duration) -> QByteArray { return "OFF"; }},
        Special{"PJLOCKNOW", [](const ProjectorModel &, Duration) -> QByteArray { return "OFF"; }},
        Special{"PJLOCKMENU", [](const ProjectorModel &, Duration) -> QByteArray { return "OFF"; }},
        Special{"FILREPL", [](const ProjectorModel &, Duration) -> QByteArray { return "0"; }},
        Special{"TEMPWARN", [](const ProjectorModel &, Duration) -> QByteArray { return "0"; }},
        Special{"TEMPFAIL", [](const ProjectorModel &, Duration) -> QByteArray { return "0"; }},
        Special{"SERIALNO", [](const ProjectorModel &, Duration) -> QByteArray { return "RM740S00001"; }},
    };
    for (const Special &s : specials) {
        if (view(s.keyword) == keyword)
            return readReply000(s.reader(*this, now));
    }
    return readReply000(setting(keyword));
}

QByteArray ProjectorModel::setting(QByteArrayView keyword) const
{
    const Family *f = CommandTable::family(keyword);
    return f ? settingText(*f) : QByteArray();
}

QByteArray ProjectorModel::settingText(const Family &f) const
{
    const int v = m_values[size_t(CommandTable::indexOf(f))];
    switch (f.form) {
    case Form::Choice:
        return view(CommandTable::wordAt(f.values, v)).toByteArray();
    case Form::Level:
        if (f.values.empty())  // set by steps only, and signed
            return (v < 0 ? "-" : "+") + zeroPadded(std::abs(v), 2);
        return zeroPadded(v, int(f.values.size()));
    case Form::Action:
        return v < 0 ? QByteArray("NONE") : view(CommandTable::wordAt(f.values, v)).toByteArray();
    }
    return {};
}

QByteArray ProjectorModel::statusDigits(Duration now) const
{
    switch (power(now)) {
    case Power::Standby: return "80";
    case Power::WarmingUp: return "40";
    case Power::On: return "00";
    case Power::CoolingDown: return "20";
    }
    return {};
}

QByteArray ProjectorModel::inputDigit() const
{
    return QByteArray::number(value("INPUT") + 1);
}

// The first digit is 0 when left and right are swapped (rear projection), the
// second when top and bottom are (ceiling mount).
QByteArray ProjectorModel::settingDigits() const
{
    QByteArray digits;
    digits += setting("REAR") == "ON" ? '0' : '1';
    digits += setting("CEIL") == "ON" ? '0' : '1';
    return digits;
}

// Three five-character fields: the lamp heats the second and third sensors.
QByteArray ProjectorModel::temperatures(Duration now) const
{
    return lampLit(now) ? "025.0 031.5 040.0" : "025.0 026.5 028.0";
}

QByteArray ProjectorModel::lampModeText() const
{
    const QByteArray mode = setting("LAMPMODE");
    return mode.startsWith("ECO") ? QByteArray("ECO") : mode;
}

QByteArray ProjectorModel::currentSourceFamily() const
{
    return "INPUT" + QByteArray::number(value("INPUT") + 1);
}

// --- executing ---------------------------------------------------------------

bool ProjectorModel::execute(QByteArrayView keyword, QByteArrayView value, bool fromBasicCode,
                             Duration now)
{
    const Family *f = CommandTable::family(keyword);
    if (!f)
        return false;

    if (!f->pin.empty()) {
        const qsizetype pinLength = qsizetype(f->pin.size());
        if (value.size() <= pinLength + 1 || value[pinLength] != ' '
            || !CommandTable::fillsPattern(f->pin, value.first(pinLength)))
            return false;
        value = value.sliced(pinLength + 1);
    }

    if (keyword == "POWER") {
        if (value == "ON")
            switchOn(now);
        else if (value == "OFF")
            switchOff(now);
        else
            return false;
        return true;
    }
    if (keyword == "SOURCE")
        return applySource(value);
    if (CommandTable::wordIndex(f->extras, value) >= 0)
        return applyExtra(*f, value);
    if (f->steps && (value == "UP" || value == "DN")) {
        step(*f, value == "UP" ? 1 : -1);
        return true;
    }
    if (fromBasicCode && value == "NEXT") {
        step(*f, 1);
        return true;
    }

    int &v = m_values[size_t(CommandTable::indexOf(*f))];
    switch (f->form) {
    case Form::Choice: {
        const int word = CommandTable::wordIndex(f->values, value);
        if (word < 0)
            return false;
        v = word;
        // Choosing the source of an input selects that input too.
        if (keyword.startsWith("INPUT") && keyword.size() == 6)
            this->value("INPUT") = keyword.back() - '1';
        return true;
    }
    case Form::Level: {
        if (!CommandTable::fillsPattern(f->values, value))
            return false;
        const int number = value.toByteArray().toInt();
        if (number < f->minimum || number > f->maximum)
            return false;
        v = number;
        return true;
    }
    case Form::Action: {
        const int word = CommandTable::wordIndex(f->values, value);
        if (word < 0)
            return false;
        applyAction(*f, word, now);
        return true;
    }
    }
    return false;
}

void ProjectorModel::step(const Family &f, int by)
{
    int &v = m_values[size_t(CommandTable::indexOf(f))];
    if (f.form == Form::Level) {
        v = std::clamp(v + by, f.minimum, f.maximum);
    } else if (f.form == Form::Choice) {
        const int count = CommandTable::wordCount(f.values);
        v = ((v + by) % count + count) % count;
    }
}

void ProjectorModel::select(QByteArrayView keyword, QByteArrayView word)
{
    const Family *f = CommandTable::family(keyword);
    Q_ASSERT(f);
    value(keyword) = CommandTable::wordIndex(f->values, word);
}

bool ProjectorModel::applyExtra(const Family &f, QByteArrayView value)
{
    const QByteArrayView keyword = view(f.keyword);
    if (keyword == "INPUT") {  // "<input> <source>"
        const qsizetype space = value.indexOf(' ');
        select("INPUT", value.first(space));
        select(currentSourceFamily(), value.sliced(space + 1));
    } else if (keyword == "SCREEN") {
        if (value == "DZOOM UP")
            m_zoom = std::min(m_zoom + 1, MaxDigitalZoom);
        else if (value == "DZOOM DN")
            m_zoom = std::max(m_zoom - 1, 0);
        else {  // RST
            select("SCREEN", "NORMAL");
            m_zoom = 0;
        }
    } else if (keyword == "KEYSTONE") {
        int &v = this->value("KEYSTONE");
        if (value == "RST")
            v = 0;
        else
            v = std::clamp(v + (value == "FUP" ? FastKeystoneStep : -FastKeystoneStep), f.minimum,
                           f.maximum);
    }
    return true;
}

// The source belongs to the input in use: only its sources are accepted.
bool ProjectorModel::applySource(QByteArrayView value)
{
    const QByteArray sourceFamily = currentSourceFamily();
    const Family *f = CommandTable::family(sourceFamily);
    Q_ASSERT(f);
    if (value == "UP" || value == "DN") {
        step(*f, value == "UP" ? 1 : -1);
        return true;
    }
    if (CommandTable::wordIndex(f->values, value) < 0)
        return false;
    select(sourceFamily, value);
    return true;
}

void ProjectorModel::applyAction(const Family &f, int word, Duration now)
{
    const QByteArrayView keyword = view(f.keyword);
    if (keyword == "FDEFAULT")
        resetSettings();
    else if (keyword == "FILH")
        m_filterHoursOffset = -runHours(now);
    else if (keyword == "TTLPWRSAVE")
        m_powerSavingReset = true;
    else if (keyword == "DZCENT")
        m_zoom = 0;
    else if (keyword == "PCSTORE")
        m_pcStored.set(size_t(word));
    else if (keyword == "PCMODEFREE")
        m_pcStored.reset(size_t(word));
    // FDEFAULT has put every family back, its own remembered word included.
    if (keyword != "FDEFAULT")
        value(keyword) = word;
}

int &ProjectorModel::value(QByteArrayView keyword)
{
    const Family *f = CommandTable::family(keyword);
    Q_ASSERT(f);
    return m_values[size_t(CommandTable::indexOf(*f))];
}

int ProjectorModel::value(QByteArrayView keyword) const
{
    const Family *f = CommandTable::family(keyword);
    Q_ASSERT(f);
    return m_values[size_t(CommandTable::indexOf(*f))];
}

// --- power and lamp ------------------------------------------------------------

ProjectorModel::Power ProjectorModel::power(Duration now) const
{
    if (m_power == Power::WarmingUp && now - m_since >= m_timing.warmUp)
        return Power::On;
    if (m_power == Power::CoolingDown && now - m_since >= m_timing.coolDown)
        return Power::Standby;
    return m_power;
}

bool ProjectorModel::lampLit(Duration now) const
{
    const Power p = power(now);
    return p == Power::WarmingUp || p == Power::On;
}

void ProjectorModel::settle(Duration now)
{
    m_power = power(now);
}

// A projector that is cooling down cannot be switched on until it is done.
void ProjectorModel::switchOn(Duration now)
{
    if (m_power != Power::Standby)
        return;
    m_power = Power::WarmingUp;
    m_since = now;
    m_lampOnSince = now;
    select("POWER", "ON");
}

void ProjectorModel::switchOff(Duration now)
{
    if (!lampLit(now))
        return;
    m_lampTime = lampTime(now);
    m_power = Power::CoolingDown;
    m_since = now;
    select("POWER", "OFF");
}

ProjectorModel::Duration ProjectorModel::lampTime(Duration now) const
{
    return lampLit(now) ? m_lampTime + (now - m_lampOnSince) : m_lampTime;
}

int ProjectorModel::runHours(Duration now) const
{
    return int(std::min<qint64>(std::chrono::duration_cast<std::chrono::hours>(lampTime(now)).count(),
                                MaxHours));
}

int ProjectorModel::lampHours(Duration now) const
{
    return std::min(MaxHours, InitialLampHours + runHours(now));
}
