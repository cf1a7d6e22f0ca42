#include "series/Statistics.h"

#include <cmath>

// The sums run in extended precision.  In plain double precision the mean of
// equal values can come out one unit in the last place above them, which
// gives a sigma of 1e-13 ms and lets mean + 3 sigma "govern" over a maximum
// it equals; with the wider accumulator equal values give sigma 0 and the
// maximum governs, as it must.
std::optional<SeriesStatistics> computeStatistics(const double *values, std::size_t n)
{
    if (n == 0)
        return std::nullopt;

    SeriesStatistics s;
    s.count = n;

    s.maximum = values[0];
    long double sum = 0.0L;
    for (std::size_t i = 0; i < n; ++i) {
        if (values[i] > s.maximum)
            s.maximum = values[i];
        sum += values[i];
    }
    const long double mean = sum / static_cast<long double>(n);

    long double squares = 0.0L;
    for (std::size_t i = 0; i < n; ++i) {
        const long double dev = values[i] - mean;
        squares += dev * dev;
    }
    const long double divisor = n > 1 ? static_cast<long double>(n - 1) : static_cast<long double>(n);
    const long double sigma = std::sqrt(squares / divisor);
    s.mean = static_cast<double>(mean);
    s.sigma = static_cast<double>(sigma);
    s.meanPlus3Sigma = static_cast<double>(mean + sigma + sigma + sigma);
    return s;
}
