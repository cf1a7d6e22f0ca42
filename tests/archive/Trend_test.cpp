// The trend of a machine's governing stop time.
#include "archive/Trend.h"

#include <gtest/gtest.h>

namespace {

std::vector<ArchiveEntry> history(std::initializer_list<std::optional<double>> governing)
{
    std::vector<ArchiveEntry> entries;
    QDateTime when(QDate(2020, 1, 1), QTime(8, 0), Qt::UTC);
    qint64 id = 0;
    for (const std::optional<double> &g : governing) {
        ArchiveEntry e;
        e.id = ++id;
        e.measuredAt = when;
        e.count = 10;
        e.governingMs = g;
        e.distanceMm = g ? std::optional<double>(*g * 2.0) : std::nullopt;
        entries.push_back(e);
        when = when.addYears(1);
    }
    return entries;
}

TEST(MachineTrend, ComparesTheLatestGoverningTimeWithTheOneBefore)
{
    struct Case
    {
        const char *name;
        std::vector<ArchiveEntry> entries;
        double threshold;
        std::size_t points;
        std::optional<double> change;
        bool warning;
    };
    const Case cases[] = {
        {"nothing yet", history({}), 10.0, 0, std::nullopt, false},
        {"one measurement", history({100.0}), 10.0, 1, std::nullopt, false},
        {"grew by 14 %", history({100.0, 114.0}), 10.0, 2, 14.000000000000002, true},
        {"exactly at the threshold", history({100.0, 110.0}), 10.0, 2, 10.0, false},
        {"at the threshold but for rounding", history({100.0, 114.0}), 14.0, 2, 14.000000000000002, false},
        {"just above", history({100.0, 110.001}), 10.0, 2, (110.001 - 100.0) / 100.0 * 100.0, true},
        {"just below", history({200.0, 219.0}), 10.0, 2, 9.5, false},
        {"a higher threshold", history({100.0, 114.0}), 20.0, 2, 14.000000000000002, false},
        {"stops faster", history({120.0, 100.0}), 10.0, 2, -16.666666666666664, false},
        {"the last two and the first count", history({100.0, 104.0, 105.0}), 10.0, 3, (105.0 - 104.0) / 104.0 * 100.0,
         false},
        // Series under ten values have no governing time and no place here.
        {"a short series in between", history({100.0, 120.0, std::nullopt}), 10.0, 2, 20.0, true},
        {"short series only", history({std::nullopt, std::nullopt}), 10.0, 0, std::nullopt, false},
        // A governing time of 0 ms is no comparison, and no warning: not
        // "none" in one place and "grew" in another.
        {"from standstill", history({0.0, 5.0}), 10.0, 2, std::nullopt, false},
        {"standstill twice", history({0.0, 0.0}), 10.0, 2, std::nullopt, false},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.name);
        const MachineTrend trend = machineTrend(c.entries, c.threshold);
        EXPECT_EQ(trend.points.size(), c.points);
        EXPECT_EQ(trend.changePercent, c.change);
        EXPECT_EQ(trend.warning, c.warning);
    }
}

// A brake that gets 4 % slower every month never grows 10 % in one step,
// but it does against the baseline.
TEST(MachineTrend, WarnsAgainstTheBaselineToo)
{
    struct Case
    {
        const char *name;
        std::vector<ArchiveEntry> entries;
        std::optional<qint64> marked;
        std::optional<std::size_t> baseline;
        std::optional<double> change;
        std::optional<double> changeVsBaseline;
        bool warningVsPrevious;
        bool warningVsBaseline;
    };
    const double creep = 100.0 * 1.04 * 1.04 * 1.04;
    const Case cases[] = {
        {"slow creep", history({100.0, 104.0, 108.16, creep}), std::nullopt, 0, creep / 108.16 * 100.0 - 100.0,
         creep - 100.0, false, true},
        {"one step", history({100.0, 120.0}), std::nullopt, 0, 20.0, 20.0, true, true},
        {"marked after a repair", history({150.0, 100.0, 104.0, creep}), 2, 1, creep / 104.0 * 100.0 - 100.0,
         creep - 100.0, false, true},
        {"marked the latest", history({100.0, 120.0}), 2, 1, 20.0, std::nullopt, true, false},
        {"marked one without a governing time", history({100.0, std::nullopt, 115.0}), 2, 0, 15.0, 15.0, true, true},
        {"a baseline of 0 ms", history({0.0, 100.0, 105.0}), std::nullopt, 0, 5.0, std::nullopt, false, false},
        {"a marked baseline below 0 ms", history({-1.0, 100.0, 105.0}), 1, 0, 5.0, std::nullopt, false, false},
        {"one point", history({100.0}), std::nullopt, 0, std::nullopt, std::nullopt, false, false},
        {"none", history({}), std::nullopt, std::nullopt, std::nullopt, std::nullopt, false, false},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.name);
        const MachineTrend trend = machineTrend(c.entries, 10.0, c.marked);
        EXPECT_EQ(trend.baseline, c.baseline);
        ASSERT_EQ(trend.changePercent.has_value(), c.change.has_value());
        if (c.change) {
            EXPECT_NEAR(*trend.changePercent, *c.change, 1e-9);
        }
        ASSERT_EQ(trend.changeVsBaselinePercent.has_value(), c.changeVsBaseline.has_value());
        if (c.changeVsBaseline) {
            EXPECT_NEAR(*trend.changeVsBaselinePercent, *c.changeVsBaseline, 1e-9);
        }
        EXPECT_EQ(trend.warningVsPrevious, c.warningVsPrevious);
        EXPECT_EQ(trend.warningVsBaseline, c.warningVsBaseline);
        EXPECT_EQ(trend.warning, c.warningVsPrevious || c.warningVsBaseline);
    }
}

TEST(MachineTrend, PointsKeepDatesAndDistances)
{
    const MachineTrend trend = machineTrend(history({100.0, std::nullopt, 110.0}), 10.0);
    ASSERT_EQ(trend.points.size(), 2u);
    EXPECT_EQ(trend.points[1].id, 3);
    EXPECT_EQ(trend.points[1].measuredAt, QDateTime(QDate(2022, 1, 1), QTime(8, 0), Qt::UTC));
    EXPECT_EQ(trend.points[1].distanceMm, 220.0);
}

TEST(MachineTrend, ThresholdSettingFallsBackToTenPercent)
{
    struct Case
    {
        const char *text;
        double percent;
    };
    const Case cases[] = {{"15", 15.0}, {" 7.5 ", 7.5}, {"0", 0.0}, {"", 10.0}, {"-5", 10.0}, {"ten", 10.0}, {"inf", 10.0}};
    for (const Case &c : cases)
        EXPECT_EQ(trendThresholdFromSetting(QString::fromUtf8(c.text)), c.percent) << c.text;
}

} // namespace
