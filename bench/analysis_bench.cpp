// The protocol's analysis page for 100,000 stop times: statistics, chart
// layout, a few hundred strokes and the calculation.  Target: it adds less
// than 50 ms to the protocol.  Measured as the page alone in a writer and as
// the difference between the whole protocol with and without it.

#include "base/Seams.h"
#include "pdf/zPdf.h"
#include "report/AnalysisPage.h"
#include "report/Report.h"

#include <benchmark/benchmark.h>

#include <cmath>

namespace {

class FixedClock : public Clock
{
public:
    QDateTime now() const override { return QDateTime(QDate(2026, 12, 9), QTime(10, 30)); }
};

std::vector<double> stopTimes(int n)
{
    std::vector<double> v;
    v.reserve(size_t(n));
    for (int i = 0; i < n; ++i)
        v.push_back(150.0 + (i * 7919 % 1000) / 10.0 + 20.0 * std::sin(i * 0.0001));
    return v;
}

void BM_AnalysisPageAlone(benchmark::State &state)
{
    const ReportAnalysis analysis{stopTimes(int(state.range(0))), SafetyDevice::ofKind(KindVerticalLightCurtain, 14.0), {}};
    const QLocale locale(QLocale::English, QLocale::UnitedStates);
    const FixedClock clock;
    for (auto _ : state) {
        TzPdf pdf(&clock);
        pdf.StartCreating();
        writeAnalysisPage(pdf, analysis, QStringLiteral("Vertical Light Curtain"), QStringLiteral("d=14 mm"), locale);
        pdf.FinishCreating();
        benchmark::DoNotOptimize(pdf.data().constData());
    }
}
BENCHMARK(BM_AnalysisPageAlone)->Arg(25)->Arg(100000)->Unit(benchmark::kMillisecond);

void BM_Protocol100kValues(benchmark::State &state)
{
    const QLocale locale(QLocale::English, QLocale::UnitedStates);
    const std::vector<double> values = stopTimes(100000);
    ReportContent content;
    content.when = QDateTime(QDate(2026, 12, 9), QTime(10, 30));
    content.locale = locale;
    setReportSeries(content, values, locale);
    if (state.range(0))
        content.analysis = ReportAnalysis{values, SafetyDevice::ofKind(KindVerticalLightCurtain, 14.0), {}};
    const FixedClock clock;
    for (auto _ : state) {
        TzPdf pdf(&clock);
        composeReport(pdf, content);
        benchmark::DoNotOptimize(pdf.data().constData());
    }
    state.SetLabel(state.range(0) ? "with analysis page" : "without");
}
BENCHMARK(BM_Protocol100kValues)->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond);

} // namespace
