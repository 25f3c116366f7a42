// From the last reply byte written by the device to the status line showing
// the decoded text, over 500 "Status" exchanges per round.
#include "benchwindow.h"

#include <QLabel>

#include <cstdio>

int main(int argc, char **argv)
{
    QApplication app(argc, argv);
    const int rounds = Bench::roundsFrom(argc, argv, 3);
    constexpr int Exchanges = 500;

    Bench::BenchWindow window;
    if (!window.start()) {
        std::fprintf(stderr, "could not open the pseudo-terminal\n");
        return 1;
    }
    window.device.setResponder([](const QByteArray &frame) {
        return frame == "CR0\r" ? QByteArray("00\r") : QByteArray();
    });
    QPushButton *status = window.button("Command44");
    QLabel *statusLine = window.form->findChild<QLabel *>(QStringLiteral("Label25"));
    const QString decoded = QStringLiteral(" Power ON");

    QList<double> medians, p99s;
    for (int round = 0; round < rounds; ++round) {
        QList<double> latencies;
        for (int i = 0; i < Exchanges; ++i) {
            statusLine->setText(QString());
            status->click();
            while (statusLine->text() != decoded)
                QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents);
            const auto shown = Bench::Clock::now();
            latencies.append(Bench::millisecondsBetween(window.device.lastReplyWritten(), shown));
        }
        medians.append(Bench::percentile(latencies, 50));
        p99s.append(Bench::percentile(latencies, 99));
    }

    std::printf("Reply latency, %d rounds of %d exchanges\n", rounds, Exchanges);
    Bench::report(QStringLiteral("median latency"), Bench::summarise(medians), QStringLiteral("ms"), QStringLiteral("<= 1"));
    Bench::report(QStringLiteral("p99 latency"), Bench::summarise(p99s), QStringLiteral("ms"), QStringLiteral("<= 5"));
    return 0;
}
