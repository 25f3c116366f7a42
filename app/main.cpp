#include "app/appidentity.h"
#include "app/module1.h"
#include "panel/form1.h"

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
    form1.Form_Load();
    form1.show();
    return QApplication::exec();
}
