#include "chart/ChartPainter.h"

#include <QImage>
#include <QPainter>

#include <gtest/gtest.h>

namespace {

const QColor kMaximumColour(0xc6, 0x28, 0x28);

struct Drawn
{
    QImage image;
    ChartLayout layout;
};

Drawn draw(const std::vector<double> &values, std::optional<ChartLineKind> governing,
           std::optional<std::size_t> highlighted = std::nullopt)
{
    Drawn d{QImage(600, 300, QImage::Format_RGB32), {}};
    d.image.fill(Qt::white);
    QPainter painter(&d.image);
    const ChartTexts texts;
    ChartInput input;
    input.values = values;
    input.statistics = computeStatistics(values);
    input.governing = governing;
    d.layout = layoutChart(input, chartFrame(QRectF(d.image.rect()), QFontMetricsF(painter.font()), texts));
    std::optional<QPointF> ring;
    if (highlighted)
        ring = d.layout.pointOf(*highlighted, values[*highlighted]);
    paintChart(painter, d.layout, texts, ring);
    return d;
}

// Pixels of one colour in the rows around y across the plot.
int pixelsNear(const QImage &image, const QRectF &plot, double y, QColor colour)
{
    int n = 0;
    for (int row = int(y) - 3; row <= int(y) + 3; ++row)
        for (int x = int(plot.left()) + 1; x < int(plot.right()); ++x)
            n += image.pixelColor(x, row) == colour;
    return n;
}

} // namespace

TEST(ChartPainter, GoverningLineIsDrawnBold)
{
    // The maximum governs with equal values; the same series without a
    // governing line (under ten values it would have none) draws it thin.
    std::vector<double> values(12, 200.0);
    values[5] = 260.0;
    values[6] = 140.0; // keeps mean + 3 sigma above the maximum: it governs
    const Drawn thin = draw(values, ChartLineKind::MeanPlus3Sigma);
    const Drawn bold = draw(values, ChartLineKind::Maximum);
    const double y = bold.layout.lines[2].y;
    const int thinPixels = pixelsNear(thin.image, thin.layout.plot, y, kMaximumColour);
    const int boldPixels = pixelsNear(bold.image, bold.layout.plot, y, kMaximumColour);
    EXPECT_GT(thinPixels, 0);
    EXPECT_GT(boldPixels, 2 * thinPixels);
}

TEST(ChartPainter, HighlightRingsTheSelectedRun)
{
    const std::vector<double> values = {100, 180, 120, 150, 110};
    const Drawn plain = draw(values, std::nullopt);
    const Drawn ringed = draw(values, std::nullopt, 2);
    const QPointF p = ringed.layout.pointOf(2, 120);
    // Red appears on the ring, 5.5 pixels around the point, and only there.
    int changed = 0, farAway = 0;
    for (int y = 0; y < plain.image.height(); ++y)
        for (int x = 0; x < plain.image.width(); ++x) {
            if (plain.image.pixel(x, y) == ringed.image.pixel(x, y))
                continue;
            ++changed;
            farAway += QLineF(p, QPointF(x + 0.5, y + 0.5)).length() > 9.0;
        }
    EXPECT_GT(changed, 20);
    EXPECT_EQ(farAway, 0);
}
