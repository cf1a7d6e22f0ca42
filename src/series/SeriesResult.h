#pragma once

#include "safety/SafetyDevice.h"
#include "series/Statistics.h"

#include <optional>
#include <vector>

// What a series of stop times comes to for one safety device: the
// statistics, the stop time the distance is computed from and the ISO 13855
// minimum distance.  The main window, the report and zirk-cli all take
// their numbers from here, so they agree to the last digit.

enum class GoverningStatistic { None, Maximum, MeanPlus3Sigma };

struct SeriesResult
{
    std::optional<SeriesStatistics> statistics; // none for an empty series
    // From ten values on: which statistic the distance is computed from and
    // its value in ms.
    GoverningStatistic governing = GoverningStatistic::None;
    std::optional<double> governingMs;
    // None under ten values, for a kind without a formula and where the
    // kind's input is no number.
    std::optional<double> distanceMm;
    std::optional<double> distanceInch;

    bool enoughValues() const { return governingMs.has_value(); }
};

SeriesResult computeSeriesResult(const std::vector<double> &stopTimes, const SafetyDevice &device);
