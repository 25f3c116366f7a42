#pragma once

#include <prometheus/metric_family.h>

#include <QByteArray>
#include <QString>

#include <optional>
#include <vector>

// The standard process families of this process, read from /proc at each
// scrape (process_resident_memory_bytes, process_cpu_seconds_total,
// process_open_fds, process_start_time_seconds), and rm740_build_info.
namespace ProcessFamilies {

struct Figures {
    double residentBytes = 0;
    double cpuSeconds = 0;
    double openFds = 0;
    double startTimeSeconds = 0;  // since the epoch
};

// From the texts of /proc/self/stat and /proc/stat's btime line; nothing when
// they are not of the kernel's form.
[[nodiscard]] std::optional<Figures> read(const QByteArray &stat, const QByteArray &systemStat, long ticksPerSecond,
                                          long pageBytes, int openFds);
// This process's, now.
[[nodiscard]] std::optional<Figures> current();

[[nodiscard]] std::vector<prometheus::MetricFamily> families(const std::optional<Figures> &figures,
                                                             const QString &version);

} // namespace ProcessFamilies
