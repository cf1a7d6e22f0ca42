#include "Trend.h"

#include "ArchiveLocation.h"
#include "base/NumberFormat.h"

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
        // 100 -> 114 ms computes as 14.000000000000002 %: a growth that
        // equals the threshold to within rounding is not above it.  A
        // billionth of a percent lies far below what the instrument resolves.
        trend.warning = *trend.changePercent > thresholdPercent + 1e-9;
    } else {
        // A machine that stood still at once and now needs time to stop has
        // grown beyond any percentage.
        trend.warning = latest > previous;
    }
    return trend;
}
