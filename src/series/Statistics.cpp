#include "series/Statistics.h"

#include <cmath>

std::optional<SeriesStatistics> computeStatistics(const double *values, std::size_t n)
{
    if (n == 0)
        return std::nullopt;

    SeriesStatistics s;
    s.count = n;

    s.maximum = values[0];
    double sum = 0.0;
    for (std::size_t i = 0; i < n; ++i) {
        if (values[i] > s.maximum)
            s.maximum = values[i];
        sum += values[i];
    }
    s.mean = sum / static_cast<double>(n);

    double squares = 0.0;
    for (std::size_t i = 0; i < n; ++i) {
        const double dev = values[i] - s.mean;
        squares += dev * dev;
    }
    const double divisor = n > 1 ? static_cast<double>(n - 1) : static_cast<double>(n);
    s.sigma = std::sqrt(squares / divisor);
    s.meanPlus3Sigma = s.mean + s.sigma + s.sigma + s.sigma;
    return s;
}
