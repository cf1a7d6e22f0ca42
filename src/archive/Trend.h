#pragma once

#include "ArchiveMeasurement.h"
#include "settings/SettingsFile.h"

#include <QDateTime>

#include <optional>
#include <vector>

// Does a safeguard stop slower than before?  The trend takes its
// measurements that decide its status (ten values and more, a time that
// places them, with their standard) in the order they were measured and
// compares the latest with the one before and with the safeguard's
// baseline.  A door's stop time is never held against a light curtain's.
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
    // points or a previous governing time of 0 ms or less (no comparison).
    std::optional<double> changePercent;
    // The point the latest is held against: the one the user marked as the
    // machine's reference, else the first.  None without points.
    std::optional<std::size_t> baseline;
    // (latest - baseline) / baseline in percent; none when the latest is the
    // baseline itself or the baseline's governing time is 0 ms or less.
    std::optional<double> changeVsBaselinePercent;
    // Each change lies more than the threshold above zero.
    bool warningVsPrevious = false;
    bool warningVsBaseline = false;
    // Either does: a brake that creeps a little every time warns against
    // the baseline long before one step does.
    bool warning = false;
};

// entries: one safeguard's measurements, oldest first, as Archive::entries
// gives them; baselineId: the measurement marked as the reference, if any
// (one without a governing time cannot be one: the first point stands).
MachineTrend machineTrend(const std::vector<ArchiveEntry> &entries, double thresholdPercent,
                          std::optional<qint64> baselineId = std::nullopt);

// The change in percent from before to now; none where before is 0 ms or
// less, which gives no comparison.
std::optional<double> changePercent(double before, double now);

// Whether a change lies above the threshold: 100 -> 114 ms computes as
// 14.000000000000002 %, which is not above 14 %.
bool aboveThreshold(const std::optional<double> &changePercent, double thresholdPercent);
