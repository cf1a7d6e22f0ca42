#pragma once

#include <cstddef>
#include <optional>
#include <vector>

// Statistics of a stop-time series in milliseconds.
struct SeriesStatistics
{
    std::size_t count = 0;
    double maximum = 0.0;
    double mean = 0.0;
    double sigma = 0.0;
    double meanPlus3Sigma = 0.0;

    // The stop time the safety distance is computed from: mean + 3 sigma
    // only when it is strictly greater than the maximum.
    bool meanPlus3SigmaGoverns() const { return meanPlus3Sigma > maximum; }
    double governing() const { return meanPlus3SigmaGoverns() ? meanPlus3Sigma : maximum; }
};

// Nothing is computed for an empty series.  The order of the operations is
// fixed (two-pass sum of squares, sample deviation, sigma added three times)
// so that every screen, report and tool shows the same last digit.
std::optional<SeriesStatistics> computeStatistics(const double *values, std::size_t n);

inline std::optional<SeriesStatistics> computeStatistics(const std::vector<double> &values)
{
    return computeStatistics(values.data(), values.size());
}

// ISO 13855 asks for at least ten measurements before a stop time is used
// for a safety distance.
inline constexpr std::size_t kMinimumValuesForDistance = 10;
