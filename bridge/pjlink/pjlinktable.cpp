#include "bridge/pjlink/pjlinktable.h"

#include <array>
#include <optional>

namespace PjlinkTable {
namespace {

using ReadReplies::Lamp;
using ReadReplies::Power;
using ProjectorReadings::Reading;

using SetPlanner = std::optional<QList<ProjectorAction>> (*)(QByteArrayView parameter, const InputTable &);

// --- queries -------------------------------------------------------------

// By the power phases' order; a power fault has no phase.
QByteArray power(const Context &c)
{
    static constexpr std::array phases{"0", "3", "1", "2"};
    const auto s = c.state.status();
    if (!s || s->power == Power::Abnormal)
        return ProjectorFailure.toByteArray();
    return phases[size_t(s->power)];
}

// The read tells the connector; which of its sources was chosen only the
// bridge knows, and only if it chose it.
QByteArray input(const Context &c)
{
    const auto connector = c.state.input();
    const auto code = connector ? c.inputs.codeOn(*connector, c.state.remembered().input) : std::nullopt;
    return code.value_or(ProjectorFailure.toByteArray());
}

// No read for the mutes: what the bridge last set. A mute known to be on is
// told; "off" only when both are known.
QByteArray mutes(const Context &c)
{
    const auto &r = c.state.remembered();
    const bool video = r.videoMuted.value_or(false);
    const bool audio = r.audioMuted.value_or(false);
    if (video && audio)
        return "31";
    if (video)
        return "11";
    if (audio)
        return "21";
    if (r.videoMuted && r.audioMuted)
        return "30";
    return ProjectorFailure.toByteArray();
}

// Fan, lamp, temperature, cover, filter, other: 0 fine, 1 warning, 2 error.
// The projector reports no fan, cover or filter state: those stay 0.
QByteArray errors(const Context &c)
{
    const auto faults = c.state.faults(c.identity.temperatureWarning);
    if (!faults)
        return ProjectorFailure.toByteArray();
    const auto digit = [](ProjectorState::Level level) { return char('0' + int(level)); };
    QByteArray digits(6, '0');
    digits[1] = digit(faults->lamp);
    digits[2] = digit(faults->temperature);
    digits[5] = digit(faults->other);
    return digits;
}

// Hours and whether it is lit: from the lamp read, else from the power phase.
QByteArray lamp(const Context &c)
{
    const auto hours = c.state.lampHours();
    if (!hours)
        return ProjectorFailure.toByteArray();
    std::optional<bool> lit;
    if (const auto l = c.state.lamp())
        lit = *l == Lamp::Lit;
    else if (const auto s = c.state.status())
        lit = s->power == Power::On || s->power == Power::WarmingUp;
    if (!lit)
        return ProjectorFailure.toByteArray();
    return QByteArray::number(*hours) + ' ' + (*lit ? '1' : '0');
}

QByteArray inputList(const Context &c) { return c.inputs.codes(); }
QByteArray name(const Context &c) { return c.identity.name; }
QByteArray manufacturer(const Context &) { return Manufacturer.toByteArray(); }
QByteArray product(const Context &) { return Product.toByteArray(); }
QByteArray information(const Context &c) { return c.identity.information; }
QByteArray protocolClass(const Context &) { return ProtocolClass.toByteArray(); }

// --- sets ------------------------------------------------------------------

std::optional<QList<ProjectorAction>> setPower(QByteArrayView parameter, const InputTable &)
{
    if (parameter == "1")
        return QList{ProjectorActions::powerOn()};
    if (parameter == "0")
        return QList{ProjectorActions::powerOff()};
    return std::nullopt;
}

std::optional<QList<ProjectorAction>> setInput(QByteArrayView parameter, const InputTable &inputs)
{
    if (const InputTable::Input *input = inputs.byCode(parameter))
        return QList{ProjectorActions::selectInput(*input)};
    return std::nullopt;
}

struct MuteSetting {
    QByteArrayView parameter;
    std::optional<bool> video;
    std::optional<bool> audio;
};

constexpr std::array muteSettings{
    MuteSetting{"10", false, std::nullopt},
    MuteSetting{"11", true, std::nullopt},
    MuteSetting{"20", std::nullopt, false},
    MuteSetting{"21", std::nullopt, true},
    MuteSetting{"30", false, false},
    MuteSetting{"31", true, true},
};

std::optional<QList<ProjectorAction>> setMutes(QByteArrayView parameter, const InputTable &)
{
    for (const MuteSetting &m : muteSettings) {
        if (m.parameter != parameter)
            continue;
        QList<ProjectorAction> actions;
        if (m.video)
            actions.append(ProjectorActions::videoMute(*m.video));
        if (m.audio)
            actions.append(ProjectorActions::audioMute(*m.audio));
        return actions;
    }
    return std::nullopt;
}

// --- the table ---------------------------------------------------------------

struct Row {
    QByteArrayView body;
    ProjectorReadings::ReadingSet reads;  // what a query needs fresh
    QueryAnswer query;                    // nullptr: the body takes no query
    SetPlanner set;                       // nullptr: the body sets nothing
};

constexpr std::array rows{
    Row{"POWR", {Reading::Status}, power, setPower},
    Row{"INPT", {Reading::Input}, input, setInput},
    Row{"AVMT", {}, mutes, setMutes},
    Row{"ERST", {Reading::Status, Reading::LampStatus, Reading::Temperatures}, errors, nullptr},
    Row{"LAMP", {Reading::LampHours, Reading::LampStatus, Reading::Status}, lamp, nullptr},
    Row{"INST", {}, inputList, nullptr},
    Row{"NAME", {}, name, nullptr},
    Row{"INF1", {}, manufacturer, nullptr},
    Row{"INF2", {}, product, nullptr},
    Row{"INFO", {}, information, nullptr},
    Row{"CLSS", {}, protocolClass, nullptr},
};

Plan answerAsItStands(QByteArrayView answer)
{
    Plan p;
    p.answer = answer.toByteArray();
    return p;
}

} // namespace

Plan plan(const Pjlink::Request &request, const InputTable &inputs)
{
    // A Class 1 projector knows no Class 2 command.
    if (request.protocolClass != '1')
        return answerAsItStands(UndefinedCommand);
    const Row *row = nullptr;
    for (const Row &r : rows) {
        if (r.body == request.body)
            row = &r;
    }
    if (!row)
        return answerAsItStands(UndefinedCommand);
    if (!request.separated || request.parameter.isEmpty())
        return answerAsItStands(OutOfParameter);
    if (request.isQuery()) {
        Plan p;
        p.kind = row->reads.isEmpty() ? Plan::Kind::Answer : Plan::Kind::Query;
        p.reads = row->reads;
        p.query = row->query;
        return p;
    }
    const auto actions = row->set ? row->set(request.parameter, inputs) : std::nullopt;
    if (!actions)
        return answerAsItStands(OutOfParameter);
    Plan p;
    p.kind = Plan::Kind::Set;
    p.actions = *actions;
    return p;
}

QByteArray answer(const Plan &plan, const Context &context)
{
    return plan.query ? plan.query(context) : plan.answer;
}

QByteArrayView answer(ActionOutcome outcome)
{
    switch (outcome) {
    case ActionOutcome::Done: return Ok;
    case ActionOutcome::Refused: return UnavailableTime;
    case ActionOutcome::Failed: return ProjectorFailure;
    }
    return ProjectorFailure;
}

} // namespace PjlinkTable
