#pragma once

#include <QString>
#include <QStringList>

// What rm740-control's command line asks: the window takes everything it
// needs from its dialog and its settings, so the only words it knows are
// --help and --version (Qt's own options, -platform and the like, are Qt's).
namespace PanelCommandLine {

enum class Action {
    Run,      // show the window
    Help,
    Version,
    Refuse,   // an argument that is not understood: `error` says which
};

struct Plan {
    Action action = Action::Run;
    QString error;
};

// Reads the arguments, program name first; --help and --version win over
// anything else, so they can be read before Qt has taken its options out.
[[nodiscard]] Plan read(const QStringList &arguments);

[[nodiscard]] QString usageLine();
[[nodiscard]] QString helpText();

} // namespace PanelCommandLine
