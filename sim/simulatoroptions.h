#pragma once

#include "sim/model/projectormodel.h"

#include <QString>
#include <QStringList>

#include <chrono>

// How the simulator is started: where its device appears, how long the lamp
// takes, and which awkward device it plays.
struct SimulatorOptions {
    // Where the line is: a pseudo-terminal, or a network port as a device
    // server offers it (raw TCP or RFC 2217).
    enum class Listening { None, RawTcp, Rfc2217 };

    QString link;  // a symbolic link to the device made here; empty: none
    Listening listening = Listening::None;
    QString listenAddress = QStringLiteral("127.0.0.1");  // only this machine, unless told
    quint16 listenPort = 0;
    ProjectorModel::Timing timing;
    std::chrono::milliseconds delay{0};  // before each reply
    bool split = false;   // replies dribble out one byte at a time
    bool silent = false;  // never answers
    bool noise = false;   // random bytes between replies
    bool flood = false;   // streams bytes without end
    int dropAfter = 0;    // hangs up after this many frames; 0: never
    quint32 seed = 0;     // of the random bytes; 0: a different one each run
};

struct SimulatorCommandLine {
    SimulatorOptions options;
    QString error;  // empty when the whole line was understood
    bool helpRequested = false;
    bool versionRequested = false;
    QString helpText;
};

// Reads the arguments, program name first.
[[nodiscard]] SimulatorCommandLine parseSimulatorCommandLine(const QStringList &arguments);
