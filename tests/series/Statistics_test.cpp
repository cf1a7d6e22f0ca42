#include "series/Statistics.h"

#include <gtest/gtest.h>

#include <cmath>
#include <vector>

TEST(SeriesStatistics, EmptySeriesComputesNothing)
{
    EXPECT_FALSE(computeStatistics(std::vector<double>{}).has_value());
}

TEST(SeriesStatistics, KnownSeries)
{
    struct Case
    {
        const char *name;
        std::vector<double> values;
        double maximum, mean, sigma, meanPlus3Sigma;
        bool sigmaGoverns;
    };
    const double s10 = std::sqrt(9000.0 / 9.0);
    const Case cases[] = {
        {"one value", {50}, 50, 50, 0, 50, false},
        {"sample deviation divides by n-1", {100, 110, 120}, 120, 110, 10, 140, true},
        {"all equal: maximum governs", {7, 7, 7, 7}, 7, 7, 0, 7, false},
        {"outlier", {100, 100, 100, 100, 100, 100, 100, 100, 100, 200}, 200, 110, s10, 110 + 3 * s10, true},
        {"maximum is the first value", {9, 1, 2}, 9, 4, std::sqrt(19.0), 4 + 3 * std::sqrt(19.0), true},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.name);
        const auto s = computeStatistics(c.values);
        ASSERT_TRUE(s.has_value());
        EXPECT_EQ(s->count, c.values.size());
        EXPECT_DOUBLE_EQ(s->maximum, c.maximum);
        EXPECT_DOUBLE_EQ(s->mean, c.mean);
        EXPECT_NEAR(s->sigma, c.sigma, 1e-12);
        EXPECT_NEAR(s->meanPlus3Sigma, c.meanPlus3Sigma, 1e-9);
        EXPECT_EQ(s->meanPlus3SigmaGoverns(), c.sigmaGoverns);
        EXPECT_EQ(s->governing(), c.sigmaGoverns ? s->meanPlus3Sigma : s->maximum);
    }
}

TEST(SeriesStatistics, OrderOfOperationsIsFixed)
{
    // Two passes, extended sums, sigma added three times: every screen,
    // report and tool must see the same number the governing test saw.
    const std::vector<double> values = {0.1, 0.7, 0.3, 1e-3, 12.345678};
    const auto s = computeStatistics(values);
    ASSERT_TRUE(s);
    long double sum = 0;
    for (double v : values)
        sum += v;
    const long double mean = sum / 5;
    long double sq = 0;
    for (double v : values)
        sq += (v - mean) * (v - mean);
    const long double sigma = std::sqrt(sq / 4);
    EXPECT_EQ(s->mean, double(mean));
    EXPECT_EQ(s->sigma, double(sigma));
    EXPECT_EQ(s->meanPlus3Sigma, double(mean + sigma + sigma + sigma));
}

TEST(SeriesStatistics, EqualValuesHaveNoDeviationSoTheMaximumGoverns)
{
    // Counts the instrument can deliver (k x 0.8 us), repeated: in double
    // sums several of these gave a mean one ulp above the value.
    for (double value : {1165.6952, 0.1, 7.26, 14999.9992, 333.3336, 1e-3}) {
        for (std::size_t n : {2u, 3u, 10u, 14u, 49u, 1000u}) {
            SCOPED_TRACE(testing::Message() << value << " x " << n);
            const std::vector<double> values(n, value);
            const auto s = computeStatistics(values);
            ASSERT_TRUE(s);
            EXPECT_EQ(s->mean, value);
            EXPECT_EQ(s->sigma, 0.0);
            EXPECT_FALSE(s->meanPlus3SigmaGoverns());
            EXPECT_EQ(s->governing(), value);
        }
    }
}
