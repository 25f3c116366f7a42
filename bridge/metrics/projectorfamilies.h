#pragma once

#include "bridge/projector/projectorstate.h"

#include <prometheus/metric_family.h>

#include <QList>
#include <QString>

#include <vector>

// The projector's families, rm740_projector_*, from what is known of it: the
// bridge writes them from its services' state, rm740ctl from the replies of
// one run, so a dashboard reads both alike. Read from the state alone: a
// scrape puts no frame on the line.
namespace ProjectorFamilies {

struct Sample {
    QString name;                        // the configuration's section, or rm740ctl's port
    const ProjectorState *state = nullptr;
    bool portOpen = false;
    bool lineUp = false;                 // the last exchange was answered
    double lampLifeHours = 0;            // the lamp's rated life; 0: not given
    double temperatureWarning = 0;       // as the faults count it; 0: never
};

// One family each, in a fixed order, with a series per projector for what is known.
[[nodiscard]] std::vector<prometheus::MetricFamily> families(const QList<Sample> &samples);

// The label value of a power phase: on, standby, warming, cooling.
[[nodiscard]] const char *powerWord(ReadReplies::Power power);

} // namespace ProjectorFamilies
