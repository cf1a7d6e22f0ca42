#include "series/SeriesResult.h"

#include <cmath>

SeriesResult computeSeriesResult(const std::vector<double> &stopTimes, const SafetyDevice &device)
{
    SeriesResult result;
    result.statistics = computeStatistics(stopTimes);
    if (!result.statistics || result.statistics->count < kMinimumValuesForDistance)
        return result;

    const SeriesStatistics &stats = *result.statistics;
    const std::optional<double> governingMs = finiteGoverningMs(stats);
    if (!governingMs) {
        result.notFinite = true;
        return result;
    }
    result.governing = stats.meanPlus3SigmaGoverns() ? GoverningStatistic::MeanPlus3Sigma
                                                     : GoverningStatistic::Maximum;
    result.governingMs = governingMs;

    const std::optional<double> parameter = device.parameter();
    if (!parameter)
        return result;
    const double mm = safetyDistance(device.ID, *result.governingMs / 1000.0, *parameter, device.NonIndustrial);
    if (!std::isfinite(mm)) {
        result.notFinite = true;
        return result;
    }
    result.distanceMm = mm;
    result.distanceInch = mm / 25.4;
    return result;
}

std::optional<double> finiteGoverningMs(const SeriesStatistics &stats)
{
    if (!std::isfinite(stats.maximum) || !std::isfinite(stats.meanPlus3Sigma))
        return std::nullopt;
    return stats.governing();
}
