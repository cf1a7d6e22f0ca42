#pragma once

#include "chart/ChartLayout.h"

#include <QFontMetricsF>
#include <QPointF>
#include <QRectF>
#include <QString>

#include <optional>

class QPainter;

// The names the chart writes beside its lines and axes; the window takes
// them from its language texts.
struct ChartTexts
{
    QString mean = QStringLiteral("Mean");
    QString meanPlus3Sigma = QStringLiteral("Mean + 3 SD");
    QString maximum = QStringLiteral("Maximum");
    QString runAxis = QStringLiteral("Run");
    QString timeAxis = QStringLiteral("ms");
};

QString chartLineName(const ChartTexts &texts, ChartLineKind kind);

// What a screen reader says of the chart: its name, and the series in words
// (count, mean, maximum, the governing value) in the user's number format,
// e.g. "12 stop times; Mean 186.8 ms, Maximum 193.6 ms; governing: Mean +
// 3 SD 205.0 ms".
inline const QString kChartAccessibleName = QStringLiteral("Stop time chart");
QString chartDescription(const ChartInput &input, const ChartTexts &texts, const QLocale &locale);

// The plotting area inside bounds, with room for the time labels on the
// left, the run labels below and the line labels on the right.
QRectF chartPlotArea(const QRectF &bounds, const QFontMetricsF &metrics, const ChartTexts &texts);

// The frame of a chart drawn in bounds on a raster (pixels), with the tick
// spacing and label height of the painter's font.
ChartFrame chartFrame(const QRectF &bounds, const QFontMetricsF &metrics, const ChartTexts &texts);

// Draws the chart: grid and ticks, the runs joined in order (a dot on each
// where there is room), the three lines with the governing one bold, the
// tenth-run mark and, when given, a ring around the highlighted point.
void paintChart(QPainter &painter, const ChartLayout &layout, const ChartTexts &texts,
                std::optional<QPointF> highlight = std::nullopt);
