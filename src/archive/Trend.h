#pragma once

#include "ArchiveMeasurement.h"
#include "settings/SettingsFile.h"

#include <QDateTime>

#include <optional>
#include <vector>

// Does the machine stop slower than last time?  The trend takes the
// measurements that have a governing stop time (ten values and more) in the
// order they were measured and compares the latest with the one before.
struct TrendPoint
{
    qint64 id = 0;
    QDateTime measuredAt;
    double governingMs = 0.0;
    std::optional<double> distanceMm;
};

struct MachineTrend
{
    std::vector<TrendPoint> points; // oldest first
    // (latest - previous) / previous in percent; none with fewer than two
    // points or a previous governing time of 0 ms.
    std::optional<double> changePercent;
    // The latest governing time lies more than the threshold above the one
    // before (from 0 ms any growth does).
    bool warning = false;
};

// entries: one machine's measurements, oldest first, as Archive::entries
// gives them.
MachineTrend machineTrend(const std::vector<ArchiveEntry> &entries, double thresholdPercent);
