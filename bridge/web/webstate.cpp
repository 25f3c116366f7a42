#include "bridge/web/webstate.h"

#include "bridge/projector/projectorservice.h"
#include "exchange/monitorrendering.h"
#include "panel/paneltable.h"

#include <algorithm>
#include <array>
#include <cstring>

void ExchangeHistory::add(const ExchangeResult &result, const QDateTime &at)
{
    const bool answered = result.outcome == CommandOutcome::Answered || result.outcome == CommandOutcome::Refused;
    if (answered)
        m_lastAnswer = at;
    m_entries.push_back(QJsonObject{
        {QStringLiteral("at"), at.toString(Qt::ISODateWithMs)},
        {QStringLiteral("command"), result.command},
        {QStringLiteral("txd"), MonitorRendering::render(result.sent)},
        {QStringLiteral("rxd"), result.reply.isEmpty() ? QString(MonitorRendering::NoReplyMark)
                                                       : MonitorRendering::render(result.reply)},
        {QStringLiteral("status"), result.status().value_or(QString())},
    });
    while (m_entries.size() > Kept)
        m_entries.pop_front();
}

QJsonArray ExchangeHistory::toJson() const
{
    QJsonArray array;
    for (const QJsonObject &entry : m_entries)
        array.append(entry);
    return array;
}

namespace WebState {
namespace {

// Words by the values' order (the inputs from 1).
constexpr std::array powerWords{"standby", "warming up", "on", "cooling down", "power fault"};
constexpr std::array arrowWords{"", "up", "down", "left", "right"};
constexpr std::array lampWords{"lit", "off", "failed"};
constexpr std::array inputNames{"Computer 1", "Computer 2", "Video", "S-Video", "Input 5"};

QString colourName(PanelTable::Colour colour)
{
    if (colour == PanelTable::Colour::System)
        return {};
    return QStringLiteral("#%1").arg(PanelTable::rgb(colour), 6, 16, QLatin1Char('0'));
}

// null while unknown.
QJsonValue jsonOf(std::optional<bool> value)
{
    return value ? QJsonValue(*value) : QJsonValue(QJsonValue::Null);
}

// The buttons whose setting the state can tell: power, mutes, inputs.
constexpr std::array toggleKeys{
    PanelTable::Key::PowerOn,      PanelTable::Key::PowerOff,          PanelTable::Key::AudioMuteOn,
    PanelTable::Key::AudioMuteOff, PanelTable::Key::VideoMuteOn,       PanelTable::Key::VideoMuteOff,
    PanelTable::Key::Computer1Rgb, PanelTable::Key::Computer1Component, PanelTable::Key::Computer1Scart,
    PanelTable::Key::Computer2Rgb, PanelTable::Key::Computer2DviPc,    PanelTable::Key::Computer2DviHdcp,
    PanelTable::Key::Video,        PanelTable::Key::SVideo,
};

bool isToggle(const PanelTable::Button &b)
{
    return std::any_of(toggleKeys.begin(), toggleKeys.end(),
                       [&b](PanelTable::Key key) { return &PanelTable::button(key) == &b; });
}

QString nameOf(PanelTable::Key key)
{
    return QLatin1StringView(PanelTable::button(key).name);
}

// A button of the panel for the page.
QJsonObject buttonJson(const PanelTable::Button &b)
{
    return QJsonObject{
        {QStringLiteral("name"), QLatin1StringView(b.name)},
        {QStringLiteral("caption"), QLatin1StringView(b.caption)},
        {QStringLiteral("label"), QLatin1StringView(b.accessibleName)},
        {QStringLiteral("colour"), colourName(b.colour)},
        {QStringLiteral("hold"), b.kind == PanelTable::Kind::Hold},
        {QStringLiteral("arrow"), QLatin1StringView(arrowWords[size_t(b.arrow)])},
        {QStringLiteral("toggle"), isToggle(b)},
    };
}

} // namespace

QStringList pressedButtons(const ProjectorState &state, const InputTable &inputs)
{
    using K = PanelTable::Key;
    using P = ReadReplies::Power;
    QStringList names;
    if (const auto status = state.status()) {
        if (status->power == P::On || status->power == P::WarmingUp)
            names.append(nameOf(K::PowerOn));
        else if (status->power == P::Standby || status->power == P::CoolingDown)
            names.append(nameOf(K::PowerOff));
    }
    const auto &r = state.remembered();
    if (r.videoMuted)
        names.append(nameOf(*r.videoMuted ? K::VideoMuteOn : K::VideoMuteOff));
    if (r.audioMuted)
        names.append(nameOf(*r.audioMuted ? K::AudioMuteOn : K::AudioMuteOff));
    const auto connector = state.input();
    const auto code = connector ? inputs.codeOn(*connector, r.input) : std::nullopt;
    const InputTable::Input *input = code ? inputs.byCode(*code) : nullptr;
    for (const K key : toggleKeys) {
        if (input && PanelTable::frame(key) == input->frame)
            names.append(nameOf(key));
    }
    return names;
}

QJsonObject projector(int id, const ProjectorService &service, const ExchangeHistory &history,
                      double temperatureWarning, const InputTable &inputs)
{
    const ProjectorState &state = service.state();
    QJsonObject json{
        {QStringLiteral("id"), id},
        {QStringLiteral("name"), service.settings().name},
        {QStringLiteral("port"), service.settings().port.label},
        {QStringLiteral("reachable"), service.isPortOpen() && service.isAnswering()},
        {QStringLiteral("videoMuted"), jsonOf(state.remembered().videoMuted)},
        {QStringLiteral("audioMuted"), jsonOf(state.remembered().audioMuted)},
        {QStringLiteral("exchanges"), history.toJson()},
    };
    if (!service.isPortOpen())
        json.insert(QStringLiteral("problem"), QStringLiteral("port lost"));
    else if (!service.isAnswering())
        json.insert(QStringLiteral("problem"), QStringLiteral("no answer"));
    if (history.lastAnswer().isValid())
        json.insert(QStringLiteral("lastAnswer"), history.lastAnswer().toString(Qt::ISODateWithMs));

    if (const auto status = state.status())
        json.insert(QStringLiteral("power"), QLatin1StringView(powerWords[size_t(status->power)]));
    if (const auto input = state.input())
        json.insert(QStringLiteral("input"), QLatin1StringView(inputNames[size_t(*input - 1)]));
    if (const auto hours = state.lampHours())
        json.insert(QStringLiteral("lampHours"), *hours);
    if (const auto lamp = state.lamp())
        json.insert(QStringLiteral("lamp"), QLatin1StringView(lampWords[size_t(*lamp)]));
    json.insert(QStringLiteral("errors"), QJsonArray::fromStringList(state.faultWords(temperatureWarning)));
    json.insert(QStringLiteral("pressed"), QJsonArray::fromStringList(pressedButtons(state, inputs)));
    return json;
}

QJsonObject panel()
{
    QJsonArray groups;
    for (const PanelTable::Group &group : PanelTable::groups()) {
        QJsonArray buttons;
        for (const PanelTable::Button &b : PanelTable::buttons()) {
            if (b.sends && b.group && std::strcmp(b.group, group.frame) == 0)
                buttons.append(buttonJson(b));
        }
        groups.append(QJsonObject{{QStringLiteral("name"), QLatin1StringView(group.frame)},
                                  {QStringLiteral("title"), QLatin1StringView(group.title)},
                                  {QStringLiteral("buttons"), buttons}});
    }
    // Buttons on the window itself (the reads), as a group of their own.
    QJsonArray loose;
    for (const PanelTable::Button &b : PanelTable::buttons()) {
        if (b.sends && !b.group)
            loose.append(buttonJson(b));
    }
    if (!loose.isEmpty())
        groups.append(QJsonObject{{QStringLiteral("name"), QStringLiteral("Window")},
                                  {QStringLiteral("title"), QStringLiteral("Image and reads")},
                                  {QStringLiteral("buttons"), loose}});
    return QJsonObject{{QStringLiteral("groups"), groups}};
}

bool isHoldButton(const QString &objectName)
{
    const PanelTable::Button *b = PanelTable::buttonNamed(objectName);
    return b && b->kind == PanelTable::Kind::Hold;
}

} // namespace WebState
