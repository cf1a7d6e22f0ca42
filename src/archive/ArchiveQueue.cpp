#include "ArchiveQueue.h"

#include "Archive.h"
#include "ArchiveError.h"
#include "ArchiveLocation.h"

#include <QDataStream>
#include <QDir>
#include <QFileInfo>
#include <QIODevice>
#include <QSqlError>
#include <QSqlQuery>
#include <QStandardPaths>

#include <set>

namespace {

// The layout of a queued measurement; a queue written by a later program
// with another layout is left alone.
constexpr qint32 kPayloadVersion = 1;

QByteArray encode(const ArchiveMeasurement &m)
{
    QByteArray bytes;
    QDataStream out(&bytes, QIODevice::WriteOnly);
    out.setVersion(QDataStream::Qt_6_0);
    out << kPayloadVersion << m.machineId << m.note << m.measuredAt << qint32(m.deviceKind)
        << bool(m.deviceParameter) << m.deviceParameter.value_or(0.0) << m.nonIndustrial;
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

std::optional<ArchiveMeasurement> decode(const QByteArray &bytes)
{
    QDataStream in(bytes);
    in.setVersion(QDataStream::Qt_6_0);
    qint32 version = 0;
    in >> version;
    if (version != kPayloadVersion)
        return std::nullopt;
    ArchiveMeasurement m;
    auto optional = [&in](std::optional<double> &target) {
        bool has = false;
        double v = 0.0;
        in >> has >> v;
        target = has ? std::optional<double>(v) : std::nullopt;
    };
    qint32 kind = 0;
    in >> m.machineId >> m.note >> m.measuredAt >> kind;
    m.deviceKind = kind;
    optional(m.deviceParameter);
    in >> m.nonIndustrial;
    quint64 count = 0;
    in >> count;
    if (count > quint64(bytes.size()))
        return std::nullopt;
    m.stopTimes.resize(std::size_t(count));
    for (double &v : m.stopTimes)
        in >> v;
    bool hasStatistics = false;
    in >> hasStatistics;
    SeriesResult &r = m.result;
    if (hasStatistics) {
        SeriesStatistics s;
        quint64 n = 0;
        in >> n >> s.maximum >> s.mean >> s.sigma >> s.meanPlus3Sigma;
        s.count = std::size_t(n);
        r.statistics = s;
    }
    qint32 governing = 0;
    in >> governing;
    r.governing = GoverningStatistic(governing);
    optional(r.governingMs);
    optional(r.distanceMm);
    optional(r.distanceInch);
    qint32 speed = 0, year = 0, month = 0, day = 0;
    in >> m.serialNumber >> speed >> year >> month >> day >> m.calibrated >> m.userName >> m.companyName >> m.filePath
        >> m.fileSha256;
    m.standstillSpeed = speed;
    m.calibrationYear = year;
    m.calibrationMonth = month;
    m.calibrationDay = day;
    if (in.status() != QDataStream::Ok)
        return std::nullopt;
    return m;
}

[[noreturn]] void queueFailed(const QString &path, const QString &what, const QString &why)
{
    throw ArchiveError(QStringLiteral("archive queue %1: %2: %3").arg(path, what, why));
}

} // namespace

ArchiveQueue::ArchiveQueue(const QString &path)
    : m_path(path),
      m_connectionName(QStringLiteral("zirk-archive-queue-%1").arg(quintptr(this), 0, 16))
{
    if (!QDir().mkpath(QFileInfo(path).absolutePath()))
        queueFailed(path, QStringLiteral("cannot be created"), QStringLiteral("no folder"));
    m_db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), m_connectionName);
    m_db.setDatabaseName(path);
    // The window and a delivery may both be at it: wait a moment.
    m_db.setConnectOptions(QStringLiteral("QSQLITE_BUSY_TIMEOUT=5000"));
    QString error;
    if (!m_db.open()) {
        error = m_db.lastError().text();
    } else {
        QSqlQuery q(m_db);
        if (!q.exec(QStringLiteral("CREATE TABLE IF NOT EXISTS queue (id INTEGER PRIMARY KEY, url TEXT NOT NULL,"
                                   " queued_at TEXT NOT NULL, measurement BLOB NOT NULL)")))
            error = q.lastError().text();
    }
    if (!error.isEmpty()) {
        m_db = QSqlDatabase();
        QSqlDatabase::removeDatabase(m_connectionName);
        queueFailed(path, QStringLiteral("cannot be opened"), error.simplified());
    }
}

ArchiveQueue::~ArchiveQueue()
{
    m_db.close();
    m_db = QSqlDatabase();
    QSqlDatabase::removeDatabase(m_connectionName);
}

void ArchiveQueue::push(const QString &url, const ArchiveMeasurement &measurement)
{
    QSqlQuery q(m_db);
    q.prepare(QStringLiteral("INSERT INTO queue (url, queued_at, measurement) VALUES (?, ?, ?)"));
    q.addBindValue(url);
    q.addBindValue(QDateTime::currentDateTimeUtc().toString(Qt::ISODate));
    q.addBindValue(encode(measurement));
    if (!q.exec())
        queueFailed(m_path, QStringLiteral("cannot be written"), q.lastError().text().simplified());
}

int ArchiveQueue::size()
{
    QSqlQuery q(m_db);
    if (!q.exec(QStringLiteral("SELECT count(*) FROM queue")) || !q.next())
        queueFailed(m_path, QStringLiteral("cannot be read"), q.lastError().text().simplified());
    return q.value(0).toInt();
}

ArchiveQueue::Delivery ArchiveQueue::deliver()
{
    struct Waiting
    {
        qint64 id;
        QString url;
        QByteArray bytes;
    };
    std::vector<Waiting> waiting;
    {
        QSqlQuery q(m_db);
        if (!q.exec(QStringLiteral("SELECT id, url, measurement FROM queue ORDER BY id")))
            queueFailed(m_path, QStringLiteral("cannot be read"), q.lastError().text().simplified());
        while (q.next())
            waiting.push_back({q.value(0).toLongLong(), q.value(1).toString(), q.value(2).toByteArray()});
    }

    Delivery delivery;
    // One connection per archive; an archive that failed once is not tried
    // again in this round, so a server that does not answer costs one wait.
    std::map<QString, std::unique_ptr<Archive>> archives;
    std::set<QString> failed;
    for (const Waiting &w : waiting) {
        if (failed.count(w.url)) {
            ++delivery.waiting;
            continue;
        }
        const std::optional<ArchiveMeasurement> m = decode(w.bytes);
        if (!m) {
            ++delivery.waiting; // a later program's: left for it
            continue;
        }
        try {
            std::unique_ptr<Archive> &archive = archives[w.url];
            if (!archive)
                archive = std::make_unique<Archive>(parseArchiveUrl(w.url));
            archive->add(*m);
        } catch (const ArchiveError &e) {
            archives.erase(w.url);
            failed.insert(w.url);
            ++delivery.waiting;
            if (delivery.error.isEmpty()) {
                delivery.error = e.message();
                delivery.unreachable = e.unreachable();
            }
            continue;
        }
        QSqlQuery remove(m_db);
        remove.prepare(QStringLiteral("DELETE FROM queue WHERE id = ?"));
        remove.addBindValue(w.id);
        if (!remove.exec())
            queueFailed(m_path, QStringLiteral("cannot be written"), remove.lastError().text().simplified());
        ++delivery.delivered;
    }
    return delivery;
}

QString defaultArchiveQueuePath()
{
    return QFileInfo(defaultArchivePath()).absolutePath() + QStringLiteral("/archive-queue.sqlite");
}
