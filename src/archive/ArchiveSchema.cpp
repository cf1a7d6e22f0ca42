#include "ArchiveSchema.h"

#include "ArchiveConnection.h"
#include "ArchiveError.h"
#include "ArchiveRows.h"

#include <QSqlQuery>
#include <QStringList>

#include <map>
#include <vector>

namespace {

// Marks a database as ours: the table holds format = kFormat and the schema
// version.  A database with tables but without it belongs to someone else.
const QString kFormat = QStringLiteral("zirk-archive");

// Key of the PostgreSQL advisory lock under which the schema is created or
// upgraded, so that two programs opening a new archive at once do not both
// create it.  Any fixed number works; this one spells "zirk".
constexpr qint64 kSchemaLockKey = 0x7a69726b;

// Both engines read these types alike: TEXT, INTEGER, BIGINT and DOUBLE
// PRECISION (an IEEE double in both, so a stop time comes back bit for bit).
// Only the generated key is spelled differently.
struct NewColumn
{
    const char *table;
    const char *column;
    const char *type;
};

struct SchemaStep
{
    int version;
    std::vector<const char *> statements; // %KEY% is the engine's generated key
    // Added where missing: another version of the program may have added
    // the same column with the same meaning already.
    std::vector<NewColumn> columns = {};
};

// The measurements of version 1 and 2, which version 3 takes over whole.
const char *const kVersion2MeasurementColumns =
    "id, machine, note, measured_at, recorded_at, device_kind, device_parameter, non_industrial, stop_count,"
    " maximum_ms, mean_ms, sigma_ms, mean_plus_3sigma_ms, governing, governing_ms, distance_mm, serial_number,"
    " standstill_speed, calibration_year, calibration_month, calibration_day, calibrated, user_name, company_name,"
    " file_path, file_sha256, standard, installed_mm, verdict";

const std::vector<SchemaStep> &schemaSteps()
{
    static const std::vector<SchemaStep> steps = {
        {1,
         {
             "CREATE TABLE zirk_archive (name TEXT PRIMARY KEY, value TEXT NOT NULL)",
             // The count and the latest time are kept up to date by every
             // add, so the history window lists 2,000 machines without
             // going through 100,000 measurements.
             "CREATE TABLE machines ("
             " id %KEY%,"
             " machine_id TEXT NOT NULL UNIQUE,"
             " measurement_count INTEGER NOT NULL DEFAULT 0,"
             " last_measured_at TEXT)",
             "CREATE TABLE measurements ("
             " id %KEY%,"
             " machine BIGINT NOT NULL REFERENCES machines (id),"
             " note TEXT NOT NULL,"
             " measured_at TEXT NOT NULL,"          // UTC, YYYY-MM-DDTHH:MM:SSZ
             " recorded_at TEXT NOT NULL,"          // UTC, when it entered the archive
             " device_kind INTEGER NOT NULL,"       // 0..6
             " device_parameter DOUBLE PRECISION,"  // d, H, C or h in mm; 0 for kinds without one
             " non_industrial INTEGER NOT NULL,"
             " stop_count INTEGER NOT NULL,"
             " maximum_ms DOUBLE PRECISION,"
             " mean_ms DOUBLE PRECISION,"
             " sigma_ms DOUBLE PRECISION,"
             " mean_plus_3sigma_ms DOUBLE PRECISION,"
             " governing TEXT,"                     // 'max', 'mean+3sigma'; NULL under ten values
             " governing_ms DOUBLE PRECISION,"
             " distance_mm DOUBLE PRECISION,"
             " serial_number TEXT NOT NULL,"
             " standstill_speed INTEGER NOT NULL,"  // mm/s
             " calibration_year INTEGER NOT NULL,"
             " calibration_month INTEGER NOT NULL,"
             " calibration_day INTEGER NOT NULL,"
             " calibrated INTEGER NOT NULL,"
             " user_name TEXT NOT NULL,"
             " company_name TEXT NOT NULL,"
             " file_path TEXT,"
             " file_sha256 TEXT UNIQUE)",
             "CREATE INDEX measurements_by_machine ON measurements (machine, measured_at, id)",
             "CREATE TABLE stop_times ("
             " measurement BIGINT NOT NULL REFERENCES measurements (id),"
             " position INTEGER NOT NULL,"          // 1 for the first value of the series
             " stop_ms DOUBLE PRECISION NOT NULL,"
             " PRIMARY KEY (measurement, position))",
         }},
        {2,
         {},
         {
             // The measurement the user marked as the machine's reference;
             // NULL: its first measurement.
             {"machines", "baseline", "BIGINT"},
             // The standard whose distance was computed (measurements kept
             // before were all by ISO 13855:2010), the distance measured on
             // the machine and how the two compare: 'meets', 'closer', or
             // NULL where there is nothing to compare with.
             {"measurements", "standard", "TEXT NOT NULL DEFAULT 'iso13855-2010'"},
             {"measurements", "installed_mm", "DOUBLE PRECISION"},
             {"measurements", "verdict", "TEXT"},
             // What the fleet overview showed of each machine before it
             // went by safeguard; no longer read.
             {"machines", "latest_id", "BIGINT"},
             {"machines", "latest_governing_id", "BIGINT"},
             {"machines", "previous_governing_id", "BIGINT"},
             {"machines", "first_governing_id", "BIGINT"},
         }},
        {3,
         {
             // A machine's safety devices, each with its own history: named
             // by the user, or unnamed and told apart by kind and parameter
             // (safeguardKey).  The measurements the fleet overview shows
             // of each are kept up to date by every add: the newest that
             // decides its status (ten values and more, a time that places
             // it, with its standard), the newest placed in time at all,
             // and the newest, the one before and the first of those that
             // decide with a governing time; 6,000 safeguards then cost one
             // join, not 24,000 lookups.
             "CREATE TABLE safeguards ("
             " id %KEY%,"
             " machine BIGINT NOT NULL REFERENCES machines (id),"
             " safeguard_key TEXT NOT NULL,"
             " name TEXT NOT NULL,"                 // '' for an unnamed one
             " device_kind INTEGER NOT NULL,"       // of its newest measurement
             " device_parameter DOUBLE PRECISION,"
             " measurement_count INTEGER NOT NULL DEFAULT 0,"
             " baseline BIGINT,"                    // the marked reference; NULL: the first
             " latest_id BIGINT,"
             " newest_id BIGINT,"
             " latest_governing_id BIGINT,"
             " previous_governing_id BIGINT,"
             " first_governing_id BIGINT,"
             " UNIQUE (machine, safeguard_key))",
         }},
    };
    return steps;
}

// The measurements table of version 3 in full; SQLite cannot let go of a
// NOT NULL in place, so it is built anew there.
const char *const kVersion3Measurements =
    "CREATE TABLE measurements_v3 ("
    " id INTEGER PRIMARY KEY,"
    " machine BIGINT NOT NULL REFERENCES machines (id),"
    " safeguard BIGINT REFERENCES safeguards (id),"
    " note TEXT NOT NULL,"
    " measured_at TEXT NOT NULL,"
    " recorded_at TEXT NOT NULL,"
    " device_kind INTEGER NOT NULL,"
    " device_parameter DOUBLE PRECISION,"
    " non_industrial INTEGER NOT NULL,"
    " stop_count INTEGER NOT NULL,"
    " maximum_ms DOUBLE PRECISION,"
    " mean_ms DOUBLE PRECISION,"
    " sigma_ms DOUBLE PRECISION,"
    " mean_plus_3sigma_ms DOUBLE PRECISION,"
    " governing TEXT,"
    " governing_ms DOUBLE PRECISION,"
    " distance_mm DOUBLE PRECISION,"
    " serial_number TEXT NOT NULL,"
    " standstill_speed INTEGER NOT NULL,"
    " calibration_year INTEGER NOT NULL,"
    " calibration_month INTEGER NOT NULL,"
    " calibration_day INTEGER NOT NULL,"
    " calibrated INTEGER NOT NULL,"
    " user_name TEXT NOT NULL,"
    " company_name TEXT NOT NULL,"
    " file_path TEXT,"
    " file_sha256 TEXT UNIQUE,"
    " standard TEXT,"
    " installed_mm DOUBLE PRECISION,"
    " verdict TEXT)";

// What version 3 adds to every measurement: the safeguard (above), the
// standard's entries (0 in entries_kept: kept before they were), why its
// time cannot place it, and its identity (measurementIdentity).
const NewColumn kVersion3Columns[] = {
    {"measurements", "tr_ms", "DOUBLE PRECISION"},
    {"measurements", "brake_monitor_ms", "DOUBLE PRECISION"},
    {"measurements", "k_mm_per_s", "DOUBLE PRECISION"},
    {"measurements", "dds_mm", "DOUBLE PRECISION"},
    {"measurements", "z_mm", "DOUBLE PRECISION"},
    {"measurements", "dpf_mm", "DOUBLE PRECISION"},
    {"measurements", "no_encroachment", "INTEGER NOT NULL DEFAULT 0"},
    {"measurements", "entries_kept", "INTEGER NOT NULL DEFAULT 0"},
    {"measurements", "time_flag", "TEXT"},
    {"measurements", "identity", "TEXT"},
};

void addColumn(ArchiveConnection &c, const NewColumn &column, const QString &what)
{
    const QString name = QString::fromLatin1(column.column);
    const QString table = QString::fromLatin1(column.table);
    QSqlQuery q(c.database());
    if (c.isPostgreSQL()) {
        if (!q.exec(QStringLiteral("ALTER TABLE %1 ADD COLUMN IF NOT EXISTS %2 %3")
                        .arg(table, name, QLatin1String(column.type))))
            c.fail(what, oneLine(q.lastError()));
        return;
    }
    if (!q.exec(QStringLiteral("PRAGMA table_info(%1)").arg(table)))
        c.fail(what, oneLine(q.lastError()));
    while (q.next()) {
        if (q.value(1).toString().compare(name, Qt::CaseInsensitive) == 0)
            return;
    }
    q.finish();
    if (!q.exec(QStringLiteral("ALTER TABLE %1 ADD COLUMN %2 %3").arg(table, name, QLatin1String(column.type))))
        c.fail(what, oneLine(q.lastError()));
}

// Version 3: the measurements go by safeguard.  Each kept one goes to the
// unnamed safeguard of its machine, kind and parameter; the machine's marked
// reference becomes its safeguard's; and each gets what the archive now
// knows of every measurement it keeps.
void upgradeToVersion3(ArchiveConnection &c, const QString &what)
{
    if (c.isPostgreSQL()) {
        c.exec(QStringLiteral("ALTER TABLE measurements ALTER COLUMN standard DROP NOT NULL,"
                              " ALTER COLUMN standard DROP DEFAULT,"
                              " ADD COLUMN IF NOT EXISTS safeguard BIGINT REFERENCES safeguards (id)"),
               what);
    } else {
        // The stop times name the measurements by id, which the new table
        // keeps (foreign keys are off for the upgrade, see prepare).
        c.exec(QString::fromLatin1(kVersion3Measurements), what);
        c.exec(QStringLiteral("INSERT INTO measurements_v3 (%1) SELECT %1 FROM measurements")
                   .arg(QLatin1String(kVersion2MeasurementColumns)),
               what);
        c.exec(QStringLiteral("DROP TABLE measurements"), what);
        c.exec(QStringLiteral("ALTER TABLE measurements_v3 RENAME TO measurements"), what);
        c.exec(QStringLiteral("CREATE INDEX measurements_by_machine ON measurements (machine, measured_at, id)"),
               what);
        QSqlQuery &check = c.run(QStringLiteral("PRAGMA foreign_key_check"), {}, what);
        const bool broken = check.next();
        check.finish();
        if (broken)
            c.fail(what, QStringLiteral("a stop time lost its measurement"));
    }
    for (const NewColumn &column : kVersion3Columns)
        addColumn(c, column, what);

    // The unnamed safeguards.
    struct Group
    {
        qint64 machine;
        int kind;
        std::optional<double> parameter;
    };
    std::vector<Group> groups;
    {
        QSqlQuery &q = c.run(QStringLiteral("SELECT DISTINCT machine, device_kind, device_parameter FROM measurements"),
                             {}, what);
        while (q.next())
            groups.push_back({q.value(0).toLongLong(), q.value(1).toInt(), optionalDouble(q, 2)});
        q.finish();
    }
    for (const Group &g : groups) {
        QSqlQuery &inserted = c.run(QStringLiteral("INSERT INTO safeguards (machine, safeguard_key, name, device_kind,"
                                                   " device_parameter) VALUES (?, ?, '', ?, ?) RETURNING id"),
                                    {g.machine, safeguardKey(QString(), g.kind, g.parameter), g.kind,
                                     optionalValue(g.parameter)},
                                    what);
        if (!inserted.next())
            c.fail(what, QStringLiteral("a safeguard was not kept"));
        const qint64 id = inserted.value(0).toLongLong();
        inserted.finish();
        c.run(QStringLiteral("UPDATE measurements SET safeguard = ? WHERE machine = ? AND device_kind = ?"
                             " AND device_parameter IS NOT DISTINCT FROM ?"),
              {id, g.machine, g.kind, optionalValue(g.parameter)}, what);
    }
    c.exec(QStringLiteral("UPDATE safeguards SET baseline = (SELECT mc.baseline FROM machines mc"
                          " JOIN measurements x ON x.id = mc.baseline"
                          " WHERE mc.id = safeguards.machine AND x.safeguard = safeguards.id)"),
           what);

    // Identity and time flag of every kept measurement, from its row and
    // stop times; its time is judged against when it was recorded.
    std::map<qint64, std::vector<double>> series;
    {
        QSqlQuery &q = c.run(QStringLiteral("SELECT measurement, stop_ms FROM stop_times ORDER BY measurement, position"),
                             {}, what);
        while (q.next())
            series[q.value(0).toLongLong()].push_back(q.value(1).toDouble());
        q.finish();
    }
    struct Row
    {
        qint64 id;
        QString identity;
        QString flag;
    };
    std::vector<Row> rows;
    {
        QSqlQuery &q = c.run(QStringLiteral("SELECT id, recorded_at, %1 FROM measurements").arg(measurementColumnList()),
                             {}, what);
        while (q.next()) {
            ArchiveMeasurement m;
            readMeasurementColumns(q, 2, m);
            const qint64 id = q.value(0).toLongLong();
            m.stopTimes = series[id];
            m.entriesKept = false;
            rows.push_back({id, measurementIdentity(m), timeFlag(m.measuredAt, timeFromText(q.value(1).toString()))});
        }
        q.finish();
    }
    for (const Row &r : rows)
        c.run(QStringLiteral("UPDATE measurements SET identity = ?, time_flag = ?, entries_kept = 0 WHERE id = ?"),
              {r.identity, r.flag.isEmpty() ? nullText() : QVariant(r.flag), r.id}, what);

    c.exec(QStringLiteral("CREATE INDEX measurements_by_safeguard ON measurements (safeguard, measured_at, id)"), what);
    c.exec(QStringLiteral("CREATE INDEX measurements_by_identity ON measurements (safeguard, identity)"), what);
    ArchiveSchema::refreshSafeguards(c, what);
    c.exec(QStringLiteral("UPDATE machines SET last_measured_at = (SELECT max(x.measured_at) FROM measurements x"
                          " WHERE x.machine = machines.id AND %1)")
               .arg(decidesSql(QStringLiteral("x."))),
           what);
}

int storedSchemaVersion(ArchiveConnection &c, bool &foreign)
{
    foreign = false;
    const QString tablesSql = c.isPostgreSQL()
        ? QStringLiteral("SELECT table_name FROM information_schema.tables WHERE table_schema = current_schema()")
        : QStringLiteral("SELECT name FROM sqlite_master WHERE type = 'table' AND name NOT LIKE 'sqlite_%'");
    QSqlQuery &tables = c.run(tablesSql, {}, QStringLiteral("cannot be opened"));
    QStringList names;
    while (tables.next())
        names.append(tables.value(0).toString());
    tables.finish();
    if (names.isEmpty())
        return 0;
    if (!names.contains(QLatin1String("zirk_archive"))) {
        foreign = true;
        return 0;
    }

    QSqlQuery &q = c.run(QStringLiteral("SELECT name, value FROM zirk_archive"), {}, QStringLiteral("cannot be opened"));
    QString format;
    int version = -1;
    while (q.next()) {
        const QString name = q.value(0).toString();
        if (name == QLatin1String("format"))
            format = q.value(1).toString();
        else if (name == QLatin1String("schema_version")) {
            bool ok = false;
            version = q.value(1).toString().toInt(&ok);
            if (!ok)
                version = -1;
        }
    }
    if (format != kFormat || version < 1)
        foreign = true;
    return version;
}

void upgradeFrom(ArchiveConnection &c, int version)
{
    const QString what = version == 0 ? QStringLiteral("cannot be created") : QStringLiteral("cannot be upgraded");
    for (const SchemaStep &step : schemaSteps()) {
        if (step.version <= version)
            continue;
        for (const char *statement : step.statements)
            c.exec(QString::fromLatin1(statement).replace(QLatin1String("%KEY%"), c.keyColumnType()), what);
        for (const NewColumn &column : step.columns)
            addColumn(c, column, what);
        if (step.version == 3)
            upgradeToVersion3(c, what);
    }
    if (version == 0)
        c.run(QStringLiteral("INSERT INTO zirk_archive (name, value) VALUES ('format', ?)"), {kFormat}, what);
    const QString versionSql = version == 0
        ? QStringLiteral("INSERT INTO zirk_archive (name, value) VALUES ('schema_version', ?)")
        : QStringLiteral("UPDATE zirk_archive SET value = ? WHERE name = 'schema_version'");
    c.run(versionSql, {QString::number(ArchiveSchema::kVersion)}, what);
}

} // namespace

namespace ArchiveSchema {

void refreshSafeguards(ArchiveConnection &c, const QString &what, qint64 safeguard)
{
    const QString decides = decidesSql(QStringLiteral("x."));
    const QString own = QStringLiteral("x.safeguard = safeguards.id");
    QString sql = QStringLiteral(
                      "UPDATE safeguards SET"
                      " measurement_count = (SELECT count(*) FROM measurements x WHERE %1),"
                      " latest_id = (SELECT x.id FROM measurements x WHERE %1 AND %2"
                      " ORDER BY x.measured_at DESC, x.id DESC LIMIT 1),"
                      " newest_id = (SELECT x.id FROM measurements x WHERE %1 AND x.time_flag IS NULL"
                      " ORDER BY x.measured_at DESC, x.id DESC LIMIT 1),"
                      " latest_governing_id = (SELECT x.id FROM measurements x WHERE %1 AND %2"
                      " AND x.governing_ms IS NOT NULL ORDER BY x.measured_at DESC, x.id DESC LIMIT 1),"
                      " previous_governing_id = (SELECT x.id FROM measurements x WHERE %1 AND %2"
                      " AND x.governing_ms IS NOT NULL ORDER BY x.measured_at DESC, x.id DESC LIMIT 1 OFFSET 1),"
                      " first_governing_id = (SELECT x.id FROM measurements x WHERE %1 AND %2"
                      " AND x.governing_ms IS NOT NULL ORDER BY x.measured_at, x.id LIMIT 1)")
                      .arg(own, decides);
    if (safeguard != 0) {
        c.run(sql + QStringLiteral(" WHERE id = ?"), {safeguard}, what);
        return;
    }
    c.exec(sql, what);
}

void prepare(ArchiveConnection &c)
{
    // Read without a lock first: an archive that is up to date, which is
    // every open but the first, is never locked for writing by opening it.
    bool foreign = false;
    int version = 0;
    {
        const ArchiveConnection::FinishStatements finish(c);
        version = storedSchemaVersion(c, foreign);
    }
    auto refuseForeignOrNewer = [&] {
        if (foreign)
            c.fail(QStringLiteral("not a Zirk archive"),
                   QStringLiteral("the database holds other tables; name an empty database or a new file"));
        if (version > kVersion)
            c.fail(QStringLiteral("written by a newer Zirk"),
                   QStringLiteral("schema version %1, this program knows up to %2").arg(version).arg(kVersion));
    };
    refuseForeignOrNewer();
    if (version == kVersion)
        return;
    if (c.access() == ArchiveConnection::Access::Read && !c.isPostgreSQL()) {
        if (version == 0) {
            // An empty file reads as an empty archive, and stays untouched.
            c.reopenInMemory();
            upgradeFrom(c, 0);
            return;
        }
        // An older archive is brought up to date once, by a writer of its
        // own, where this user may write; else it cannot be read.
        try {
            ArchiveConnection writer(c.location(), ArchiveConnection::Access::Write);
            prepare(writer);
        } catch (const ArchiveError &) {
            c.fail(QStringLiteral("written by an older Zirk"),
                   QStringLiteral("schema version %1; a user who may write to it must open it once").arg(version));
        }
        const ArchiveConnection::FinishStatements finish(c);
        version = storedSchemaVersion(c, foreign);
        if (version != kVersion)
            c.fail(QStringLiteral("cannot be opened"),
                   QStringLiteral("schema version %1 after the upgrade").arg(version));
        return;
    }

    // SQLite builds a table anew in an upgrade, which its foreign keys
    // would refuse while the old one is gone; they can only be switched
    // outside a transaction, and are checked before the commit instead.
    struct ForeignKeysOff
    {
        ArchiveConnection &c;
        explicit ForeignKeysOff(ArchiveConnection &connection) : c(connection)
        {
            if (!c.isPostgreSQL())
                c.exec(QStringLiteral("PRAGMA foreign_keys = OFF"), QStringLiteral("cannot be opened"));
        }
        ~ForeignKeysOff()
        {
            if (!c.isPostgreSQL())
                QSqlQuery(c.database()).exec(QStringLiteral("PRAGMA foreign_keys = ON"));
        }
    } foreignKeysOff(c);
    ArchiveConnection::Transaction transaction(c, QStringLiteral("cannot be opened"));
    if (c.isPostgreSQL())
        c.run(QStringLiteral("SELECT pg_advisory_xact_lock(?)"), {kSchemaLockKey}, QStringLiteral("cannot be opened"));
    // Another program may have created or upgraded it since the look above.
    version = storedSchemaVersion(c, foreign);
    refuseForeignOrNewer();
    if (version == kVersion)
        return; // rolled back: nothing was written
    upgradeFrom(c, version);
    transaction.commit();
}

} // namespace ArchiveSchema
