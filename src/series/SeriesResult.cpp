#include "series/SeriesResult.h"

#include <cmath>

SeriesResult computeSeriesResult(const std::vector<double> &stopTimes, const SafetyDevice &device)
{
    SeriesResult result;
    result.statistics = computeStatistics(stopTimes);
    if (!result.statistics || result.statistics->count < kMinimumValuesForDistance)
        return result;

    const SeriesStatistics &stats = *result.statistics;
    // A stop time that is no number (a damaged project file can hold one)
    // leaves mean + 3 sigma unknown: then neither statistic may govern, or
    // the maximum would stand in for a value nobody knows to be smaller.
    if (!std::isfinite(stats.meanPlus3Sigma) || !std::isfinite(stats.maximum))
        return result;
    result.governing = stats.meanPlus3SigmaGoverns() ? GoverningStatistic::MeanPlus3Sigma
                                                     : GoverningStatistic::Maximum;
    result.governingMs = stats.governing();

    const std::optional<double> parameter = device.parameter();
    if (!parameter)
        return result;
    const double mm = safetyDistance(device.ID, *result.governingMs / 1000.0, *parameter, device.NonIndustrial);
    if (!std::isfinite(mm))
        return result;
    result.distanceMm = mm;
    result.distanceInch = mm / 25.4;
    return result;
}
