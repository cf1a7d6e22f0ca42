#include "chart/ChartPainter.h"

#include "base/NumberFormat.h"

#include <QPainter>
#include <QPainterPath>

#include <algorithm>
#include <cmath>

namespace {

const QColor kTraceColour(0x1f, 0x4e, 0x9a);
const QColor kGridColour(0xe4, 0xe4, 0xe4);
const QColor kAxisColour(0x60, 0x60, 0x60);
const QColor kMarkColour(0x8a, 0x8a, 0x8a);
const QColor kHighlightColour(0xd4, 0x1c, 0x1c);

QColor lineColour(ChartLineKind kind)
{
    switch (kind) {
    case ChartLineKind::Mean:
        return QColor(0x2e, 0x7d, 0x32);
    case ChartLineKind::MeanPlus3Sigma:
        return QColor(0xe0, 0x7b, 0x00);
    case ChartLineKind::Maximum:
        return QColor(0xc6, 0x28, 0x28);
    }
    return Qt::black;
}

// Dots only where neighbouring runs are at least this far apart.
constexpr double kLeastDotSpacing = 5.0;

} // namespace

QString chartLineName(const ChartTexts &texts, ChartLineKind kind)
{
    switch (kind) {
    case ChartLineKind::Mean:
        return texts.mean;
    case ChartLineKind::MeanPlus3Sigma:
        return texts.meanPlus3Sigma;
    case ChartLineKind::Maximum:
        return texts.maximum;
    }
    return {};
}

QString chartDescription(const ChartInput &input, const ChartTexts &texts, const QLocale &locale)
{
    if (input.values.empty() || !input.statistics)
        return QStringLiteral("No stop times");
    const SeriesStatistics &s = *input.statistics;
    const auto ms = [&locale](double value) {
        return std::isfinite(value) ? formatNumber(value, 1, 0, locale) + QStringLiteral(" ms") : kNoNumber;
    };
    QString text = s.count == 1 ? QStringLiteral("1 stop time") : QStringLiteral("%1 stop times").arg(s.count);
    text += QStringLiteral("; %1 %2, %3 %4").arg(texts.mean, ms(s.mean), texts.maximum, ms(s.maximum));
    if (input.governing) {
        const double governing = *input.governing == ChartLineKind::MeanPlus3Sigma ? s.meanPlus3Sigma : s.maximum;
        text += QStringLiteral("; governing: %1 %2").arg(chartLineName(texts, *input.governing), ms(governing));
    } else {
        text += QStringLiteral("; no governing value under ten stop times");
    }
    return text;
}

QRectF chartPlotArea(const QRectF &bounds, const QFontMetricsF &metrics, const ChartTexts &texts)
{
    const double line = metrics.height();
    const double left = metrics.horizontalAdvance(QStringLiteral("00,000.0")) + line / 2;
    // The governing line's label is bold: room for the widest name in bold.
    double right = 0.0;
    for (const QString &name : {texts.mean, texts.meanPlus3Sigma, texts.maximum})
        right = std::max(right, metrics.horizontalAdvance(name));
    right = std::max(right, metrics.horizontalAdvance(QStringLiteral("00,000 ms")));
    right = right * 1.15 + line / 2;
    return bounds.adjusted(left, 1.5 * line, -right, -2 * line - line / 2);
}

ChartFrame chartFrame(const QRectF &bounds, const QFontMetricsF &metrics, const ChartTexts &texts)
{
    ChartFrame frame;
    frame.plot = chartPlotArea(bounds, metrics, texts);
    frame.columnWidth = 1.0;
    frame.xTickSpacing = metrics.horizontalAdvance(QStringLiteral("000,000")) + metrics.height();
    frame.yTickSpacing = 2.5 * metrics.height();
    frame.labelHeight = 2 * metrics.height(); // name above value
    return frame;
}

void paintChart(QPainter &painter, const ChartLayout &layout, const ChartTexts &texts,
                std::optional<QPointF> highlight)
{
    const QRectF plot = layout.plot;
    if (!(plot.width() > 0.0 && plot.height() > 0.0))
        return;
    painter.save();
    const QFontMetricsF metrics(painter.font());
    const double line = metrics.height();

    // Grid and tick labels.
    painter.setRenderHint(QPainter::Antialiasing, false);
    painter.setPen(QPen(kGridColour, 0));
    for (const ChartTick &t : layout.yTicks)
        painter.drawLine(QPointF(plot.left(), t.position), QPointF(plot.right(), t.position));
    for (const ChartTick &t : layout.xTicks)
        painter.drawLine(QPointF(t.position, plot.top()), QPointF(t.position, plot.bottom()));
    painter.setPen(QPen(kAxisColour, 0));
    painter.drawRect(plot);
    for (const ChartTick &t : layout.yTicks) {
        const QRectF box(plot.left() - 200 - line / 4, t.position - line / 2, 200, line);
        painter.drawText(box, Qt::AlignRight | Qt::AlignVCenter, t.label);
    }
    for (const ChartTick &t : layout.xTicks) {
        const QRectF box(t.position - 100, plot.bottom() + line / 4, 200, line);
        painter.drawText(box, Qt::AlignHCenter | Qt::AlignTop, t.label);
    }
    painter.drawText(QRectF(plot.left(), plot.bottom() + line * 1.25, plot.width(), line),
                     Qt::AlignHCenter | Qt::AlignTop, texts.runAxis);
    painter.drawText(QRectF(plot.left(), plot.top() - 1.5 * line, plot.width(), line),
                     Qt::AlignLeft | Qt::AlignTop, texts.timeAxis);

    // The tenth run: the distance counts from here on.
    if (layout.tenthRunX) {
        painter.setPen(QPen(kMarkColour, 1, Qt::DotLine));
        painter.drawLine(QPointF(*layout.tenthRunX, plot.top()), QPointF(*layout.tenthRunX, plot.bottom()));
    }

    painter.setClipRect(plot.adjusted(-4, -4, 4, 4));
    // A decimated trace is a column of vertical strokes: a one-pixel
    // cosmetic pen draws it on the raster's fast line path, where a wider
    // pen would have the stroker outline a thousand overlapping joins.
    painter.setRenderHint(QPainter::Antialiasing, !layout.decimated);
    if (layout.decimated)
        painter.setPen(QPen(kTraceColour, 0));
    else
        painter.setPen(QPen(kTraceColour, 1.5, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
    if (layout.trace.size() == 1)
        painter.drawPoint(layout.trace.front());
    else if (!layout.trace.empty())
        painter.drawPolyline(layout.trace.data(), int(layout.trace.size()));
    if (!layout.decimated && layout.trace.size() > 0) {
        const double spacing = layout.count > 1 ? (layout.xOf(2) - layout.xOf(1)) : plot.width();
        if (spacing >= kLeastDotSpacing) {
            painter.setRenderHint(QPainter::Antialiasing, true);
            painter.setBrush(kTraceColour);
            painter.setPen(Qt::NoPen);
            const double r = std::min(3.0, spacing / 3);
            for (const QPointF &p : layout.trace)
                painter.drawEllipse(p, r, r);
        }
    }

    painter.setRenderHint(QPainter::Antialiasing, false);
    for (const ChartLine &l : layout.lines) {
        QPen pen(lineColour(l.kind), l.governing ? 2.5 : 1.0, l.governing ? Qt::SolidLine : Qt::DashLine);
        painter.setPen(pen);
        painter.drawLine(QPointF(plot.left(), l.y), QPointF(plot.right(), l.y));
    }

    if (highlight) {
        painter.setRenderHint(QPainter::Antialiasing, true);
        painter.setBrush(Qt::NoBrush);
        painter.setPen(QPen(kHighlightColour, 2));
        painter.drawEllipse(*highlight, 5.5, 5.5);
    }
    painter.setClipping(false);

    // Line labels in the right margin: the name, the value below it.
    for (const ChartLine &l : layout.lines) {
        QFont font = painter.font();
        font.setBold(l.governing);
        painter.setFont(font);
        painter.setPen(lineColour(l.kind));
        const QRectF box(plot.right() + line / 3, l.labelY - line, 400, 2 * line);
        painter.drawText(box, Qt::AlignLeft | Qt::AlignVCenter,
                         chartLineName(texts, l.kind) + QLatin1Char('\n') + l.label);
    }
    painter.restore();
}
