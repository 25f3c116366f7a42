#pragma once

#include "ctl/cataloguelisting.h"
#include "ctl/portchoice.h"
#include "session/sessioncommand.h"

#include <QByteArray>
#include <QList>
#include <QString>
#include <QStringList>

#include <optional>

// What one call of rm740ctl is to do, read from its arguments.
struct CtlPlan {
    enum class Action {
        Exchange,  // send the commands to every port
        List,      // print catalogue entries
        Help,
        Version,
        Refuse,    // the arguments were not understood: `error` says why
    };

    using Command = SessionCommand;
    // How results are printed: a line each, a JSON object each, or
    // Prometheus' families at the end (for node_exporter's textfile collector).
    enum class Format { Text, Json, Prometheus };

    Action action = Action::Refuse;
    QString error;
    QList<PortChoice> ports;          // none: the store's port, as the panel's start-up reads it
    std::optional<quint8> baudCode;   // none: the store's, as the panel's start-up reads it
    int timeoutMs = 0;
    Format format = Format::Text;
    QList<Command> commands;
    CatalogueListing::Query query;
};

namespace CtlArguments {

inline constexpr int LongestTimeoutMs = 3600 * 1000;

// Reads the arguments, program name first. Options come before the first
// command, so a text to send may start with "-".
[[nodiscard]] CtlPlan parse(const QStringList &arguments);

// The frame of a text to send (cut at its first "["), as `send TEXT` checks
// it, refused with `error` for a "%" placeholder or control characters; for
// callers without rm740ctl's --raw, whose refusals do not offer it.
[[nodiscard]] std::optional<QByteArray> sendFrame(const QString &text, QString *error);

[[nodiscard]] QString usageLine();
[[nodiscard]] QString helpText();

} // namespace CtlArguments
