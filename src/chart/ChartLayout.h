#pragma once

#include "series/Statistics.h"

#include <QLocale>
#include <QPointF>
#include <QRectF>
#include <QString>

#include <cstddef>
#include <optional>
#include <span>
#include <vector>

// Where everything of the stop-time chart goes: the runs joined in order
// (x: run number, y: stop time in ms), the axes with their ticks, the mean,
// mean + 3 sigma and maximum lines and the mark at the tenth run, from which
// ISO 13855 lets the series give a safety distance.  Plain geometry in the
// caller's units (pixels for the window, millimetres for the protocol); the
// window's painter and the protocol's analysis page both draw from it, so
// that they show the same picture.
//
// Coordinates follow Qt: the frame's top is the smallest y, larger stop
// times lie higher up, that is at smaller y.

enum class ChartLineKind { Mean, MeanPlus3Sigma, Maximum };

struct ChartTick
{
    double value = 0.0;    // run number or ms
    double position = 0.0; // x of a run tick, y of a time tick
    QString label;         // in the user's number format
};

struct ChartLine
{
    ChartLineKind kind = ChartLineKind::Mean;
    double value = 0.0; // ms
    double y = 0.0;
    double labelY = 0.0;    // centre of its label, clear of the others
    bool governing = false; // the stop time the safety distance comes from
    QString label;          // "123 ms" as the indicators show it
};

// What the chart shows.  statistics and governing come from the series
// result, so the bold line is always the one the distance was computed from.
struct ChartInput
{
    std::span<const double> values;
    std::optional<SeriesStatistics> statistics;
    std::optional<ChartLineKind> governing; // none under ten values
};

struct ChartFrame
{
    QRectF plot;              // the plotting area inside the axes
    double columnWidth = 1.0; // one pixel column of the output
    double xTickSpacing = 60.0; // least room between two run ticks
    double yTickSpacing = 30.0; // least room between two time ticks
    double labelHeight = 12.0;  // height of a line's label
};

struct ChartLayout
{
    QRectF plot;
    // Run numbers at the left and right edge, ms at the bottom and top edge.
    double xMin = 1.0;
    double xMax = 10.0;
    double yMin = 0.0;
    double yMax = 1.0;

    std::vector<ChartTick> xTicks;
    std::vector<ChartTick> yTicks;
    std::vector<ChartLine> lines; // mean, mean + 3 sigma, maximum; none when empty
    std::optional<double> tenthRunX; // from ten values on

    // The polyline joining the runs in order.  More runs than pixel columns
    // are drawn per column as their minimum and maximum, in the order the
    // two occurred, which is what a line through every value would cover.
    std::vector<QPointF> trace;
    bool decimated = false;
    std::size_t count = 0;

    double xOf(double run) const;
    double yOf(double ms) const;
    // The point of value `index` (0-based; run index + 1).
    QPointF pointOf(std::size_t index, double ms) const { return {xOf(double(index + 1)), yOf(ms)}; }
    // Inverse of xOf.
    double runAt(double x) const;
};

ChartLayout layoutChart(const ChartInput &input, const ChartFrame &frame, const QLocale &locale = QLocale());

// A tick step of 1, 2 or 5 times a power of ten that splits [lo, hi] into at
// most maxIntervals intervals once both ends are moved out to whole steps.
struct NiceScale
{
    double lo = 0.0;
    double hi = 1.0;
    double step = 1.0;
    int decimals = 0; // digits after the separator that the labels need
};
NiceScale niceScale(double lo, double hi, int maxIntervals);

// The value nearest to pos (within radius, in frame units) among the runs
// drawn at pos's column, or nothing.  With many values per column the one
// nearest in height wins.
std::optional<std::size_t> hitTest(const ChartLayout &layout, std::span<const double> values, QPointF pos,
                                   double radius);

// "#n: x ms", the stop time as the list shows it.
QString pointLabel(std::size_t index, double ms, const QLocale &locale = QLocale());
