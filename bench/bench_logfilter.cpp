// Filtering a full exchange log: 10,000 exchanges of an afternoon (status
// reads, commands, refusals, silences, holds, the command list, the port
// going and coming back) in the real log window, shown. Each figure is the
// time from the filter's change to its rows laid out in the proxy, and then
// to the view laid out and painted again.
//
//   bench_logfilter ROUNDS
#include "benchsupport.h"

#include "logwindow/exchangelogfiltermodel.h"
#include "logwindow/exchangelogmodel.h"
#include "logwindow/exchangelogwindow.h"
#include "logwindow/exchangerecorder.h"

#include <QApplication>
#include <QComboBox>
#include <QElapsedTimer>
#include <QLineEdit>
#include <QTreeView>

#include <cstdio>

namespace {

constexpr qint64 T0 = 1'796'000'000'000;

// One exchange, as the recorder would have it.
void exchange(ExchangeRing &ring, qint64 &at, const TransmitOrigin &origin, const QByteArray &frame,
              const QByteArray &reply, const QString &status)
{
    ring.transmit(at, origin, frame, true);
    if (!reply.isEmpty()) {
        // Replies come in one or two pieces.
        ring.receive(at + 9, reply.first(1));
        if (reply.size() > 1)
            ring.receive(at + 12, reply.sliced(1));
    }
    if (!status.isEmpty())
        ring.statusWritten(status);
    ring.replyWindowClosed(at + 1000, !reply.isEmpty());
    at += 1500;
}

void fillAnAfternoon(ExchangeRing &ring)
{
    using K = TransmitOrigin::Kind;
    const TransmitOrigin status = TransmitOrigin::button("Status", "Command44");
    const TransmitOrigin lampTime = TransmitOrigin::button("Lamp Time", "Command46");
    const TransmitOrigin powerOn = TransmitOrigin::button("On", "Command17", "Power");
    const TransmitOrigin muteOn = TransmitOrigin::button("On", "Command19", "Audio Mute");
    const TransmitOrigin press = TransmitOrigin::hold(K::HoldPress, "Volume up", "Command1");
    const TransmitOrigin repeat = TransmitOrigin::hold(K::HoldRepeat, "Volume up", "Command1");
    qint64 at = T0;
    ring.portEvent(at, PortEvent::Opened, QStringLiteral("opened COM1 (/dev/ttyUSB0) at 19200 baud"));
    for (int round = 0; ring.size() < ring.capacity(); ++round) {
        exchange(ring, at, status, "CR0\r", "00\r", QStringLiteral(" Power ON"));
        exchange(ring, at, lampTime, "CR3\r", "01234\r", QStringLiteral("  1234 Hour Use"));
        exchange(ring, at, powerOn, "C00\r", "\x06", {});
        exchange(ring, at, muteOn, "C0B\r", round % 7 == 0 ? QByteArray() : QByteArray("\x06"), {});
        exchange(ring, at, TransmitOrigin::commandList(), "CF BRIGHT 050\r", round % 5 == 0 ? "?\r" : "\x06", {});
        ring.transmit(at, press, "C09\r", true);
        for (int i = 0; i < 10; ++i) {
            at += 100;
            ring.receive(at + 8, "\x06");
            ring.transmit(at, repeat, "C09\r", true);
        }
        at += 1000;
        if (round % 50 == 49) {
            ring.portEvent(at, PortEvent::Lost, QStringLiteral("lost: the device went away"));
            ring.portEvent(at + 5000, PortEvent::Reopened,
                           QStringLiteral("reopened by itself: COM1 (/dev/ttyUSB0) at 19200 baud"));
            at += 6000;
        }
    }
}

struct Change {
    const char *name;
    QString text;
    int show;  // index in the window's list
    QString fromText;  // the filter before it
};

} // namespace

int main(int argc, char **argv)
{
    QApplication app(argc, argv);
    const int rounds = argc > 1 ? qMax(1, QByteArray(argv[1]).toInt()) : 5;
    ExchangeRecorder recorder;
    fillAnAfternoon(recorder.ringToFill());
    ExchangeLogWindow window(recorder);
    window.resize(960, 600);
    window.show();
    QApplication::processEvents();
    auto *filter = window.findChild<QLineEdit *>(QStringLiteral("Filter"));
    auto *show = window.findChild<QComboBox *>(QStringLiteral("Show"));
    QTreeView &view = window.view();
    ExchangeLogFilterModel &shown = window.shownRows();

    const QList<Change> changes{
        {"a status, \"power on\"", QStringLiteral("power on"), 0, {}},
        {"hex bytes, \"3f 0d\"", QStringLiteral("3f 0d"), 0, {}},
        {"a text in no row (every field looked at)", QStringLiteral("nowhere"), 0, {}},
        {"\"No reply\"", QString(), 1, {}},
        {"cleared, from \"nowhere\"", QString(), 0, QStringLiteral("nowhere")},
    };
    QList<QList<double>> proxy(changes.size()), painted(changes.size());
    for (int round = 0; round < rounds; ++round) {
        for (qsizetype i = 0; i < changes.size(); ++i) {
            show->setCurrentIndex(0);
            filter->setText(changes[i].fromText);
            QApplication::processEvents();
            QElapsedTimer timer;
            timer.start();
            filter->setText(changes[i].text);
            show->setCurrentIndex(changes[i].show);
            (void)shown.rowCount();
            proxy[i] << double(timer.nsecsElapsed()) / 1e6;
            view.doItemsLayout();
            view.viewport()->repaint();
            painted[i] << double(timer.nsecsElapsed()) / 1e6;
        }
    }
    std::printf("Filtering the log window, %d rounds, %lld exchanges, %d top-level rows\n", rounds,
                static_cast<long long>(recorder.ring().size()), window.model().rowCount());
    for (qsizetype i = 0; i < changes.size(); ++i) {
        Bench::report(QStringLiteral("filter %1: rows").arg(QLatin1StringView(changes[i].name)),
                      Bench::summarise(proxy[i]), QStringLiteral("ms"), QStringLiteral("<= 50"));
        Bench::report(QStringLiteral("filter %1: view painted").arg(QLatin1StringView(changes[i].name)),
                      Bench::summarise(painted[i]), QStringLiteral("ms"), QString());
    }
    return 0;
}
