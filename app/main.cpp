#include "app/appidentity.h"
#include "app/panelcommandline.h"
#include "link/module1.h"
#include "panel/form1.h"
#include "signals/terminationsignals.h"

#include <QApplication>
#include <QStyleFactory>

#include <cstdio>
#include <optional>

#ifdef Q_OS_WIN
#include <windows.h>
#endif

namespace {

enum Status {
    BadArguments = 64,  // sysexits' EX_USAGE, as rm740ctl and rm740-bridge
};

QStringList argumentsOf(int argc, char *argv[])
{
    QStringList arguments;
    for (int i = 0; i < argc; ++i)
        arguments.append(QString::fromLocal8Bit(argv[i]));
    return arguments;
}

// On Windows the panel is a window program, started without a console: what
// it says goes to the console of the Command Prompt it was typed in, unless
// its output is already going somewhere (a pipe, a file).
void speakToParentConsole()
{
#ifdef Q_OS_WIN
    if (GetStdHandle(STD_OUTPUT_HANDLE) == nullptr && AttachConsole(ATTACH_PARENT_PROCESS)) {
        std::freopen("CONOUT$", "w", stdout);
        std::freopen("CONOUT$", "w", stderr);
    }
#endif
}

// The help and the version are answered before Qt looks for a display, so
// they work on a terminal without one.
std::optional<int> answerAlone(const PanelCommandLine::Plan &plan)
{
    if (plan.action != PanelCommandLine::Action::Run)
        speakToParentConsole();
    switch (plan.action) {
    case PanelCommandLine::Action::Help:
        std::fputs(qPrintable(PanelCommandLine::helpText()), stdout);
        return 0;
    case PanelCommandLine::Action::Version:
        std::printf("rm740-control %s\n", PROJECT_VERSION);
        return 0;
    case PanelCommandLine::Action::Refuse:
        std::fprintf(stderr, "rm740-control: %s\n%s\n", qPrintable(plan.error),
                     qPrintable(PanelCommandLine::usageLine()));
        return BadArguments;
    case PanelCommandLine::Action::Run:
        break;
    }
    return std::nullopt;
}

} // namespace

int main(int argc, char *argv[])
{
    if (const PanelCommandLine::Plan plan = PanelCommandLine::read(argumentsOf(argc, argv));
        plan.action != PanelCommandLine::Action::Refuse) {
        if (const auto status = answerAlone(plan))
            return *status;
    }
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("rm740-control"));
    QApplication::setApplicationVersion(QStringLiteral(PROJECT_VERSION));
    // What is left once Qt has taken its own options.
    if (const auto status = answerAlone(PanelCommandLine::read(QCoreApplication::arguments())))
        return *status;
    // Ties the windows to the installed desktop entry (its name and icon).
    QApplication::setDesktopFileName(QLatin1StringView(AppIdentity::DesktopId));
    // Every window, the dialogs included, takes its icon from here.
    QApplication::setWindowIcon(AppIdentity::windowIcon());
    // Coloured button faces are drawn the same on every platform.
    QApplication::setStyle(QStyleFactory::create(QStringLiteral("Fusion")));

    Module1 module;
    Form1 form1(module);
    // A logout or a kill leaves as END does: the port closed (its lock with
    // it), nothing saved; the status tells the signal (128 + its number).
    TerminationSignals termination;
    QObject::connect(&termination, &TerminationSignals::received, &form1, [&form1](int signal) {
        form1.close();
        QCoreApplication::exit(TerminationSignals::exitStatus(signal));
    });
    form1.Form_Load();
    // Start-up's modal port dialog may have been where the signal came.
    if (termination.caught())
        return termination.exitStatusOr(0);
    form1.show();
    return termination.exitStatusOr(QApplication::exec());
}
