#pragma once

#include "bridge/projector/inputtable.h"
#include "bridge/projector/projectorstate.h"
#include "session/exchangeresult.h"

#include <QDateTime>
#include <QJsonArray>
#include <QJsonObject>

#include <deque>

class ProjectorService;

// The last exchanges of a projector, rendered as the desktop monitor renders
// TxD and RxD, for the page's monitor.
class ExchangeHistory
{
public:
    static constexpr std::size_t Kept = 8;

    void add(const ExchangeResult &result, const QDateTime &at);
    [[nodiscard]] QJsonArray toJson() const;
    [[nodiscard]] QDateTime lastAnswer() const { return m_lastAnswer; }

private:
    std::deque<QJsonObject> m_entries;
    QDateTime m_lastAnswer;
};

// What the page and the API tell of a projector and of the panel, as JSON.
namespace WebState {

// {"id", "name", "port", "reachable", "problem", "power", "input", "videoMuted",
//  "audioMuted", "lampHours", "lamp", "errors": [...], "lastAnswer", "exchanges", "pressed"}
// A mute is null while unknown; a value not read is left out. "errors" are
// the faults the state tells ("lamp error"), with
// `temperatureWarning` as PJLink's ERST has it.
[[nodiscard]] QJsonObject projector(int id, const ProjectorService &service, const ExchangeHistory &history,
                                    double temperatureWarning, const InputTable &inputs);

// The panel buttons whose setting is in effect as far as the state knows: the
// power phase's, each known mute's, the input's (by `inputs`).
[[nodiscard]] QStringList pressedButtons(const ProjectorState &state, const InputTable &inputs);

// The panel's groups and buttons in tab order: {"groups": [{"name", "title",
// "buttons": [{"name", "caption", "label", "colour", "hold", "arrow", "toggle"}]}]};
// "toggle": the page shows whether the button's setting is in effect.
[[nodiscard]] QJsonObject panel();

// Whether the panel's button repeats while held (the arrows).
[[nodiscard]] bool isHoldButton(const QString &objectName);

} // namespace WebState
