// The protocol of a usual measurement (twenty stop times, the analysis
// page) with Latin names and with Cyrillic ones, which the writer prints in
// embedded subsets of Liberation Sans and Mono.  Targets: the Cyrillic
// protocol takes under 30 ms more than the Latin one, and its fonts add
// under 60 KB to the file (the counter "bytes" of each, and "fontBytes" of
// the Cyrillic one against the Latin one).
//
// The fonts are read once per process; BM_FirstCyrillicProtocol measures
// the first protocol of a run of zirk-cli, that reading included.

#include "base/Seams.h"
#include "pdf/zPdf.h"
#include "report/Report.h"
#include "safety/SafetyDevice.h"

#include <QProcess>
#include <QTemporaryDir>

#include <benchmark/benchmark.h>

namespace {

class FixedClock : public Clock
{
public:
    QDateTime now() const override { return QDateTime(QDate(2026, 12, 9), QTime(10, 30)); }
};

struct Names
{
    QString company, user, machineId, note, device;
};

const Names kLatin = {QStringLiteral("Pressen Werk GmbH"), QStringLiteral("Jana Novak"),
                      QStringLiteral("Hydraulic press P-07"), QStringLiteral("Front guard, line B"),
                      QStringLiteral("Vertical Light Curtain")};
const Names kCyrillic = {QStringLiteral("ООО «Прессмаш»"), QStringLiteral("Ольга Смирнова"),
                         QStringLiteral("Пресс № 4"), QStringLiteral("Линия Б, после ремонта тормоза"),
                         QStringLiteral("Вертикальная световая завеса")};

ReportContent protocol(const Names &names)
{
    const QLocale locale(QLocale::Russian, QLocale::Russia);
    ReportContent c;
    c.when = QDateTime(QDate(2026, 12, 9), QTime(10, 30));
    c.companyName = names.company;
    c.userName = names.user;
    c.machineId = names.machineId;
    c.note = names.note;
    c.safetyDevice = names.device;
    c.deviceParams = QStringLiteral("d=14 mm");
    c.serialNumber = QStringLiteral("ZK-00417");
    c.calibrated = true;
    c.locale = locale;
    std::vector<double> times;
    for (int i = 0; i < 20; ++i)
        times.push_back(180.0 + (i * 37 % 23));
    setReportSeries(c, times, locale);
    c.safetyDistanceMm = 512.0;
    ReportAnalysis analysis;
    analysis.stopTimes = times;
    analysis.device = SafetyDevice::ofKind(KindVerticalLightCurtain, 14.0);
    c.analysis = analysis;
    return c;
}

qint64 protocolBytes(const ReportContent &content)
{
    const FixedClock clock;
    TzPdf pdf(&clock);
    composeReport(pdf, content);
    return pdf.data().size();
}

void writeProtocol(benchmark::State &state, const Names &names)
{
    const ReportContent content = protocol(names);
    QTemporaryDir dir;
    const QString file = dir.filePath(QStringLiteral("protocol.pdf"));
    const FixedClock clock;
    for (auto _ : state)
        writeReport(content, file, &clock);
    state.counters["bytes"] = double(protocolBytes(content));
    if (&names == &kCyrillic)
        state.counters["fontBytes"] = double(protocolBytes(content) - protocolBytes(protocol(kLatin)));
}

void BM_LatinProtocol(benchmark::State &state)
{
    writeProtocol(state, kLatin);
}
BENCHMARK(BM_LatinProtocol)->Unit(benchmark::kMillisecond);

void BM_CyrillicProtocol(benchmark::State &state)
{
    writeProtocol(state, kCyrillic);
}
BENCHMARK(BM_CyrillicProtocol)->Unit(benchmark::kMillisecond);

// zirk-cli report of one project, a new process each time: the fonts are
// read from disk every time.
void cliReport(benchmark::State &state, const char *locale, const QString &machineId, const QString &user)
{
    QTemporaryDir dir;
    const QString values = dir.filePath(QStringLiteral("values.txt"));
    QFile file(values);
    file.open(QIODevice::WriteOnly);
    for (int i = 0; i < 20; ++i)
        file.write(QByteArray::number(180 + i) + '\n');
    file.close();
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(QStringLiteral("LC_ALL"), QLatin1String(locale));
    env.insert(QStringLiteral("ZIRK_CONFIG_DIR"), dir.path());
    const auto run = [&env](const QStringList &arguments) {
        QProcess p;
        p.setProcessEnvironment(env);
        p.start(QStringLiteral(ZIRK_BINARY_DIR "/zirk-cli"), arguments);
        p.waitForFinished(60000);
        return p.exitCode();
    };
    const QString project = dir.filePath(QStringLiteral("p.zPRJ"));
    if (run({"new-project", "-o", project, "--import", values, "--machine-id", machineId}) != 0) {
        state.SkipWithError("new-project failed");
        return;
    }
    for (auto _ : state) {
        if (run({"report", project, "-o", dir.filePath(QStringLiteral("p.pdf")), "--user", user}) != 0)
            state.SkipWithError("report failed");
    }
}

void BM_FirstLatinProtocol(benchmark::State &state)
{
    cliReport(state, "C.UTF-8", QStringLiteral("Hydraulic press P-07"), QStringLiteral("Jana Novak"));
}
BENCHMARK(BM_FirstLatinProtocol)->Unit(benchmark::kMillisecond);

void BM_FirstCyrillicProtocol(benchmark::State &state)
{
    cliReport(state, "ru_RU.UTF-8", QStringLiteral("Пресс № 4"), QStringLiteral("Ольга Смирнова"));
}
BENCHMARK(BM_FirstCyrillicProtocol)->Unit(benchmark::kMillisecond);

} // namespace
