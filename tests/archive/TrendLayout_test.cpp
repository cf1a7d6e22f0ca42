// Geometry of the history window's trend chart.
#include "archive/TrendLayout.h"

#include <gtest/gtest.h>

namespace {

TrendPoint point(const char *date, double ms, std::optional<double> mm)
{
    return {0, QDateTime(QDate::fromString(QString::fromLatin1(date), Qt::ISODate), QTime(12, 0), Qt::UTC), ms, mm};
}

TEST(TrendScale, CoversTheValuesWithRoundSteps)
{
    struct Case
    {
        double lo, hi;
        int intervals;
        double scaleLo, scaleHi, step;
    };
    const Case cases[] = {
        {0.0, 1.0, 5, 0.0, 1.0, 0.2},
        {113.6, 135.2, 5, 110.0, 140.0, 10.0},
        {113.6, 135.2, 10, 110.0, 140.0, 5.0},
        {227.2, 270.4, 4, 220.0, 280.0, 20.0},
        {100.0, 100.0, 4, 90.0, 110.0, 5.0}, // one value: a band around it
        {0.0, 0.0, 4, -1.0, 1.0, 0.5},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(testing::Message() << c.lo << ".." << c.hi);
        const TrendScale s = trendScale(c.lo, c.hi, c.intervals);
        EXPECT_DOUBLE_EQ(s.lo, c.scaleLo);
        EXPECT_DOUBLE_EQ(s.hi, c.scaleHi);
        EXPECT_DOUBLE_EQ(s.step, c.step);
        EXPECT_LE(s.lo, c.lo);
        EXPECT_GE(s.hi, c.hi);
    }
}

TEST(TrendChartLayout, PlacesDatesInProportionAndValuesOnTheirOwnAxes)
{
    const QRectF plot(50, 10, 400, 200);
    const std::vector<TrendPoint> points = {point("2020-01-01", 100.0, 214.0), point("2021-01-01", 110.0, std::nullopt),
                                            point("2025-01-01", 150.0, 314.0)};
    const TrendChartLayout l = layoutTrendChart(points, plot, 60.0, QLocale::c());
    ASSERT_EQ(l.governing.size(), 3u);
    EXPECT_DOUBLE_EQ(l.governing[0].x(), 50.0);
    EXPECT_DOUBLE_EQ(l.governing[2].x(), 450.0);
    // 366 of 1827 days.
    EXPECT_NEAR(l.governing[1].x(), 50.0 + 400.0 * 366.0 / 1827.0, 1e-9);
    // A longer stop time lies higher, and every point inside the plot.
    EXPECT_GT(l.governing[0].y(), l.governing[1].y());
    EXPECT_GT(l.governing[1].y(), l.governing[2].y());
    for (const QPointF &p : l.governing)
        EXPECT_TRUE(plot.adjusted(-1e-9, -1e-9, 1e-9, 1e-9).contains(p));
    ASSERT_EQ(l.distance.size(), 3u);
    EXPECT_TRUE(l.distance[0]);
    EXPECT_FALSE(l.distance[1]);
    EXPECT_TRUE(l.distance[2]);
    // The axes' ends are their smallest and largest labels.
    EXPECT_DOUBLE_EQ(l.msTicks.front().position, plot.bottom());
    EXPECT_DOUBLE_EQ(l.msTicks.back().position, plot.top());
    EXPECT_LE(l.msTicks.front().label.toDouble(), 100.0);
    EXPECT_GE(l.msTicks.back().label.toDouble(), 150.0);
    EXPECT_LE(l.mmTicks.front().label.toDouble(), 214.0);
    EXPECT_GE(l.mmTicks.back().label.toDouble(), 314.0);
}

TEST(TrendChartLayout, NamesAsManyDatesAsFitAndAlwaysTheLatest)
{
    std::vector<TrendPoint> points;
    for (int day = 1; day <= 20; ++day)
        points.push_back(point(QDate(2025, 1, day).toString(Qt::ISODate).toLatin1().constData(), 100.0 + day, 200.0));
    points.push_back(point("2025-01-21", 130.0, 260.0));
    const TrendChartLayout l = layoutTrendChart(points, QRectF(0, 0, 400, 200), 100.0, QLocale::c());
    ASSERT_FALSE(l.dateTicks.empty());
    EXPECT_LE(l.dateTicks.size(), 5u);
    EXPECT_EQ(l.dateTicks.back().label, QStringLiteral("2025-01-21"));
    for (std::size_t i = 1; i < l.dateTicks.size(); ++i)
        EXPECT_GE(l.dateTicks[i].position - l.dateTicks[i - 1].position, 100.0 - 1e-9);
}

TEST(TrendChartLayout, OneMeasurementSitsInTheMiddleAndNoDistanceMeansNoRightAxis)
{
    const TrendChartLayout l = layoutTrendChart({point("2025-11-03", 120.0, std::nullopt)}, QRectF(0, 0, 300, 100));
    ASSERT_EQ(l.governing.size(), 1u);
    EXPECT_DOUBLE_EQ(l.governing[0].x(), 150.0);
    EXPECT_TRUE(l.mmTicks.empty());
    EXPECT_FALSE(l.msTicks.empty());
    EXPECT_TRUE(layoutTrendChart({}, QRectF(0, 0, 300, 100)).governing.empty());
}

} // namespace
