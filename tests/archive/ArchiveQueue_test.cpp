// The local queue of measurements on their way to the archive: what an
// archive does not take waits, survives the program, and goes later; a
// PostgreSQL lock held too long fails in time instead of hanging.
#include "ArchiveEngines.h"

#include "cli/CliRunner.h"

#include "archive/ArchiveError.h"
#include "archive/ArchiveInput.h"
#include "archive/ArchiveQueue.h"
#include "project/ProjectMeasurement.h"

#include <QDataStream>
#include <QFile>
#include <QJsonObject>
#include <QSqlDatabase>
#include <QSqlQuery>

namespace {

Measurement queuedMeasurement(const char *machine, double first)
{
    Measurement m;
    m.machineId = QString::fromLatin1(machine);
    m.note = QStringLiteral("nach Reparatur");
    m.lastValueAt = QDateTime(QDate(2025, 3, 1), QTime(10, 0, 7), Qt::UTC);
    m.safetyDevice = SafetyDevice::selected(0, 14.0);
    for (int i = 0; i < 10; ++i)
        m.stopTimes.push_back(first + i / 3.0);
    m.instrument.serialNumber = QStringLiteral("0123456789ABCD");
    m.instrument.calibrationYear = 2025;
    m.instrument.calibrated = true;
    return m;
}

// What the window queues: the project file's bytes, as Save as writes them.
QByteArray queued(const char *machine, double first)
{
    return projectFileBytes(queuedMeasurement(machine, first), ProjectRecord());
}

ArchiveMeasurement queuedRecord(const char *machine, double first)
{
    return archiveRecord(queuedMeasurement(machine, first), QStringLiteral("Anna"), QString(), QDateTime());
}

void push(ArchiveQueue &queue, const QString &url, const QByteArray &project)
{
    queue.push(url, project, QString(), QStringLiteral("Anna"), QString());
}

// An entry as the queue of the program before kept it: the measurement
// field by field, without its standard, entries, installed distance and
// verdict.
QByteArray earlierEntry(const ArchiveMeasurement &m)
{
    QByteArray bytes;
    QDataStream out(&bytes, QIODevice::WriteOnly);
    out.setVersion(QDataStream::Qt_6_0);
    out << qint32(1) << m.machineId << m.note << m.measuredAt << qint32(m.deviceKind) << bool(m.deviceParameter)
        << m.deviceParameter.value_or(0.0) << m.nonIndustrial;
    out << quint64(m.stopTimes.size());
    for (const double v : m.stopTimes)
        out << v;
    const SeriesResult &r = m.result;
    out << bool(r.statistics);
    if (r.statistics)
        out << quint64(r.statistics->count) << r.statistics->maximum << r.statistics->mean << r.statistics->sigma
            << r.statistics->meanPlus3Sigma;
    out << qint32(r.governing) << bool(r.governingMs) << r.governingMs.value_or(0.0) << bool(r.distanceMm)
        << r.distanceMm.value_or(0.0) << bool(r.distanceInch) << r.distanceInch.value_or(0.0);
    out << m.serialNumber << qint32(m.standstillSpeed) << qint32(m.calibrationYear) << qint32(m.calibrationMonth)
        << qint32(m.calibrationDay) << m.calibrated << m.userName << m.companyName << m.filePath << m.fileSha256;
    return bytes;
}

void pushEarlier(const QString &queuePath, const QString &url, const QByteArray &entry)
{
    ArchiveQueue create(queuePath);
    QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), QStringLiteral("earlier-queue"));
    db.setDatabaseName(queuePath);
    ASSERT_TRUE(db.open());
    {
        QSqlQuery q(db);
        q.prepare(QStringLiteral("INSERT INTO queue (url, queued_at, measurement) VALUES (?, ?, ?)"));
        q.addBindValue(url);
        q.addBindValue(QStringLiteral("2026-12-01T10:00:00Z"));
        q.addBindValue(entry);
        ASSERT_TRUE(q.exec());
    }
    db.close();
    db = QSqlDatabase();
    QSqlDatabase::removeDatabase(QStringLiteral("earlier-queue"));
}

// An ANSI B11.19 measurement mounted closer than its minimum.
Measurement ansiCloser()
{
    Measurement m = queuedMeasurement("Press 7", 200.0);
    m.distanceChoice = DistanceChoice::of(QStringLiteral("ansi-b11.19"));
    m.distanceChoice.trMs = 20.0;
    m.distanceChoice.installedMm = 305.0;
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
        push(queue, url, queued("Press 4", 100.0));
        push(queue, blocked, queued("Press 5", 200.0));
        push(queue, url, queued("Press 4", 120.0));
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
    const Measurement sent = queuedMeasurement("Press 4", 100.0);
    EXPECT_EQ(back->stopTimes, sent.stopTimes);
    EXPECT_EQ(back->measuredAt, sent.lastValueAt);
    EXPECT_EQ(back->note, sent.note);
    EXPECT_EQ(back->result.governingMs, sent.result().governingMs);
    EXPECT_EQ(back->serialNumber, sent.instrument.serialNumber);
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
    ArchiveQueue syncQueue(data + QStringLiteral("/zirk/archive-queue.sqlite"));
    push(syncQueue, url, queued("Press 4", 100.0));
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

// The queue keeps the project file itself: whatever the file keeps reaches
// the archive, the standard, its entries, the installed distance and the
// verdict with it, so the overview sees "closer".
TEST_P(ArchiveQueueDelivery, AQueuedMeasurementReachesTheArchiveWithItsStandardAndVerdict)
{
    const QString queuePath = dir.filePath(QStringLiteral("queue.sqlite"));
    const Measurement m = ansiCloser();
    ASSERT_EQ(m.result().distance.verdict.has_value(), true);
    ArchiveQueue queue(queuePath);
    push(queue, url, projectFileBytes(m, ProjectRecord()));
    ASSERT_EQ(queue.deliver().delivered, 1);
    const std::vector<ArchiveEntry> kept = open()->entries();
    ASSERT_EQ(kept.size(), 1u);
    EXPECT_EQ(kept[0].standardId, QStringLiteral("ansi-b11.19"));
    EXPECT_EQ(kept[0].installedMm, 305.0);
    EXPECT_EQ(kept[0].verdict, QStringLiteral("closer"));
    const std::optional<ArchiveMeasurement> back = open()->measurement(kept[0].id);
    ASSERT_TRUE(back);
    EXPECT_EQ(back->entries.trMs, 20.0);
    EXPECT_TRUE(back->entriesKept);
    const std::vector<FleetMachineRow> rows = fleetRows(open()->overview(), QDate(2025, 4, 1), 12, 10.0);
    ASSERT_EQ(rows.size(), 1u);
    EXPECT_EQ(rows[0].status, FleetStatus::Closer);
}

// An entry the program before queued lost the standard.  Where its project
// file still has the same bytes, the file tells the whole measurement;
// otherwise it is kept as "recorded without its standard" (no standard, not
// the default one) and decides no status.
TEST_P(ArchiveQueueDelivery, AnEarlierEntryIsReadFromItsFileOrKeptWithoutItsStandard)
{
    const QByteArray project = projectFileBytes(ansiCloser(), ProjectRecord());
    const QString file = dir.filePath(QStringLiteral("Project_20250301_1000_press7.zPRJ"));
    {
        QFile out(file);
        ASSERT_TRUE(out.open(QIODevice::WriteOnly));
        out.write(project);
    }
    ArchiveMeasurement fromFile = measurementFromProjectFile(file, QStringLiteral("Anna"), QString());
    const QString queuePath = dir.filePath(QStringLiteral("queue.sqlite"));
    pushEarlier(queuePath, url, earlierEntry(fromFile));

    // The same measurement on another machine, whose file changed since.
    ArchiveMeasurement changed = fromFile;
    changed.machineId = QStringLiteral("Press 8");
    changed.fileSha256 = QStringLiteral("0").repeated(64);
    pushEarlier(queuePath, url, earlierEntry(changed));

    ASSERT_EQ(ArchiveQueue(queuePath).deliver().delivered, 2);
    const std::vector<ArchiveEntry> kept = open()->entries();
    ASSERT_EQ(kept.size(), 2u);
    EXPECT_EQ(kept[0].standardId, QStringLiteral("ansi-b11.19"));
    EXPECT_EQ(kept[0].verdict, QStringLiteral("closer"));
    EXPECT_FALSE(kept[0].withoutStandard);
    EXPECT_TRUE(kept[1].withoutStandard);
    EXPECT_TRUE(kept[1].standardId.isEmpty());
    EXPECT_FALSE(kept[1].installedMm);
    EXPECT_TRUE(kept[1].verdict.isEmpty());

    const std::vector<FleetMachineRow> rows = fleetRows(open()->overview(), QDate(2025, 4, 1), 12, 10.0);
    ASSERT_EQ(rows.size(), 2u);
    EXPECT_EQ(rows[0].status, FleetStatus::Closer);
    EXPECT_EQ(rows[1].machineId, QStringLiteral("Press 8"));
    EXPECT_EQ(rows[1].status, FleetStatus::Unknown);
    EXPECT_EQ(rows[1].worstSafeguard().safeguard.newerNote, QStringLiteral("without-standard"));
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
    archive.add(queuedRecord("Press 4", 100.0));

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
            archive.add(queuedRecord("Press 4", 130.0));
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
    EXPECT_EQ(archive.add(queuedRecord("Press 4", 130.0)).outcome, Archive::AddOutcome::Added);
}

} // namespace
