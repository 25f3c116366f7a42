#pragma once

#include "bridge/projector/projectorservice.h"

#include <prometheus/counter.h>
#include <prometheus/family.h>
#include <prometheus/histogram.h>
#include <prometheus/registry.h>

#include <QByteArray>
#include <QList>
#include <QObject>
#include <QString>

#include <functional>
#include <memory>
#include <string>
#include <vector>

// What the bridge counts for Prometheus, and the text a scrape gets: the
// projectors' families (from their state as it stands), the exchanges by
// outcome and origin, the reply times, the ports lost and opened again, the
// fronts' connections and wrong passwords, and the process.
class BridgeMetrics : public QObject
{
    Q_OBJECT

public:
    struct Projector {
        ProjectorService *service = nullptr;
        double lampLifeHours = 0;
        double temperatureWarning = 0;
    };

    // From the serial line's few milliseconds to the longest reply window.
    [[nodiscard]] static std::vector<double> replyBuckets(std::chrono::milliseconds longestReplyTimeout);

    BridgeMetrics(const QList<Projector> &projectors, const QString &version, QObject *parent = nullptr);
    ~BridgeMetrics() override;

    // The fronts tell these; `front` is "pjlink", "web" or "metrics".
    void countPjlinkConnection(int projector, bool refused);
    void countWrongPassword(const char *front);
    // How many pages are open, asked at each scrape.
    void setPagesOpen(std::function<int()> pagesOpen) { m_pagesOpen = std::move(pagesOpen); }

    // The text exposition format (version 0.0.4).
    [[nodiscard]] QByteArray scrape() const;
    static constexpr const char *ContentType = "text/plain; version=0.0.4; charset=utf-8";

private:
    struct Counted {
        prometheus::Histogram *replyTime = nullptr;
        prometheus::Counter *losses = nullptr;
        prometheus::Counter *reopens = nullptr;
        prometheus::Counter *pjlinkConnections = nullptr;
        prometheus::Counter *pjlinkRefusals = nullptr;
        bool wasOpen = false;
        bool wasClosed = false;
    };
    void exchanged(int projector, const ExchangeResult &result, ProjectorService::Origin origin);
    // A part of the text, kept until something it shows changes: a fleet's
    // text is some hundred KiB, and scrapes often come more often than its
    // changes. Written into the same buffer each time.
    struct Part {
        std::string text;
        bool stale = true;
    };
    [[nodiscard]] const std::string &projectorsText() const;
    [[nodiscard]] const std::string &countsText() const;

    QList<Projector> m_projectors;
    QString m_version;
    std::unique_ptr<prometheus::Registry> m_registry;
    prometheus::Family<prometheus::Counter> *m_exchanges = nullptr;
    prometheus::Family<prometheus::Counter> *m_wrongPasswords = nullptr;
    std::vector<Counted> m_counted;
    std::vector<double> m_buckets;
    std::function<int()> m_pagesOpen;
    mutable Part m_projectorsPart;  // the projectors' families
    mutable Part m_countsPart;      // the registry's
};
