// The machine archive at the size of a long-serving team: 100,000
// measurements of 20 stop times over 2,000 machines of three safeguards each.  What the history
// window loads (the machine list, one machine's history and trend) and
// `zirk-cli archive add` of 10,000 project files, on SQLite and on a
// PostgreSQL server this program starts with durable commits
// (tests/archive/postgres-server.sh; ZIRK_NO_POSTGRES=1 leaves it out).
#include <benchmark/benchmark.h>

#include "archive/Archive.h"
#include "archive/ArchiveConnection.h"
#include "archive/ArchiveLocation.h"
#include "archive/ArchiveSchema.h"
#include "archive/FleetOverview.h"
#include "archive/Trend.h"
#include "project/ProjectFile.h"

#include <QApplication>
#include <QDir>
#include <QFile>
#include <QProcess>
#include <QSqlDatabase>
#include <QSqlError>
#include <QSqlQuery>
#include <QTemporaryDir>

#include <cstdlib>
#include <map>
#include <memory>

namespace {

constexpr int kMachines = 2000;
constexpr int kMeasurements = 100000;
constexpr int kStopTimes = 20;
constexpr int kProjectFiles = 10000;
// A light curtain, a door and an emergency stop on every machine.
constexpr int kKinds[3] = {0, 5, 4};
const char *const kScript = ZIRK_SOURCE_DIR "/tests/archive/postgres-server.sh";

// The SQL drivers are plugins; the application object is the one the
// window benchmarks in this program share.
void needApplication()
{
    static int argc = 1;
    static char name[] = "zirk_bench";
    static char *argv[] = {name, nullptr};
    if (!QApplication::instance()) {
        if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
            qputenv("QT_QPA_PLATFORM", "offscreen");
        new QApplication(argc, argv);
    }
}

struct PostgresServer
{
    QString folder;
    QString state;
    ~PostgresServer()
    {
        if (!state.isEmpty())
            (void)std::system(("sh " + QByteArray(kScript) + " stop " + state.toLocal8Bit()).constData());
    }
};

// A durable server for the run, or nullptr when there is none.
PostgresServer *postgres()
{
    static std::unique_ptr<PostgresServer> server = []() -> std::unique_ptr<PostgresServer> {
        if (qgetenv("ZIRK_NO_POSTGRES") == "1")
            return nullptr;
        static QTemporaryDir dir;
        auto s = std::make_unique<PostgresServer>();
        s->state = dir.filePath(QStringLiteral("state"));
        qputenv("PGPASSWORD", "zirk-test");
        if (QProcess::execute(QStringLiteral("sh"), {QLatin1String(kScript), QStringLiteral("start"), s->state,
                                                     QStringLiteral("--durable")}) != 0) {
            s->state.clear();
            return nullptr;
        }
        QFile f(s->state);
        f.open(QIODevice::ReadOnly);
        s->folder = QString::fromLocal8Bit(f.readAll()).trimmed();
        return s;
    }();
    return server.get();
}

QString newPostgresDatabase(const QString &name)
{
    PostgresServer *server = postgres();
    if (!server)
        return QString();
    {
        QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QPSQL"), QStringLiteral("bench-admin"));
        db.setHostName(server->folder);
        db.setUserName(QStringLiteral("zirk"));
        db.setDatabaseName(QStringLiteral("postgres"));
        if (!db.open())
            return QString();
        QSqlQuery(db).exec(QStringLiteral("DROP DATABASE IF EXISTS %1").arg(name));
        QSqlQuery(db).exec(QStringLiteral("CREATE DATABASE %1").arg(name));
    }
    QSqlDatabase::removeDatabase(QStringLiteral("bench-admin"));
    return QStringLiteral("postgresql://zirk@:5432/%1?host=%2").arg(name, server->folder);
}

QString machineName(int i)
{
    return QStringLiteral("Press %1").arg(i + 1);
}

// Fills a new archive by plain SQL in one transaction: the figures below are
// about reading it, not about how it was filled.
bool fill(const QString &url)
{
    const ArchiveLocation location = parseArchiveUrl(url);
    { Archive create(location); } // the schema
    const bool pg = location.engine == ArchiveLocation::Engine::PostgreSQL;
    QSqlDatabase db = QSqlDatabase::addDatabase(pg ? QStringLiteral("QPSQL") : QStringLiteral("QSQLITE"),
                                                QStringLiteral("bench-fill"));
    db.setDatabaseName(pg ? location.databaseName : location.filePath);
    db.setHostName(location.hostName);
    db.setUserName(location.userName);
    bool ok = db.open();
    QSqlQuery q(db);
    auto exec = [&](const QString &sql) {
        if (ok && !q.exec(sql)) {
            qWarning("%s", qPrintable(q.lastError().text()));
            ok = false;
        }
    };
    exec(QStringLiteral("BEGIN"));
    QString sql;
    for (int i = 0; i < kMachines; ++i) {
        sql += (i % 1000 == 0 ? QStringLiteral("INSERT INTO machines (id, machine_id) VALUES ") : QStringLiteral(", "))
            + QStringLiteral("(%1, '%2')").arg(i + 1).arg(machineName(i));
        if (i % 1000 == 999 || i == kMachines - 1) {
            exec(sql);
            sql.clear();
        }
    }
    const QDateTime start(QDate(2015, 1, 1), QTime(8, 0), Qt::UTC);
    QString times;
    for (int m = 0; m < kMeasurements; ++m) {
        const int machine = m % kMachines;
        const double governing = 100.0 + (m / kMachines) * 0.5 + machine % 7;
        const QString when = start.addSecs(qint64(m) * 3600).toString(QStringLiteral("yyyy-MM-dd'T'HH:mm:ss'Z'"));
        sql += (m % 50 == 0 ? QStringLiteral(
                                   "INSERT INTO measurements (id, machine, note, measured_at, recorded_at, device_kind,"
                                   " device_parameter, non_industrial, stop_count, maximum_ms, mean_ms, sigma_ms,"
                                   " mean_plus_3sigma_ms, governing, governing_ms, distance_mm, serial_number,"
                                   " standstill_speed, calibration_year, calibration_month, calibration_day,"
                                   " calibrated, user_name, company_name, file_path, file_sha256, standard)"
                                   " VALUES ")
                             : QStringLiteral(", "))
            + QStringLiteral("(%1, %2, 'yearly check', '%3', '%3', %10, 14, 0, %4, %5, %6, 1.5, %7, 'max', %5, %8,"
                             " '0123456789ABCD', 10, 2024, 3, 5, 1, 'Anna', 'Prüf KG', '/data/p%1.zPRJ', '%9',"
                             " 'iso13855-2010')")
                  .arg(m + 1)
                  .arg(machine + 1)
                  .arg(when)
                  .arg(kStopTimes)
                  .arg(governing)
                  .arg(governing - 2.0)
                  .arg(governing - 0.1)
                  .arg(2.0 * governing)
                  .arg(QStringLiteral("%1").arg(m + 1, 64, 10, QLatin1Char('0')))
                  .arg(kKinds[(m / kMachines) % 3]);
        // The measurements go in before their stop times.
        if (m % 50 == 49 || m == kMeasurements - 1) {
            exec(sql);
            sql.clear();
        }
        for (int i = 0; i < kStopTimes; ++i) {
            times += (times.isEmpty() ? QStringLiteral("INSERT INTO stop_times (measurement, position, stop_ms) VALUES ")
                                      : QStringLiteral(", "))
                + QStringLiteral("(%1, %2, %3)").arg(m + 1).arg(i + 1).arg(governing - 0.1 * i);
        }
        if (m % 50 == 49) {
            exec(times);
            times.clear();
        }
    }
    if (!times.isEmpty())
        exec(times);
    exec(QStringLiteral("UPDATE machines SET measurement_count = (SELECT count(*) FROM measurements x"
                        " WHERE x.machine = machines.id), last_measured_at = (SELECT max(measured_at) FROM"
                        " measurements x WHERE x.machine = machines.id)"));
    // Each machine's three safeguards, unnamed, by kind.
    exec(QStringLiteral("INSERT INTO safeguards (machine, safeguard_key, name, device_kind, device_parameter)"
                        " SELECT DISTINCT machine, 'kind:' || device_kind || ':14', '', device_kind, 14"
                        " FROM measurements"));
    exec(QStringLiteral("UPDATE measurements SET safeguard = (SELECT s.id FROM safeguards s"
                        " WHERE s.machine = measurements.machine AND s.device_kind = measurements.device_kind)"));
    if (pg) {
        // The generated keys go on after the ids given here.
        exec(QStringLiteral("SELECT setval(pg_get_serial_sequence('machines', 'id'), %1)").arg(kMachines));
        exec(QStringLiteral("SELECT setval(pg_get_serial_sequence('measurements', 'id'), %1)").arg(kMeasurements));
    }
    exec(QStringLiteral("COMMIT"));
    q = QSqlQuery();
    db.close();
    db = QSqlDatabase();
    QSqlDatabase::removeDatabase(QStringLiteral("bench-fill"));
    if (!ok)
        return false;
    // What the fleet overview reads, as every add keeps it.
    ArchiveConnection connection(location, ArchiveConnection::Access::Write);
    ArchiveSchema::refreshSafeguards(connection, QStringLiteral("cannot be filled"));
    if (pg)
        connection.exec(QStringLiteral("ANALYZE"), QStringLiteral("cannot be analysed"));
    return true;
}

// The full archive of one engine, filled once per run.
Archive *fullArchive(bool pg)
{
    needApplication();
    static QTemporaryDir dir;
    static std::unique_ptr<Archive> archives[2];
    std::unique_ptr<Archive> &archive = archives[pg ? 1 : 0];
    if (!archive) {
        const QString url = pg ? newPostgresDatabase(QStringLiteral("zirk_bench_full"))
                               : QStringLiteral("sqlite://") + dir.filePath(QStringLiteral("full.sqlite"));
        if (url.isEmpty() || !fill(url))
            return nullptr;
        archive = std::make_unique<Archive>(parseArchiveUrl(url));
    }
    return archive.get();
}

void BM_MachineList(benchmark::State &state)
{
    Archive *archive = fullArchive(state.range(0) == 1);
    if (!archive) {
        state.SkipWithError("no archive (PostgreSQL server?)");
        return;
    }
    for (auto _ : state) {
        const std::vector<ArchiveMachine> machines = archive->machines();
        if (machines.size() != kMachines)
            state.SkipWithError("wrong number of machines");
        benchmark::DoNotOptimize(machines.data());
    }
}
BENCHMARK(BM_MachineList)->ArgName("postgres")->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond);

// The list as the search field narrows it.
void BM_MachineSearch(benchmark::State &state)
{
    Archive *archive = fullArchive(state.range(0) == 1);
    if (!archive) {
        state.SkipWithError("no archive (PostgreSQL server?)");
        return;
    }
    for (auto _ : state)
        benchmark::DoNotOptimize(archive->machines(QStringLiteral("ss 12")).data());
}
BENCHMARK(BM_MachineSearch)->ArgName("postgres")->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond);

// One machine's 50 measurements and its trend, as the window shows them.
void BM_MachineHistory(benchmark::State &state)
{
    Archive *archive = fullArchive(state.range(0) == 1);
    if (!archive) {
        state.SkipWithError("no archive (PostgreSQL server?)");
        return;
    }
    int i = 0;
    for (auto _ : state) {
        const std::vector<ArchiveEntry> entries = archive->entries(machineName(i++ % kMachines));
        if (entries.size() != kMeasurements / kMachines)
            state.SkipWithError("wrong number of measurements");
        benchmark::DoNotOptimize(machineTrend(entries, 10.0).changePercent);
    }
}
BENCHMARK(BM_MachineHistory)->ArgName("postgres")->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond);

// The fleet overview of all 2,000 machines as the history window opens on it
// and zirk-cli archive overview prints it: the archive's one statement and
// the due dates and statuses.
void BM_FleetOverview(benchmark::State &state)
{
    Archive *archive = fullArchive(state.range(0) == 1);
    if (!archive) {
        state.SkipWithError("no archive (PostgreSQL server?)");
        return;
    }
    const QDate today(2026, 12, 10);
    for (auto _ : state) {
        const std::vector<FleetMachineRow> rows = fleetRows(archive->overview(), today, 12, 10.0);
        if (rows.size() != kMachines)
            state.SkipWithError("wrong number of machines");
        benchmark::DoNotOptimize(rows.data());
    }
}
BENCHMARK(BM_FleetOverview)->ArgName("postgres")->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond);

// Opening one measurement with its stop times.
void BM_OpenMeasurement(benchmark::State &state)
{
    Archive *archive = fullArchive(state.range(0) == 1);
    if (!archive) {
        state.SkipWithError("no archive (PostgreSQL server?)");
        return;
    }
    qint64 id = 1;
    for (auto _ : state) {
        benchmark::DoNotOptimize(archive->measurement(id));
        id = id % kMeasurements + 7919;
    }
}
BENCHMARK(BM_OpenMeasurement)->ArgName("postgres")->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond);

// `count` project files of 20 values each over `machines` machines, four a
// day from 2016 on; made once per shape.
const QStringList &projectFiles(int count = kProjectFiles, int machines = kMachines)
{
    static QTemporaryDir dir;
    static std::map<std::pair<int, int>, QStringList> made;
    QStringList &list = made[{count, machines}];
    if (!list.isEmpty())
        return list;
    const QString folder = QStringLiteral("%1-%2").arg(count).arg(machines);
    QDir(dir.path()).mkpath(folder);
    for (int i = 0; i < count; ++i) {
        std::vector<double> values;
        for (int v = 0; v < kStopTimes; ++v)
            values.push_back(100.0 + (i % 97) + 0.1 * v + 0.001 * (i / 97));
        ProjectRecord record;
        record.setSafetyDeviceId(0);
        record.setResolution(14.0);
        record.setHeight(-1.0);
        record.setText(ProjectRecord::Text::MachineID, machineName(i % machines).toLatin1());
        record.setText(ProjectRecord::Text::SerialNumber, QByteArray("0123456789ABCD"));
        const QString name = dir.filePath(folder + QStringLiteral("/Project_%1_%2_.zPRJ")
                                                       .arg(QDate(2016, 1, 1).addDays(i / 4).toString(QStringLiteral("yyyyMMdd")))
                                                       .arg((i % 4) * 6, 2, 10, QLatin1Char('0')) + QStringLiteral("00"));
        QFile file(name);
        if (!file.open(QIODevice::WriteOnly) || !writeProjectFile(file, values, record, ProjectPictures()))
            std::abort();
        list << name;
    }
    return list;
}

// zirk-cli archive add of the files into a new archive, the whole process
// as a script runs it; false when it failed.
bool addWithZirkCli(benchmark::State &state, bool pg, const QStringList &files)
{
    static int run = 0;
    state.PauseTiming();
    static QTemporaryDir dir;
    const QString url = pg ? newPostgresDatabase(QStringLiteral("zirk_bench_add_%1").arg(run))
                           : QStringLiteral("sqlite://") + dir.filePath(QStringLiteral("add%1.sqlite").arg(run));
    ++run;
    if (url.isEmpty()) {
        state.SkipWithError("no PostgreSQL server");
        return false;
    }
    QProcess cli;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(QStringLiteral("ZIRK_ARCHIVE"), url);
    cli.setProcessEnvironment(env);
    cli.setStandardOutputFile(QProcess::nullDevice());
    state.ResumeTiming();
    cli.start(QStringLiteral(ZIRK_BINARY_DIR "/zirk-cli"), QStringList{"archive", "add", "--json"} + files);
    if (!cli.waitForFinished(600000) || cli.exitCode() != 0) {
        state.SkipWithError("zirk-cli archive add failed");
        return false;
    }
    return true;
}

// An add must not grow with the history of the safeguard it goes to: 4,000
// files on 5 machines (800 measurements each) against the same number on
// 1,000 machines; and 2,000 files on 400 machines.
void BM_ArchiveAddHistoryDepth(benchmark::State &state)
{
    needApplication();
    const bool pg = state.range(0) == 1;
    const int files = int(state.range(1));
    const int machines = int(state.range(2));
    const QStringList &list = projectFiles(files, machines);
    for (auto _ : state) {
        if (!addWithZirkCli(state, pg, list))
            return;
    }
    state.counters["files"] = files;
    state.counters["machines"] = machines;
}
BENCHMARK(BM_ArchiveAddHistoryDepth)
    ->ArgNames({"postgres", "files", "machines"})
    ->Args({0, 4000, 5})
    ->Args({0, 4000, 1000})
    ->Args({0, 2000, 400})
    ->Args({1, 4000, 5})
    ->Args({1, 4000, 1000})
    ->Args({1, 2000, 400})
    ->Iterations(1)
    ->Unit(benchmark::kSecond)
    ->UseRealTime();

// zirk-cli archive add of 10,000 project files into a new archive, the whole
// process as a script runs it.
void BM_ArchiveAddProjectFiles(benchmark::State &state)
{
    needApplication();
    const QStringList &files = projectFiles();
    for (auto _ : state) {
        if (!addWithZirkCli(state, state.range(0) == 1, files))
            return;
    }
    state.counters["files"] = kProjectFiles;
}
BENCHMARK(BM_ArchiveAddProjectFiles)->ArgName("postgres")->Arg(0)->Arg(1)->Iterations(1)->Unit(benchmark::kSecond)->UseRealTime();

} // namespace
