#include "Trend.h"

#include "ArchiveLocation.h"
#include "base/NumberFormat.h"

#include <cmath>

std::optional<double> changePercent(double before, double now)
{
    // A stop time of 0 ms or less is no measurement of a brake; a growth
    // "from nothing" has no percentage, and is not pretended to have one.
    if (!(before > 0.0) || !std::isfinite(before) || !std::isfinite(now))
        return std::nullopt;
    return (now - before) / before * 100.0;
}

bool aboveThreshold(const std::optional<double> &changePercent, double thresholdPercent)
{
    // A billionth of a percent lies far below what the instrument resolves.
    return changePercent && *changePercent > thresholdPercent + 1e-9;
}

MachineTrend machineTrend(const std::vector<ArchiveEntry> &entries, double thresholdPercent,
                          std::optional<qint64> baselineId)
{
    MachineTrend trend;
    for (const ArchiveEntry &e : entries) {
        // Only what decides the status is a point: a whole series, placed
        // in time, with its standard (as the overview counts them).
        const bool decides = e.count >= int(kMinimumValuesForDistance) && e.timeFlag.isEmpty() && !e.withoutStandard;
        if (decides && e.governingMs && std::isfinite(*e.governingMs)) {
            if (baselineId && e.id == *baselineId)
                trend.baseline = trend.points.size();
            trend.points.push_back({e.id, e.measuredAt, *e.governingMs, e.distanceMm});
        }
    }
    if (trend.points.empty())
        return trend;
    if (!trend.baseline)
        trend.baseline = 0;
    const std::size_t last = trend.points.size() - 1;
    const double latest = trend.points[last].governingMs;
    if (last > 0)
        trend.changePercent = changePercent(trend.points[last - 1].governingMs, latest);
    if (*trend.baseline != last)
        trend.changeVsBaselinePercent = changePercent(trend.points[*trend.baseline].governingMs, latest);
    trend.warningVsPrevious = aboveThreshold(trend.changePercent, thresholdPercent);
    trend.warningVsBaseline = aboveThreshold(trend.changeVsBaselinePercent, thresholdPercent);
    trend.warning = trend.warningVsPrevious || trend.warningVsBaseline;
    return trend;
}
