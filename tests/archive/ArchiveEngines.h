#pragma once
// Runs a test on both engines: a new SQLite file and a new PostgreSQL
// database for every test.

#include "PostgresServer.h"
#include "QtPrinters.h"

#include "archive/Archive.h"
#include "archive/ArchiveLocation.h"

#include <QTemporaryDir>
#include <gtest/gtest.h>

QT_BEGIN_NAMESPACE
inline void PrintTo(const QDateTime &when, std::ostream *os)
{
    *os << when.toString(Qt::ISODateWithMs).toStdString();
}
QT_END_NAMESPACE

enum class Engine { SQLite, PostgreSQL };

inline std::string engineName(const ::testing::TestParamInfo<Engine> &info)
{
    return info.param == Engine::SQLite ? "SQLite" : "PostgreSQL";
}

class OnBothEngines : public ::testing::TestWithParam<Engine>
{
protected:
    void SetUp() override
    {
        if (GetParam() == Engine::SQLite) {
            url = QStringLiteral("sqlite://") + dir.filePath(QStringLiteral("archive.sqlite"));
            return;
        }
        if (PostgresServer::disabled())
            GTEST_SKIP() << "ZIRK_NO_POSTGRES=1";
        PostgresServer *server = PostgresServer::get();
        if (!server)
            FAIL() << "no PostgreSQL server for the archive tests";
        url = server->newDatabase();
    }

    std::unique_ptr<Archive> open() const
    {
        return std::make_unique<Archive>(parseArchiveUrl(url));
    }

    QTemporaryDir dir;
    QString url;
};

#define ON_BOTH_ENGINES(suite) \
    INSTANTIATE_TEST_SUITE_P(, suite, ::testing::Values(Engine::SQLite, Engine::PostgreSQL), engineName)
