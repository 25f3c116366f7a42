#include "bridge/metrics/processfamilies.h"

#include <QFile>

#include <cstdlib>

#include <dirent.h>
#include <unistd.h>

namespace ProcessFamilies {

namespace {

QByteArray readAll(const QString &path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

prometheus::MetricFamily single(const char *name, const char *help, prometheus::MetricType type, double value)
{
    prometheus::ClientMetric metric;
    if (type == prometheus::MetricType::Counter)
        metric.counter.value = value;
    else
        metric.gauge.value = value;
    return {name, help, type, {metric}};
}

// The entries of /proc/self/fd, less the one reading them: names only, since
// a stat of each of a fleet's sockets cost more than the rest of a scrape.
int countOpenFds()
{
    DIR *dir = opendir("/proc/self/fd");
    if (!dir)
        return 0;
    const int own = dirfd(dir);
    int count = 0;
    while (const dirent *entry = readdir(dir)) {
        if (entry->d_name[0] != '.' && std::atoi(entry->d_name) != own)
            ++count;
    }
    closedir(dir);
    return count;
}

} // namespace

std::optional<Figures> read(const QByteArray &stat, const QByteArray &systemStat, long ticksPerSecond,
                            long pageBytes, int openFds)
{
    // The command in parentheses may hold spaces; the fields count from after it.
    const qsizetype close = stat.lastIndexOf(')');
    if (close < 0 || ticksPerSecond <= 0)
        return std::nullopt;
    const QList<QByteArray> fields = stat.mid(close + 2).simplified().split(' ');
    // From the state (field 3): utime 14, stime 15, starttime 22, rss 24.
    constexpr int First = 3;
    if (fields.size() < 24 - First + 1)
        return std::nullopt;
    const auto field = [&fields](int n) { return fields[n - First].toDouble(); };
    double bootTime = -1;
    for (const QByteArray &line : systemStat.split('\n')) {
        if (line.startsWith("btime "))
            bootTime = line.mid(6).trimmed().toDouble();
    }
    if (bootTime < 0)
        return std::nullopt;
    const double ticks = double(ticksPerSecond);
    return Figures{field(24) * double(pageBytes), (field(14) + field(15)) / ticks, double(openFds),
                   bootTime + field(22) / ticks};
}

std::optional<Figures> current()
{
    return read(readAll(QStringLiteral("/proc/self/stat")), readAll(QStringLiteral("/proc/stat")),
                sysconf(_SC_CLK_TCK), sysconf(_SC_PAGESIZE), countOpenFds());
}

std::vector<prometheus::MetricFamily> families(const std::optional<Figures> &figures, const QString &version)
{
    using prometheus::MetricType;
    std::vector<prometheus::MetricFamily> result;
    if (figures) {
        result.push_back(single("process_resident_memory_bytes", "Resident memory size in bytes.", MetricType::Gauge,
                               figures->residentBytes));
        result.push_back(single("process_cpu_seconds_total", "Total user and system CPU time spent in seconds.",
                               MetricType::Counter, figures->cpuSeconds));
        result.push_back(single("process_open_fds", "Number of open file descriptors.", MetricType::Gauge,
                               figures->openFds));
        result.push_back(single("process_start_time_seconds", "Start time of the process since unix epoch in seconds.",
                               MetricType::Gauge, figures->startTimeSeconds));
    }
    auto info = single("rm740_build_info", "1, with the version of rm740-bridge as a label.", MetricType::Gauge, 1);
    info.metric.front().label.push_back({"version", version.toStdString()});
    result.push_back(std::move(info));
    return result;
}

} // namespace ProcessFamilies
