#include "series/SeriesResult.h"

#include <cmath>

namespace {

// A device's measure as the standards read it: none where the field holds
// "no number" (NaN) or "not applicable" (-1 in d or H).
std::optional<double> measure(qint32 kindOfField, double value)
{
    if (SafetyDevice::isNoParameter(kindOfField, value))
        return std::nullopt;
    return value;
}

} // namespace

DistanceInputs distanceInputs(const SafetyDevice &device, const DistanceChoice &choice, double governingMs,
                              DistanceText stopTimeNote)
{
    DistanceInputs in;
    in.kind = device.ID;
    in.d = measure(KindVerticalLightCurtain, device.d);
    in.H = measure(KindHorizontalLightCurtain, device.Height);
    in.C = measure(KindDoor, device.C);
    in.h = measure(KindPressureSensitiveMat, device.StepHeight);
    in.nonIndustrial = device.NonIndustrial;
    in.governingMs = governingMs;
    in.stopTimeNote = std::move(stopTimeNote);
    static_cast<StandardEntries &>(in) = choice;
    return in;
}

DistanceText governingNote(const SeriesStatistics &stats)
{
    const Quantity count{double(stats.count), DistanceUnit::Count};
    if (stats.meanPlus3SigmaGoverns())
        return DistanceText(QStringLiteral("governing stop time: mean + 3 standard deviations of %1 values (mean %2, "
                                           "standard deviation %3), greater than the maximum %4"),
                            {count, Quantity{stats.mean, DistanceUnit::Millisecond},
                             Quantity{stats.sigma, DistanceUnit::Millisecond},
                             Quantity{stats.maximum, DistanceUnit::Millisecond}});
    return DistanceText(
        QStringLiteral("governing stop time: maximum of %1 values, not below mean + 3 standard deviations %2"),
        {count, Quantity{stats.meanPlus3Sigma, DistanceUnit::Millisecond}});
}

SeriesResult computeSeriesResult(const std::vector<double> &stopTimes, const SafetyDevice &device,
                                 const DistanceChoice &choice)
{
    SeriesResult result;
    result.standard = choice.standard();
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

    if (!result.standard) {
        result.distance.noDistanceReason = DistanceText(
            QStringLiteral("the standard \"%1\" is not known to this program").arg(choice.standardId));
        return result;
    }
    result.distance = result.standard->calculate(distanceInputs(device, choice, *governingMs, governingNote(stats)));
    // A measure of infinite size is no input the formula could refuse by
    // name: the result is as infinite as the old formulas made it.
    const std::optional<double> parameter = device.parameter();
    result.notFinite = result.distance.notFinite || (!result.distance.distanceMm && parameter && !std::isfinite(*parameter));
    result.distanceMm = result.distance.distanceMm;
    result.distanceInch = result.distance.distanceInch;
    return result;
}

std::optional<double> finiteGoverningMs(const SeriesStatistics &stats)
{
    if (!std::isfinite(stats.maximum) || !std::isfinite(stats.meanPlus3Sigma))
        return std::nullopt;
    return stats.governing();
}
