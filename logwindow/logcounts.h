#pragma once

#include <QString>

// The counts the "Exchange Log" window shows beside its filter and above its
// table, each noun in the number it takes.
namespace LogCounts {

// "12 rows", "1 row"; while a filter is set, "3 of 12 rows", "0 of 1 row".
[[nodiscard]] QString rowsShown(qsizetype shown, qsizetype all, bool filtered);

// "40 exchanges (the newest 10000 are kept)", "1 exchange (...)".
[[nodiscard]] QString exchangesKept(qsizetype exchanges, qsizetype capacity);

} // namespace LogCounts
