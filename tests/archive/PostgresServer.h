#pragma once
// The PostgreSQL server of the archive tests.  ctest starts one for the whole
// run (postgres-server.sh, its folder in the state file below); a test
// program started by hand starts its own and stops it at exit.  Only
// ZIRK_NO_POSTGRES=1 lets the PostgreSQL cases skip: a server that cannot be
// started fails them.

#include <QDir>
#include <QFile>
#include <QProcess>
#include <QSqlDatabase>
#include <QSqlError>
#include <QSqlQuery>
#include <QString>
#include <QTemporaryDir>
#include <gtest/gtest.h>

#include <cstdlib>
#include <memory>
#include <unistd.h>

class PostgresServer
{
public:
    static constexpr const char *kPassword = "zirk-test";

    static bool disabled() { return qgetenv("ZIRK_NO_POSTGRES") == "1"; }

    // The running server, or nullptr after a failure has been added.
    static PostgresServer *get()
    {
        static std::unique_ptr<PostgresServer> server = start();
        return server.get();
    }

    ~PostgresServer()
    {
        if (!m_ownState.isEmpty()) {
            // No Qt here: the application object may be gone already.
            const QByteArray command = "sh '" + QByteArray(kScript) + "' stop '" + m_ownState.toLocal8Bit() + "'";
            (void)std::system(command.constData());
        }
    }

    const QString &socketFolder() const { return m_folder; }

    // A new, empty database; its archive URL.
    QString newDatabase()
    {
        static int counter = 0;
        const QString name = QStringLiteral("zirk_%1_%2").arg(::getpid()).arg(++counter);
        {
            QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QPSQL"), QStringLiteral("zirk-test-admin"));
            db.setHostName(m_folder);
            db.setUserName(QStringLiteral("zirk"));
            db.setDatabaseName(QStringLiteral("postgres"));
            if (!db.open())
                ADD_FAILURE() << "cannot reach the test server: " << db.lastError().text().toStdString();
            QSqlQuery q(db);
            if (!q.exec(QStringLiteral("CREATE DATABASE %1").arg(name)))
                ADD_FAILURE() << q.lastError().text().toStdString();
        }
        QSqlDatabase::removeDatabase(QStringLiteral("zirk-test-admin"));
        return QStringLiteral("postgresql://zirk@:5432/%1?host=%2").arg(name, m_folder);
    }

private:
    static constexpr const char *kScript = ZIRK_SOURCE_DIR "/tests/archive/postgres-server.sh";

    static std::unique_ptr<PostgresServer> start()
    {
        // libpq reads the password from here, as it would for a user.
        qputenv("PGPASSWORD", kPassword);
        auto server = std::make_unique<PostgresServer>();
        QFile shared(QStringLiteral(ZIRK_BINARY_DIR "/archive-postgres.state"));
        if (shared.open(QIODevice::ReadOnly)) {
            const QString folder = QString::fromLocal8Bit(shared.readAll()).trimmed();
            if (QFile::exists(folder + QStringLiteral("/.s.PGSQL.5432"))) {
                server->m_folder = folder;
                return server;
            }
        }
        static QTemporaryDir stateDir;
        server->m_ownState = stateDir.filePath(QStringLiteral("server.state"));
        QProcess script;
        script.setProcessChannelMode(QProcess::MergedChannels);
        script.start(QStringLiteral("sh"), {QLatin1String(kScript), QStringLiteral("start"), server->m_ownState});
        script.waitForFinished(120000);
        QFile state(server->m_ownState);
        if (script.exitCode() != 0 || !state.open(QIODevice::ReadOnly)) {
            ADD_FAILURE() << "the PostgreSQL test server did not start (ZIRK_NO_POSTGRES=1 skips these tests):\n"
                          << script.readAll().toStdString();
            server->m_ownState.clear();
            return nullptr;
        }
        server->m_folder = QString::fromLocal8Bit(state.readAll()).trimmed();
        return server;
    }

    QString m_folder;
    QString m_ownState; // set when this program started the server
};
