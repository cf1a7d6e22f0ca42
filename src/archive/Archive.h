#pragma once

#include "ArchiveConnection.h"
#include "ArchiveLocation.h"
#include "ArchiveMeasurement.h"
#include "ArchiveSchema.h"
#include "FleetOverview.h"

#include <QString>

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
// A machine has safeguards, each with its own history: a press's front
// light curtain and its rear door are measured, trended and due apart.
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
    static constexpr int kSchemaVersion = ArchiveSchema::kVersion;

    using Access = ArchiveConnection::Access;

    // Throws ArchiveError when the archive cannot be opened or is not ours.
    // A reader of an SQLite file that does not exist yet sees an empty
    // archive, and creates nothing.
    explicit Archive(const ArchiveLocation &location, Access access = Access::Write);
    ~Archive();
    Archive(const Archive &) = delete;
    Archive &operator=(const Archive &) = delete;

    const ArchiveLocation &location() const { return m_connection.location(); }

    enum class AddOutcome {
        Added,
        SameFile,     // a file of the same bytes is kept already
        SameMeasurement, // the safeguard has a measurement of the same series and safety device
    };
    struct AddResult
    {
        AddOutcome outcome = AddOutcome::Added;
        qint64 id = 0; // the new measurement's, or the one that made it redundant
        // SameFile: the kept one had been recorded without its standard,
        // installed distance and verdict, and now has the file's.
        bool repaired = false;
    };
    // Keeps a measurement unless it is already kept (see AddOutcome).  The
    // machine ID and the safeguard's name are kept without blanks around
    // them.  Throws ArchiveError when the write fails; then nothing of it
    // is kept.  Stop times must be finite.  Its time is judged against
    // `now` (timeFlag).
    AddResult add(const ArchiveMeasurement &measurement);
    AddResult add(const ArchiveMeasurement &measurement, const QDateTime &now);

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
    // A machine's safeguards, named ones first by name, then the unnamed
    // by kind and parameter.
    std::vector<ArchiveSafeguard> safeguards(const QString &machineId);
    // A machine's measurements (of one safeguard, or all), or all with an
    // empty optional, oldest first.
    std::vector<ArchiveEntry> entries(const std::optional<QString> &machineId = std::nullopt,
                                      qint64 safeguardId = 0);
    // The measurement the user marked as the safeguard's reference, against
    // which its trend is held; none: its first one.  safeguardId 0: the
    // machine's first safeguard.
    std::optional<qint64> baseline(const QString &machineId, qint64 safeguardId = 0);
    // Marks a measurement as the reference of its safeguard, or with an
    // empty optional goes back to the first (of safeguardId, or of every
    // safeguard of the machine for 0).  Throws ArchiveError for a
    // measurement of another machine.
    void setBaseline(const QString &machineId, std::optional<qint64> measurementId, qint64 safeguardId = 0);

    // Every safeguard with measurements, by machine as machines() orders
    // them, with what the fleet overview shows of it: one statement,
    // whatever the number of machines.
    std::vector<ArchiveSafeguardSummary> overview();

    // One measurement whole, with its stop times; none for an unknown id.
    std::optional<ArchiveMeasurement> measurement(qint64 id);

    // A PostgreSQL statement or lock wait longer than this fails.
    static constexpr int kStatementTimeoutMs = ArchiveConnection::kStatementTimeoutMs;

private:
    struct SafeguardRow;
    qint64 lockMachine(const QString &machineId, const QString &what);
    SafeguardRow lockSafeguard(qint64 machine, const ArchiveMeasurement &m, const QString &what);
    std::optional<AddResult> keptAlready(const SafeguardRow &safeguard, const ArchiveMeasurement &m,
                                         const QString &identity, const QString &what);
    bool repair(qint64 id, const ArchiveMeasurement &m, const QString &what);
    qint64 insert(qint64 machine, const SafeguardRow &safeguard, const ArchiveMeasurement &m,
                  const QString &identity, const QDateTime &now, const QString &what);
    void updateBookkeeping(qint64 machine, SafeguardRow &safeguard, qint64 id, const ArchiveMeasurement &m,
                           const QString &what);
    std::vector<double> storedStopTimes(qint64 id, const QString &what);

    ArchiveConnection m_connection;
    std::unique_ptr<ArchiveConnection::Transaction> m_batch;
};
