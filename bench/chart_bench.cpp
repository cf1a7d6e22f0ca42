// The chart of the main window with 100,000 stop times: laying it out and
// drawing it into an 800 x 400 raster must fit in one frame (16 ms), or the
// window stutters with every value that arrives.

#include "chart/ChartLayout.h"
#include "chart/ChartPainter.h"

#include <QFont>
#include <QGuiApplication>
#include <QImage>
#include <QPainter>

#include <benchmark/benchmark.h>

#include <cmath>

namespace {

std::vector<double> stopTimes(int n)
{
    std::vector<double> v;
    v.reserve(size_t(n));
    for (int i = 0; i < n; ++i)
        v.push_back(150.0 + (i * 7919 % 1000) / 10.0 + 20.0 * std::sin(i * 0.001));
    return v;
}

// Text needs the font database, which needs an application object.
void ensureApplication()
{
    static int argc = 1;
    static char name[] = "zirk_bench";
    static char *argv[] = {name, nullptr};
    if (!QGuiApplication::instance()) {
        qputenv("QT_QPA_PLATFORM", "offscreen");
        new QGuiApplication(argc, argv);
    }
}

void BM_ChartLayoutAndDraw100kValues(benchmark::State &state)
{
    ensureApplication();
    const std::vector<double> values = stopTimes(int(state.range(0)));
    const std::optional<SeriesStatistics> stats = computeStatistics(values);
    QImage image(800, 400, QImage::Format_ARGB32_Premultiplied);
    const ChartTexts texts;
    const QLocale locale(QLocale::English, QLocale::UnitedStates);
    for (auto _ : state) {
        // The whole redraw: what the window does on a new value.
        ChartInput input;
        input.values = values;
        input.statistics = stats;
        input.governing = ChartLineKind::MeanPlus3Sigma;
        image.fill(Qt::white);
        QPainter painter(&image);
        const ChartFrame frame = chartFrame(QRectF(image.rect()), QFontMetricsF(painter.font()), texts);
        const ChartLayout layout = layoutChart(input, frame, locale);
        paintChart(painter, layout, texts, layout.pointOf(500, values[500]));
        painter.end();
        benchmark::DoNotOptimize(image.constBits());
    }
}
BENCHMARK(BM_ChartLayoutAndDraw100kValues)->Arg(25)->Arg(100000)->Unit(benchmark::kMillisecond);

} // namespace

namespace {
void BM_ChartLayoutOnly(benchmark::State &state)
{
    const std::vector<double> values = stopTimes(int(state.range(0)));
    ChartInput input;
    input.values = values;
    input.statistics = computeStatistics(values);
    ChartFrame frame;
    frame.plot = QRectF(60, 10, 640, 340);
    for (auto _ : state) {
        const ChartLayout layout = layoutChart(input, frame);
        benchmark::DoNotOptimize(layout.trace.data());
    }
}
BENCHMARK(BM_ChartLayoutOnly)->Arg(100000)->Unit(benchmark::kMillisecond);
} // namespace
