#include "app/appidentity.h"
#include "link/module1.h"
#include "panel/form1.h"
#include "signals/terminationsignals.h"

#include <QApplication>
#include <QStyleFactory>

int main(int argc, char *argv[])
{
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("rm740-control"));
    QApplication::setApplicationVersion(QStringLiteral(PROJECT_VERSION));
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
