#pragma once

#include "bridge/projector/inputtable.h"
#include "bridge/pjlink/pjlinkcodec.h"
#include "bridge/projector/projectoractions.h"
#include "bridge/projector/projectorreadings.h"
#include "bridge/projector/projectorstate.h"

#include <QByteArray>
#include <QByteArrayView>
#include <QList>

// PJLink Class 1 in the projector's terms: for each body, what a query reads
// and how its answer comes from the replies, and which of the panel's frames
// a set sends. The rows are in pjlinktable.cpp.
namespace PjlinkTable {

inline constexpr QByteArrayView Ok = "OK";
inline constexpr QByteArrayView UndefinedCommand = "ERR1";
inline constexpr QByteArrayView OutOfParameter = "ERR2";
inline constexpr QByteArrayView UnavailableTime = "ERR3";
inline constexpr QByteArrayView ProjectorFailure = "ERR4";

inline constexpr QByteArrayView Manufacturer = "ORVA";
inline constexpr QByteArrayView Product = "RM740";
inline constexpr QByteArrayView ProtocolClass = "1";

// What a query's answer is made of besides the state.
struct Identity {
    QByteArray name;            // NAME
    QByteArray information;     // INFO
    double temperatureWarning = 0;  // ERST warns at or above it (degrees C); 0: never
};

struct Context {
    const ProjectorState &state;
    const InputTable &inputs;
    const Identity &identity;
};

using QueryAnswer = QByteArray (*)(const Context &);

// What answering one request takes.
struct Plan {
    enum class Kind {
        Answer,  // `answer` as it stands: an error, or nothing to read
        Query,   // `reads` fresh, then `query` on the state
        Set,     // `actions` one after another
    };
    Kind kind = Kind::Answer;
    QByteArray answer;
    ProjectorReadings::ReadingSet reads;
    QueryAnswer query = nullptr;
    QList<ProjectorAction> actions;
};

[[nodiscard]] Plan plan(const Pjlink::Request &request, const InputTable &inputs);
// The answer to a query plan, from what is known now.
[[nodiscard]] QByteArray answer(const Plan &plan, const Context &context);
// The answer to a set plan: OK, ERR3 when refused, ERR4 when it failed.
[[nodiscard]] QByteArrayView answer(ActionOutcome outcome);

} // namespace PjlinkTable
