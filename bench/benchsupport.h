#pragma once

#include <QByteArray>
#include <QCoreApplication>
#include <QList>
#include <QString>
#include <QTimer>

#include <atomic>
#include <chrono>
#include <functional>
#include <mutex>
#include <thread>

// Helpers shared by the benchmarks: a device on a pseudo-terminal served by
// its own thread (so its time stamps are those of the wire, not of the
// program's event loop), statistics and the settings store.
namespace Bench {

using Clock = std::chrono::steady_clock;

// Waits for `done` in the event loop, woken by each event. QTest::qWaitFor
// sleeps 10 ms between looks, and that sleep would be counted in what is timed.
template <typename Predicate>
[[nodiscard]] bool waitUntil(Predicate done, int timeoutMs)
{
    bool late = false;
    QTimer deadline;
    deadline.setSingleShot(true);
    QObject::connect(&deadline, &QTimer::timeout, [&late] { late = true; });
    deadline.start(timeoutMs);
    while (!done() && !late)
        QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents);
    return done();
}

[[nodiscard]] inline double millisecondsBetween(Clock::time_point a, Clock::time_point b)
{
    return std::chrono::duration<double, std::milli>(b - a).count();
}

// The device end of a pseudo-terminal, read by a thread of its own.
class WireDevice
{
public:
    struct Frame {
        Clock::time_point at;  // when its CR was read
        QByteArray text;
    };
    // Given a frame, the reply to write at once (may be empty).
    using Responder = std::function<QByteArray(const QByteArray &frame)>;

    WireDevice();
    ~WireDevice();

    [[nodiscard]] bool isOpen() const { return m_master >= 0; }
    [[nodiscard]] QString devicePath() const { return m_path; }
    void setResponder(Responder responder);
    // The time the last reply byte was written.
    [[nodiscard]] Clock::time_point lastReplyWritten() const;

    [[nodiscard]] QList<Frame> frames() const;
    void clearFrames();

    // Writes everything, as fast as the pseudo-terminal takes it, in pieces
    // of `chunk` bytes. Blocks until done or `stop` is set.
    void writeAll(const QByteArray &bytes, qsizetype chunk, const std::atomic<bool> &stop);

private:
    void readLoop();
    void writeFully(const char *data, size_t size);

    int m_master = -1;
    int m_slave = -1;
    QString m_path;
    std::thread m_reader;
    std::atomic<bool> m_stop{false};
    mutable std::mutex m_mutex;
    QList<Frame> m_frames;
    QByteArray m_partial;
    Responder m_responder;
    Clock::time_point m_lastReply{};
};

struct Summary {
    double median = 0;
    double worst = 0;
};

[[nodiscard]] double percentile(QList<double> values, double p);
[[nodiscard]] double mean(const QList<double> &values);
// Median and worst (largest) of per-round figures.
[[nodiscard]] Summary summarise(const QList<double> &perRound);

// Points the settings store at a temporary folder and wires COM1 to `device`
// with "ComPort" 1 and "BaudRate" 192.
void useTemporarySettings(const QString &device);

// Resident memory of this process in KiB.
[[nodiscard]] qint64 residentKiB(qint64 pid = 0);
// User and system CPU time of a process, in seconds.
[[nodiscard]] double cpuSeconds(qint64 pid);

// One line of the results table: name, median, worst, target.
void report(const QString &figure, const Summary &summary, const QString &unit, const QString &target);

} // namespace Bench
