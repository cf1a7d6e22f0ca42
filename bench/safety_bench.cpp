// The safety distance with its written-out steps, per standard: target under
// 5 us a call, since the main window recomputes it on every value.  And the
// light-curtain table (2,500 distances), which runs the same arithmetic
// without steps: target under 5 ms.

#include "safety/DistanceStandard.h"
#include "safety/SafetyDevice.h"
#include "safety/VlcTable.h"

#include <benchmark/benchmark.h>

namespace {

DistanceInputs inputs(int kind)
{
    DistanceInputs in;
    in.kind = kind;
    in.governingMs = 204.8683298050514;
    in.stopTimeNote = DistanceText(QStringLiteral("governing stop time: mean + 3 standard deviations"));
    in.d = 30;
    in.H = 300;
    in.C = 250;
    in.h = 0;
    in.trMs = 10;
    in.brakeMonitorMs = 250;
    in.ddsMm = 128;
    in.zMm = 5;
    in.installedMm = 600;
    return in;
}

// Argument: the standard's index in the registry; every kind in turn.
void BM_DistanceWithSteps(benchmark::State &state)
{
    const DistanceStandard &standard = *distanceStandards()[size_t(state.range(0))];
    state.SetLabel(standard.name().toStdString());
    std::vector<DistanceInputs> all;
    for (int kind = 0; kind < SafetyDeviceKindCount; ++kind)
        all.push_back(inputs(kind));
    size_t i = 0;
    for (auto _ : state) {
        DistanceResult r = standard.calculate(all[i]);
        benchmark::DoNotOptimize(r);
        i = (i + 1) % all.size();
    }
}
BENCHMARK(BM_DistanceWithSteps)->DenseRange(0, 3);

// The same, with every step rendered as text in the user's format, as the
// protocol's analysis page prints it.
void BM_DistanceWithStepsRendered(benchmark::State &state)
{
    const DistanceStandard &standard = *distanceStandards()[size_t(state.range(0))];
    state.SetLabel(standard.name().toStdString());
    const QLocale locale(QLocale::English, QLocale::UnitedStates);
    std::vector<DistanceInputs> all;
    for (int kind = 0; kind < SafetyDeviceKindCount; ++kind)
        all.push_back(inputs(kind));
    size_t i = 0;
    for (auto _ : state) {
        const DistanceResult r = standard.calculate(all[i]);
        QString text = r.formula.render(locale);
        for (const DistanceValue &v : r.values)
            text += v.renderValue(locale) + v.note.render(locale);
        for (const DistanceText &line : r.lines)
            text += line.render(locale);
        benchmark::DoNotOptimize(text);
        i = (i + 1) % all.size();
    }
}
BENCHMARK(BM_DistanceWithStepsRendered)->DenseRange(0, 3);

void BM_DistanceAlone(benchmark::State &state)
{
    double T = 0.2;
    for (auto _ : state) {
        double S = safetyDistance(KindVerticalLightCurtain, T, 14.0);
        benchmark::DoNotOptimize(S);
        T += 1e-9;
    }
}
BENCHMARK(BM_DistanceAlone);

void BM_VlcTable(benchmark::State &state)
{
    const QLocale locale(QLocale::German, QLocale::Germany);
    for (auto _ : state) {
        QByteArray table = buildVlcTable(locale);
        benchmark::DoNotOptimize(table);
    }
    state.counters["distances"] = kVlcTableRowCount * 5;
}
BENCHMARK(BM_VlcTable)->Unit(benchmark::kMillisecond);

} // namespace
