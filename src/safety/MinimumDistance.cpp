#include "safety/MinimumDistance.h"

#include "base/NumberFormat.h"

#include <cmath>

double minimumWholeMm(double exactMm)
{
    return roundUpTo(exactMm, 0);
}

std::optional<DistanceVerdict> compareInstalled(std::optional<double> minimumMm, std::optional<double> installedMm)
{
    if (!minimumMm || !installedMm || !std::isfinite(*minimumMm) || !std::isfinite(*installedMm))
        return std::nullopt;
    // No tolerance: a mounting that is closer than the printed minimum by
    // any amount is closer.
    const double printed = minimumWholeMm(*minimumMm);
    if (*installedMm >= printed)
        return DistanceVerdict{true, 0.0};
    return DistanceVerdict{false, printed - *installedMm};
}
