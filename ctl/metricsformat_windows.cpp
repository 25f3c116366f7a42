#include "ctl/metricsformat.h"

// Without prometheus-cpp there are no families to write; the plan refuses
// --format prometheus before a result comes here.
void MetricsFormat::add(const ExchangeResult &) {}

void MetricsFormat::portFailed(const QString &) {}

QByteArray MetricsFormat::text() const
{
    return {};
}
