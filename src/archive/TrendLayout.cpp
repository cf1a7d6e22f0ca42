#include "TrendLayout.h"

#include <algorithm>
#include <cmath>

TrendScale trendScale(double lo, double hi, int maxIntervals)
{
    if (!(hi > lo)) {
        // One value, or all alike: a band around it.
        const double pad = std::max(std::abs(lo) * 0.1, 1.0);
        lo -= pad;
        hi += pad;
    }
    maxIntervals = std::max(maxIntervals, 1);
    const double raw = (hi - lo) / maxIntervals;
    const double power = std::pow(10.0, std::floor(std::log10(raw)));
    double step = power;
    for (const double factor : {1.0, 2.0, 5.0, 10.0}) {
        step = factor * power;
        if (std::ceil(hi / step) - std::floor(lo / step) <= maxIntervals)
            break;
    }
    return {std::floor(lo / step) * step, std::ceil(hi / step) * step, step};
}

namespace {

std::vector<TrendTick> valueTicks(const TrendScale &scale, const QRectF &plot, const QLocale &locale)
{
    std::vector<TrendTick> ticks;
    const int decimals = std::max(0, -int(std::floor(std::log10(scale.step) + 1e-9)));
    const int n = int(std::llround((scale.hi - scale.lo) / scale.step));
    for (int i = 0; i <= n; ++i) {
        const double value = scale.lo + i * scale.step;
        const double y = plot.bottom() - (value - scale.lo) / (scale.hi - scale.lo) * plot.height();
        ticks.push_back({y, locale.toString(value, 'f', decimals)});
    }
    return ticks;
}

} // namespace

TrendChartLayout layoutTrendChart(const std::vector<TrendPoint> &points, const QRectF &plot,
                                  double minLabelSpacing, const QLocale &locale)
{
    TrendChartLayout layout;
    layout.plot = plot;
    if (points.empty())
        return layout;

    const qint64 first = points.front().measuredAt.toSecsSinceEpoch();
    const qint64 last = points.back().measuredAt.toSecsSinceEpoch();
    auto xOf = [&](const TrendPoint &p) {
        if (last <= first)
            return plot.center().x();
        return plot.left() + double(p.measuredAt.toSecsSinceEpoch() - first) / double(last - first) * plot.width();
    };

    double msLo = points.front().governingMs;
    double msHi = msLo;
    std::optional<double> mmLo;
    std::optional<double> mmHi;
    for (const TrendPoint &p : points) {
        msLo = std::min(msLo, p.governingMs);
        msHi = std::max(msHi, p.governingMs);
        if (p.distanceMm) {
            mmLo = std::min(mmLo.value_or(*p.distanceMm), *p.distanceMm);
            mmHi = std::max(mmHi.value_or(*p.distanceMm), *p.distanceMm);
        }
    }
    const int intervals = std::max(2, int(plot.height() / 40.0));
    const TrendScale ms = trendScale(msLo, msHi, intervals);
    layout.msTicks = valueTicks(ms, plot, locale);
    std::optional<TrendScale> mm;
    if (mmLo) {
        mm = trendScale(*mmLo, *mmHi, intervals);
        layout.mmTicks = valueTicks(*mm, plot, locale);
    }
    auto yOf = [&plot](const TrendScale &scale, double value) {
        return plot.bottom() - (value - scale.lo) / (scale.hi - scale.lo) * plot.height();
    };

    double lastLabel = -1e300;
    for (std::size_t i = 0; i < points.size(); ++i) {
        const TrendPoint &p = points[i];
        const double x = xOf(p);
        layout.governing.emplace_back(x, yOf(ms, p.governingMs));
        layout.distance.push_back(p.distanceMm && mm ? std::optional<QPointF>(QPointF(x, yOf(*mm, *p.distanceMm)))
                                                     : std::nullopt);
        // The latest measurement is always named: it is the one the warning
        // is about.
        const bool latest = i + 1 == points.size();
        if (x - lastLabel >= minLabelSpacing || latest) {
            if (latest && !layout.dateTicks.empty() && x - lastLabel < minLabelSpacing)
                layout.dateTicks.pop_back();
            layout.dateTicks.push_back({x, p.measuredAt.toLocalTime().date().toString(Qt::ISODate)});
            lastLabel = x;
        }
    }
    return layout;
}
