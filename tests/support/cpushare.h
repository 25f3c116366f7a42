#pragma once

#include <QElapsedTimer>
#include <QTest>

#include <time.h>

// How busy this process is while nothing happens: an idle program sleeps in
// its event loop, one left polling a dead device or connection spins.
namespace CpuShare {

// CPU time of this process, all threads, in nanoseconds.
inline qint64 processCpuNs()
{
    timespec now{};
    ::clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &now);
    return qint64(now.tv_sec) * 1000000000 + now.tv_nsec;
}

// The share of one core used while the event loop ran for `ms`.
inline double whileTheEventLoopRuns(int ms)
{
    QElapsedTimer wall;
    wall.start();
    const qint64 cpuBefore = processCpuNs();
    QTest::qWait(ms);
    return double(processCpuNs() - cpuBefore) / double(wall.nsecsElapsed());
}

} // namespace CpuShare
