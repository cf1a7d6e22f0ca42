#include "chart/ChartLayout.h"

#include "base/NumberFormat.h"

#include <algorithm>
#include <cmath>
#include <limits>

namespace {

// Tick indices are whole numbers of steps; beyond this the steps no longer
// fit a double exactly and the axis gets no ticks rather than wrong ones.
constexpr double kLargestTickIndex = 1e15;

double powerOfTen(int exponent)
{
    return std::pow(10.0, exponent);
}

// idx * mantissa * 10^exponent without the drift of a step like 0.1 added up.
double tickValue(long long index, int mantissa, int exponent)
{
    const double steps = double(index) * mantissa;
    return exponent < 0 ? steps / powerOfTen(-exponent) : steps * powerOfTen(exponent);
}

struct Extent
{
    double lo = std::numeric_limits<double>::infinity();
    double hi = -std::numeric_limits<double>::infinity();

    void add(double v)
    {
        if (!std::isfinite(v))
            return;
        lo = std::min(lo, v);
        hi = std::max(hi, v);
    }
    bool empty() const { return lo > hi; }
};

std::vector<ChartTick> ticks(const NiceScale &scale, double from, double to, const QLocale &locale,
                             double (ChartLayout::*position)(double) const, const ChartLayout &layout)
{
    std::vector<ChartTick> result;
    if (!(scale.step > 0.0) || !std::isfinite(scale.step))
        return result;
    const double first = std::ceil(from / scale.step - 1e-9);
    const double last = std::floor(to / scale.step + 1e-9);
    if (!(std::fabs(first) < kLargestTickIndex && std::fabs(last) < kLargestTickIndex) || last - first > 1000)
        return result;
    // Recover mantissa and exponent of the step for exact tick values.
    const int exponent = int(std::floor(std::log10(scale.step) + 1e-9));
    const int mantissa = int(std::lround(scale.step / powerOfTen(exponent)));
    for (long long i = (long long)first; i <= (long long)last; ++i) {
        const double v = tickValue(i, mantissa, exponent);
        result.push_back({v, (layout.*position)(v), formatNumber(v, scale.decimals, 0, locale)});
    }
    return result;
}

// Labels beside their lines, moved apart where lines lie closer than a
// label's height (mean + 3 sigma right above a maximum is common), and kept
// between the plot's top and bottom.
void placeLineLabels(std::vector<ChartLine> &lines, const QRectF &plot, double height)
{
    if (lines.empty() || !(height > 0.0))
        return;
    std::vector<ChartLine *> order;
    for (ChartLine &l : lines)
        order.push_back(&l);
    std::stable_sort(order.begin(), order.end(), [](const ChartLine *a, const ChartLine *b) { return a->y < b->y; });
    const double top = plot.top() + height / 2;
    const double bottom = plot.bottom() - height / 2;
    double previous = -std::numeric_limits<double>::infinity();
    for (ChartLine *l : order) {
        l->labelY = std::max({l->y, previous + height, top});
        previous = l->labelY;
    }
    double next = std::numeric_limits<double>::infinity();
    for (auto it = order.rbegin(); it != order.rend(); ++it) {
        (*it)->labelY = std::min({(*it)->labelY, next - height, bottom});
        next = (*it)->labelY;
    }
}

} // namespace

double ChartLayout::xOf(double run) const
{
    return plot.left() + (run - xMin) / (xMax - xMin) * plot.width();
}

double ChartLayout::yOf(double ms) const
{
    return plot.bottom() - (ms - yMin) / (yMax - yMin) * plot.height();
}

double ChartLayout::runAt(double x) const
{
    return xMin + (x - plot.left()) / plot.width() * (xMax - xMin);
}

NiceScale niceScale(double lo, double hi, int maxIntervals)
{
    maxIntervals = std::max(1, maxIntervals);
    if (lo > hi)
        std::swap(lo, hi);
    const double span = hi - lo;
    if (!std::isfinite(lo) || !std::isfinite(hi) || !std::isfinite(span) || span <= 0.0)
        return {lo, hi, 0.0, 0};

    int exponent = int(std::floor(std::log10(span / maxIntervals)));
    static const int mantissas[] = {1, 2, 5};
    // Each pass tries the next larger step; from span/maxIntervals rounded
    // down to a power of ten a handful of passes always reach one that fits.
    for (int pass = 0; pass < 12; ++pass, ++exponent) {
        for (const int m : mantissas) {
            const double step = m * powerOfTen(exponent);
            const double first = std::floor(lo / step + 1e-9);
            const double last = std::ceil(hi / step - 1e-9);
            if (!(std::fabs(first) < kLargestTickIndex && std::fabs(last) < kLargestTickIndex))
                return {lo, hi, 0.0, 0};
            if (last - first <= maxIntervals && last > first) {
                NiceScale scale;
                scale.step = exponent < 0 ? m / powerOfTen(-exponent) : step;
                scale.lo = tickValue((long long)first, m, exponent);
                scale.hi = tickValue((long long)last, m, exponent);
                scale.decimals = std::max(0, -exponent);
                return scale;
            }
        }
    }
    return {lo, hi, 0.0, 0};
}

ChartLayout layoutChart(const ChartInput &input, const ChartFrame &frame, const QLocale &locale)
{
    ChartLayout layout;
    layout.plot = frame.plot;
    layout.count = input.values.size();

    // Runs: 1 at the left edge; at least ten runs wide, so that the axis
    // does not jump with every one of the first values and the tenth run,
    // from which the distance counts, is always on it.
    layout.xMin = 1.0;
    layout.xMax = double(std::max<std::size_t>(layout.count, 10));

    Extent extent;
    for (const double v : input.values)
        extent.add(v);
    if (input.statistics) {
        extent.add(input.statistics->mean);
        extent.add(input.statistics->meanPlus3Sigma);
        extent.add(input.statistics->maximum);
    }
    double lo = 0.0;
    double hi = 100.0;
    if (!extent.empty()) {
        // Beyond this no span between two values fits a double; such values
        // (a damaged file) lie off the chart rather than break its scale.
        constexpr double kLargest = 1e307;
        lo = std::clamp(extent.lo, -kLargest, kLargest);
        hi = std::clamp(extent.hi, -kLargest, kLargest);
        const double span = hi - lo;
        const double magnitude = std::max(std::fabs(lo), std::fabs(hi));
        // Equal values get a band around them; a little room at both ends
        // keeps the extreme points and the lines off the frame.
        const double pad = span > magnitude * 1e-9 ? span * 0.05 : std::max(magnitude * 0.05, 1.0);
        const bool nonNegative = lo >= 0.0;
        lo -= pad;
        hi += pad;
        if (nonNegative && lo < 0.0)
            lo = 0.0;
    }
    const int yIntervals = int(std::clamp(frame.plot.height() / frame.yTickSpacing, 1.0, 1000.0));
    const NiceScale yScale = niceScale(lo, hi, yIntervals);
    layout.yMin = yScale.lo;
    layout.yMax = yScale.hi;
    if (!(layout.yMax > layout.yMin)) { // values too far apart for a double
        layout.yMin = lo;
        layout.yMax = hi > lo ? hi : lo + 1.0;
    }
    layout.yTicks = ticks(yScale, layout.yMin, layout.yMax, locale, &ChartLayout::yOf, layout);

    const int xIntervals = int(std::clamp(frame.plot.width() / frame.xTickSpacing, 1.0, 1000.0));
    NiceScale xScale = niceScale(layout.xMin, layout.xMax, xIntervals);
    if (xScale.step < 1.0) { // runs are whole numbers
        xScale.step = 1.0;
        xScale.decimals = 0;
    }
    layout.xTicks = ticks(xScale, layout.xMin, layout.xMax, locale, &ChartLayout::xOf, layout);

    if (input.statistics) {
        const struct
        {
            ChartLineKind kind;
            double value;
        } lines[] = {
            {ChartLineKind::Mean, input.statistics->mean},
            {ChartLineKind::MeanPlus3Sigma, input.statistics->meanPlus3Sigma},
            {ChartLineKind::Maximum, input.statistics->maximum},
        };
        for (const auto &l : lines) {
            if (!std::isfinite(l.value))
                continue;
            const double y = layout.yOf(l.value);
            layout.lines.push_back({l.kind, l.value, y, y, input.governing == l.kind,
                                    formatStatisticMs(l.value, locale).trimmed()});
        }
        placeLineLabels(layout.lines, frame.plot, frame.labelHeight);
    }
    if (layout.count >= kMinimumValuesForDistance)
        layout.tenthRunX = layout.xOf(double(kMinimumValuesForDistance));

    const double columnWidth = frame.columnWidth > 0.0 ? frame.columnWidth : 1.0;
    const std::size_t columns = std::size_t(std::max(1.0, std::floor(frame.plot.width() / columnWidth)));
    const std::span<const double> values = input.values;
    if (values.size() <= columns) {
        layout.trace.reserve(values.size());
        for (std::size_t i = 0; i < values.size(); ++i)
            if (std::isfinite(values[i]))
                layout.trace.push_back(layout.pointOf(i, values[i]));
        return layout;
    }

    layout.decimated = true;
    layout.trace.reserve(2 * columns);
    const double runsPerColumn = (layout.xMax - layout.xMin) / double(columns);
    std::size_t column = std::size_t(-1);
    double minimum = 0.0, maximum = 0.0;
    std::size_t minimumAt = 0, maximumAt = 0;
    bool open = false;
    auto flush = [&] {
        if (!open)
            return;
        const double x = frame.plot.left() + (double(column) + 0.5) * columnWidth;
        const double first = minimumAt <= maximumAt ? minimum : maximum;
        const double second = minimumAt <= maximumAt ? maximum : minimum;
        layout.trace.push_back({x, layout.yOf(first)});
        if (minimumAt != maximumAt)
            layout.trace.push_back({x, layout.yOf(second)});
    };
    for (std::size_t i = 0; i < values.size(); ++i) {
        const double v = values[i];
        if (!std::isfinite(v))
            continue;
        const std::size_t c = std::min(columns - 1, std::size_t(double(i) / runsPerColumn));
        if (!open || c != column) {
            flush();
            column = c;
            minimum = maximum = v;
            minimumAt = maximumAt = i;
            open = true;
            continue;
        }
        if (v < minimum) {
            minimum = v;
            minimumAt = i;
        } else if (v > maximum) {
            maximum = v;
            maximumAt = i;
        }
    }
    flush();
    return layout;
}

std::optional<std::size_t> hitTest(const ChartLayout &layout, std::span<const double> values, QPointF pos,
                                   double radius)
{
    if (values.empty() || !(radius > 0.0) || !layout.plot.adjusted(-radius, -radius, radius, radius).contains(pos))
        return std::nullopt;
    const double firstRun = std::ceil(layout.runAt(pos.x() - radius));
    const double lastRun = std::floor(layout.runAt(pos.x() + radius));
    if (lastRun < 1.0 || firstRun > double(values.size()))
        return std::nullopt;
    const std::size_t first = std::size_t(std::max(1.0, firstRun)) - 1;
    const std::size_t last = std::size_t(std::min(double(values.size()), lastRun)) - 1;
    std::optional<std::size_t> best;
    double bestDistance = radius * radius;
    for (std::size_t i = first; i <= last; ++i) {
        if (!std::isfinite(values[i]))
            continue;
        const QPointF p = layout.pointOf(i, values[i]);
        const double dx = p.x() - pos.x();
        const double dy = p.y() - pos.y();
        const double d = dx * dx + dy * dy;
        // The first of equally near values wins, as the list reads.
        if (d < bestDistance || (!best && d <= bestDistance)) {
            best = i;
            bestDistance = d;
        }
    }
    return best;
}

QString pointLabel(std::size_t index, double ms, const QLocale &locale)
{
    return QStringLiteral("#%1: %2 ms").arg(index + 1).arg(formatListValue(ms, locale).trimmed());
}
