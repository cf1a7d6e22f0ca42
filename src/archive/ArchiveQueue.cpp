#include "ArchiveQueue.h"

#include "Archive.h"
#include "ArchiveError.h"
#include "ArchiveInput.h"
#include "ArchiveLocation.h"
#include "ArchiveRecording.h"

#include "base/ErrorHandling.h"

#include <QDataStream>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QIODevice>
#include <QSqlError>
#include <QSqlQuery>
#include <QStandardPaths>

#include <set>

namespace {

// The layouts of a queued entry.  1: the measurement field by field (an
// earlier program's; read, never written); 2: the project file's bytes.
constexpr qint32 kFieldsPayload = 1;
constexpr qint32 kProjectPayload = 2;

QByteArray encodeProject(const QByteArray &projectBytes, const QString &filePath, const QString &userName,
                         const QString &companyName)
{
    QByteArray bytes;
    QDataStream out(&bytes, QIODevice::WriteOnly);
    out.setVersion(QDataStream::Qt_6_0);
    out << kProjectPayload << filePath << userName << companyName << projectBytes;
    return bytes;
}

// An earlier program's entry: what it kept, which is all but the standard,
// its entries, the installed distance and the verdict.
std::optional<ArchiveMeasurement> decodeFields(QDataStream &in, qsizetype size)
{
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
    if (count > quint64(size))
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

} // namespace

std::optional<ArchiveMeasurement> queuedMeasurement(const QByteArray &entry, const QDateTime &queuedAt)
{
    QDataStream in(entry);
    in.setVersion(QDataStream::Qt_6_0);
    qint32 version = 0;
    in >> version;
    if (version == kProjectPayload) {
        QString filePath, userName, companyName;
        QByteArray project;
        in >> filePath >> userName >> companyName >> project;
        if (in.status() != QDataStream::Ok)
            return std::nullopt;
        try {
            return measurementFromProjectBytes(project, filePath, userName, companyName, queuedAt);
        } catch (const ZirkError &) {
            return std::nullopt;
        }
    }
    if (version != kFieldsPayload)
        return std::nullopt;
    std::optional<ArchiveMeasurement> m = decodeFields(in, entry.size());
    if (!m)
        return std::nullopt;
    // The file it was saved as tells the whole measurement, as long as it
    // is still the same bytes.
    if (!m->filePath.isEmpty() && !m->fileSha256.isEmpty()) {
        QFile file(m->filePath);
        if (file.open(QIODevice::ReadOnly)) {
            const QByteArray bytes = file.readAll();
            if (sha256Hex(bytes) == m->fileSha256) {
                try {
                    return measurementFromProjectBytes(bytes, m->filePath, m->userName, m->companyName,
                                                       m->measuredAt);
                } catch (const ZirkError &) {
                }
            }
        }
    }
    m->withoutStandard = true;
    m->standardId.clear();
    m->entriesKept = false;
    return m;
}

namespace {

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

void ArchiveQueue::push(const QString &url, const QByteArray &projectBytes, const QString &filePath,
                        const QString &userName, const QString &companyName)
{
    QSqlQuery q(m_db);
    q.prepare(QStringLiteral("INSERT INTO queue (url, queued_at, measurement) VALUES (?, ?, ?)"));
    q.addBindValue(url);
    q.addBindValue(QDateTime::currentDateTimeUtc().toString(Qt::ISODate));
    q.addBindValue(encodeProject(projectBytes, filePath, userName, companyName));
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
        QDateTime queuedAt;
        QByteArray bytes;
    };
    std::vector<Waiting> waiting;
    {
        QSqlQuery q(m_db);
        if (!q.exec(QStringLiteral("SELECT id, url, queued_at, measurement FROM queue ORDER BY id")))
            queueFailed(m_path, QStringLiteral("cannot be read"), q.lastError().text().simplified());
        while (q.next())
            waiting.push_back({q.value(0).toLongLong(), q.value(1).toString(),
                               QDateTime::fromString(q.value(2).toString(), Qt::ISODate), q.value(3).toByteArray()});
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
        const std::optional<ArchiveMeasurement> m = queuedMeasurement(w.bytes, w.queuedAt);
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
