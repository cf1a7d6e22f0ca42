#include "Trend.h"

#include <cmath>

MachineTrend machineTrend(const std::vector<ArchiveEntry> &entries, double thresholdPercent)
{
    MachineTrend trend;
    for (const ArchiveEntry &e : entries) {
        if (e.governingMs && std::isfinite(*e.governingMs))
            trend.points.push_back({e.id, e.measuredAt, *e.governingMs, e.distanceMm});
    }
    if (trend.points.size() < 2)
        return trend;
    const double latest = trend.points.back().governingMs;
    const double previous = trend.points[trend.points.size() - 2].governingMs;
    if (previous > 0.0) {
        trend.changePercent = (latest - previous) / previous * 100.0;
        trend.warning = *trend.changePercent > thresholdPercent;
    } else {
        // A machine that stood still at once and now needs time to stop has
        // grown beyond any percentage.
        trend.warning = latest > previous;
    }
    return trend;
}
