#pragma once

#include "safety/DistanceStandard.h"
#include "safety/SafetyDevice.h"
#include "series/DistanceChoice.h"
#include "series/Statistics.h"

#include <optional>
#include <vector>

// What a series of stop times comes to for one safety device: the
// statistics, the stop time the distance is computed from and the ISO 13855
// minimum distance by the chosen standard.  The main window, the report and zirk-cli all take
// their numbers from here, so they agree to the last digit.

enum class GoverningStatistic { None, Maximum, MeanPlus3Sigma };

struct SeriesResult
{
    std::optional<SeriesStatistics> statistics; // none for an empty series
    // From ten values on: which statistic the distance is computed from and
    // its value in ms.  None where that time is not finite.
    GoverningStatistic governing = GoverningStatistic::None;
    std::optional<double> governingMs;
    // None under ten values, for a kind without a formula, where the kind's
    // input is no number and where the distance is not finite.
    std::optional<double> distanceMm;
    std::optional<double> distanceInch;
    // From ten values on, the governing time or the distance came out
    // infinite or NaN: sums beyond the range of a double (1e308 and -1e308
    // in one series), a NaN or an infinity stored in a project file.  Such a
    // number is no result; a safety distance of "inf mm" must never be shown
    // or printed.
    bool notFinite = false;

    // The standard the distance is computed by (none for an unknown id) and
    // its whole calculation: the distance, every input with its origin, the
    // steps, warnings and the verdict against the installed distance.
    // distanceMm and distanceInch above are its numbers.
    const DistanceStandard *standard = &defaultDistanceStandard();
    DistanceResult distance;

    bool enoughValues() const { return statistics && statistics->count >= kMinimumValuesForDistance; }
};

// The greater of the maximum and mean + 3 sigma, whatever the count; none
// where either is not finite, since then which one governs cannot be told.
std::optional<double> finiteGoverningMs(const SeriesStatistics &stats);

SeriesResult computeSeriesResult(const std::vector<double> &stopTimes, const SafetyDevice &device,
                                 const DistanceChoice &choice = {});

// What the chosen standard computes from: the device's measures (none where
// the device holds "no number" or "not applicable"), the choice's entries and
// the governing time with the note of which statistic it is.
DistanceInputs distanceInputs(const SafetyDevice &device, const DistanceChoice &choice, double governingMs,
                              DistanceText stopTimeNote = {});

// "governing stop time: maximum of 12 values, not below mean + 3 standard
// deviations 123.456 ms", with numbers rendered where shown.
DistanceText governingNote(const SeriesStatistics &stats);
