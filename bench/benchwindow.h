#pragma once

#include "link/module1.h"
#include "benchsupport.h"
#include "exchange/exchange.h"
#include "link/mscomm.h"
#include "logwindow/exchangelogaccess.h"
#include "logwindow/exchangerecorder.h"
#include "panel/form1.h"

#include <QApplication>
#include <QEventLoop>
#include <QLabel>
#include <QMouseEvent>
#include <QPushButton>
#include <QTimer>

#include <cstdio>
#include <memory>
#include <vector>

namespace Bench {

// How much of the exchange log runs beside the exchange.
enum class LogMode {
    Without,     // nothing listens: the exchange as it was before the log
    Recording,   // the log keeps every exchange, its window closed (the normal case)
    WindowOpen,  // and its window shows the rows as they come
};

[[nodiscard]] inline const char *logModeName(LogMode mode)
{
    switch (mode) {
    case LogMode::Without:
        return "without the log";
    case LogMode::Recording:
        return "log recording";
    case LogMode::WindowOpen:
        return "log window open";
    }
    return "";
}

inline constexpr LogMode LogModes[] = {LogMode::Without, LogMode::Recording, LogMode::WindowOpen};

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

    void setLogMode(LogMode mode)
    {
        ExchangeLogAccess &log = form->exchangeLog();
        if (mode == LogMode::Without)
            QObject::disconnect(&form->exchange(), nullptr, &log.recorder(), nullptr);
        if (mode == LogMode::WindowOpen)
            log.showWindow();
    }
};

// One started window a log mode, in the order of LogModes, all open at once
// so that the rounds can take turns; empty if one does not start.
using WindowPerMode = std::vector<std::unique_ptr<BenchWindow>>;
[[nodiscard]] inline WindowPerMode startWindowPerMode()
{
    WindowPerMode windows;
    for (LogMode mode : LogModes) {
        auto window = std::make_unique<BenchWindow>();
        if (!window->start()) {
            std::fprintf(stderr, "could not open the pseudo-terminal\n");
            return {};
        }
        window->setLogMode(mode);
        windows.push_back(std::move(window));
    }
    return windows;
}

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
