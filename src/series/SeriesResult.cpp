#include "series/SeriesResult.h"

SeriesResult computeSeriesResult(const std::vector<double> &stopTimes, const SafetyDevice &device)
{
    SeriesResult result;
    result.statistics = computeStatistics(stopTimes);
    if (!result.statistics || result.statistics->count < kMinimumValuesForDistance)
        return result;

    const SeriesStatistics &stats = *result.statistics;
    result.governing = stats.meanPlus3SigmaGoverns() ? GoverningStatistic::MeanPlus3Sigma
                                                     : GoverningStatistic::Maximum;
    result.governingMs = stats.governing();

    const std::optional<double> parameter = device.parameter();
    if (!parameter)
        return result;
    const double mm = safetyDistance(device.ID, *result.governingMs / 1000.0, *parameter, device.NonIndustrial);
    result.distanceMm = mm;
    result.distanceInch = mm / 25.4;
    return result;
}
