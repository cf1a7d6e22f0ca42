#pragma once

#include "ArchiveLocation.h"
#include "ArchiveMeasurement.h"
#include "FleetOverview.h"

#include <QSqlDatabase>
#include <QSqlError>
#include <QSqlQuery>
#include <QString>

#include <map>
#include <memory>
#include <optional>
#include <vector>

// The measurement archive on an SQLite file or a PostgreSQL database, through
// Qt SQL.  Opening it creates the tables in an empty database and brings an
// older one up to date; a database that holds other tables, a file that is
// no database, or an archive of a newer program is refused with an
// ArchiveError.  Every write is one transaction, so a measurement is kept
// whole or not at all; on PostgreSQL two programs may add at once.
//
// One object is one connection, used from the thread that opened it.
//
// A reader (Access::Read) never takes SQLite's write lock and writes
// nothing: it opens the file read-only, so it lists an archive on a
// read-only file or folder and never leaves a file behind that another user
// could not write past.  SQLite archives use a rollback journal (journal
// mode DELETE): readers need no -shm or -wal file, a reader waits only for
// the moment a writer commits, and the file works on a network share.
class Archive
{
public:
    // The schema this program writes and understands.
    static constexpr int kSchemaVersion = 2;

    enum class Access { Read, Write };

    // Throws ArchiveError when the archive cannot be opened or is not ours.
    // A reader of an SQLite file that does not exist yet sees an empty
    // archive, and creates nothing.
    explicit Archive(const ArchiveLocation &location, Access access = Access::Write);
    ~Archive();
    Archive(const Archive &) = delete;
    Archive &operator=(const Archive &) = delete;

    const ArchiveLocation &location() const { return m_location; }

    enum class AddOutcome {
        Added,
        SameFile,     // a file of the same bytes is kept already
        SameMeasurement, // the machine has a measurement of the same series and safety device
    };
    struct AddResult
    {
        AddOutcome outcome = AddOutcome::Added;
        qint64 id = 0; // the new measurement's, or the one that made it redundant
    };
    // Keeps a measurement unless it is already kept (see AddOutcome).  The
    // machine ID is kept without blanks around it.  Throws ArchiveError when
    // the write fails; then nothing of it is kept.  Stop times must be finite.
    AddResult add(const ArchiveMeasurement &measurement);

    // Many adds in one transaction: one commit (one synced write) for a
    // whole batch of project files instead of one per file.  Between
    // beginBatch and commitBatch an add keeps nothing on its own; after an
    // add has thrown, only rollbackBatch is left (nothing of the batch is
    // kept).  Throws ArchiveError when the transaction cannot be begun or
    // committed.
    void beginBatch();
    void commitBatch();
    void rollbackBatch();

    // The machines whose ID contains search (any letter case), by ID.
    std::vector<ArchiveMachine> machines(const QString &search = QString());
    // A machine's measurements, or all with an empty optional, oldest first.
    std::vector<ArchiveEntry> entries(const std::optional<QString> &machineId = std::nullopt);
    // The measurement the user marked as the machine's reference, against
    // which its trend is held; none: its first one.
    std::optional<qint64> baseline(const QString &machineId);
    // Marks one of the machine's measurements as its reference, or with an
    // empty optional goes back to the first.  Throws ArchiveError for a
    // measurement of another machine.
    void setBaseline(const QString &machineId, std::optional<qint64> measurementId);

    // Every machine with measurements, by ID as machines() orders them, with
    // what the fleet overview shows of it: one statement, whatever the
    // number of machines.
    std::vector<ArchiveMachineSummary> overview();

    // One measurement whole, with its stop times; none for an unknown id.
    std::optional<ArchiveMeasurement> measurement(qint64 id);

    // A PostgreSQL statement or lock wait longer than this fails.
    static constexpr int kStatementTimeoutMs = 10000;

    // Throws ArchiveError with the archive's name and the driver's text.
    [[noreturn]] void fail(const QString &what, const QString &driverText, bool unreachable = false) const;

private:
    class Transaction;
    struct FinishStatements;
    [[noreturn]] void failStatement(const QString &what, const QSqlError &error) const;
    QSqlQuery &run(const QString &sql, const QVariantList &values, const QString &what);
    void finishStatements();
    void openConnection();
    void openSqlite();
    void prepareSchema();
    int storedSchemaVersion(bool &foreign);
    void upgradeFrom(int version);
    void addColumn(const char *table, const char *column, const char *type, const QString &what);
    bool isPostgreSQL() const { return m_location.engine == ArchiveLocation::Engine::PostgreSQL; }

    ArchiveLocation m_location;
    Access m_access = Access::Write;
    QString m_connectionName;
    QSqlDatabase m_db;
    // One query object per statement, used again: SQLite compiles it once.
    // A map, so that references to them stay valid.
    std::map<QString, QSqlQuery> m_statements;
    std::unique_ptr<Transaction> m_batch;
    // PostgreSQL: the name each statement with values was prepared under.
    std::map<QString, QString> m_prepared;
    int m_preparedCount = 0;
};
