#include "chart/ChartLayout.h"

#include "QtPrinters.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <limits>
#include <vector>

namespace {

const QLocale kEnglish(QLocale::English, QLocale::UnitedStates);
const QLocale kGerman(QLocale::German, QLocale::Germany);

ChartFrame frame(QRectF plot = QRectF(100, 50, 400, 200))
{
    ChartFrame f;
    f.plot = plot;
    f.columnWidth = 1.0;
    f.xTickSpacing = 60;
    f.yTickSpacing = 30;
    f.labelHeight = 20;
    return f;
}

ChartLayout layout(const std::vector<double> &values, const ChartFrame &f = frame(),
                   std::optional<ChartLineKind> governing = std::nullopt, const QLocale &locale = kEnglish)
{
    ChartInput input;
    input.values = values;
    input.statistics = computeStatistics(values);
    input.governing = governing;
    return layoutChart(input, f, locale);
}

QStringList labels(const std::vector<ChartTick> &ticks)
{
    QStringList result;
    for (const ChartTick &t : ticks)
        result << t.label;
    return result;
}

} // namespace

TEST(NiceScale, StepsOfOneTwoFiveCoverTheRange)
{
    struct Case
    {
        double lo, hi;
        int maxIntervals;
        double niceLo, niceHi, step;
        int decimals;
    };
    const Case cases[] = {
        {0, 100, 5, 0, 100, 20, 0},
        {3, 97, 10, 0, 100, 10, 0},
        {0.12, 0.87, 4, 0, 1, 0.5, 1},
        {198.6, 201.4, 6, 198.5, 201.5, 0.5, 1},
        {-12, 37, 5, -20, 40, 20, 0},
        {1, 100000, 8, 0, 100000, 20000, 0},
        // 0.3 / 0.1 is 2.9999999999999996 in doubles: the ends must still
        // be the decimal values themselves, not a step off or a bit beside.
        {0.1, 0.3, 2, 0.1, 0.3, 0.1, 1},
        {0.0012, 0.0049, 4, 0.001, 0.005, 0.001, 3},
        {37, 12, 5, 10, 40, 10, 0}, // ends given the wrong way round
        {0, 1, 0, 0, 1, 1, 0},      // at least one interval
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(testing::Message() << c.lo << ".." << c.hi << " in " << c.maxIntervals);
        const NiceScale s = niceScale(c.lo, c.hi, c.maxIntervals);
        EXPECT_EQ(s.lo, c.niceLo);
        EXPECT_EQ(s.hi, c.niceHi);
        EXPECT_EQ(s.step, c.step);
        EXPECT_EQ(s.decimals, c.decimals);
        EXPECT_LE(std::lround((s.hi - s.lo) / s.step), std::max(1, c.maxIntervals));
    }
}

TEST(NiceScale, NoStepForRangesADoubleCannotSplit)
{
    const double inf = std::numeric_limits<double>::infinity();
    struct Case
    {
        double lo, hi;
    };
    const Case cases[] = {{5, 5}, {0, inf}, {-1e308, 1e308}, {std::nan(""), 1}};
    for (const Case &c : cases) {
        SCOPED_TRACE(testing::Message() << c.lo << ".." << c.hi);
        EXPECT_EQ(niceScale(c.lo, c.hi, 5).step, 0.0);
    }
}

TEST(ChartLayout, RangesTicksAndLabels)
{
    struct Case
    {
        const char *name;
        std::vector<double> values;
        QLocale locale;
        double yMin, yMax, xMax;
        QStringList yLabels;
        QStringList xLabels;
    };
    const Case cases[] = {
        {"empty series: an axis of 0 to 100 ms and ten runs", {}, kEnglish, 0, 100, 10,
         {"0", "20", "40", "60", "80", "100"}, {"2", "4", "6", "8", "10"}},
        // Mean 150, sigma 30: mean + 3 sigma (240) belongs on the chart too.
        {"range covers the values and mean + 3 sigma, rounded out to ticks", {120, 180, 150}, kEnglish, 100, 250,
         10, {"100", "150", "200", "250"}, {"2", "4", "6", "8", "10"}},
        {"thousands in the user's separators", {1000, 4000, 2500, 3000, 1500, 2000, 3500, 1200, 3900, 2100, 1800},
         kGerman, 0, 6000, 11, {"0", "1.000", "2.000", "3.000", "4.000", "5.000", "6.000"},
         {"2", "4", "6", "8", "10"}},
        {"decimal comma for a narrow series", {200.1, 200.4, 200.2}, kGerman, 200, 200.8, 10,
         {"200,0", "200,2", "200,4", "200,6", "200,8"}, {"2", "4", "6", "8", "10"}},
        {"equal values get a band around them", {200, 200, 200}, kEnglish, 190, 210, 10,
         {"190", "195", "200", "205", "210"}, {"2", "4", "6", "8", "10"}},
        {"non-negative times do not reach below zero", {0, 100, 50}, kEnglish, 0, 250, 10,
         {"0", "50", "100", "150", "200", "250"}, {"2", "4", "6", "8", "10"}},
        {"negative values imported as they are", {-50, 50}, kEnglish, -100, 300, 10,
         {"-100", "0", "100", "200", "300"}, {"2", "4", "6", "8", "10"}},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.name);
        const ChartLayout l = layout(c.values, frame(), std::nullopt, c.locale);
        EXPECT_DOUBLE_EQ(l.yMin, c.yMin);
        EXPECT_DOUBLE_EQ(l.yMax, c.yMax);
        EXPECT_EQ(l.xMin, 1.0);
        EXPECT_EQ(l.xMax, c.xMax);
        EXPECT_EQ(labels(l.yTicks), c.yLabels);
        EXPECT_EQ(labels(l.xTicks), c.xLabels);
        // Every value and every line lies inside the plot.
        for (const QPointF &p : l.trace)
            EXPECT_TRUE(l.plot.contains(p)) << p.x() << "," << p.y();
        for (const ChartLine &line : l.lines)
            EXPECT_TRUE(line.y >= l.plot.top() && line.y <= l.plot.bottom());
    }
}

TEST(ChartLayout, ManyRunsGetFewerWholeNumberTicks)
{
    std::vector<double> values(100000, 100.0);
    values[0] = 50.0;
    const ChartLayout l = layout(values);
    EXPECT_EQ(l.xMax, 100000.0);
    EXPECT_EQ(labels(l.xTicks), QStringList({"20,000", "40,000", "60,000", "80,000", "100,000"}));
    for (std::size_t i = 1; i < l.xTicks.size(); ++i)
        EXPECT_GE(l.xTicks[i].position - l.xTicks[i - 1].position, 60.0);
}

TEST(ChartLayout, ScalesRunsAndTimesIntoThePlot)
{
    const std::vector<double> values = {110, 190, 150};
    const ChartLayout l = layout(values);
    const QRectF plot(100, 50, 400, 200);
    EXPECT_EQ(l.plot, plot);
    EXPECT_DOUBLE_EQ(l.xOf(1), plot.left());
    EXPECT_DOUBLE_EQ(l.xOf(10), plot.right());
    EXPECT_DOUBLE_EQ(l.yOf(l.yMin), plot.bottom());
    EXPECT_DOUBLE_EQ(l.yOf(l.yMax), plot.top());
    EXPECT_DOUBLE_EQ(l.runAt(l.xOf(7.5)), 7.5);
    ASSERT_EQ(l.trace.size(), 3u);
    EXPECT_FALSE(l.decimated);
    for (std::size_t i = 0; i < values.size(); ++i)
        EXPECT_EQ(l.trace[i], l.pointOf(i, values[i]));
    // The larger time lies higher up, at the smaller y.
    EXPECT_LT(l.trace[1].y(), l.trace[2].y());
    EXPECT_LT(l.trace[2].y(), l.trace[0].y());
    // Ticks sit where their values are scaled to.
    for (const ChartTick &t : l.yTicks)
        EXPECT_DOUBLE_EQ(t.position, l.yOf(t.value));
    for (const ChartTick &t : l.xTicks)
        EXPECT_DOUBLE_EQ(t.position, l.xOf(t.value));
}

TEST(ChartLayout, DecimatesToMinimumAndMaximumPerColumn)
{
    struct Case
    {
        std::size_t n;
        double plotWidth;
        bool decimated;
    };
    const Case cases[] = {
        {400, 400, false}, {401, 400, true}, {100000, 400, true}, {100000, 333.5, true}, {25, 10, true},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(testing::Message() << c.n << " values in " << c.plotWidth << " columns");
        std::vector<double> values(c.n);
        for (std::size_t i = 0; i < c.n; ++i)
            values[i] = 100.0 + 20.0 * std::sin(double(i) * 0.01);
        // One short spike up and one down that a plain thinning would miss.
        values[c.n / 3] = 400.0;
        values[2 * c.n / 3] = 10.0;
        const ChartLayout l = layout(values, frame(QRectF(0, 0, c.plotWidth, 300)));
        EXPECT_EQ(l.decimated, c.decimated);
        const std::size_t columns = std::size_t(c.plotWidth);
        EXPECT_LE(l.trace.size(), c.decimated ? 2 * columns : c.n);
        double top = l.plot.bottom(), bottom = l.plot.top();
        for (const QPointF &p : l.trace) {
            EXPECT_GE(p.x(), l.plot.left());
            EXPECT_LE(p.x(), l.plot.right());
            top = std::min(top, p.y());
            bottom = std::max(bottom, p.y());
        }
        EXPECT_DOUBLE_EQ(top, l.yOf(400.0));
        EXPECT_DOUBLE_EQ(bottom, l.yOf(10.0));
        // Left to right: the polyline never runs backwards.
        EXPECT_TRUE(std::is_sorted(l.trace.begin(), l.trace.end(),
                                   [](const QPointF &a, const QPointF &b) { return a.x() < b.x(); }));
    }
}

TEST(ChartLayout, ColumnExtremesKeepTheirOrder)
{
    // Two columns of two runs each: first falling, then rising.  The
    // polyline must go down in the first column and up in the second, or
    // it would draw a crossing the values never made.
    const std::vector<double> values = {300, 100, 100, 300, 300, 100, 100, 300, 300, 100, 100, 300};
    const ChartLayout l = layout(values, frame(QRectF(0, 0, 6, 100)));
    ASSERT_TRUE(l.decimated);
    ASSERT_EQ(l.trace.size(), 12u);
    const double high = l.yOf(300), low = l.yOf(100);
    const double expected[] = {high, low, low, high, high, low, low, high, high, low, low, high};
    for (std::size_t i = 0; i < 12; ++i)
        EXPECT_DOUBLE_EQ(l.trace[i].y(), expected[i]) << i;
}

TEST(ChartLayout, StatisticLinesWithTheGoverningOneMarked)
{
    struct Case
    {
        const char *name;
        std::vector<double> values;
        std::optional<ChartLineKind> governing;
        QStringList texts; // mean, mean + 3 sigma, maximum
    };
    const Case cases[] = {
        {"under ten values nothing governs", {100, 110, 120}, std::nullopt, {"110 ms", "140 ms", "120 ms"}},
        {"an outlier: mean + 3 sigma governs",
         {100, 100, 100, 100, 100, 100, 100, 100, 100, 200},
         ChartLineKind::MeanPlus3Sigma,
         {"110 ms", "205 ms", "200 ms"}},
        {"equal values: the maximum governs", std::vector<double>(12, 1234.0), ChartLineKind::Maximum,
         {"1,234 ms", "1,234 ms", "1,234 ms"}},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.name);
        const ChartLayout l = layout(c.values, frame(), c.governing);
        ASSERT_EQ(l.lines.size(), 3u);
        const ChartLineKind kinds[] = {ChartLineKind::Mean, ChartLineKind::MeanPlus3Sigma, ChartLineKind::Maximum};
        const auto stats = computeStatistics(c.values);
        const double values[] = {stats->mean, stats->meanPlus3Sigma, stats->maximum};
        int governing = 0;
        for (int i = 0; i < 3; ++i) {
            EXPECT_EQ(l.lines[i].kind, kinds[i]);
            EXPECT_EQ(l.lines[i].value, values[i]);
            EXPECT_DOUBLE_EQ(l.lines[i].y, l.yOf(values[i]));
            EXPECT_EQ(l.lines[i].label, c.texts[i]);
            EXPECT_EQ(l.lines[i].governing, c.governing == kinds[i]);
            governing += l.lines[i].governing;
        }
        EXPECT_EQ(governing, c.governing ? 1 : 0);
    }
}

TEST(ChartLayout, LineLabelsDoNotOverlap)
{
    // Equal values put all three lines on one height; the labels must still
    // stand apart and inside the plot, also at its top and bottom.
    struct Case
    {
        const char *name;
        std::vector<double> values;
    };
    const Case cases[] = {
        {"all on one line", std::vector<double>(12, 500.0)},
        {"close lines near the top", {100, 100, 100, 100, 100, 100, 100, 100, 100, 200}},
        {"one value", {42}},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.name);
        const ChartLayout l = layout(c.values, frame(QRectF(0, 0, 300, 70)));
        std::vector<double> ys;
        for (const ChartLine &line : l.lines) {
            EXPECT_GE(line.labelY, l.plot.top() + 10 - 1e-9);
            EXPECT_LE(line.labelY, l.plot.bottom() - 10 + 1e-9);
            ys.push_back(line.labelY);
        }
        std::sort(ys.begin(), ys.end());
        for (std::size_t i = 1; i < ys.size(); ++i)
            EXPECT_GE(ys[i] - ys[i - 1], 20 - 1e-9);
    }
}

TEST(ChartLayout, TenthRunMarkFromTenValuesOn)
{
    struct Case
    {
        std::size_t n;
        bool marked;
    };
    const Case cases[] = {{0, false}, {9, false}, {10, true}, {25, true}, {100000, true}};
    for (const Case &c : cases) {
        SCOPED_TRACE(c.n);
        const ChartLayout l = layout(std::vector<double>(c.n, 100.0));
        ASSERT_EQ(l.tenthRunX.has_value(), c.marked);
        if (c.marked) {
            EXPECT_DOUBLE_EQ(*l.tenthRunX, l.xOf(10));
        }
    }
}

TEST(ChartLayout, ValuesThatAreNotNumbersAreLeftOut)
{
    const double inf = std::numeric_limits<double>::infinity();
    struct Case
    {
        const char *name;
        std::vector<double> values;
        std::size_t traced;
    };
    const Case cases[] = {
        {"NaN and infinity among values", {100, std::nan(""), inf, -inf, 200}, 2},
        {"extremes a double cannot span", {-1e308, 1e308}, 2},
        {"nothing but NaN", {std::nan(""), std::nan("")}, 0},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.name);
        const ChartLayout l = layout(c.values);
        EXPECT_EQ(l.trace.size(), c.traced);
        EXPECT_TRUE(std::isfinite(l.yMin) && std::isfinite(l.yMax));
        EXPECT_LT(l.yMin, l.yMax);
        for (const QPointF &p : l.trace)
            EXPECT_TRUE(std::isfinite(p.x()) && std::isfinite(p.y()));
        EXPECT_LE(l.yTicks.size(), 1001u);
    }
}

TEST(ChartHitTest, FindsTheNearestRunNearThePointer)
{
    const std::vector<double> values = {100, 200, 150, 150.5};
    const ChartLayout l = layout(values);
    const QPointF p1 = l.pointOf(1, 200);
    struct Case
    {
        const char *name;
        QPointF pos;
        std::optional<std::size_t> hit;
    };
    const Case cases[] = {
        {"on the point", p1, 1},
        {"a few pixels beside it", p1 + QPointF(3, -3), 1},
        {"just outside the radius", p1 + QPointF(0, 6.1), std::nullopt},
        {"between runs, near none", (l.pointOf(0, 100) + p1) / 2, std::nullopt},
        {"the nearer of two close values", l.pointOf(3, 150.5) + QPointF(0, -0.4), 3},
        {"first run at the left edge", l.pointOf(0, 100) + QPointF(-4, 0), 0},
        {"outside the plot", QPointF(0, 0), std::nullopt},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(hitTest(l, values, c.pos, 6.0), c.hit);
    }
    EXPECT_EQ(hitTest(l, {}, p1, 6.0), std::nullopt);
}

TEST(ChartHitTest, FindsTheSpikeAmongManyValues)
{
    std::vector<double> values(100000, 100.0);
    values[54321] = 900.0;
    const ChartLayout l = layout(values);
    const QPointF spike = l.pointOf(54321, 900.0);
    EXPECT_EQ(hitTest(l, values, spike + QPointF(0.5, 2), 5.0), std::optional<std::size_t>(54321));
}

TEST(ChartHitTest, PointLabelAsTheListShowsTheValue)
{
    struct Case
    {
        std::size_t index;
        double ms;
        QLocale locale;
        const char *text;
    };
    const Case cases[] = {
        {0, 212.44, kEnglish, "#1: 212.4 ms"},
        {2, 1234.56, kEnglish, "#3: 1,234.6 ms"},
        {2, 1234.56, kGerman, "#3: 1.234,6 ms"},
        {99999, 0.04, kEnglish, "#100000: 0.0 ms"},
    };
    for (const Case &c : cases)
        EXPECT_EQ(pointLabel(c.index, c.ms, c.locale), QString::fromUtf8(c.text));
}
