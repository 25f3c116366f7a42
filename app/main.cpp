#include "app/module1.h"
#include "panel/form1.h"

#include <QApplication>
#include <QStyleFactory>

int main(int argc, char *argv[])
{
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("rm740-control"));
    QApplication::setApplicationVersion(QStringLiteral(PROJECT_VERSION));
    // Coloured button faces are drawn the same on every platform.
    QApplication::setStyle(QStyleFactory::create(QStringLiteral("Fusion")));

    Module1 module;
    Form1 form1(module);
    form1.Form_Load();
    form1.show();
    return QApplication::exec();
}
