// The fleet overview: one row per machine from one statement of the
// archive, due dates and the status that says which machine needs attention.
#include "ArchiveEngines.h"

#include "cli/CliRunner.h"

#include "archive/FleetOverview.h"
#include "archive/Trend.h"

#include <QJsonArray>
#include <QJsonObject>
#include <QSqlDatabase>
#include <QSqlQuery>

namespace {

ArchiveMeasurement at(const char *machine, const QDateTime &when, double governing, int count = 10)
{
    ArchiveMeasurement m;
    m.machineId = QString::fromLatin1(machine);
    m.measuredAt = when;
    m.deviceKind = 0;
    m.deviceParameter = 14.0;
    m.stopTimes = std::vector<double>(std::size_t(count), governing);
    if (count >= 10) {
        m.result.governing = GoverningStatistic::Maximum;
        m.result.governingMs = governing;
        m.result.distanceMm = 2.0 * governing + 100.0;
    }
    return m;
}

TEST(FleetRow, StatusIsTheFirstThatApplies)
{
    const QDate today(2026, 12, 10);
    const QDateTime recent(QDate(2026, 6, 1), QTime(10, 0));
    const QDateTime old(QDate(2025, 6, 1), QTime(10, 0));
    struct Case
    {
        const char *name;
        QDateTime last;
        const char *verdict;
        std::optional<double> latest, previous, baseline;
        bool baselineIsLatest;
        std::optional<double> change;
        FleetStatus status;
    };
    const Case cases[] = {
        {"ok", recent, "", 105.0, 104.0, 100.0, false, 5.0, FleetStatus::Ok},
        {"creep against the baseline", recent, "meets", 112.0, 108.0, 100.0, false, 12.0, FleetStatus::Warning},
        {"one step", recent, "", 120.0, 100.0, 100.0, false, 20.0, FleetStatus::Warning},
        {"overdue", old, "", 100.0, std::nullopt, 100.0, true, std::nullopt, FleetStatus::Overdue},
        {"closer comes first", old, "closer", 130.0, 100.0, 100.0, false, 30.0, FleetStatus::Closer},
        {"warning before overdue", old, "", 130.0, 100.0, 100.0, false, 30.0, FleetStatus::Warning},
        {"a baseline of 0 ms", recent, "", 50.0, 49.0, 0.0, false, std::nullopt, FleetStatus::Ok},
        {"no governing time", recent, "", std::nullopt, std::nullopt, std::nullopt, false, std::nullopt,
         FleetStatus::Ok},
        // Nothing decides it: never "ok".
        {"no measurement decides", QDateTime(), "", std::nullopt, std::nullopt, std::nullopt, false, std::nullopt,
         FleetStatus::Unknown},
        {"closer before unknown", QDateTime(), "closer", std::nullopt, std::nullopt, std::nullopt, false, std::nullopt,
         FleetStatus::Closer},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.name);
        ArchiveSafeguardSummary m;
        m.machineId = QStringLiteral("M");
        m.lastMeasuredAt = c.last;
        m.verdict = QString::fromLatin1(c.verdict);
        m.latestGoverningMs = c.latest;
        m.previousGoverningMs = c.previous;
        m.baselineGoverningMs = c.baseline;
        m.baselineIsLatest = c.baselineIsLatest;
        const FleetRow row = fleetRow(m, today, 12, 10.0);
        EXPECT_EQ(row.status, c.status) << fleetStatusKey(row.status);
        ASSERT_EQ(row.changeVsBaselinePercent.has_value(), c.change.has_value());
        if (c.change) {
            EXPECT_NEAR(*row.changeVsBaselinePercent, *c.change, 1e-9);
        }
        EXPECT_EQ(row.due, c.last.isValid() ? c.last.date().addMonths(12) : QDate());
    }
}

// The overview decides from the stored numbers with the protocol's
// comparison (the minimum rounded up to whole mm); a verdict kept without
// them stands as recorded.
TEST(FleetRow, TheVerdictComesFromTheStoredNumbersByTheProtocolsComparison)
{
    struct Case
    {
        const char *name;
        std::optional<double> distance;
        std::optional<double> installed;
        const char *recorded;
        FleetStatus status;
    };
    const Case cases[] = {
        {"recorded meets, installed at the exact minimum", 200.4, 200.4, "meets", FleetStatus::Closer},
        {"recorded meets, installed at the printed minimum", 200.4, 201.0, "meets", FleetStatus::Ok},
        {"recorded closer, the numbers meet", 200.0, 200.0, "closer", FleetStatus::Ok},
        {"no installed distance: as recorded", 200.4, std::nullopt, "closer", FleetStatus::Closer},
        {"no distance: as recorded", std::nullopt, 200.0, "meets", FleetStatus::Ok},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.name);
        ArchiveSafeguardSummary m;
        m.machineId = QStringLiteral("M");
        m.lastMeasuredAt = QDateTime(QDate(2026, 12, 1), QTime(10, 0));
        m.distanceMm = c.distance;
        m.installedMm = c.installed;
        m.verdict = QString::fromLatin1(c.recorded);
        EXPECT_EQ(fleetRow(m, QDate(2026, 12, 10), 12, 10.0).status, c.status);
    }
}

TEST(FleetRow, CsvIsWhatTheValueExportWrites)
{
    ArchiveSafeguardSummary m;
    m.machineId = QStringLiteral("Presse \"Süd\"; 3");
    m.safeguard = QStringLiteral("Front light curtain");
    m.lastMeasuredAt = QDateTime(QDate(2026, 6, 1), QTime(10, 0));
    m.measurementCount = 4;
    m.governingMs = 112.5;
    m.distanceMm = 325.0;
    m.latestGoverningMs = 112.5;
    m.baselineGoverningMs = 100.0;
    ArchiveSafeguardSummary door = m;
    door.safeguard.clear();
    door.deviceKind = 5;
    door.latestGoverningMs = 100.0;
    door.baselineIsLatest = true;
    const std::vector<FleetMachineRow> rows = fleetRows({m, door}, QDate(2026, 12, 10), 12, 10.0);
    ASSERT_EQ(rows.size(), 1u);
    const QByteArray csv = fleetCsv(rows, DecimalMark::Comma, [](const ArchiveSafeguardSummary &s) {
        return s.safeguard.isEmpty() ? QStringLiteral("Door") : s.safeguard;
    });
    EXPECT_TRUE(csv.startsWith("\xEF\xBB\xBF" "Machine ID;Safeguard;Last measured;Measurements;"));
    // One row per safeguard, each with its machine.
    EXPECT_TRUE(csv.endsWith("\"Presse \"\"Süd\"\"; 3\";Front light curtain;2026-06-01 10:00;4;112,5;325;;;;12,5;"
                             "2027-06-01;warning\r\n"
                             "\"Presse \"\"Süd\"\"; 3\";Door;2026-06-01 10:00;4;112,5;325;;;;;2027-06-01;ok\r\n"))
        << csv.constData();
}

class FleetOverviewArchive : public OnBothEngines
{
};

TEST_P(FleetOverviewArchive, OneRowPerMachineWithEachStatusAsZirkCliPrintsIt)
{
    const QDateTime now = QDateTime::currentDateTime();
    {
        const auto archive = open();
        // Creeps 4 % a time: against the first measurement 12.5 %.
        archive->add(at("Creep", now.addMonths(-3), 100.0));
        archive->add(at("Creep", now.addMonths(-2), 104.0));
        archive->add(at("Creep", now.addMonths(-1).addDays(-1), 108.0));
        archive->add(at("Creep", now.addMonths(-1), 112.5));
        archive->add(at("Creep", now.addDays(-1), 150.0, 5)); // too few values: no point of the trend
        archive->add(at("Old", now.addMonths(-14), 80.0));
        archive->add(at("Fine", now.addMonths(-2), 90.0));
        archive->add(at("Fine", now.addMonths(-1), 91.0));
        archive->add(at("Close", now.addMonths(-1), 90.0));
    }
    {
        // The standards' columns as a measurement of them will fill them.
        const ArchiveLocation l = parseArchiveUrl(url);
        QSqlDatabase db = QSqlDatabase::addDatabase(
            GetParam() == Engine::SQLite ? QStringLiteral("QSQLITE") : QStringLiteral("QPSQL"), QStringLiteral("v"));
        db.setDatabaseName(GetParam() == Engine::SQLite ? l.filePath : l.databaseName);
        db.setHostName(l.hostName);
        db.setUserName(l.userName);
        ASSERT_TRUE(db.open());
        QSqlQuery q(db);
        // 150 mm is closer than the 180 mm of 90 ms: the overview decides
        // from these numbers.
        ASSERT_TRUE(q.exec(QStringLiteral("UPDATE measurements SET standard = 'iso13855-2024', installed_mm = 150,"
                                          " verdict = 'closer' WHERE machine = (SELECT id FROM machines"
                                          " WHERE machine_id = 'Close')")));
        q.finish();
        db.close();
    }
    QSqlDatabase::removeDatabase(QStringLiteral("v"));

    const std::vector<ArchiveSafeguardSummary> summary = open()->overview();
    ASSERT_EQ(summary.size(), 4u);
    const ArchiveSafeguardSummary &creep = summary[1];
    EXPECT_EQ(creep.machineId, QStringLiteral("Creep"));
    EXPECT_EQ(creep.measurementCount, 5);
    // The newest has five values: it is kept, but the one before decides.
    EXPECT_EQ(creep.governingMs, 112.5);
    EXPECT_EQ(creep.newerNote, QStringLiteral("incomplete"));
    EXPECT_EQ(creep.latestGoverningMs, 112.5);
    EXPECT_EQ(creep.previousGoverningMs, 108.0);
    EXPECT_EQ(creep.baselineGoverningMs, 100.0);

    const QByteArray saved = qgetenv("ZIRK_ARCHIVE");
    qputenv("ZIRK_ARCHIVE", url.toUtf8());
    const CliRun run = runCli({"archive", "overview", "--json"});
    qputenv("ZIRK_ARCHIVE", saved);
    ASSERT_EQ(run.exitCode, 0) << run.err.constData();
    const QJsonArray machines = run.json().value(QLatin1String("machines")).toArray();
    ASSERT_EQ(machines.size(), 4);
    struct Expected
    {
        const char *id;
        const char *status;
        int measurements;
    };
    const Expected expected[] = {{"Close", "closer", 1}, {"Creep", "warning", 5}, {"Fine", "ok", 2}, {"Old", "overdue", 1}};
    for (int i = 0; i < 4; ++i) {
        const QJsonObject m = machines[i].toObject();
        SCOPED_TRACE(expected[i].id);
        EXPECT_EQ(m.value(QLatin1String("machine_id")).toString(), QLatin1String(expected[i].id));
        EXPECT_EQ(m.value(QLatin1String("status")).toString(), QLatin1String(expected[i].status));
        EXPECT_EQ(m.value(QLatin1String("measurements")).toInt(), expected[i].measurements);
        for (const char *key : {"last_measured_at", "governing_ms", "distance_mm", "standard", "installed_mm", "verdict",
                                "change_vs_baseline_percent", "due"})
            EXPECT_TRUE(m.contains(QLatin1String(key))) << key;
    }
    EXPECT_EQ(machines[0].toObject().value(QLatin1String("standard")).toString(), QStringLiteral("iso13855-2024"));
    EXPECT_EQ(machines[0].toObject().value(QLatin1String("installed_mm")).toDouble(), 150.0);
    EXPECT_EQ(machines[0].toObject().value(QLatin1String("verdict")).toString(), QStringLiteral("closer"));
    EXPECT_DOUBLE_EQ(machines[1].toObject().value(QLatin1String("change_vs_baseline_percent")).toDouble(), 12.5);
    EXPECT_EQ(machines[1].toObject().value(QLatin1String("governing_ms")).toDouble(), 112.5);
    const QJsonArray creepSafeguards = machines[1].toObject().value(QLatin1String("safeguards")).toArray();
    ASSERT_EQ(creepSafeguards.size(), 1);
    EXPECT_EQ(creepSafeguards[0].toObject().value(QLatin1String("note")).toString(), QStringLiteral("incomplete"));
    EXPECT_EQ(creepSafeguards[0].toObject().value(QLatin1String("safeguard")).toString(),
              QStringLiteral("Vertical Light Curtain, d=14 mm"));
    // Kept without a choice: the default standard, nothing to compare with.
    EXPECT_EQ(machines[2].toObject().value(QLatin1String("standard")).toString(), QStringLiteral("iso13855-2010"));
    EXPECT_TRUE(machines[2].toObject().value(QLatin1String("verdict")).isNull());
    EXPECT_EQ(machines[3].toObject().value(QLatin1String("due")).toString(),
              now.addMonths(-14).date().addMonths(12).toString(Qt::ISODate));

    // The text counts in words: "1 measurement", "5 measurements".
    qputenv("ZIRK_ARCHIVE", url.toUtf8());
    const CliRun text = runCli({"archive", "overview"});
    qputenv("ZIRK_ARCHIVE", saved);
    ASSERT_EQ(text.exitCode, 0) << text.err.constData();
    EXPECT_TRUE(text.out.contains("  1 measurement  ")) << text.out.constData();
    EXPECT_TRUE(text.out.contains("  5 measurements  ")) << text.out.constData();
    EXPECT_FALSE(text.out.contains("1 measurements")) << text.out.constData();
    EXPECT_TRUE(text.out.contains("installed 150 mm")) << text.out.constData();
}

// Measurements added out of the order they were measured in (files of
// several years at once): the overview compares what the machine's trend
// compares.
TEST_P(FleetOverviewArchive, AgreesWithTheTrendWhateverOrderTheMeasurementsCameIn)
{
    const QDateTime start(QDate(2020, 1, 1), QTime(8, 0), Qt::UTC);
    const struct
    {
        int month;
        double ms;
        int count;
    } adds[] = {{5, 110.0, 10}, {1, 100.0, 10}, {9, 130.0, 5}, {7, 120.0, 10}, {3, 105.0, 10}, {8, 90.0, 10}, {0, 95.0, 5}};
    const auto archive = open();
    for (const auto &a : adds) {
        archive->add(at("P", start.addMonths(a.month), a.ms, a.count));
        const std::vector<ArchiveEntry> entries = archive->entries(QStringLiteral("P"));
        const MachineTrend trend = machineTrend(entries, 10.0);
        const ArchiveSafeguardSummary s = archive->overview().at(0);
        ASSERT_EQ(s.latestGoverningMs.has_value(), !trend.points.empty());
        if (trend.points.empty())
            continue;
        EXPECT_EQ(*s.latestGoverningMs, trend.points.back().governingMs);
        EXPECT_EQ(s.previousGoverningMs.has_value(), trend.points.size() > 1);
        if (trend.points.size() > 1) {
            EXPECT_EQ(*s.previousGoverningMs, trend.points[trend.points.size() - 2].governingMs);
        }
        EXPECT_EQ(s.baselineGoverningMs, trend.points.front().governingMs);
        EXPECT_EQ(s.baselineIsLatest, trend.points.size() == 1);
        // The newest that decides, never a newer incomplete series.
        EXPECT_EQ(s.governingMs, trend.points.back().governingMs);
    }
}

ON_BOTH_ENGINES(FleetOverviewArchive);

} // namespace
