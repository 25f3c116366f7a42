// Screenshots of the real windows for the documentation: the main window in
// full view after Power On and Status, the command list window, the port
// settings dialog, and the exchange log after some more exchanges and a hold,
// as it is and with a filter applied. scripts/screenshots.sh runs it against
// rm740-sim, with COM1 mapped to the simulator in a private settings store.
//
//   rm740-screenshots OUTPUT-FOLDER SUFFIX

#include "app/appidentity.h"
#include "link/module1.h"
#include "link/mscomm.h"
#include "logwindow/exchangelogaccess.h"
#include "logwindow/exchangelogmodel.h"
#include "logwindow/exchangelogwindow.h"
#include "panel/form1.h"

#include <QAbstractButton>
#include <QApplication>
#include <QDeadlineTimer>
#include <QDir>
#include <QLabel>
#include <QLineEdit>
#include <QMouseEvent>
#include <QStyleFactory>
#include <QTextStream>

#include <functional>

namespace {

constexpr int PatienceMs = 15000;

[[nodiscard]] bool waitUntil(const std::function<bool()> &done, int timeoutMs = PatienceMs)
{
    const QDeadlineTimer deadline(timeoutMs);
    while (!done()) {
        if (deadline.hasExpired())
            return false;
        QCoreApplication::processEvents(QEventLoop::AllEvents, 50);
    }
    return true;
}

void pause(int ms)
{
    (void)waitUntil([] { return false; }, ms);
}

[[nodiscard]] QWidget *topLevel(const char *name)
{
    for (QWidget *window : QApplication::topLevelWidgets()) {
        if (window->objectName() == QLatin1StringView(name) && window->isVisible())
            return window;
    }
    return nullptr;
}

int fail(const QString &message)
{
    QTextStream(stderr) << "rm740-screenshots: " << message << '\n';
    return 1;
}

} // namespace

int main(int argc, char *argv[])
{
    QApplication app(argc, argv);
    QApplication::setWindowIcon(AppIdentity::windowIcon());
    QApplication::setStyle(QStyleFactory::create(QStringLiteral("Fusion")));
    const QStringList arguments = QApplication::arguments();
    if (arguments.size() != 3)
        return fail(QStringLiteral("usage: rm740-screenshots OUTPUT-FOLDER SUFFIX"));
    const QDir output(arguments.at(1));
    const QString suffix = arguments.at(2);
    const auto save = [&](QWidget *window, const QString &name) {
        const QString path = output.filePath(QStringLiteral("%1-%2.png").arg(name, suffix));
        if (!window->grab().save(path))
            return false;
        QTextStream(stdout) << path << '\n';
        return true;
    };

    Module1 module;
    Form1 form1(module);
    form1.Form_Load();
    if (!form1.MSComm1().PortOpen())
        return fail(QStringLiteral("COM1 did not open: is the simulator running?"));
    form1.setFullView(true);
    form1.show();
    const auto click = [&](const char *name) {
        form1.findChild<QAbstractButton *>(QLatin1StringView(name))->click();
    };
    const auto *statusLine = form1.findChild<QLabel *>(QStringLiteral("Label25"));

    click("Command17");  // On
    pause(300);
    click("Command44");  // Status
    if (!waitUntil([&] { return !statusLine->text().trimmed().isEmpty(); }))
        return fail(QStringLiteral("no reply to Status"));
    if (!save(&form1, QStringLiteral("form1-full")))
        return fail(QStringLiteral("cannot write to %1").arg(output.path()));

    click("Command74");  // Command Table
    QWidget *form3 = nullptr;
    if (!waitUntil([&] { return (form3 = topLevel("Form3")) != nullptr; }) || !save(form3, QStringLiteral("form3")))
        return fail(QStringLiteral("no command list window"));
    form3->close();

    click("Command33");  // COM
    QWidget *form2 = nullptr;
    if (!waitUntil([&] { return (form2 = topLevel("Form2")) != nullptr; }) || !save(form2, QStringLiteral("form2")))
        return fail(QStringLiteral("no port settings dialog"));
    form2->findChild<QAbstractButton *>(QStringLiteral("Command1"))->click();  // OK: the port opens again
    if (!form1.MSComm1().PortOpen())
        return fail(QStringLiteral("COM1 did not open again"));

    // Some more exchanges for the log, and Brightness up held for half a second.
    for (const char *name : {"Command46", "Command55", "Command54", "Command19", "Command20", "Command44"}) {
        click(name);
        pause(250);
    }
    auto *bright = form1.findChild<QAbstractButton *>(QStringLiteral("Command30"));
    const auto mouse = [bright](QEvent::Type type) {
        const QPointF centre = bright->rect().center();
        QMouseEvent event(type, centre, bright->mapToGlobal(centre), Qt::LeftButton,
                          type == QEvent::MouseButtonPress ? Qt::LeftButton : Qt::NoButton, Qt::NoModifier);
        QApplication::sendEvent(bright, &event);
    };
    mouse(QEvent::MouseButtonPress);
    pause(500);
    mouse(QEvent::MouseButtonRelease);
    pause(1200);

    form1.exchangeLog().showWindow();
    ExchangeLogWindow *log = form1.exchangeLog().window();
    log->resize(1000, 440);
    log->model().sync();
    pause(100);
    if (!save(log, QStringLiteral("exchange-log")))
        return fail(QStringLiteral("no exchange log"));
    log->findChild<QLineEdit *>(QStringLiteral("Filter"))->setText(QStringLiteral("lamp"));
    pause(100);
    if (!save(log, QStringLiteral("exchange-log-filtered")))
        return fail(QStringLiteral("no filtered exchange log"));
    return 0;
}
