#pragma once

#include "app/module1.h"
#include "benchsupport.h"
#include "link/mscomm.h"
#include "panel/form1.h"

#include <QApplication>
#include <QEventLoop>
#include <QLabel>
#include <QMouseEvent>
#include <QPushButton>
#include <QTimer>

namespace Bench {

// The real main window, started against a WireDevice on COM1, in full view.
struct BenchWindow {
    WireDevice device;
    Module1 module;
    std::unique_ptr<Form1> form;

    // COM1 is the device, or `entry` (a network port that leads to it).
    bool start(const QString &entry = {})
    {
        if (!device.isOpen())
            return false;
        useTemporarySettings(entry.isEmpty() ? device.devicePath() : entry);
        form = std::make_unique<Form1>(module);
        form->Form_Load();
        form->setFullView(true);
        form->show();
        return form->MSComm1().PortOpen();
    }

    QPushButton *button(const char *name) const
    {
        return form->findChild<QPushButton *>(QLatin1StringView(name));
    }
};

// Milliseconds from the last reply byte written by the device to the status
// line showing the decoded text, for each of `exchanges` "Status" clicks. The
// device must answer "CR0" with "00".
inline QList<double> statusReplyLatencies(Form1 &form, const WireDevice &device, int exchanges)
{
    QPushButton *status = form.findChild<QPushButton *>(QStringLiteral("Command44"));
    QLabel *statusLine = form.findChild<QLabel *>(QStringLiteral("Label25"));
    const QString decoded = QStringLiteral(" Power ON");
    QList<double> latencies;
    for (int i = 0; i < exchanges; ++i) {
        statusLine->setText(QString());
        status->click();
        while (statusLine->text() != decoded)
            QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents);
        const auto shown = Clock::now();
        latencies.append(millisecondsBetween(device.lastReplyWritten(), shown));
    }
    return latencies;
}

inline void runEventLoopFor(int ms)
{
    QEventLoop loop;
    QTimer::singleShot(ms, Qt::PreciseTimer, &loop, &QEventLoop::quit);
    loop.exec();
}

inline void sendMouse(QWidget *target, QEvent::Type type)
{
    const QPoint centre = target->rect().center();
    const Qt::MouseButtons down = type == QEvent::MouseButtonRelease ? Qt::NoButton : Qt::LeftButton;
    QMouseEvent event(type, centre, target->mapToGlobal(centre), Qt::LeftButton, down, Qt::NoModifier);
    QApplication::sendEvent(target, &event);
}

inline int roundsFrom(int argc, char **argv, int fallback)
{
    return argc > 1 ? qMax(1, QByteArray(argv[1]).toInt()) : fallback;
}

} // namespace Bench
