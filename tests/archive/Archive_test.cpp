// The archive on SQLite and on PostgreSQL: what is kept comes back whole,
// nothing is kept twice, a failed write keeps nothing, and a database that
// is not ours is refused.
#include "ArchiveEngines.h"
#include "ProjectCodePageScope.h"

#include "archive/ArchiveError.h"
#include "archive/ArchiveInput.h"
#include "archive/FleetOverview.h"
#include "project/ProjectMeasurement.h"

#include <QDir>
#include <QFile>
#include <QSqlDatabase>
#include <QSqlError>
#include <QSqlQuery>

#include <cmath>
#include <map>
#include <limits>

namespace {

using Outcome = Archive::AddOutcome;

QDateTime at(const char *iso)
{
    return QDateTime::fromString(QString::fromLatin1(iso), Qt::ISODate);
}

ArchiveMeasurement measurement(const QString &machine, std::vector<double> values, const char *when)
{
    ArchiveMeasurement m;
    m.machineId = machine;
    m.measuredAt = at(when);
    m.deviceKind = 0;
    m.deviceParameter = 14.0;
    m.stopTimes = std::move(values);
    SeriesStatistics stats;
    stats.count = m.stopTimes.size();
    stats.maximum = 120.0;
    stats.mean = 110.0;
    stats.sigma = 2.0;
    stats.meanPlus3Sigma = 116.0;
    m.result.statistics = stats;
    if (m.stopTimes.size() >= 10) {
        m.result.governing = GoverningStatistic::Maximum;
        m.result.governingMs = 120.0;
        m.result.distanceMm = 428.0;
        m.result.distanceInch = 428.0 / 25.4;
    }
    m.serialNumber = QStringLiteral("0123456789ABCD");
    return m;
}

std::vector<double> tenValues(double first = 100.0)
{
    std::vector<double> v;
    for (int i = 0; i < 10; ++i)
        v.push_back(first + i);
    return v;
}

class ArchiveStore : public OnBothEngines
{
};

TEST_P(ArchiveStore, KeepsEveryFieldAndEveryStopTimeBitForBit)
{
    ArchiveMeasurement m = measurement(QStringLiteral("Presse Süd – 3 \"B\""), {}, "2025-11-03T14:32:00+01:00");
    // Values whose shortest decimal form is long, tiny or not exact.
    m.stopTimes = {0.1 + 0.2, 1.0 / 3.0, 123456.78901234567, 1e-300, std::numeric_limits<double>::denorm_min(),
                   0.0, 15000.0, 2.5e8, 99.9, 100.00000000000001, 7.0, 8.0};
    m.note = QStringLiteral("after brake repair;\nline two, 'quoted' \\ back");
    // A damaged project file's text may hold the character 0.
    m.serialNumber = QStringLiteral("0123456789ABCD") + QChar(0) + QStringLiteral("X");
    m.deviceKind = 5;
    m.deviceParameter = 1200.0 / 7.0;
    m.nonIndustrial = false;
    m.result.statistics->maximum = 1.0 / 7.0;
    m.result.statistics->mean = 2.0 / 7.0;
    m.result.statistics->sigma = 3.0 / 7.0;
    m.result.statistics->meanPlus3Sigma = 4.0 / 7.0;
    m.result.governing = GoverningStatistic::MeanPlus3Sigma;
    m.result.governingMs = 4.0 / 7.0;
    m.result.distanceMm = 1234.5678901234567;
    m.result.distanceInch = *m.result.distanceMm / 25.4;
    m.standstillSpeed = 12;
    m.calibrationYear = 2024;
    m.calibrationMonth = 2;
    m.calibrationDay = 29;
    m.calibrated = true;
    m.userName = QStringLiteral("Anna Müller");
    m.companyName = QStringLiteral("Prüf & Co. KG");
    m.filePath = QStringLiteral("/home/anna/Projekte/Project_20251103_1432_.zPRJ");
    m.fileSha256 = QString(64, QLatin1Char('a'));

    qint64 id = 0;
    {
        const auto archive = open();
        const Archive::AddResult added = archive->add(m);
        ASSERT_EQ(added.outcome, Outcome::Added);
        id = added.id;
    }
    // A new connection, so nothing comes from a cache.
    const auto archive = open();
    const std::optional<ArchiveMeasurement> back = archive->measurement(id);
    ASSERT_TRUE(back);
    EXPECT_EQ(back->id, id);
    EXPECT_EQ(back->machineId, m.machineId);
    EXPECT_EQ(back->note, m.note);
    EXPECT_EQ(back->measuredAt, m.measuredAt);
    EXPECT_EQ(back->deviceKind, 5);
    EXPECT_EQ(back->deviceParameter, m.deviceParameter);
    EXPECT_FALSE(back->nonIndustrial);
    ASSERT_EQ(back->stopTimes.size(), m.stopTimes.size());
    for (std::size_t i = 0; i < m.stopTimes.size(); ++i)
        EXPECT_EQ(std::bit_cast<quint64>(back->stopTimes[i]), std::bit_cast<quint64>(m.stopTimes[i])) << i;
    ASSERT_TRUE(back->result.statistics);
    EXPECT_EQ(back->result.statistics->count, m.stopTimes.size());
    EXPECT_EQ(back->result.statistics->maximum, 1.0 / 7.0);
    EXPECT_EQ(back->result.statistics->mean, 2.0 / 7.0);
    EXPECT_EQ(back->result.statistics->sigma, 3.0 / 7.0);
    EXPECT_EQ(back->result.statistics->meanPlus3Sigma, 4.0 / 7.0);
    EXPECT_EQ(back->result.governing, GoverningStatistic::MeanPlus3Sigma);
    EXPECT_EQ(back->result.governingMs, 4.0 / 7.0);
    EXPECT_EQ(back->result.distanceMm, 1234.5678901234567);
    EXPECT_EQ(back->serialNumber, QStringLiteral("0123456789ABCDX"));
    EXPECT_EQ(back->standstillSpeed, 12);
    EXPECT_EQ(back->calibrationYear, 2024);
    EXPECT_EQ(back->calibrationMonth, 2);
    EXPECT_EQ(back->calibrationDay, 29);
    EXPECT_TRUE(back->calibrated);
    EXPECT_EQ(back->userName, m.userName);
    EXPECT_EQ(back->companyName, m.companyName);
    EXPECT_EQ(back->filePath, m.filePath);
    EXPECT_EQ(back->fileSha256, m.fileSha256);

    const std::vector<ArchiveEntry> entries = archive->entries();
    ASSERT_EQ(entries.size(), 1u);
    EXPECT_EQ(entries[0].machineId, m.machineId);
    EXPECT_EQ(entries[0].count, 12);
    EXPECT_EQ(entries[0].governingMs, 4.0 / 7.0);
    EXPECT_EQ(entries[0].distanceMm, 1234.5678901234567);
    EXPECT_EQ(entries[0].measuredAt, m.measuredAt);
    EXPECT_FALSE(archive->measurement(id + 1000));
}

TEST_P(ArchiveStore, ASeriesUnderTenValuesKeepsNoGoverningTimeAndNoDistance)
{
    const auto archive = open();
    ArchiveMeasurement few = measurement(QStringLiteral("M"), {100.0, 101.0}, "2025-01-01T08:00:00Z");
    ArchiveMeasurement none = measurement(QStringLiteral("M"), {}, "2025-01-02T08:00:00Z");
    none.result = SeriesResult();
    none.deviceParameter.reset();
    const qint64 fewId = archive->add(few).id;
    const qint64 noneId = archive->add(none).id;
    const std::optional<ArchiveMeasurement> a = archive->measurement(fewId);
    const std::optional<ArchiveMeasurement> b = archive->measurement(noneId);
    ASSERT_TRUE(a && b);
    EXPECT_EQ(a->result.governing, GoverningStatistic::None);
    EXPECT_FALSE(a->result.governingMs);
    EXPECT_FALSE(a->result.distanceMm);
    ASSERT_TRUE(a->result.statistics);
    EXPECT_FALSE(b->result.statistics);
    EXPECT_FALSE(b->deviceParameter);
    EXPECT_TRUE(b->stopTimes.empty());
}

TEST_P(ArchiveStore, KeepsOneFileOnceWhateverItsName)
{
    const auto archive = open();
    ArchiveMeasurement m = measurement(QStringLiteral("Press 4"), tenValues(), "2025-03-01T10:00:00Z");
    m.filePath = QStringLiteral("/a/Project_20250301_1000_.zPRJ");
    m.fileSha256 = QString(64, QLatin1Char('1'));
    const Archive::AddResult first = archive->add(m);
    ASSERT_EQ(first.outcome, Outcome::Added);
    // A copy elsewhere, and a different series under a reused hash would be
    // a different file: only the bytes decide.
    m.filePath = QStringLiteral("/b/copy.zPRJ");
    m.stopTimes = tenValues(300.0);
    const Archive::AddResult second = archive->add(m);
    EXPECT_EQ(second.outcome, Outcome::SameFile);
    EXPECT_EQ(second.id, first.id);
    EXPECT_EQ(archive->entries().size(), 1u);
}

TEST_P(ArchiveStore, TheSameMeasurementIsNotRecordedTwice)
{
    struct Case
    {
        const char *name;
        void (*change)(ArchiveMeasurement &);
        Outcome outcome;
    };
    const Case cases[] = {
        {"saved, then reported", [](ArchiveMeasurement &) {}, Outcome::SameMeasurement},
        {"another note and time", [](ArchiveMeasurement &m) {
             m.note = QStringLiteral("report");
             m.measuredAt = m.measuredAt.addSecs(600);
         }, Outcome::SameMeasurement},
        {"blanks around the machine ID", [](ArchiveMeasurement &m) { m.machineId = QStringLiteral(" Press 4 "); },
         Outcome::SameMeasurement},
        {"one more value", [](ArchiveMeasurement &m) { m.stopTimes.push_back(150.0); }, Outcome::Added},
        {"one value less", [](ArchiveMeasurement &m) { m.stopTimes.pop_back(); }, Outcome::Added},
        {"a value changed in its last bit",
         [](ArchiveMeasurement &m) { m.stopTimes[3] = std::nextafter(m.stopTimes[3], 1e9); }, Outcome::Added},
        {"two values swapped", [](ArchiveMeasurement &m) { std::swap(m.stopTimes[0], m.stopTimes[1]); },
         Outcome::Added},
        {"another kind", [](ArchiveMeasurement &m) { m.deviceKind = 1; }, Outcome::Added},
        {"another d", [](ArchiveMeasurement &m) { m.deviceParameter = 30.0; }, Outcome::Added},
        {"no parameter", [](ArchiveMeasurement &m) { m.deviceParameter.reset(); }, Outcome::Added},
        {"non-industrial", [](ArchiveMeasurement &m) { m.nonIndustrial = true; }, Outcome::Added},
        {"another machine", [](ArchiveMeasurement &m) { m.machineId = QStringLiteral("Press 5"); }, Outcome::Added},
        {"machine ID in other letter case", [](ArchiveMeasurement &m) { m.machineId = QStringLiteral("press 4"); },
         Outcome::Added},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.name);
        const auto archive = open();
        const ArchiveMeasurement first = measurement(QStringLiteral("Press 4"), tenValues(), "2025-03-01T10:00:00Z");
        const qint64 firstId = archive->add(first).id;
        ArchiveMeasurement again = first;
        c.change(again);
        const Archive::AddResult result = archive->add(again);
        EXPECT_EQ(result.outcome, c.outcome);
        if (c.outcome == Outcome::SameMeasurement) {
            EXPECT_EQ(result.id, firstId);
        }
        // Each case starts from its own archive.
        dir.remove();
        SetUp();
    }
}

TEST_P(ArchiveStore, TheSameMeasurementIsKeptOnceWhereverItSitsInTheHistory)
{
    // P1 on 1 January (100 ms) and 1 March (120 ms); the older one opened
    // and saved or reported again today is no third point.
    const auto archive = open();
    const ArchiveMeasurement a = measurement(QStringLiteral("P1"), tenValues(100.0), "2024-01-01T10:00:00Z");
    const ArchiveMeasurement b = measurement(QStringLiteral("P1"), tenValues(120.0), "2024-03-01T10:00:00Z");
    const qint64 aId = archive->add(a).id;
    EXPECT_EQ(archive->add(b).outcome, Outcome::Added);
    EXPECT_EQ(archive->add(measurement(QStringLiteral("P2"), tenValues(100.0), "2024-05-01T10:00:00Z")).outcome,
              Outcome::Added);
    ArchiveMeasurement again = a;
    again.measuredAt = at("2026-12-10T09:00:00Z");
    again.note = QStringLiteral("reprinted");
    again.filePath = QStringLiteral("/tmp/Project_20261210_0900_.zPRJ");
    again.fileSha256 = QString(64, QLatin1Char('b'));
    const Archive::AddResult result = archive->add(again);
    EXPECT_EQ(result.outcome, Outcome::SameMeasurement);
    EXPECT_EQ(result.id, aId);
    const std::vector<ArchiveEntry> p1 = archive->entries(QStringLiteral("P1"));
    ASSERT_EQ(p1.size(), 2u);
    EXPECT_EQ(p1.back().measuredAt, at("2024-03-01T10:00:00Z"));
    EXPECT_EQ(archive->machines(QStringLiteral("P1")).front().measurementCount, 2);
}

// Recorded from the window as typed, then added from its saved file: one
// machine, one measurement.
TEST_P(ArchiveStore, AMachineIdTheFileCannotKeepIsOneMachineWithItsFile)
{
    const ProjectCodePageScope westernEuropean(1252);
    const auto archive = open();
    Measurement m;
    m.stopTimes = tenValues();
    m.safetyDevice = SafetyDevice::selected(KindVerticalLightCurtain, 14.0);
    m.machineId = QStringLiteral("Presse Ω-7");
    m.lastValueAt = at("2025-03-01T10:00:00Z");
    const Archive::AddResult recorded = archive->add(archiveRecord(m, QString(), QString(), QDateTime()));
    EXPECT_EQ(recorded.outcome, Outcome::Added);

    ProjectRecord record;
    ProjectPictures pictures;
    writeMeasurement(m, record, pictures);
    const QString path = QDir(dir.path()).filePath(QStringLiteral("Presse.zPRJ"));
    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    ASSERT_TRUE(writeProjectFile(file, m.stopTimes, record, pictures));
    file.close();
    const Archive::AddResult added = archive->add(measurementFromProjectFile(path, QString(), QString()));
    EXPECT_EQ(added.outcome, Outcome::SameMeasurement);
    EXPECT_EQ(added.id, recorded.id);
    const std::vector<ArchiveMachine> machines = archive->machines(QString());
    ASSERT_EQ(machines.size(), 1u);
    EXPECT_EQ(machines.front().machineId, QStringLiteral("Presse ?-7"));
}

TEST_P(ArchiveStore, ListsOldestFirstAndFindsMachinesInAnyLetterCase)
{
    const auto archive = open();
    // Added out of order: the list follows the time of measuring.
    archive->add(measurement(QStringLiteral("Press 10"), tenValues(300.0), "2025-06-01T09:00:00Z"));
    archive->add(measurement(QStringLiteral("Press 9"), tenValues(100.0), "2024-06-01T09:00:00Z"));
    archive->add(measurement(QStringLiteral("Press 10"), tenValues(100.0), "2023-06-01T09:00:00+02:00"));
    archive->add(measurement(QStringLiteral("  Press 10"), tenValues(200.0), "2024-06-01T09:00:00Z"));
    archive->add(measurement(QStringLiteral("Laser cutter"), tenValues(100.0), "2025-01-01T09:00:00Z"));

    const std::vector<ArchiveEntry> press10 = archive->entries(QStringLiteral("Press 10"));
    ASSERT_EQ(press10.size(), 3u);
    EXPECT_EQ(press10[0].measuredAt, at("2023-06-01T07:00:00Z"));
    EXPECT_EQ(press10[1].measuredAt, at("2024-06-01T09:00:00Z"));
    EXPECT_EQ(press10[2].measuredAt, at("2025-06-01T09:00:00Z"));
    EXPECT_TRUE(archive->entries(QStringLiteral("Press 11")).empty());
    EXPECT_EQ(archive->entries().size(), 5u);

    struct Case
    {
        const char *search;
        std::vector<const char *> machines;
    };
    const Case cases[] = {
        {"", {"Laser cutter", "Press 9", "Press 10"}},
        {"press", {"Press 9", "Press 10"}},
        {"ESS 1", {"Press 10"}},
        {"  cutter ", {"Laser cutter"}},
        {"%", {}},
        {"_", {}},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.search);
        const std::vector<ArchiveMachine> found = archive->machines(QString::fromUtf8(c.search));
        ASSERT_EQ(found.size(), c.machines.size());
        for (std::size_t i = 0; i < found.size(); ++i)
            EXPECT_EQ(found[i].machineId, QString::fromUtf8(c.machines[i]));
    }
    const std::vector<ArchiveMachine> all = archive->machines();
    EXPECT_EQ(all[2].measurementCount, 3);
    EXPECT_EQ(all[2].lastMeasuredAt, at("2025-06-01T09:00:00Z"));
}

TEST_P(ArchiveStore, AFailedWriteKeepsNothingOfTheMeasurement)
{
    const auto archive = open();
    archive->add(measurement(QStringLiteral("Press 4"), tenValues(), "2025-03-01T10:00:00Z"));
    {
        // Another program takes the stop-time table away under our feet, so
        // the write fails after the measurement's row went in.
        QSqlDatabase db = QSqlDatabase::addDatabase(
            GetParam() == Engine::SQLite ? QStringLiteral("QSQLITE") : QStringLiteral("QPSQL"), QStringLiteral("other"));
        const ArchiveLocation l = parseArchiveUrl(url);
        db.setDatabaseName(GetParam() == Engine::SQLite ? l.filePath : l.databaseName);
        db.setHostName(l.hostName);
        db.setUserName(l.userName);
        ASSERT_TRUE(db.open());
        QSqlQuery q(db);
        ASSERT_TRUE(q.exec(QStringLiteral("ALTER TABLE stop_times RENAME TO kept_elsewhere")));
        db.close();
    }
    QSqlDatabase::removeDatabase(QStringLiteral("other"));
    try {
        archive->add(measurement(QStringLiteral("Press 5"), tenValues(200.0), "2025-04-01T10:00:00Z"));
        ADD_FAILURE() << "the write did not fail";
    } catch (const ArchiveError &e) {
        EXPECT_TRUE(e.message().startsWith(QStringLiteral("archive ") + parseArchiveUrl(url).url()))
            << e.message().toStdString();
        EXPECT_FALSE(e.message().contains(QLatin1Char('\n')));
    }
    // Neither the measurement nor its new machine stayed.
    EXPECT_EQ(archive->entries().size(), 1u);
    const std::vector<ArchiveMachine> machines = archive->machines();
    ASSERT_EQ(machines.size(), 1u);
    EXPECT_EQ(machines[0].measurementCount, 1);
}

TEST_P(ArchiveStore, RefusesStopTimesThatAreNotNumbers)
{
    const auto archive = open();
    for (const double bad : {std::nan(""), std::numeric_limits<double>::infinity()}) {
        ArchiveMeasurement m = measurement(QStringLiteral("Press 4"), tenValues(), "2025-03-01T10:00:00Z");
        m.stopTimes[4] = bad;
        EXPECT_THROW(archive->add(m), ArchiveError);
    }
    EXPECT_TRUE(archive->entries().empty());
}

TEST_P(ArchiveStore, OpensItsOwnArchiveAgainAndRefusesAForeignOne)
{
    open()->add(measurement(QStringLiteral("Press 4"), tenValues(), "2025-03-01T10:00:00Z"));
    EXPECT_EQ(open()->entries().size(), 1u);

    struct Case
    {
        const char *name;
        const char *sql; // run on our archive before opening it again
        const char *named;
    };
    const Case cases[] = {
        {"newer schema", "UPDATE zirk_archive SET value = '4' WHERE name = 'schema_version'",
         "written by a newer Zirk: schema version 4"},
        {"another program's marker", "UPDATE zirk_archive SET value = 'other' WHERE name = 'format'",
         "not a Zirk archive"},
        {"version not a number", "UPDATE zirk_archive SET value = 'x' WHERE name = 'schema_version'",
         "not a Zirk archive"},
        {"marker gone", "DROP TABLE zirk_archive", "not a Zirk archive"},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.name);
        {
            const ArchiveLocation l = parseArchiveUrl(url);
            QSqlDatabase db = QSqlDatabase::addDatabase(
                GetParam() == Engine::SQLite ? QStringLiteral("QSQLITE") : QStringLiteral("QPSQL"), QStringLiteral("o"));
            db.setDatabaseName(GetParam() == Engine::SQLite ? l.filePath : l.databaseName);
            db.setHostName(l.hostName);
            db.setUserName(l.userName);
            ASSERT_TRUE(db.open());
            QSqlQuery q(db);
            ASSERT_TRUE(q.exec(QString::fromLatin1(c.sql)));
            q.finish();
            db.close();
        }
        QSqlDatabase::removeDatabase(QStringLiteral("o"));
        try {
            open();
            ADD_FAILURE() << "opened";
        } catch (const ArchiveError &e) {
            EXPECT_TRUE(e.message().contains(QString::fromUtf8(c.named))) << e.message().toStdString();
            EXPECT_FALSE(e.message().contains(QLatin1Char('\n')));
        }
        // Start again from a good archive for the next case.
        dir.remove();
        SetUp();
        open()->add(measurement(QStringLiteral("Press 4"), tenValues(), "2025-03-01T10:00:00Z"));
    }
}

TEST_P(ArchiveStore, KeepsTheStandardTheInstalledDistanceAndTheVerdict)
{
    {
        const auto archive = open();
        ArchiveMeasurement m = measurement(QStringLiteral("Press 9"), tenValues(), "2025-03-01T10:00:00Z");
        m.standardId = QStringLiteral("ansi-b11.19");
        m.entries.installedMm = 612.5;
        m.verdict = QStringLiteral("closer");
        const qint64 id = archive->add(m).id;
        const std::optional<ArchiveMeasurement> back = archive->measurement(id);
        ASSERT_TRUE(back);
        EXPECT_EQ(back->standardId, m.standardId);
        EXPECT_EQ(back->entries.installedMm, m.entries.installedMm);
        EXPECT_EQ(back->verdict, m.verdict);
        ASSERT_EQ(archive->entries().size(), 1u);
        EXPECT_EQ(archive->entries()[0].verdict, QStringLiteral("closer"));
        // The same series by another standard is another point of history.
        m.standardId = QStringLiteral("iso13855-2010");
        m.verdict.clear();
        EXPECT_EQ(archive->add(m).outcome, Archive::AddOutcome::Added);
    }
}

// An archive that the version before wrote (schema 2: one history per
// machine, tests/archive/data/make-archive-v2.sh) in place of this test's,
// made older still where `firstSchema` says so.
void loadVersion2Archive(Engine engine, const QString &url, bool firstSchema)
{
    const ArchiveLocation l = parseArchiveUrl(url);
    const QString data = QStringLiteral(ZIRK_SOURCE_DIR "/tests/archive/data/");
    if (engine == Engine::SQLite) {
        QFile::remove(l.filePath);
        ASSERT_TRUE(QFile::copy(data + QStringLiteral("archive-v2.sqlite"), l.filePath));
        QFile(l.filePath).setPermissions(QFileDevice::ReadOwner | QFileDevice::WriteOwner);
    }
    {
        QSqlDatabase db = QSqlDatabase::addDatabase(
            engine == Engine::SQLite ? QStringLiteral("QSQLITE") : QStringLiteral("QPSQL"), QStringLiteral("v2"));
        db.setDatabaseName(engine == Engine::SQLite ? l.filePath : l.databaseName);
        db.setHostName(l.hostName);
        db.setUserName(l.userName);
        ASSERT_TRUE(db.open());
        QSqlQuery q(db);
        if (engine == Engine::PostgreSQL) {
            QFile dump(data + QStringLiteral("archive-v2.sql"));
            ASSERT_TRUE(dump.open(QIODevice::ReadOnly));
            ASSERT_TRUE(q.exec(QString::fromUtf8(dump.readAll()))) << q.lastError().text().toStdString();
            // The dump leaves the search path empty for its own session.
            ASSERT_TRUE(q.exec(QStringLiteral("SET search_path TO public")));
        }
        if (firstSchema) {
            for (const char *sql : {"ALTER TABLE measurements DROP COLUMN standard",
                                    "ALTER TABLE measurements DROP COLUMN installed_mm",
                                    "ALTER TABLE measurements DROP COLUMN verdict",
                                    "ALTER TABLE machines DROP COLUMN baseline", "ALTER TABLE machines DROP COLUMN latest_id",
                                    "ALTER TABLE machines DROP COLUMN latest_governing_id",
                                    "ALTER TABLE machines DROP COLUMN previous_governing_id",
                                    "ALTER TABLE machines DROP COLUMN first_governing_id",
                                    "UPDATE zirk_archive SET value = '1' WHERE name = 'schema_version'"})
                ASSERT_TRUE(q.exec(QString::fromLatin1(sql))) << sql << q.lastError().text().toStdString();
        }
        q.finish();
        db.close();
    }
    QSqlDatabase::removeDatabase(QStringLiteral("v2"));
}

// The archive of the version before goes by safeguard with nothing lost:
// every measurement with its stop times goes to the unnamed safeguard of
// its machine, kind and parameter, and the fleet overview gives the answers
// per safeguard that the version before got wrong.
TEST_P(ArchiveStore, AnArchiveOfTheVersionBeforeMigratesWithNothingLost)
{
    for (const bool firstSchema : {false, true}) {
        SCOPED_TRACE(firstSchema ? "schema 1" : "schema 2");
        loadVersion2Archive(GetParam(), url, firstSchema);
        if (HasFatalFailure())
            return;
        const auto archive = open();
        const std::vector<ArchiveEntry> entries = archive->entries();
        ASSERT_EQ(entries.size(), 8u);
        struct Kept
        {
            const char *machine;
            int count;
            double ms;
            const char *standard;
            std::optional<double> installed;
        };
        const Kept kept[] = {
            {"L2", 10, 136.3, "iso13855-2010", std::nullopt}, {"P9", 10, 166.5, "iso13855-2010", 100.0},
            {"P9", 10, 116.4, "iso13855-2010", 2000.0},       {"L2", 10, 160.3, "iso13855-2010", std::nullopt},
            {"L2", 10, 125.0, "iso13855-2010", std::nullopt}, {"K", 10, 250.0, "iso13855-2010", 400.0},
            {"K", 3, 100.0, "iso13855-2010", 400.0},          {"A1", 10, 180.0, "ansi-b11.19", 305.0},
        };
        for (std::size_t i = 0; i < entries.size(); ++i) {
            SCOPED_TRACE(i);
            const std::optional<ArchiveMeasurement> m = archive->measurement(entries[i].id);
            ASSERT_TRUE(m);
            EXPECT_EQ(m->machineId, QLatin1String(kept[i].machine));
            EXPECT_EQ(m->stopTimes, std::vector<double>(std::size_t(kept[i].count), kept[i].ms));
            EXPECT_TRUE(m->safeguard.isEmpty());
            // What schema 1 did not keep was by ISO 13855:2010 with nothing
            // to compare; the entries were kept by neither.
            EXPECT_EQ(m->standardId, firstSchema ? QStringLiteral("iso13855-2010") : QLatin1String(kept[i].standard));
            EXPECT_EQ(m->entries.installedMm, firstSchema ? std::nullopt : kept[i].installed);
            EXPECT_FALSE(m->entriesKept);
            EXPECT_FALSE(m->withoutStandard);
        }
        EXPECT_EQ(archive->safeguards(QStringLiteral("P9")).size(), 2u);
        EXPECT_EQ(archive->safeguards(QStringLiteral("L2")).size(), 2u);

        const std::vector<FleetMachineRow> rows = fleetRows(archive->overview(), QDate(2026, 12, 10), 12, 10.0);
        ASSERT_EQ(rows.size(), 4u);
        std::map<QString, const FleetMachineRow *> byId;
        for (const FleetMachineRow &r : rows)
            byId[r.machineId] = &r;
        EXPECT_EQ(byId[QStringLiteral("L2")]->status, FleetStatus::Warning);
        EXPECT_EQ(byId[QStringLiteral("L2")]->worstSafeguard().safeguard.deviceKind, 0);
        EXPECT_NEAR(*byId[QStringLiteral("L2")]->worstSafeguard().changeVsBaselinePercent, 17.6, 0.05);
        if (!firstSchema) {
            EXPECT_EQ(byId[QStringLiteral("P9")]->status, FleetStatus::Closer);
            EXPECT_EQ(byId[QStringLiteral("P9")]->worstSafeguard().safeguard.deviceKind, 0);
            EXPECT_EQ(byId[QStringLiteral("K")]->status, FleetStatus::Closer);
            EXPECT_EQ(byId[QStringLiteral("K")]->worstSafeguard().safeguard.newerNote, QStringLiteral("incomplete"));
            EXPECT_EQ(byId[QStringLiteral("A1")]->status, FleetStatus::Closer);
        }

        // A measurement of the same series comes again: one point of its
        // safeguard's history still.
        ArchiveMeasurement again = *archive->measurement(entries[0].id);
        again.fileSha256.clear();
        EXPECT_EQ(archive->add(again).outcome, Archive::AddOutcome::SameMeasurement);
        // A new one after the migration goes to the same safeguard.
        ArchiveMeasurement later = again;
        later.stopTimes = std::vector<double>(10, 150.0);
        later.result = computeSeriesResult(later.stopTimes, SafetyDevice::selected(0, 14.0));
        later.measuredAt = QDateTime(QDate(2026, 11, 1), QTime(10, 0), Qt::UTC);
        EXPECT_EQ(archive->add(later).outcome, Archive::AddOutcome::Added);
        EXPECT_EQ(archive->safeguards(QStringLiteral("L2")).size(), 2u);
        // Start again from an empty archive for the next case.
        if (GetParam() == Engine::PostgreSQL) {
            dir.remove();
            SetUp();
        }
    }
}

ON_BOTH_ENGINES(ArchiveStore);

// Two users share one SQLite archive on a common folder: one records, the
// other only looks, possibly without the right to write.  The looking must
// neither wait for the recording nor leave a file behind that the recorder
// cannot write past.
class SharedSQLiteArchive : public ::testing::Test
{
protected:
    QString path() const { return dir.filePath(QStringLiteral("archive.sqlite")); }
    ArchiveLocation location() const { return parseArchiveUrl(QStringLiteral("sqlite://") + path()); }
    QStringList files() const { return QDir(dir.path()).entryList(QDir::Files | QDir::Hidden, QDir::Name); }
    void add(const char *when, double first)
    {
        Archive(location()).add(measurement(QStringLiteral("Press 4"), tenValues(first), when));
    }
    // The file and its folder as a user without write rights sees them (to
    // root they stay writable: the read-only connection shows it then).
    void makeReadOnly(bool readOnly)
    {
        const auto r = QFileDevice::ReadOwner | QFileDevice::ReadGroup | QFileDevice::ReadOther;
        const auto x = QFileDevice::ExeOwner | QFileDevice::ExeGroup | QFileDevice::ExeOther;
        QFile::setPermissions(path(), readOnly ? r : r | QFileDevice::WriteOwner);
        QFile::setPermissions(dir.path(), readOnly ? r | x : r | x | QFileDevice::WriteOwner);
    }
    void TearDown() override { makeReadOnly(false); }
    QTemporaryDir dir;
};

TEST_F(SharedSQLiteArchive, AReaderNeitherWaitsForAWriterNorLeavesFilesBehind)
{
    add("2025-03-01T10:00:00Z", 100.0);
    // Another program is in the middle of recording.
    QSqlDatabase other = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), QStringLiteral("other"));
    other.setDatabaseName(path());
    ASSERT_TRUE(other.open());
    ASSERT_TRUE(QSqlQuery(other).exec(QStringLiteral("BEGIN IMMEDIATE")));
    ASSERT_TRUE(QSqlQuery(other).exec(QStringLiteral("UPDATE machines SET measurement_count = measurement_count")));
    {
        std::unique_ptr<Archive> reader;
        ASSERT_NO_THROW(reader = std::make_unique<Archive>(location(), Archive::Access::Read));
        EXPECT_EQ(reader->entries().size(), 1u);
        EXPECT_EQ(reader->machines().size(), 1u);
        for (const QString &f : files())
            EXPECT_FALSE(f.endsWith(QLatin1String("-wal")) || f.endsWith(QLatin1String("-shm"))) << f.toStdString();
        ASSERT_TRUE(QSqlQuery(other).exec(QStringLiteral("ROLLBACK")));

        // The recorder keeps recording while the reader stays open, and the
        // reader sees it.
        EXPECT_NO_THROW(add("2025-04-01T10:00:00Z", 200.0));
        EXPECT_EQ(reader->entries().size(), 2u);
    }
    other.close();
    other = QSqlDatabase();
    QSqlDatabase::removeDatabase(QStringLiteral("other"));
    EXPECT_EQ(files(), QStringList{QStringLiteral("archive.sqlite")});
}

TEST_F(SharedSQLiteArchive, AReadOnlyUserListsWhileTheOtherKeepsRecording)
{
    add("2025-03-01T10:00:00Z", 100.0);
    const QByteArray before = [this] {
        QFile f(path());
        return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
    }();
    makeReadOnly(true);
    {
        Archive reader(location(), Archive::Access::Read);
        EXPECT_EQ(reader.entries().size(), 1u);
        ASSERT_EQ(reader.machines().size(), 1u);
        EXPECT_TRUE(reader.measurement(reader.entries()[0].id));
        EXPECT_EQ(files(), QStringList{QStringLiteral("archive.sqlite")});
        // The reader changed no byte of the archive.
        QFile f(path());
        ASSERT_TRUE(f.open(QIODevice::ReadOnly));
        EXPECT_EQ(f.readAll(), before);

        // The user who may write goes on while the reader is open.
        makeReadOnly(false);
        EXPECT_NO_THROW(add("2025-04-01T10:00:00Z", 200.0));
        makeReadOnly(true);
        EXPECT_EQ(reader.entries().size(), 2u);
    }
    EXPECT_EQ(files(), QStringList{QStringLiteral("archive.sqlite")});
    makeReadOnly(false);
    EXPECT_NO_THROW(add("2025-05-01T10:00:00Z", 300.0));
}

TEST_F(SharedSQLiteArchive, AReaderOfAMissingArchiveSeesItEmptyAndCreatesNothing)
{
    Archive reader(location(), Archive::Access::Read);
    EXPECT_TRUE(reader.machines().empty());
    EXPECT_TRUE(reader.entries().empty());
    EXPECT_TRUE(files().isEmpty());
}

TEST_F(SharedSQLiteArchive, AnArchiveWithWriteAheadLogIsTurnedBackToARollbackJournal)
{
    add("2025-03-01T10:00:00Z", 100.0);
    {
        QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), QStringLiteral("old"));
        db.setDatabaseName(path());
        ASSERT_TRUE(db.open());
        QSqlQuery q(db);
        ASSERT_TRUE(q.exec(QStringLiteral("PRAGMA journal_mode = WAL")));
        q.finish();
        db.close();
    }
    QSqlDatabase::removeDatabase(QStringLiteral("old"));
    add("2025-04-01T10:00:00Z", 200.0);
    QFile f(path());
    ASSERT_TRUE(f.open(QIODevice::ReadOnly));
    const QByteArray header = f.read(20);
    // Bytes 18 and 19 of the header: 1 for a rollback journal, 2 for WAL.
    EXPECT_EQ(int(header.at(18)), 1);
    EXPECT_EQ(int(header.at(19)), 1);
    EXPECT_EQ(Archive(location(), Archive::Access::Read).entries().size(), 2u);
}

TEST(SQLiteArchive, RefusesAFileThatIsNoDatabaseInOneLine)
{
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("notes.txt"));
    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.write(QByteArray("These are the notes of the last inspection, not a database.\n").repeated(200));
    file.close();
    const qint64 size = QFileInfo(path).size();
    try {
        Archive archive(parseArchiveUrl(QStringLiteral("sqlite://") + path));
        ADD_FAILURE() << "opened";
    } catch (const ArchiveError &e) {
        EXPECT_TRUE(e.message().startsWith(QStringLiteral("archive sqlite://") + path)) << e.message().toStdString();
        EXPECT_TRUE(e.message().contains(QLatin1String("not a database"))) << e.message().toStdString();
        EXPECT_FALSE(e.message().contains(QLatin1Char('\n')));
    }
    // The file is left as it was.
    EXPECT_EQ(QFileInfo(path).size(), size);
}

TEST(SQLiteArchive, RefusesAnotherProgramsDatabase)
{
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("other.sqlite"));
    {
        QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), QStringLiteral("other"));
        db.setDatabaseName(path);
        ASSERT_TRUE(db.open());
        QSqlQuery(db).exec(QStringLiteral("CREATE TABLE invoices (id INTEGER PRIMARY KEY, total REAL)"));
        db.close();
    }
    QSqlDatabase::removeDatabase(QStringLiteral("other"));
    EXPECT_THROW(Archive(parseArchiveUrl(QStringLiteral("sqlite://") + path)), ArchiveError);
    QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), QStringLiteral("check"));
    db.setDatabaseName(path);
    ASSERT_TRUE(db.open());
    QSqlQuery q(db);
    // Nothing of ours was created in it.
    ASSERT_TRUE(q.exec(QStringLiteral("SELECT count(*) FROM sqlite_master WHERE type = 'table'")));
    ASSERT_TRUE(q.next());
    EXPECT_EQ(q.value(0).toInt(), 1);
    q.finish();
    db.close();
    db = QSqlDatabase();
    QSqlDatabase::removeDatabase(QStringLiteral("check"));
}

TEST(SQLiteArchive, IsCreatedWithItsFolderOnFirstUse)
{
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("data/zirk/archive.sqlite"));
    Archive archive(parseArchiveUrl(QStringLiteral("sqlite://") + path));
    EXPECT_TRUE(QFileInfo::exists(path));
    EXPECT_TRUE(archive.machines().empty());
}

TEST(PostgreSQLArchive, AServerThatRefusesIsOneLineNamingTheArchive)
{
    if (PostgresServer::disabled())
        GTEST_SKIP() << "ZIRK_NO_POSTGRES=1";
    PostgresServer *server = PostgresServer::get();
    ASSERT_TRUE(server);
    struct Case
    {
        QString url;
        const char *why;
    };
    const Case cases[] = {
        {QStringLiteral("postgresql://zirk@:5432/no_such_db?host=") + server->socketFolder(), "does not exist"},
        {QStringLiteral("postgresql://nobody@:5432/postgres?host=") + server->socketFolder(), "nobody"},
        {QStringLiteral("postgresql://zirk@:5999/postgres?host=") + server->socketFolder(), ""},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.url.toStdString());
        try {
            Archive archive(parseArchiveUrl(c.url));
            ADD_FAILURE() << "opened";
        } catch (const ArchiveError &e) {
            EXPECT_TRUE(e.message().startsWith(QStringLiteral("archive ") + c.url)) << e.message().toStdString();
            EXPECT_TRUE(e.message().contains(QLatin1String(c.why))) << e.message().toStdString();
            EXPECT_FALSE(e.message().contains(QLatin1Char('\n')));
        }
    }
}

} // namespace
