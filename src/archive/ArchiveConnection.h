#pragma once

#include "ArchiveLocation.h"

#include <QSqlDatabase>
#include <QSqlError>
#include <QSqlQuery>
#include <QString>
#include <QVariant>

#include <map>
#include <memory>

// One connection to the archive's database, SQLite or PostgreSQL, and what
// the two engines do differently: how it is opened, how a statement with
// values is run, how a transaction is begun, and what a failure means.
// Everything above it writes the same SQL for both.
class ArchiveConnection
{
public:
    enum class Access { Read, Write };

    // A PostgreSQL statement or lock wait longer than this fails.
    static constexpr int kStatementTimeoutMs = 10000;

    // Throws ArchiveError when the database cannot be opened.
    ArchiveConnection(const ArchiveLocation &location, Access access);
    ~ArchiveConnection();
    ArchiveConnection(const ArchiveConnection &) = delete;
    ArchiveConnection &operator=(const ArchiveConnection &) = delete;

    const ArchiveLocation &location() const { return m_location; }
    Access access() const { return m_access; }
    bool isPostgreSQL() const { return m_location.engine == ArchiveLocation::Engine::PostgreSQL; }
    QSqlDatabase &database() { return m_db; }

    // A statement with its values in place of the ?s, in order; a failure
    // throws an ArchiveError with `what`.  The caller finishes what it
    // reads (or a FinishStatements does).
    QSqlQuery &run(const QString &sql, const QVariantList &values, const QString &what);
    // A statement without values that is run once (schema, settings).
    void exec(const QString &sql, const QString &what);
    // Ends every statement still being read, so that SQLite lets go of the
    // snapshot it began with.
    void finishStatements();
    // Forgets the statements compiled on this connection (before it is
    // reopened on another database).
    void forgetStatements();

    // An empty archive in memory in place of the file (a reader of an empty
    // file).
    void reopenInMemory();

    // Throws ArchiveError with the archive's name and the driver's text.
    [[noreturn]] void fail(const QString &what, const QString &driverText, bool unreachable = false) const;
    [[noreturn]] void failStatement(const QString &what, const QSqlError &error) const;

    // BEGIN ... COMMIT, rolled back when left without commit().  SQLite
    // takes its write lock at BEGIN IMMEDIATE, so a check and the write
    // after it see the same archive; PostgreSQL locks the rows it reads
    // FOR UPDATE.
    class Transaction
    {
    public:
        Transaction(ArchiveConnection &connection, const QString &what);
        ~Transaction();
        Transaction(const Transaction &) = delete;
        Transaction &operator=(const Transaction &) = delete;
        void commit();

    private:
        ArchiveConnection &m_connection;
        QString m_what;
        bool m_done = false;
    };

    // Finishes every statement when it goes out of scope.
    struct FinishStatements
    {
        explicit FinishStatements(ArchiveConnection &c) : connection(c) {}
        ~FinishStatements() { connection.finishStatements(); }
        ArchiveConnection &connection;
    };

    // " FOR UPDATE OF table" on PostgreSQL, nothing on SQLite (whose
    // transaction holds the whole file's write lock).
    QString forUpdate(const char *table) const;
    // The generated key column of a new table.
    QString keyColumnType() const;

private:
    void openPostgreSQL();
    void openSqlite();
    void forgetPrepared();

    ArchiveLocation m_location;
    Access m_access;
    QString m_connectionName;
    QSqlDatabase m_db;
    // One query object per statement, used again: SQLite compiles it once.
    // A map, so that references to them stay valid.
    std::map<QString, QSqlQuery> m_statements;
    // PostgreSQL: the name each statement with values was prepared under.
    std::map<QString, QString> m_prepared;
    int m_preparedCount = 0;
};

// The engine's error as one line: libpq's messages run over several.
QString oneLine(const QSqlError &error);
