#include "ArchiveConnection.h"

#include "ArchiveError.h"

#include <QDir>
#include <QFileInfo>
#include <QSqlDriver>
#include <QSqlField>

QString oneLine(const QSqlError &error)
{
    QString text = error.databaseText().trimmed();
    if (text.isEmpty())
        text = error.driverText().trimmed();
    return text.simplified();
}

ArchiveConnection::ArchiveConnection(const ArchiveLocation &location, Access access)
    : m_location(location),
      m_access(access),
      m_connectionName(QStringLiteral("zirk-archive-%1").arg(quintptr(this), 0, 16))
{
    try {
        const QString driver = isPostgreSQL() ? QStringLiteral("QPSQL") : QStringLiteral("QSQLITE");
        if (!QSqlDatabase::isDriverAvailable(driver))
            fail(QStringLiteral("cannot be opened"),
                 QStringLiteral("the Qt SQL driver %1 is not installed").arg(driver));
        m_db = QSqlDatabase::addDatabase(driver, m_connectionName);
        if (isPostgreSQL())
            openPostgreSQL();
        else
            openSqlite();
    } catch (...) {
        m_statements.clear();
        m_db = QSqlDatabase();
        QSqlDatabase::removeDatabase(m_connectionName);
        throw;
    }
}

ArchiveConnection::~ArchiveConnection()
{
    m_statements.clear();
    m_db.close();
    m_db = QSqlDatabase();
    QSqlDatabase::removeDatabase(m_connectionName);
}

void ArchiveConnection::fail(const QString &what, const QString &driverText, bool unreachable) const
{
    QString text = QStringLiteral("archive %1: %2").arg(m_location.url(), what);
    if (!driverText.isEmpty())
        text += QStringLiteral(": ") + driverText;
    throw ArchiveError(text, unreachable);
}

void ArchiveConnection::failStatement(const QString &what, const QSqlError &error) const
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

void ArchiveConnection::openPostgreSQL()
{
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
    // or a lock that another session holds for longer must not keep the
    // program waiting without end: it fails with a time-out.
    for (const QString &setting : {QStringLiteral("SET client_min_messages TO WARNING"),
                                   QStringLiteral("SET statement_timeout = %1").arg(kStatementTimeoutMs),
                                   QStringLiteral("SET lock_timeout = %1").arg(kStatementTimeoutMs)}) {
        QSqlQuery q(m_db);
        if (!q.exec(setting))
            failStatement(QStringLiteral("cannot be opened"), q.lastError());
    }
}

void ArchiveConnection::openSqlite()
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

void ArchiveConnection::reopenInMemory()
{
    if (m_db.databaseName() == QLatin1String(":memory:"))
        return;
    forgetStatements();
    m_db.close();
    m_db.setConnectOptions(QString());
    m_db.setDatabaseName(QStringLiteral(":memory:"));
    if (!m_db.open())
        fail(QStringLiteral("cannot be opened"), oneLine(m_db.lastError()));
}

// A statement with its values in place of the ?s, in order; a failure
// throws.  SQLite binds them to a statement compiled once per connection.
// For PostgreSQL the statement is prepared once by SQL (PREPARE) and run as
// EXECUTE with each value written as a literal by the driver (strings
// escaped by libpq): one round trip instead of Qt's three, and a rollback
// forgets what was prepared.
QSqlQuery &ArchiveConnection::run(const QString &sql, const QVariantList &values, const QString &what)
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

void ArchiveConnection::exec(const QString &sql, const QString &what)
{
    QSqlQuery q(m_db);
    if (!q.exec(sql))
        failStatement(what, q.lastError());
}

void ArchiveConnection::finishStatements()
{
    for (auto &[sql, q] : m_statements)
        q.finish();
}

void ArchiveConnection::forgetStatements()
{
    m_statements.clear();
}

void ArchiveConnection::forgetPrepared()
{
    // Statements prepared in a transaction that failed may be gone with
    // it: prepare anew, under new names.
    if (isPostgreSQL() && !m_prepared.empty()) {
        m_prepared.clear();
        QSqlQuery(m_db).exec(QStringLiteral("DEALLOCATE ALL"));
    }
}

QString ArchiveConnection::forUpdate(const char *table) const
{
    return isPostgreSQL() ? QStringLiteral(" FOR UPDATE OF %1").arg(QLatin1String(table)) : QString();
}

QString ArchiveConnection::keyColumnType() const
{
    return isPostgreSQL() ? QStringLiteral("BIGINT GENERATED BY DEFAULT AS IDENTITY PRIMARY KEY")
                          : QStringLiteral("INTEGER PRIMARY KEY");
}

ArchiveConnection::Transaction::Transaction(ArchiveConnection &connection, const QString &what)
    : m_connection(connection), m_what(what)
{
    connection.exec(connection.isPostgreSQL() ? QStringLiteral("BEGIN") : QStringLiteral("BEGIN IMMEDIATE"), what);
}

ArchiveConnection::Transaction::~Transaction()
{
    if (m_done)
        return;
    m_connection.finishStatements();
    QSqlQuery(m_connection.m_db).exec(QStringLiteral("ROLLBACK"));
    m_connection.forgetPrepared();
}

void ArchiveConnection::Transaction::commit()
{
    m_connection.finishStatements();
    m_connection.exec(QStringLiteral("COMMIT"), m_what);
    m_done = true;
}
