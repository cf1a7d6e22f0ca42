// The measurement protocol at its largest: 100,000 stop times (about 1,900
// pages of values) and four picture slots.  Target: written to disk in under
// one second.  The series texts (what the list shows) are measured apart,
// as the window and a tool make them before writing.

#include "base/Seams.h"
#include "report/Report.h"

#include <QDir>
#include <QFile>
#include <QImage>
#include <QTemporaryDir>

#include <benchmark/benchmark.h>

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
        v.push_back(150.0 + (i * 7919 % 1000) / 10.0);
    return v;
}

ReportContent largestReport()
{
    const QLocale locale(QLocale::English, QLocale::UnitedStates);
    ReportContent c;
    c.when = QDateTime(QDate(2026, 12, 9), QTime(10, 30));
    c.companyName = QStringLiteral("Měřicí technika s.r.o.");
    c.userName = QStringLiteral("Jana Nováková");
    c.machineId = QStringLiteral("Hydraulic press P-07");
    c.note = QStringLiteral("Front guard");
    c.safetyDevice = QStringLiteral("Vertical Light Curtain");
    c.deviceParams = QStringLiteral("d=14 mm");
    c.serialNumber = QStringLiteral("ZK-00417");
    c.locale = locale;
    setReportSeries(c, stopTimes(100000), locale);
    c.safetyDistanceMm = 512.0;
    for (int s = 0; s < 4; ++s) {
        QImage picture(640, 480, QImage::Format_RGB888);
        picture.fill(QColor(40 * s, 120, 200));
        c.pictures[size_t(s)] = {true, QStringLiteral("Image %1").arg(s + 1), picture};
    }
    return c;
}

void BM_Report100kValuesFourPictures(benchmark::State &state)
{
    const ReportContent content = largestReport();
    QTemporaryDir dir;
    const QString file = dir.filePath(QStringLiteral("report.pdf"));
    const FixedClock clock;
    for (auto _ : state)
        writeReport(content, file, &clock);
    state.counters["file_bytes"] = double(QFile(file).size());
}
BENCHMARK(BM_Report100kValuesFourPictures)->Unit(benchmark::kMillisecond)->MinTime(3.0);

void BM_ReportSeriesTexts100k(benchmark::State &state)
{
    const std::vector<double> values = stopTimes(100000);
    const QLocale locale(QLocale::English, QLocale::UnitedStates);
    for (auto _ : state) {
        ReportContent c;
        setReportSeries(c, values, locale);
        benchmark::DoNotOptimize(c.values.size());
    }
}
BENCHMARK(BM_ReportSeriesTexts100k)->Unit(benchmark::kMillisecond);

} // namespace
