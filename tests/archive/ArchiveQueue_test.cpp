// The local queue of measurements on their way to the archive: what an
// archive does not take waits, survives the program, and goes later; a
// PostgreSQL lock held too long fails in time instead of hanging.
#include "ArchiveEngines.h"

#include "cli/CliRunner.h"

#include "archive/ArchiveError.h"
#include "archive/ArchiveQueue.h"

#include <QFile>
#include <QJsonObject>
#include <QSqlDatabase>
#include <QSqlQuery>

namespace {

ArchiveMeasurement queued(const char *machine, double first)
{
    ArchiveMeasurement m;
    m.machineId = QString::fromLatin1(machine);
    m.note = QStringLiteral("nach Reparatur");
    m.measuredAt = QDateTime(QDate(2025, 3, 1), QTime(10, 0, 7), Qt::UTC);
    m.deviceKind = 0;
    m.deviceParameter = 14.0;
    for (int i = 0; i < 10; ++i)
        m.stopTimes.push_back(first + i / 3.0);
    SeriesStatistics s;
    s.count = 10;
    s.maximum = first + 3.0;
    s.mean = first + 1.5;
    s.sigma = 0.9;
    s.meanPlus3Sigma = first + 4.2;
    m.result.statistics = s;
    m.result.governing = GoverningStatistic::MeanPlus3Sigma;
    m.result.governingMs = first + 4.2;
    m.result.distanceMm = 400.0 + first;
    m.serialNumber = QStringLiteral("0123456789ABCD");
    m.calibrationYear = 2025;
    m.calibrated = true;
    m.userName = QStringLiteral("Anna");
    return m;
}

class ArchiveQueueDelivery : public OnBothEngines
{
};

TEST_P(ArchiveQueueDelivery, WhatAnArchiveDoesNotTakeWaitsAndGoesLaterWhole)
{
    const QString queuePath = dir.filePath(QStringLiteral("data/zirk/archive-queue.sqlite"));
    // A file where the second archive's folder would go: it cannot be made.
    const QString blocker = dir.filePath(QStringLiteral("share"));
    QFile file(blocker);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.close();
    const QString blocked = QStringLiteral("sqlite://") + blocker + QStringLiteral("/archive.sqlite");
    {
        ArchiveQueue queue(queuePath);
        queue.push(url, queued("Press 4", 100.0));
        queue.push(blocked, queued("Press 5", 200.0));
        queue.push(url, queued("Press 4", 120.0));
        const ArchiveQueue::Delivery d = queue.deliver();
        EXPECT_EQ(d.delivered, 2);
        EXPECT_EQ(d.waiting, 1);
        EXPECT_TRUE(d.error.contains(blocker)) << d.error.toStdString();
        EXPECT_FALSE(d.unreachable);
    }
    const std::vector<ArchiveEntry> kept = open()->entries();
    ASSERT_EQ(kept.size(), 2u);
    const std::optional<ArchiveMeasurement> back = open()->measurement(kept[0].id);
    ASSERT_TRUE(back);
    const ArchiveMeasurement sent = queued("Press 4", 100.0);
    EXPECT_EQ(back->stopTimes, sent.stopTimes);
    EXPECT_EQ(back->measuredAt, sent.measuredAt);
    EXPECT_EQ(back->note, sent.note);
    EXPECT_EQ(back->result.governingMs, sent.result.governingMs);
    EXPECT_EQ(back->result.statistics->sigma, 0.9);
    EXPECT_EQ(back->userName, QStringLiteral("Anna"));

    // Another start of the program: the waiting one is still there, and
    // goes once its archive can be made.
    ASSERT_TRUE(QFile::remove(blocker));
    ArchiveQueue queue(queuePath);
    EXPECT_EQ(queue.size(), 1);
    const ArchiveQueue::Delivery d = queue.deliver();
    EXPECT_EQ(d.delivered, 1);
    EXPECT_EQ(d.waiting, 0);
    EXPECT_TRUE(d.error.isEmpty());
    EXPECT_EQ(queue.size(), 0);
    EXPECT_EQ(Archive(parseArchiveUrl(blocked)).entries().size(), 1u);
}

TEST_P(ArchiveQueueDelivery, ZirkCliSyncDeliversTheQueueByHand)
{
    const QString data = dir.filePath(QStringLiteral("data"));
    ArchiveQueue(data + QStringLiteral("/zirk/archive-queue.sqlite")).push(url, queued("Press 4", 100.0));
    const QByteArray saved = qgetenv("XDG_DATA_HOME");
    qputenv("XDG_DATA_HOME", data.toLocal8Bit());
    CliRun run = runCli({"archive", "sync", "--json"});
    const CliRun again = runCli({"archive", "sync"});
    qputenv("XDG_DATA_HOME", saved);
    ASSERT_EQ(run.exitCode, 0) << run.err.constData();
    EXPECT_EQ(run.out, QByteArray("{\"delivered\":1,\"waiting\":0,\"error\":null}\n"));
    EXPECT_EQ(again.out, QByteArray("0 delivered, 0 waiting\n"));
    EXPECT_EQ(open()->entries().size(), 1u);
}

ON_BOTH_ENGINES(ArchiveQueueDelivery);

// Another session holds the machine's row: the add fails after the
// statement time-out with a message that says so, instead of waiting for
// as long as the other holds it.
TEST(PostgreSQLArchive, ALockHeldByAnotherSessionTimesOutWithAClearMessage)
{
    if (PostgresServer::disabled())
        GTEST_SKIP() << "ZIRK_NO_POSTGRES=1";
    PostgresServer *server = PostgresServer::get();
    ASSERT_TRUE(server);
    const QString url = server->newDatabase();
    Archive archive(parseArchiveUrl(url));
    archive.add(queued("Press 4", 100.0));

    const ArchiveLocation l = parseArchiveUrl(url);
    {
        QSqlDatabase other = QSqlDatabase::addDatabase(QStringLiteral("QPSQL"), QStringLiteral("holder"));
        other.setHostName(l.hostName);
        other.setUserName(l.userName);
        other.setDatabaseName(l.databaseName);
        ASSERT_TRUE(other.open());
        QSqlQuery q(other);
        ASSERT_TRUE(q.exec(QStringLiteral("BEGIN")));
        ASSERT_TRUE(q.exec(QStringLiteral("SELECT id FROM machines WHERE machine_id = 'Press 4' FOR UPDATE")));
        try {
            archive.add(queued("Press 4", 130.0));
            ADD_FAILURE() << "added past the lock";
        } catch (const ArchiveError &e) {
            EXPECT_TRUE(e.unreachable());
            EXPECT_TRUE(e.message().contains(QLatin1String("did not answer within 10 s"))) << e.message().toStdString();
            EXPECT_FALSE(e.message().contains(QLatin1Char('\n')));
        }
        q.exec(QStringLiteral("ROLLBACK"));
        other.close();
    }
    QSqlDatabase::removeDatabase(QStringLiteral("holder"));
    // Once the lock is gone the same connection goes on.
    EXPECT_EQ(archive.add(queued("Press 4", 130.0)).outcome, Archive::AddOutcome::Added);
}

} // namespace
