#include "Archive.h"

#include "ArchiveError.h"

#include <QDir>
#include <QFileInfo>
#include <QSqlDriver>
#include <QSqlError>
#include <QSqlField>
#include <QSqlQuery>
#include <QSqlRecord>
#include <QVariant>

#include <algorithm>
#include <cmath>

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
             // What the fleet overview shows of each machine, kept up to date
             // by every add: the newest measurement, the newest and the one
             // before among those with a governing time, and the first of
             // those.  2,000 machines then cost one join, not 8,000 lookups.
             {"machines", "latest_id", "BIGINT"},
             {"machines", "latest_governing_id", "BIGINT"},
             {"machines", "previous_governing_id", "BIGINT"},
             {"machines", "first_governing_id", "BIGINT"},
         }},
    };
    return steps;
}

// The engine's error as one line: libpq's messages run over several.
QString oneLine(const QSqlError &error)
{
    QString text = error.databaseText().trimmed();
    if (text.isEmpty())
        text = error.driverText().trimmed();
    return text.simplified();
}

QString timeText(const QDateTime &when)
{
    return when.toUTC().toString(QStringLiteral("yyyy-MM-dd'T'HH:mm:ss'Z'"));
}

QDateTime timeFromText(const QString &text)
{
    return QDateTime::fromString(text, Qt::ISODate);
}

QVariant optionalValue(const std::optional<double> &v)
{
    return v ? QVariant(*v) : QVariant();
}

std::optional<double> optionalDouble(const QSqlQuery &q, int column)
{
    if (q.isNull(column))
        return std::nullopt;
    return q.value(column).toDouble();
}

const char *governingText(GoverningStatistic g)
{
    switch (g) {
    case GoverningStatistic::Maximum:
        return "max";
    case GoverningStatistic::MeanPlus3Sigma:
        return "mean+3sigma";
    case GoverningStatistic::None:
        break;
    }
    return nullptr;
}

GoverningStatistic governingFromText(const QString &text)
{
    if (text == QLatin1String("max"))
        return GoverningStatistic::Maximum;
    if (text == QLatin1String("mean+3sigma"))
        return GoverningStatistic::MeanPlus3Sigma;
    return GoverningStatistic::None;
}

// "Press 9" before "Press 10" and "press 11": runs of digits compare by
// their value, other characters without regard to letter case.
int compareMachineIds(const QString &a, const QString &b)
{
    qsizetype i = 0;
    qsizetype j = 0;
    while (i < a.size() && j < b.size()) {
        if (a[i].isDigit() && b[j].isDigit()) {
            qsizetype endA = i;
            qsizetype endB = j;
            while (endA < a.size() && a[endA].isDigit())
                ++endA;
            while (endB < b.size() && b[endB].isDigit())
                ++endB;
            // Leading zeros do not make a number greater.
            qsizetype startA = i;
            qsizetype startB = j;
            while (startA + 1 < endA && a[startA] == QLatin1Char('0'))
                ++startA;
            while (startB + 1 < endB && b[startB] == QLatin1Char('0'))
                ++startB;
            if (endA - startA != endB - startB)
                return endA - startA < endB - startB ? -1 : 1;
            const int order = QStringView(a).sliced(startA, endA - startA).compare(QStringView(b).sliced(startB, endB - startB));
            if (order != 0)
                return order;
            i = endA;
            j = endB;
            continue;
        }
        const char32_t ca = a[i].toCaseFolded().unicode();
        const char32_t cb = b[j].toCaseFolded().unicode();
        if (ca != cb)
            return ca < cb ? -1 : 1;
        ++i;
        ++j;
    }
    if (i < a.size())
        return 1;
    if (j < b.size())
        return -1;
    return 0;
}

// The overview's columns of machines from the machine's measurements; each
// subquery walks the index (machine, measured_at, id) from one end.
const QString kOverviewColumns = QStringLiteral(
    "latest_id = (SELECT x.id FROM measurements x WHERE x.machine = machines.id"
    " ORDER BY x.measured_at DESC, x.id DESC LIMIT 1),"
    " latest_governing_id = (SELECT x.id FROM measurements x WHERE x.machine = machines.id"
    " AND x.governing_ms IS NOT NULL ORDER BY x.measured_at DESC, x.id DESC LIMIT 1),"
    " previous_governing_id = (SELECT x.id FROM measurements x WHERE x.machine = machines.id"
    " AND x.governing_ms IS NOT NULL ORDER BY x.measured_at DESC, x.id DESC LIMIT 1 OFFSET 1),"
    " first_governing_id = (SELECT x.id FROM measurements x WHERE x.machine = machines.id"
    " AND x.governing_ms IS NOT NULL ORDER BY x.measured_at, x.id LIMIT 1)");

// A measurement's place in a machine's history: by the time it was
// measured (text of one format, so it sorts as time does), then by id.
struct OrderKey
{
    std::optional<qint64> id;
    QString measuredAt;
    bool operator<(const OrderKey &other) const
    {
        return measuredAt != other.measuredAt ? measuredAt < other.measuredAt : id < other.id;
    }
};

OrderKey orderKey(const QSqlQuery &q, int column)
{
    if (q.isNull(column))
        return {};
    return {q.value(column).toLongLong(), q.value(column + 1).toString()};
}

// Stop times go in with one statement per this many rows: few round trips
// to a server, and well below SQLite's limit of bound values.
constexpr std::size_t kStopTimesPerStatement = 200;

} // namespace

// BEGIN ... COMMIT, rolled back when left without commit().  SQLite takes
// its write lock at BEGIN IMMEDIATE, so a check and the write after it see
// the same archive; PostgreSQL locks the rows it reads FOR UPDATE.
class Archive::Transaction
{
public:
    explicit Transaction(Archive &archive, const QString &what)
        : m_archive(archive), m_what(what)
    {
        exec(archive.isPostgreSQL() ? QStringLiteral("BEGIN") : QStringLiteral("BEGIN IMMEDIATE"));
    }
    ~Transaction()
    {
        if (!m_done) {
            m_archive.finishStatements();
            QSqlQuery(m_archive.m_db).exec(QStringLiteral("ROLLBACK"));
            // Statements prepared in a transaction that failed may be gone
            // with it: prepare anew, under new names.
            if (m_archive.isPostgreSQL() && !m_archive.m_prepared.empty()) {
                m_archive.m_prepared.clear();
                QSqlQuery(m_archive.m_db).exec(QStringLiteral("DEALLOCATE ALL"));
            }
        }
    }
    void commit()
    {
        m_archive.finishStatements();
        exec(QStringLiteral("COMMIT"));
        m_done = true;
    }

private:
    void exec(const QString &sql)
    {
        QSqlQuery q(m_archive.m_db);
        if (!q.exec(sql))
            m_archive.failStatement(m_what, q.lastError());
    }
    Archive &m_archive;
    QString m_what;
    bool m_done = false;
};

namespace {

// A text column: Qt binds a null QString as NULL, and an empty note is not
// an unknown one.  PostgreSQL refuses the character 0, which a damaged
// project file can carry in its texts; it means nothing on either engine.
QVariant text(const QString &s)
{
    QString t = s.isNull() ? QString(QLatin1String("")) : s;
    t.remove(QChar(0));
    return t;
}

} // namespace

// A statement with its values in place of the ?s, in order; a failure
// throws.  SQLite binds them to a statement compiled once per connection.
// For PostgreSQL the statement is prepared once by SQL (PREPARE) and run as
// EXECUTE with each value written as a literal by the driver (strings
// escaped by libpq): one round trip instead of Qt's three, and a rollback
// forgets what was prepared.  The caller finishes what it reads.
QSqlQuery &Archive::run(const QString &sql, const QVariantList &values, const QString &what)
{
    auto cached = m_statements.find(sql);
    if (cached == m_statements.end()) {
        QSqlQuery q(m_db);
        q.setForwardOnly(true);
        if (!isPostgreSQL() && !q.prepare(sql))
            fail(what, oneLine(q.lastError()));
        cached = m_statements.emplace(sql, std::move(q)).first;
    }
    QSqlQuery &q = cached->second;
    q.finish();
    if (isPostgreSQL()) {
        // A statement with values is planned once per connection (PREPARE)
        // and then only executed: an add runs the same few statements ten
        // thousand times, and planning a join costs more than running it.
        QString text;
        if (!values.isEmpty()) {
            auto prepared = m_prepared.find(sql);
            if (prepared == m_prepared.end()) {
                const QString name = QStringLiteral("zirk_%1").arg(++m_preparedCount);
                QString withParameters;
                int n = 0;
                for (const QChar c : sql)
                    withParameters += c == QLatin1Char('?') ? QStringLiteral("$%1").arg(++n) : QString(c);
                QSqlQuery prepare(m_db);
                if (!prepare.exec(QStringLiteral("PREPARE %1 AS %2").arg(name, withParameters)))
                    failStatement(what, prepare.lastError());
                prepared = m_prepared.emplace(sql, name).first;
            }
            text = QStringLiteral("EXECUTE ") + prepared->second + QLatin1Char('(');
        }
        for (qsizetype i = 0; i < values.size(); ++i) {
            const QVariant &v = values[i];
            QSqlField field(QString(), v.metaType());
            field.setValue(v);
            if (i > 0)
                text += QStringLiteral(", ");
            text += m_db.driver()->formatValue(field);
        }
        if (!values.isEmpty())
            text += QLatin1Char(')');
        else
            text = sql;
        if (!q.exec(text))
            failStatement(what, q.lastError());
        return q;
    }
    for (qsizetype i = 0; i < values.size(); ++i)
        q.bindValue(int(i), values[i]);
    if (!q.exec())
        fail(what, oneLine(q.lastError()));
    return q;
}

// A statement of SQLite that was not read to its end holds the snapshot it
// began with: the window would not see what zirk-cli added since.
struct Archive::FinishStatements
{
    explicit FinishStatements(Archive &a) : archive(a) {}
    ~FinishStatements() { archive.finishStatements(); }
    Archive &archive;
};

void Archive::finishStatements()
{
    for (auto &[sql, q] : m_statements)
        q.finish();
}

Archive::Archive(const ArchiveLocation &location, Access access)
    : m_location(location),
      m_access(access),
      m_connectionName(QStringLiteral("zirk-archive-%1").arg(quintptr(this), 0, 16))
{
    try {
        openConnection();
        prepareSchema();
    } catch (...) {
        m_statements.clear();
        m_db = QSqlDatabase();
        QSqlDatabase::removeDatabase(m_connectionName);
        throw;
    }
}

Archive::~Archive()
{
    m_batch.reset();
    m_statements.clear();
    m_db.close();
    m_db = QSqlDatabase();
    QSqlDatabase::removeDatabase(m_connectionName);
}

void Archive::fail(const QString &what, const QString &driverText, bool unreachable) const
{
    QString text = QStringLiteral("archive %1: %2").arg(m_location.url(), what);
    if (!driverText.isEmpty())
        text += QStringLiteral(": ") + driverText;
    throw ArchiveError(text, unreachable);
}

void Archive::failStatement(const QString &what, const QSqlError &error) const
{
    // PostgreSQL's SQLSTATE: 57014 a statement cancelled by its time-out,
    // 55P03 a lock not granted in time, class 08 a connection lost.
    const QString state = error.nativeErrorCode();
    if (state == QLatin1String("57014") || state == QLatin1String("55P03"))
        fail(what,
             QStringLiteral("the archive server did not answer within %1 s (another program may hold the"
                            " measurements locked): %2")
                 .arg(kStatementTimeoutMs / 1000)
                 .arg(oneLine(error)),
             true);
    fail(what, oneLine(error), state.startsWith(QLatin1String("08")) || !m_db.isOpen());
}

void Archive::openConnection()
{
    const QString driver = isPostgreSQL() ? QStringLiteral("QPSQL") : QStringLiteral("QSQLITE");
    if (!QSqlDatabase::isDriverAvailable(driver))
        fail(QStringLiteral("cannot be opened"),
             QStringLiteral("the Qt SQL driver %1 is not installed").arg(driver));
    m_db = QSqlDatabase::addDatabase(driver, m_connectionName);

    if (isPostgreSQL()) {
        m_db.setHostName(m_location.hostName);
        m_db.setPort(m_location.port);
        m_db.setUserName(m_location.userName);
        m_db.setDatabaseName(m_location.databaseName);
        // No password here: libpq reads ~/.pgpass and PGPASSWORD itself.  A
        // server that does not answer must not hang the program.
        m_db.setConnectOptions(QStringLiteral("connect_timeout=%1;application_name=zirk;keepalives=1;"
                                              "keepalives_idle=10;keepalives_interval=5;keepalives_count=2")
                                   .arg(kStatementTimeoutMs / 1000));
        if (!m_db.open())
            fail(QStringLiteral("cannot be opened"), oneLine(m_db.lastError()), true);
        // Notices of CREATE and the like are nobody's business.  A statement
        // or a lock that another session holds for longer must not keep
        // the program waiting without end: it fails with a time-out.
        for (const QString &setting : {QStringLiteral("SET client_min_messages TO WARNING"),
                                       QStringLiteral("SET statement_timeout = %1").arg(kStatementTimeoutMs),
                                       QStringLiteral("SET lock_timeout = %1").arg(kStatementTimeoutMs)}) {
            QSqlQuery q(m_db);
            if (!q.exec(setting))
                failStatement(QStringLiteral("cannot be opened"), q.lastError());
        }
        return;
    }

    openSqlite();
}

void Archive::openSqlite()
{
    const QFileInfo file(m_location.filePath);
    if (file.isDir())
        fail(QStringLiteral("cannot be opened"), QStringLiteral("this is a folder, not a file"));
    // The window and zirk-cli may write at the same moment: wait for the
    // other's commit instead of failing.
    QString options = QStringLiteral("QSQLITE_BUSY_TIMEOUT=10000");
    if (m_access == Access::Read) {
        // Nothing to read yet: an empty archive in memory answers every
        // question without creating a file another user might not own.
        if (!file.exists()) {
            m_db.setDatabaseName(QStringLiteral(":memory:"));
            if (!m_db.open())
                fail(QStringLiteral("cannot be opened"), oneLine(m_db.lastError()));
            return;
        }
        options += QStringLiteral(";QSQLITE_OPEN_READONLY");
    } else if (!QDir().mkpath(file.absolutePath())) {
        // The archive is created on first use, folder and all.
        fail(QStringLiteral("cannot be created"), QStringLiteral("no folder %1").arg(file.absolutePath()));
    }
    m_db.setDatabaseName(m_location.filePath);
    m_db.setConnectOptions(options);
    if (!m_db.open())
        fail(QStringLiteral("cannot be opened"), oneLine(m_db.lastError()));
    // Foreign keys are off in SQLite unless asked for (a connection's own
    // choice, nothing is written).
    QSqlQuery keys(m_db);
    if (!keys.exec(QStringLiteral("PRAGMA foreign_keys = ON")))
        fail(QStringLiteral("cannot be opened"), oneLine(keys.lastError()));
    if (m_access == Access::Read)
        return;

    // Archives of earlier versions used write-ahead logging, whose -shm file
    // a reader without write rights cannot use and a reader with them
    // leaves owned by itself.  Back to a rollback journal, which readers
    // never write; that needs the file to itself, so a writer that finds it
    // in use tries again next time instead of waiting.
    QSqlQuery mode(m_db);
    if (mode.exec(QStringLiteral("PRAGMA journal_mode")) && mode.next()
        && mode.value(0).toString().compare(QLatin1String("delete"), Qt::CaseInsensitive) != 0) {
        mode.finish();
        QSqlQuery(m_db).exec(QStringLiteral("PRAGMA busy_timeout = 0"));
        QSqlQuery(m_db).exec(QStringLiteral("PRAGMA journal_mode = DELETE"));
        QSqlQuery(m_db).exec(QStringLiteral("PRAGMA busy_timeout = 10000"));
    }
}

int Archive::storedSchemaVersion(bool &foreign)
{
    foreign = false;
    const QString tablesSql = isPostgreSQL()
        ? QStringLiteral("SELECT table_name FROM information_schema.tables WHERE table_schema = current_schema()")
        : QStringLiteral("SELECT name FROM sqlite_master WHERE type = 'table' AND name NOT LIKE 'sqlite_%'");
    QSqlQuery &tables = run(tablesSql, {}, QStringLiteral("cannot be opened"));
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

    QSqlQuery &q = run(QStringLiteral("SELECT name, value FROM zirk_archive"), {},
                      QStringLiteral("cannot be opened"));
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

void Archive::prepareSchema()
{
    // Read without a lock first: an archive that is up to date, which is
    // every open but the first, is never locked for writing by opening it.
    bool foreign = false;
    int version = 0;
    {
        const FinishStatements finish(*this);
        version = storedSchemaVersion(foreign);
    }
    auto refuseForeignOrNewer = [&] {
        if (foreign)
            fail(QStringLiteral("not a Zirk archive"),
                 QStringLiteral("the database holds other tables; name an empty database or a new file"));
        if (version > kSchemaVersion)
            fail(QStringLiteral("written by a newer Zirk"),
                 QStringLiteral("schema version %1, this program knows up to %2").arg(version).arg(kSchemaVersion));
    };
    refuseForeignOrNewer();
    if (version == kSchemaVersion)
        return;
    if (m_access == Access::Read && !isPostgreSQL()) {
        if (version == 0) {
            // An empty file reads as an empty archive, and stays untouched.
            if (m_db.databaseName() != QLatin1String(":memory:")) {
                m_statements.clear();
                m_db.close();
                m_db.setConnectOptions(QString());
                m_db.setDatabaseName(QStringLiteral(":memory:"));
                if (!m_db.open())
                    fail(QStringLiteral("cannot be opened"), oneLine(m_db.lastError()));
            }
            upgradeFrom(0);
            return;
        }
        // An older archive is brought up to date once, by a writer of its
        // own, where this user may write; else it cannot be read.
        try {
            const Archive writer(m_location, Access::Write);
        } catch (const ArchiveError &) {
            fail(QStringLiteral("written by an older Zirk"),
                 QStringLiteral("schema version %1; a user who may write to it must open it once").arg(version));
        }
        const FinishStatements finish(*this);
        version = storedSchemaVersion(foreign);
        if (version != kSchemaVersion)
            fail(QStringLiteral("cannot be opened"), QStringLiteral("schema version %1 after the upgrade").arg(version));
        return;
    }

    Transaction transaction(*this, QStringLiteral("cannot be opened"));
    if (isPostgreSQL())
        run(QStringLiteral("SELECT pg_advisory_xact_lock(?)"), {kSchemaLockKey},
            QStringLiteral("cannot be opened"));
    // Another program may have created or upgraded it since the look above.
    version = storedSchemaVersion(foreign);
    refuseForeignOrNewer();
    if (version == kSchemaVersion)
        return; // rolled back: nothing was written
    upgradeFrom(version);
    transaction.commit();
}

void Archive::upgradeFrom(int version)
{
    const QString what = version == 0 ? QStringLiteral("cannot be created") : QStringLiteral("cannot be upgraded");
    const QString key = isPostgreSQL() ? QStringLiteral("BIGINT GENERATED BY DEFAULT AS IDENTITY PRIMARY KEY")
                                       : QStringLiteral("INTEGER PRIMARY KEY");
    for (const SchemaStep &step : schemaSteps()) {
        if (step.version <= version)
            continue;
        for (const char *statement : step.statements) {
            QSqlQuery q(m_db);
            if (!q.exec(QString::fromLatin1(statement).replace(QLatin1String("%KEY%"), key)))
                fail(what, oneLine(q.lastError()));
        }
        for (const NewColumn &c : step.columns)
            addColumn(c.table, c.column, c.type, what);
    }
    if (version < 2)
        run(QStringLiteral("UPDATE machines SET ") + kOverviewColumns, {}, what);
    if (version == 0)
        run(QStringLiteral("INSERT INTO zirk_archive (name, value) VALUES ('format', ?)"), {kFormat}, what);
    const QString versionSql = version == 0
        ? QStringLiteral("INSERT INTO zirk_archive (name, value) VALUES ('schema_version', ?)")
        : QStringLiteral("UPDATE zirk_archive SET value = ? WHERE name = 'schema_version'");
    run(versionSql, {QString::number(kSchemaVersion)}, what);
}

void Archive::addColumn(const char *table, const char *column, const char *type, const QString &what)
{
    const QString name = QString::fromLatin1(column);
    QSqlQuery q(m_db);
    if (isPostgreSQL()) {
        if (!q.exec(QStringLiteral("ALTER TABLE %1 ADD COLUMN IF NOT EXISTS %2 %3")
                        .arg(QLatin1String(table), name, QLatin1String(type))))
            fail(what, oneLine(q.lastError()));
        return;
    }
    if (!q.exec(QStringLiteral("PRAGMA table_info(%1)").arg(QLatin1String(table))))
        fail(what, oneLine(q.lastError()));
    while (q.next()) {
        if (q.value(1).toString().compare(name, Qt::CaseInsensitive) == 0)
            return;
    }
    q.finish();
    if (!q.exec(QStringLiteral("ALTER TABLE %1 ADD COLUMN %2 %3").arg(QLatin1String(table), name, QLatin1String(type))))
        fail(what, oneLine(q.lastError()));
}

Archive::AddResult Archive::add(const ArchiveMeasurement &m)
{
    const QString what = QStringLiteral("cannot be written");
    for (const double v : m.stopTimes) {
        if (!std::isfinite(v))
            fail(what, QStringLiteral("a stop time is not a number"));
    }
    const QString machineId = m.machineId.trimmed();

    // Inside a batch the batch's transaction is the one.
    std::optional<Transaction> own;
    if (!m_batch)
        own.emplace(*this, what);
    // Locking the machine's row makes the checks below and the insert one
    // step for every program that adds to the same machine.  A new machine
    // is inserted first (once; two programs may try at once).
    // With it come the measurements the overview names and their order
    // keys, which the new one may replace.
    const QString machineSql = QStringLiteral(
        "SELECT m.id, m.latest_id, l.measured_at, m.latest_governing_id, lg.measured_at,"
        " m.previous_governing_id, pg.measured_at, m.first_governing_id, f.measured_at FROM machines m"
        " LEFT JOIN measurements l ON l.id = m.latest_id LEFT JOIN measurements lg ON lg.id = m.latest_governing_id"
        " LEFT JOIN measurements pg ON pg.id = m.previous_governing_id"
        " LEFT JOIN measurements f ON f.id = m.first_governing_id WHERE m.machine_id = ?")
        + (isPostgreSQL() ? QStringLiteral(" FOR UPDATE OF m") : QString());
    qint64 machine = 0;
    OrderKey latest, latestGoverning, previousGoverning, firstGoverning;
    for (int attempt = 0; attempt < 2 && machine == 0; ++attempt) {
        QSqlQuery &machineQuery = run(machineSql, {text(machineId)}, what);
        if (machineQuery.next()) {
            machine = machineQuery.value(0).toLongLong();
            latest = orderKey(machineQuery, 1);
            latestGoverning = orderKey(machineQuery, 3);
            previousGoverning = orderKey(machineQuery, 5);
            firstGoverning = orderKey(machineQuery, 7);
        }
        machineQuery.finish();
        if (machine == 0 && attempt == 0)
            run(QStringLiteral("INSERT INTO machines (machine_id) VALUES (?) ON CONFLICT (machine_id) DO NOTHING"),
                {text(machineId)}, what);
    }
    if (machine == 0)
        fail(what, QStringLiteral("the machine was not kept"));

    // A file of the same bytes, and the machine's measurements that may be
    // the same one, in one round trip.
    // A measurement is its series, machine and safety device: saved and then
    // reported, opened from the history and saved again, or added from a
    // copy of its file, it is one point of the machine's history, wherever
    // it sits there, whatever time and file it comes with.
    // The standard and the installed distance belong to the device's side
    // of it: judged by another standard, or mounted elsewhere, it is
    // another point.
    QSqlQuery &same = run(QStringLiteral("SELECT 0, id, NULL, 0, NULL, NULL FROM measurements WHERE file_sha256 = ?"
                                        " UNION ALL SELECT 1, id, device_parameter, non_industrial, standard, installed_mm"
                                        " FROM measurements WHERE machine = ? AND device_kind = ? AND stop_count = ?"),
                         {m.fileSha256.isEmpty() ? QVariant(QMetaType(QMetaType::QString)) : QVariant(m.fileSha256),
                          machine, m.deviceKind, qint64(m.stopTimes.size())},
                         what);
    std::vector<qint64> candidates;
    std::optional<qint64> sameFile;
    while (same.next()) {
        if (same.value(0).toInt() == 0)
            sameFile = same.value(1).toLongLong();
        else if (optionalDouble(same, 2) == m.deviceParameter && (same.value(3).toInt() != 0) == m.nonIndustrial
                 && same.value(4).toString() == m.standardId && optionalDouble(same, 5) == m.installedMm)
            candidates.push_back(same.value(1).toLongLong());
    }
    same.finish();
    if (sameFile)
        return {AddOutcome::SameFile, *sameFile};
    std::sort(candidates.begin(), candidates.end());
    for (const qint64 candidate : candidates) {
        QSqlQuery &values = run(QStringLiteral("SELECT stop_ms FROM stop_times WHERE measurement = ? ORDER BY position"),
                               {candidate}, what);
        std::vector<double> stored;
        stored.reserve(m.stopTimes.size());
        while (values.next())
            stored.push_back(values.value(0).toDouble());
        values.finish();
        if (stored == m.stopTimes)
            return {AddOutcome::SameMeasurement, candidate};
    }

    const std::optional<SeriesStatistics> &stats = m.result.statistics;
    auto statistic = [&stats](double SeriesStatistics::*field) {
        return stats ? optionalValue((*stats).*field) : QVariant();
    };
    const char *governing = governingText(m.result.governing);
    QSqlQuery &inserted = run(
        QStringLiteral("INSERT INTO measurements (machine, note, measured_at, recorded_at, device_kind,"
                       " device_parameter, non_industrial, stop_count, maximum_ms, mean_ms, sigma_ms,"
                       " mean_plus_3sigma_ms, governing, governing_ms, distance_mm, serial_number,"
                       " standstill_speed, calibration_year, calibration_month, calibration_day, calibrated,"
                       " user_name, company_name, file_path, file_sha256, standard, installed_mm, verdict)"
                       " VALUES (?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?)"
                       " RETURNING id"),
        {machine, text(m.note), timeText(m.measuredAt), timeText(QDateTime::currentDateTimeUtc()), m.deviceKind,
         optionalValue(m.deviceParameter), int(m.nonIndustrial), qint64(m.stopTimes.size()),
         statistic(&SeriesStatistics::maximum), statistic(&SeriesStatistics::mean),
         statistic(&SeriesStatistics::sigma), statistic(&SeriesStatistics::meanPlus3Sigma),
         governing ? QVariant(QString::fromLatin1(governing)) : QVariant(), optionalValue(m.result.governingMs),
         optionalValue(m.result.distanceMm), text(m.serialNumber), m.standstillSpeed, m.calibrationYear,
         m.calibrationMonth, m.calibrationDay, int(m.calibrated), text(m.userName), text(m.companyName),
         m.filePath.isEmpty() ? QVariant() : QVariant(m.filePath),
         m.fileSha256.isEmpty() ? QVariant() : QVariant(m.fileSha256), text(m.standardId),
         optionalValue(m.installedMm), m.verdict.isEmpty() ? QVariant() : QVariant(m.verdict)},
        what);
    if (!inserted.next())
        fail(what, QStringLiteral("the measurement was not kept"));
    const qint64 id = inserted.value(0).toLongLong();
    inserted.finish();

    for (std::size_t first = 0; first < m.stopTimes.size(); first += kStopTimesPerStatement) {
        const std::size_t n = std::min(kStopTimesPerStatement, m.stopTimes.size() - first);
        QString sql = QStringLiteral("INSERT INTO stop_times (measurement, position, stop_ms) VALUES ");
        QVariantList values;
        values.reserve(qsizetype(3 * n));
        for (std::size_t i = 0; i < n; ++i) {
            sql += i == 0 ? QStringLiteral("(?, ?, ?)") : QStringLiteral(", (?, ?, ?)");
            values << id << qint64(first + i + 1) << m.stopTimes[first + i];
        }
        run(sql, values, what);
    }
    const QString measuredAt = timeText(m.measuredAt);
    // The new measurement in the overview's places, in the history's order
    // (time measured, then id).
    const OrderKey added{id, measuredAt};
    if (!latest.id || latest < added)
        latest = added;
    if (m.result.governingMs) {
        if (!latestGoverning.id || latestGoverning < added) {
            previousGoverning = latestGoverning;
            latestGoverning = added;
        } else if (!previousGoverning.id || previousGoverning < added) {
            previousGoverning = added;
        }
        if (!firstGoverning.id || added < firstGoverning)
            firstGoverning = added;
    }
    auto idValue = [](const OrderKey &k) { return k.id ? QVariant(*k.id) : QVariant(QMetaType(QMetaType::LongLong)); };
    run(QStringLiteral("UPDATE machines SET measurement_count = measurement_count + 1,"
                       " last_measured_at = CASE WHEN last_measured_at IS NULL OR last_measured_at < ? THEN ?"
                       " ELSE last_measured_at END, latest_id = ?, latest_governing_id = ?, previous_governing_id = ?,"
                       " first_governing_id = ? WHERE id = ?"),
        {measuredAt, measuredAt, idValue(latest), idValue(latestGoverning), idValue(previousGoverning),
         idValue(firstGoverning), machine},
        what);
    if (own)
        own->commit();
    return {AddOutcome::Added, id};
}

void Archive::beginBatch()
{
    if (!m_batch)
        m_batch = std::make_unique<Transaction>(*this, QStringLiteral("cannot be written"));
}

void Archive::commitBatch()
{
    if (!m_batch)
        return;
    const std::unique_ptr<Transaction> batch = std::move(m_batch);
    batch->commit();
}

void Archive::rollbackBatch()
{
    m_batch.reset();
}

std::vector<ArchiveMachine> Archive::machines(const QString &search)
{
    const FinishStatements finish(*this);
    QSqlQuery &q = run(QStringLiteral("SELECT machine_id, measurement_count, last_measured_at FROM machines"
                                     " WHERE measurement_count > 0"),
                      {}, QStringLiteral("cannot be read"));
    std::vector<ArchiveMachine> list;
    const QString needle = search.trimmed();
    while (q.next()) {
        ArchiveMachine machine;
        machine.machineId = q.value(0).toString();
        if (!needle.isEmpty() && !machine.machineId.contains(needle, Qt::CaseInsensitive))
            continue;
        machine.measurementCount = q.value(1).toInt();
        machine.lastMeasuredAt = timeFromText(q.value(2).toString());
        list.push_back(std::move(machine));
    }
    // The same order on every engine, whatever a server's collation.
    std::sort(list.begin(), list.end(), [](const ArchiveMachine &a, const ArchiveMachine &b) {
        const int order = compareMachineIds(a.machineId, b.machineId);
        return order != 0 ? order < 0 : a.machineId < b.machineId;
    });
    return list;
}

std::vector<ArchiveEntry> Archive::entries(const std::optional<QString> &machineId)
{
    const FinishStatements finish(*this);
    QString sql = QStringLiteral("SELECT x.id, m.machine_id, x.measured_at, x.stop_count, x.governing_ms,"
                                 " x.distance_mm, x.device_kind, x.serial_number, x.file_path, x.file_sha256,"
                                 " x.standard, x.verdict"
                                 " FROM measurements x JOIN machines m ON m.id = x.machine");
    QVariantList values;
    if (machineId) {
        sql += QStringLiteral(" WHERE m.machine_id = ?");
        values << machineId->trimmed();
    }
    sql += QStringLiteral(" ORDER BY x.measured_at, x.id");
    QSqlQuery &q = run(sql, values, QStringLiteral("cannot be read"));
    std::vector<ArchiveEntry> list;
    while (q.next()) {
        ArchiveEntry e;
        e.id = q.value(0).toLongLong();
        e.machineId = q.value(1).toString();
        e.measuredAt = timeFromText(q.value(2).toString());
        e.count = q.value(3).toInt();
        e.governingMs = optionalDouble(q, 4);
        e.distanceMm = optionalDouble(q, 5);
        e.deviceKind = q.value(6).toInt();
        e.serialNumber = q.value(7).toString();
        e.filePath = q.value(8).toString();
        e.fileSha256 = q.value(9).toString();
        e.standardId = q.value(10).toString();
        e.verdict = q.value(11).toString();
        list.push_back(std::move(e));
    }
    return list;
}

std::vector<ArchiveMachineSummary> Archive::overview()
{
    const FinishStatements finish(*this);
    // The machine's row names the measurements the overview shows (kept up
    // to date by every add): joins on primary keys only.
    const QString sql = QStringLiteral(
        "SELECT m.machine_id, m.measurement_count, m.last_measured_at,"
        " l.governing_ms, l.distance_mm, l.standard, l.installed_mm, l.verdict,"
        " m.latest_governing_id, lg.governing_ms, pg.governing_ms, b.id, b.governing_ms, m.first_governing_id,"
        " f.governing_ms"
        " FROM machines m"
        " LEFT JOIN measurements l ON l.id = m.latest_id"
        " LEFT JOIN measurements lg ON lg.id = m.latest_governing_id"
        " LEFT JOIN measurements pg ON pg.id = m.previous_governing_id"
        " LEFT JOIN measurements b ON b.id = m.baseline AND b.machine = m.id AND b.governing_ms IS NOT NULL"
        " LEFT JOIN measurements f ON f.id = m.first_governing_id"
        " WHERE m.measurement_count > 0");
    QSqlQuery &q = run(sql, {}, QStringLiteral("cannot be read"));
    std::vector<ArchiveMachineSummary> list;
    while (q.next()) {
        ArchiveMachineSummary s;
        s.machineId = q.value(0).toString();
        s.measurementCount = q.value(1).toInt();
        s.lastMeasuredAt = timeFromText(q.value(2).toString());
        s.governingMs = optionalDouble(q, 3);
        s.distanceMm = optionalDouble(q, 4);
        s.standard = q.value(5).toString();
        s.installedMm = optionalDouble(q, 6);
        s.verdict = q.value(7).toString();
        s.latestGoverningMs = optionalDouble(q, 9);
        s.previousGoverningMs = optionalDouble(q, 10);
        // The marked reference where it has a governing time, else the first.
        const bool marked = !q.isNull(11);
        s.baselineGoverningMs = marked ? optionalDouble(q, 12) : optionalDouble(q, 14);
        const qint64 baselineId = marked ? q.value(11).toLongLong() : q.value(13).toLongLong();
        s.baselineIsLatest = !q.isNull(8) && baselineId == q.value(8).toLongLong();
        list.push_back(std::move(s));
    }
    std::sort(list.begin(), list.end(), [](const ArchiveMachineSummary &a, const ArchiveMachineSummary &b) {
        const int order = compareMachineIds(a.machineId, b.machineId);
        return order != 0 ? order < 0 : a.machineId < b.machineId;
    });
    return list;
}

std::optional<qint64> Archive::baseline(const QString &machineId)
{
    const FinishStatements finish(*this);
    QSqlQuery &q = run(QStringLiteral("SELECT baseline FROM machines WHERE machine_id = ?"), {text(machineId.trimmed())},
                      QStringLiteral("cannot be read"));
    if (!q.next() || q.isNull(0))
        return std::nullopt;
    return q.value(0).toLongLong();
}

void Archive::setBaseline(const QString &machineId, std::optional<qint64> measurementId)
{
    const QString what = QStringLiteral("cannot be written");
    Transaction transaction(*this, what);
    if (measurementId) {
        QSqlQuery &q = run(QStringLiteral("SELECT m.machine_id FROM measurements x JOIN machines m ON m.id = x.machine"
                                         " WHERE x.id = ?"),
                          {*measurementId}, what);
        if (!q.next() || q.value(0).toString() != machineId.trimmed())
            fail(what, QStringLiteral("measurement %1 is not one of machine \"%2\"").arg(*measurementId).arg(machineId));
        q.finish();
    }
    run(QStringLiteral("UPDATE machines SET baseline = ? WHERE machine_id = ?"),
        {measurementId ? QVariant(*measurementId) : QVariant(QMetaType(QMetaType::LongLong)), text(machineId.trimmed())},
        what);
    transaction.commit();
}

std::optional<ArchiveMeasurement> Archive::measurement(qint64 id)
{
    const FinishStatements finish(*this);
    const QString what = QStringLiteral("cannot be read");
    QSqlQuery &q = run(QStringLiteral("SELECT m.machine_id, x.note, x.measured_at, x.device_kind, x.device_parameter,"
                                     " x.non_industrial, x.stop_count, x.maximum_ms, x.mean_ms, x.sigma_ms,"
                                     " x.mean_plus_3sigma_ms, x.governing, x.governing_ms, x.distance_mm,"
                                     " x.serial_number, x.standstill_speed, x.calibration_year,"
                                     " x.calibration_month, x.calibration_day, x.calibrated, x.user_name,"
                                     " x.company_name, x.file_path, x.file_sha256, x.standard, x.installed_mm,"
                                     " x.verdict"
                                     " FROM measurements x JOIN machines m ON m.id = x.machine WHERE x.id = ?"),
                      {id}, what);
    if (!q.next())
        return std::nullopt;
    ArchiveMeasurement m;
    m.id = id;
    m.machineId = q.value(0).toString();
    m.note = q.value(1).toString();
    m.measuredAt = timeFromText(q.value(2).toString());
    m.deviceKind = q.value(3).toInt();
    m.deviceParameter = optionalDouble(q, 4);
    m.nonIndustrial = q.value(5).toInt() != 0;
    const qint64 count = q.value(6).toLongLong();
    if (!q.isNull(7)) {
        SeriesStatistics stats;
        stats.count = std::size_t(count);
        stats.maximum = q.value(7).toDouble();
        stats.mean = q.value(8).toDouble();
        stats.sigma = q.value(9).toDouble();
        stats.meanPlus3Sigma = q.value(10).toDouble();
        m.result.statistics = stats;
    }
    m.result.governing = governingFromText(q.value(11).toString());
    m.result.governingMs = optionalDouble(q, 12);
    m.result.distanceMm = optionalDouble(q, 13);
    if (m.result.distanceMm)
        m.result.distanceInch = *m.result.distanceMm / 25.4;
    m.serialNumber = q.value(14).toString();
    m.standstillSpeed = q.value(15).toInt();
    m.calibrationYear = q.value(16).toInt();
    m.calibrationMonth = q.value(17).toInt();
    m.calibrationDay = q.value(18).toInt();
    m.calibrated = q.value(19).toInt() != 0;
    m.userName = q.value(20).toString();
    m.companyName = q.value(21).toString();
    m.filePath = q.value(22).toString();
    m.fileSha256 = q.value(23).toString();
    m.standardId = q.value(24).toString();
    m.installedMm = optionalDouble(q, 25);
    m.verdict = q.value(26).toString();
    q.finish();

    QSqlQuery &values = run(QStringLiteral("SELECT stop_ms FROM stop_times WHERE measurement = ? ORDER BY position"),
                           {id}, what);
    while (values.next())
        m.stopTimes.push_back(values.value(0).toDouble());
    if (qint64(m.stopTimes.size()) != count)
        fail(what, QStringLiteral("measurement %1 lacks stop times").arg(id));
    return m;
}
