#pragma once

#include "Trend.h"

#include <QLocale>
#include <QPointF>
#include <QRectF>
#include <QString>

#include <optional>
#include <vector>

// Where the trend chart of the history window puts everything: the dates
// of the measurements along x (in proportion to the time between them), the
// governing stop time on the left axis and the safety distance on the right
// axis, each from a rounded value below its smallest to one above its
// largest.  Plain geometry in the caller's units; the window paints it.

struct TrendTick
{
    double position = 0.0; // x of a date, y of a value
    QString label;
};

struct TrendChartLayout
{
    QRectF plot;
    std::vector<QPointF> governing;              // one per point, in order
    std::vector<std::optional<QPointF>> distance; // none where there is no distance
    std::vector<TrendTick> dateTicks;            // at measurements, as many as fit
    std::vector<TrendTick> msTicks;              // left axis
    std::vector<TrendTick> mmTicks;              // right axis; none without distances
};

// minLabelSpacing: the least room between two date labels.
TrendChartLayout layoutTrendChart(const std::vector<TrendPoint> &points, const QRectF &plot,
                                  double minLabelSpacing = 80.0, const QLocale &locale = QLocale());

// Ticks of 1, 2 or 5 times a power of ten covering [lo, hi] with at most
// maxIntervals intervals; lo and hi move out to whole steps.
struct TrendScale
{
    double lo = 0.0;
    double hi = 1.0;
    double step = 1.0;
};
TrendScale trendScale(double lo, double hi, int maxIntervals);
