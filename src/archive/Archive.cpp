#include "Archive.h"

#include "ArchiveError.h"
#include "ArchiveRows.h"
#include "ArchiveSchema.h"

#include <QSqlQuery>
#include <QVariant>

#include <algorithm>
#include <cmath>

namespace {

// "Press 9" before "Press 10" and "press 11": runs of digits compare by
// their value, other characters without regard to letter case.
int compareMachineIds(const QString &a, const QString &b)
{
    qsizetype i = 0;
    qsizetype j = 0;
    while (i < a.size() && j < b.size()) {
        if (a[i].isDigit() && b[j].isDigit()) {
            qsizetype endA = i;
            qsizetype endB = j;
            while (endA < a.size() && a[endA].isDigit())
                ++endA;
            while (endB < b.size() && b[endB].isDigit())
                ++endB;
            // Leading zeros do not make a number greater.
            qsizetype startA = i;
            qsizetype startB = j;
            while (startA + 1 < endA && a[startA] == QLatin1Char('0'))
                ++startA;
            while (startB + 1 < endB && b[startB] == QLatin1Char('0'))
                ++startB;
            if (endA - startA != endB - startB)
                return endA - startA < endB - startB ? -1 : 1;
            const int order = QStringView(a).sliced(startA, endA - startA).compare(QStringView(b).sliced(startB, endB - startB));
            if (order != 0)
                return order;
            i = endA;
            j = endB;
            continue;
        }
        const char32_t ca = a[i].toCaseFolded().unicode();
        const char32_t cb = b[j].toCaseFolded().unicode();
        if (ca != cb)
            return ca < cb ? -1 : 1;
        ++i;
        ++j;
    }
    if (i < a.size())
        return 1;
    if (j < b.size())
        return -1;
    return 0;
}

bool machineOrder(const QString &a, const QString &b)
{
    const int order = compareMachineIds(a, b);
    return order != 0 ? order < 0 : a < b;
}

// Named safeguards first, by name; then the unnamed ones by kind and
// parameter.
bool safeguardOrder(const QString &nameA, int kindA, const std::optional<double> &parameterA, const QString &nameB,
                    int kindB, const std::optional<double> &parameterB)
{
    if (nameA.isEmpty() != nameB.isEmpty())
        return !nameA.isEmpty();
    if (!nameA.isEmpty())
        return machineOrder(nameA, nameB);
    if (kindA != kindB)
        return kindA < kindB;
    return parameterA < parameterB;
}

// A measurement's place in a safeguard's history: by the time it was
// measured (text of one format, so it sorts as time does), then by id.
struct OrderKey
{
    std::optional<qint64> id;
    QString measuredAt;
    bool operator<(const OrderKey &other) const
    {
        return measuredAt != other.measuredAt ? measuredAt < other.measuredAt : id < other.id;
    }
};

OrderKey orderKey(const QSqlQuery &q, int column)
{
    if (q.isNull(column))
        return {};
    return {q.value(column).toLongLong(), q.value(column + 1).toString()};
}

QVariant idValue(const OrderKey &k)
{
    return k.id ? QVariant(*k.id) : nullId();
}

// Stop times go in with one statement per this many rows: few round trips
// to a server, and well below SQLite's limit of bound values.
constexpr std::size_t kStopTimesPerStatement = 200;

const QString kWrite = QStringLiteral("cannot be written");
const QString kRead = QStringLiteral("cannot be read");

} // namespace

// A safeguard's row, locked, with the measurements the overview names and
// their order keys, which a new one may replace.
struct Archive::SafeguardRow
{
    qint64 id = 0;
    OrderKey latest, newest, latestGoverning, previousGoverning, firstGoverning;
};

Archive::Archive(const ArchiveLocation &location, Access access)
    : m_connection(location, access)
{
    ArchiveSchema::prepare(m_connection);
}

Archive::~Archive()
{
    m_batch.reset();
}

Archive::AddResult Archive::add(const ArchiveMeasurement &measurement)
{
    return add(measurement, QDateTime::currentDateTimeUtc());
}

Archive::AddResult Archive::add(const ArchiveMeasurement &measurement, const QDateTime &now)
{
    for (const double v : measurement.stopTimes) {
        if (!std::isfinite(v))
            m_connection.fail(kWrite, QStringLiteral("a stop time is not a number"));
    }
    ArchiveMeasurement m = measurement;
    m.machineId = m.machineId.trimmed();
    m.safeguard = m.safeguard.trimmed();
    // The archive judges the time itself: whoever recorded it may have had
    // a wrong clock.
    m.timeFlag = timeFlag(m.measuredAt, now);
    const QString identity = measurementIdentity(m);

    // Inside a batch the batch's transaction is the one.
    std::optional<ArchiveConnection::Transaction> own;
    if (!m_batch)
        own.emplace(m_connection, kWrite);
    const qint64 machine = lockMachine(m.machineId, kWrite);
    SafeguardRow safeguard = lockSafeguard(machine, m, kWrite);
    if (const std::optional<AddResult> kept = keptAlready(safeguard, m, identity, kWrite)) {
        if (own)
            own->commit();
        return *kept;
    }
    const qint64 id = insert(machine, safeguard, m, identity, now, kWrite);
    updateBookkeeping(machine, safeguard, id, m, kWrite);
    if (own)
        own->commit();
    return {AddOutcome::Added, id};
}

// Locking the machine's row makes the checks and the insert one step for
// every program that adds to the same machine.  A new machine is inserted
// first (once; two programs may try at once).
qint64 Archive::lockMachine(const QString &machineId, const QString &what)
{
    const QString sql = QStringLiteral("SELECT id FROM machines WHERE machine_id = ?") + m_connection.forUpdate("machines");
    for (int attempt = 0; attempt < 2; ++attempt) {
        QSqlQuery &q = m_connection.run(sql, {textValue(machineId)}, what);
        if (q.next()) {
            const qint64 id = q.value(0).toLongLong();
            q.finish();
            return id;
        }
        q.finish();
        if (attempt == 0)
            m_connection.run(
                QStringLiteral("INSERT INTO machines (machine_id) VALUES (?) ON CONFLICT (machine_id) DO NOTHING"),
                {textValue(machineId)}, what);
    }
    m_connection.fail(what, QStringLiteral("the machine was not kept"));
}

Archive::SafeguardRow Archive::lockSafeguard(qint64 machine, const ArchiveMeasurement &m, const QString &what)
{
    const QString key = safeguardKey(m.safeguard, m.deviceKind, m.deviceParameter);
    const QString sql = QStringLiteral(
        "SELECT s.id, s.latest_id, l.measured_at, s.newest_id, n.measured_at, s.latest_governing_id, lg.measured_at,"
        " s.previous_governing_id, pg.measured_at, s.first_governing_id, f.measured_at FROM safeguards s"
        " LEFT JOIN measurements l ON l.id = s.latest_id LEFT JOIN measurements n ON n.id = s.newest_id"
        " LEFT JOIN measurements lg ON lg.id = s.latest_governing_id"
        " LEFT JOIN measurements pg ON pg.id = s.previous_governing_id"
        " LEFT JOIN measurements f ON f.id = s.first_governing_id WHERE s.machine = ? AND s.safeguard_key = ?")
        + m_connection.forUpdate("s");
    for (int attempt = 0; attempt < 2; ++attempt) {
        QSqlQuery &q = m_connection.run(sql, {machine, textValue(key)}, what);
        if (q.next()) {
            SafeguardRow row;
            row.id = q.value(0).toLongLong();
            row.latest = orderKey(q, 1);
            row.newest = orderKey(q, 3);
            row.latestGoverning = orderKey(q, 5);
            row.previousGoverning = orderKey(q, 7);
            row.firstGoverning = orderKey(q, 9);
            q.finish();
            return row;
        }
        q.finish();
        if (attempt == 0)
            m_connection.run(QStringLiteral("INSERT INTO safeguards (machine, safeguard_key, name, device_kind,"
                                            " device_parameter) VALUES (?, ?, ?, ?, ?)"
                                            " ON CONFLICT (machine, safeguard_key) DO NOTHING"),
                             {machine, textValue(key), textValue(m.safeguard), m.deviceKind,
                              optionalValue(m.deviceParameter)},
                             what);
    }
    m_connection.fail(what, QStringLiteral("the safeguard was not kept"));
}

// A file of the same bytes, and the safeguard's measurement that may be the
// same one, in one round trip.  A measurement is its series, machine,
// safeguard and safety device: saved and then reported, opened from the
// history and saved again, or added from a copy of its file, it is one
// point of the safeguard's history, wherever it sits there, whatever time
// and file it comes with.  The standard with its entries and the installed
// distance belong to the device's side of it: judged by another standard,
// or mounted elsewhere, it is another point.
std::optional<Archive::AddResult> Archive::keptAlready(const SafeguardRow &safeguard, const ArchiveMeasurement &m,
                                                       const QString &identity, const QString &what)
{
    QSqlQuery &same = m_connection.run(
        QStringLiteral("SELECT 0, id FROM measurements WHERE file_sha256 = ?"
                       " UNION ALL SELECT 1, id FROM measurements WHERE safeguard = ? AND identity = ?"),
        {m.fileSha256.isEmpty() ? nullText() : QVariant(m.fileSha256), safeguard.id, identity}, what);
    std::vector<qint64> candidates;
    std::optional<qint64> sameFile;
    while (same.next()) {
        if (same.value(0).toInt() == 0)
            sameFile = same.value(1).toLongLong();
        else
            candidates.push_back(same.value(1).toLongLong());
    }
    same.finish();
    if (sameFile) {
        const bool repaired = repair(*sameFile, m, what);
        return AddResult{AddOutcome::SameFile, *sameFile, repaired};
    }
    std::sort(candidates.begin(), candidates.end());
    for (const qint64 candidate : candidates) {
        if (storedStopTimes(candidate, what) == m.stopTimes)
            return AddResult{AddOutcome::SameMeasurement, candidate};
    }
    return std::nullopt;
}

// A measurement that an earlier program recorded without its standard (the
// window's queue lost it on the way: the default standard, no installed
// distance, no verdict) gets them from its file, which is the same bytes.
// Nothing else of it changes, and no measurement is added.
bool Archive::repair(qint64 id, const ArchiveMeasurement &m, const QString &what)
{
    if (m.withoutStandard)
        return false;
    QSqlQuery &q = m_connection.run(
        QStringLiteral("SELECT standard, installed_mm, verdict, safeguard, entries_kept FROM measurements WHERE id = ?"),
        {id}, what);
    if (!q.next())
        return false;
    const bool lost = q.isNull(0)
        || (q.value(0).toString() == QLatin1String("iso13855-2010") && q.isNull(1) && q.isNull(2)
            && (m.standardId != q.value(0).toString() || m.entries.installedMm || !m.verdict.isEmpty()));
    const bool entriesMissing = q.value(4).toInt() == 0 && q.value(0).toString() == m.standardId;
    const qint64 safeguard = q.value(3).toLongLong();
    q.finish();
    if (!lost && !entriesMissing)
        return false;
    ArchiveMeasurement repaired = m;
    const StandardEntries &e = m.entries;
    m_connection.run(
        QStringLiteral("UPDATE measurements SET standard = ?, installed_mm = ?, verdict = ?, tr_ms = ?,"
                       " brake_monitor_ms = ?, k_mm_per_s = ?, dds_mm = ?, z_mm = ?, dpf_mm = ?, no_encroachment = ?,"
                       " entries_kept = 1, identity = ? WHERE id = ?"),
        {textValue(m.standardId), optionalValue(e.installedMm), m.verdict.isEmpty() ? nullText() : QVariant(m.verdict),
         optionalValue(e.trMs), optionalValue(e.brakeMonitorMs), optionalValue(e.kMmPerS), optionalValue(e.ddsMm),
         optionalValue(e.zMm), optionalValue(e.dpfMm), int(e.noEncroachment), measurementIdentity(repaired), id},
        what);
    ArchiveSchema::refreshSafeguards(m_connection, what, safeguard);
    return lost;
}

qint64 Archive::insert(qint64 machine, const SafeguardRow &safeguard, const ArchiveMeasurement &m,
                       const QString &identity, const QDateTime &now, const QString &what)
{
    QString marks;
    for (int i = 0; i < measurementColumnCount(); ++i)
        marks += QStringLiteral(", ?");
    QVariantList values{machine, safeguard.id, timeText(now), identity};
    values << measurementColumnValues(m);
    QSqlQuery &inserted = m_connection.run(
        QStringLiteral("INSERT INTO measurements (machine, safeguard, recorded_at, identity, %1)"
                       " VALUES (?, ?, ?, ?%2) RETURNING id")
            .arg(measurementColumnList(), marks),
        values, what);
    if (!inserted.next())
        m_connection.fail(what, QStringLiteral("the measurement was not kept"));
    const qint64 id = inserted.value(0).toLongLong();
    inserted.finish();

    for (std::size_t first = 0; first < m.stopTimes.size(); first += kStopTimesPerStatement) {
        const std::size_t n = std::min(kStopTimesPerStatement, m.stopTimes.size() - first);
        QString sql = QStringLiteral("INSERT INTO stop_times (measurement, position, stop_ms) VALUES ");
        QVariantList stops;
        stops.reserve(qsizetype(3 * n));
        for (std::size_t i = 0; i < n; ++i) {
            sql += i == 0 ? QStringLiteral("(?, ?, ?)") : QStringLiteral(", (?, ?, ?)");
            stops << id << qint64(first + i + 1) << m.stopTimes[first + i];
        }
        m_connection.run(sql, stops, what);
    }
    return id;
}

// The new measurement in the overview's places, in the history's order
// (time measured, then id): only one that decides can become the newest
// that decides or a point of the trend.
void Archive::updateBookkeeping(qint64 machine, SafeguardRow &s, qint64 id, const ArchiveMeasurement &m,
                                const QString &what)
{
    const QString measuredAt = timeText(m.measuredAt);
    const OrderKey added{id, measuredAt};
    const bool decides = decidesStatus(m);
    bool newest = false;
    if (m.timeFlag.isEmpty() && (!s.newest.id || s.newest < added)) {
        s.newest = added;
        newest = true;
    }
    if (decides) {
        if (!s.latest.id || s.latest < added)
            s.latest = added;
        if (m.result.governingMs) {
            if (!s.latestGoverning.id || s.latestGoverning < added) {
                s.previousGoverning = s.latestGoverning;
                s.latestGoverning = added;
            } else if (!s.previousGoverning.id || s.previousGoverning < added) {
                s.previousGoverning = added;
            }
            if (!s.firstGoverning.id || added < s.firstGoverning)
                s.firstGoverning = added;
        }
    }
    // A named safeguard is shown with the kind of its newest measurement.
    m_connection.run(QStringLiteral("UPDATE safeguards SET measurement_count = measurement_count + 1, latest_id = ?,"
                                    " newest_id = ?, latest_governing_id = ?, previous_governing_id = ?,"
                                    " first_governing_id = ?,"
                                    " device_kind = CASE WHEN ? = 1 THEN ? ELSE device_kind END,"
                                    " device_parameter = CASE WHEN ? = 1 THEN ? ELSE device_parameter END"
                                    " WHERE id = ?"),
                     {idValue(s.latest), idValue(s.newest), idValue(s.latestGoverning), idValue(s.previousGoverning),
                      idValue(s.firstGoverning), int(newest), m.deviceKind, int(newest),
                      optionalValue(m.deviceParameter), s.id},
                     what);
    m_connection.run(QStringLiteral("UPDATE machines SET measurement_count = measurement_count + 1,"
                                    " last_measured_at = CASE WHEN ? = 1 AND (last_measured_at IS NULL"
                                    " OR last_measured_at < ?) THEN ? ELSE last_measured_at END WHERE id = ?"),
                     {int(decides), measuredAt, measuredAt, machine}, what);
}

std::vector<double> Archive::storedStopTimes(qint64 id, const QString &what)
{
    QSqlQuery &values = m_connection.run(
        QStringLiteral("SELECT stop_ms FROM stop_times WHERE measurement = ? ORDER BY position"), {id}, what);
    std::vector<double> stored;
    while (values.next())
        stored.push_back(values.value(0).toDouble());
    values.finish();
    return stored;
}

void Archive::beginBatch()
{
    if (!m_batch)
        m_batch = std::make_unique<ArchiveConnection::Transaction>(m_connection, kWrite);
}

void Archive::commitBatch()
{
    if (!m_batch)
        return;
    const std::unique_ptr<ArchiveConnection::Transaction> batch = std::move(m_batch);
    batch->commit();
}

void Archive::rollbackBatch()
{
    m_batch.reset();
}

std::vector<ArchiveMachine> Archive::machines(const QString &search)
{
    const ArchiveConnection::FinishStatements finish(m_connection);
    QSqlQuery &q = m_connection.run(QStringLiteral("SELECT machine_id, measurement_count, last_measured_at FROM machines"
                                                   " WHERE measurement_count > 0"),
                                    {}, kRead);
    std::vector<ArchiveMachine> list;
    const QString needle = search.trimmed();
    while (q.next()) {
        ArchiveMachine machine;
        machine.machineId = q.value(0).toString();
        if (!needle.isEmpty() && !machine.machineId.contains(needle, Qt::CaseInsensitive))
            continue;
        machine.measurementCount = q.value(1).toInt();
        machine.lastMeasuredAt = timeFromText(q.value(2).toString());
        list.push_back(std::move(machine));
    }
    // The same order on every engine, whatever a server's collation.
    std::sort(list.begin(), list.end(),
              [](const ArchiveMachine &a, const ArchiveMachine &b) { return machineOrder(a.machineId, b.machineId); });
    return list;
}

std::vector<ArchiveSafeguard> Archive::safeguards(const QString &machineId)
{
    const ArchiveConnection::FinishStatements finish(m_connection);
    QSqlQuery &q = m_connection.run(
        QStringLiteral("SELECT s.id, s.name, s.device_kind, s.device_parameter, s.measurement_count, m.machine_id"
                       " FROM safeguards s JOIN machines m ON m.id = s.machine"
                       " WHERE m.machine_id = ? AND s.measurement_count > 0"),
        {textValue(machineId.trimmed())}, kRead);
    std::vector<ArchiveSafeguard> list;
    while (q.next()) {
        ArchiveSafeguard s;
        s.id = q.value(0).toLongLong();
        s.name = q.value(1).toString();
        s.deviceKind = q.value(2).toInt();
        s.deviceParameter = optionalDouble(q, 3);
        s.measurementCount = q.value(4).toInt();
        s.machineId = q.value(5).toString();
        list.push_back(std::move(s));
    }
    std::sort(list.begin(), list.end(), [](const ArchiveSafeguard &a, const ArchiveSafeguard &b) {
        return safeguardOrder(a.name, a.deviceKind, a.deviceParameter, b.name, b.deviceKind, b.deviceParameter);
    });
    return list;
}

std::vector<ArchiveEntry> Archive::entries(const std::optional<QString> &machineId, qint64 safeguardId)
{
    const ArchiveConnection::FinishStatements finish(m_connection);
    QString sql = QStringLiteral("SELECT x.id, m.machine_id, s.name, x.measured_at, x.stop_count, x.governing_ms,"
                                 " x.distance_mm, x.device_kind, x.serial_number, x.file_path, x.file_sha256,"
                                 " x.standard, x.verdict, x.installed_mm, x.device_parameter, x.time_flag"
                                 " FROM measurements x JOIN machines m ON m.id = x.machine"
                                 " LEFT JOIN safeguards s ON s.id = x.safeguard");
    QVariantList values;
    QStringList where;
    if (machineId) {
        where << QStringLiteral("m.machine_id = ?");
        values << textValue(machineId->trimmed());
    }
    if (safeguardId != 0) {
        where << QStringLiteral("x.safeguard = ?");
        values << safeguardId;
    }
    if (!where.isEmpty())
        sql += QStringLiteral(" WHERE ") + where.join(QStringLiteral(" AND "));
    sql += QStringLiteral(" ORDER BY x.measured_at, x.id");
    QSqlQuery &q = m_connection.run(sql, values, kRead);
    std::vector<ArchiveEntry> list;
    while (q.next()) {
        ArchiveEntry e;
        e.id = q.value(0).toLongLong();
        e.machineId = q.value(1).toString();
        e.safeguard = q.value(2).toString();
        e.measuredAt = timeFromText(q.value(3).toString());
        e.count = q.value(4).toInt();
        e.governingMs = optionalDouble(q, 5);
        e.distanceMm = optionalDouble(q, 6);
        e.deviceKind = q.value(7).toInt();
        e.serialNumber = q.value(8).toString();
        e.filePath = q.value(9).toString();
        e.fileSha256 = q.value(10).toString();
        e.withoutStandard = q.isNull(11);
        e.standardId = q.value(11).toString();
        e.verdict = q.value(12).toString();
        e.installedMm = optionalDouble(q, 13);
        e.deviceParameter = optionalDouble(q, 14);
        e.timeFlag = q.value(15).toString();
        list.push_back(std::move(e));
    }
    return list;
}

std::vector<ArchiveSafeguardSummary> Archive::overview()
{
    const ArchiveConnection::FinishStatements finish(m_connection);
    // The safeguard's row names the measurements the overview shows (kept
    // up to date by every add): joins on primary keys only.
    const QString sql = QString::fromLatin1(
        "SELECT m.machine_id, s.id, s.name, s.device_kind, s.device_parameter, s.measurement_count,"
        " l.measured_at, l.governing_ms, l.distance_mm, l.standard, l.installed_mm, l.verdict,"
        " s.latest_id, s.newest_id, n.stop_count, n.standard,"
        " s.latest_governing_id, lg.governing_ms, pg.governing_ms, b.id, b.governing_ms, s.first_governing_id,"
        " f.governing_ms"
        " FROM safeguards s JOIN machines m ON m.id = s.machine"
        " LEFT JOIN measurements l ON l.id = s.latest_id"
        " LEFT JOIN measurements n ON n.id = s.newest_id"
        " LEFT JOIN measurements lg ON lg.id = s.latest_governing_id"
        " LEFT JOIN measurements pg ON pg.id = s.previous_governing_id"
        " LEFT JOIN measurements b ON b.id = s.baseline AND b.safeguard = s.id AND b.governing_ms IS NOT NULL AND ")
        + decidesSql(QStringLiteral("b."))
        + QStringLiteral(" LEFT JOIN measurements f ON f.id = s.first_governing_id"
                         " WHERE s.measurement_count > 0");
    QSqlQuery &q = m_connection.run(sql, {}, kRead);
    std::vector<ArchiveSafeguardSummary> list;
    while (q.next()) {
        ArchiveSafeguardSummary s;
        s.machineId = q.value(0).toString();
        s.safeguardId = q.value(1).toLongLong();
        s.safeguard = q.value(2).toString();
        s.deviceKind = q.value(3).toInt();
        s.deviceParameter = optionalDouble(q, 4);
        s.measurementCount = q.value(5).toInt();
        if (!q.isNull(12)) {
            s.lastMeasuredAt = timeFromText(q.value(6).toString());
            s.governingMs = optionalDouble(q, 7);
            s.distanceMm = optionalDouble(q, 8);
            s.standard = q.value(9).toString();
            s.installedMm = optionalDouble(q, 10);
            s.verdict = q.value(11).toString();
        }
        // The newest placed in time is newer than the newest that decides
        // whenever the two differ.
        if (!q.isNull(13) && (q.isNull(12) || q.value(13).toLongLong() != q.value(12).toLongLong())) {
            if (q.value(14).toLongLong() < qint64(kMinimumValuesForDistance))
                s.newerNote = QStringLiteral("incomplete");
            else if (q.isNull(15))
                s.newerNote = QStringLiteral("without-standard");
        }
        s.latestGoverningMs = optionalDouble(q, 17);
        s.previousGoverningMs = optionalDouble(q, 18);
        // The marked reference where it decides with a governing time, else
        // the first.
        const bool marked = !q.isNull(19);
        s.baselineGoverningMs = marked ? optionalDouble(q, 20) : optionalDouble(q, 22);
        const qint64 baselineId = marked ? q.value(19).toLongLong() : q.value(21).toLongLong();
        s.baselineIsLatest = !q.isNull(16) && baselineId == q.value(16).toLongLong();
        list.push_back(std::move(s));
    }
    std::sort(list.begin(), list.end(), [](const ArchiveSafeguardSummary &a, const ArchiveSafeguardSummary &b) {
        if (a.machineId != b.machineId)
            return machineOrder(a.machineId, b.machineId);
        return safeguardOrder(a.safeguard, a.deviceKind, a.deviceParameter, b.safeguard, b.deviceKind,
                              b.deviceParameter);
    });
    return list;
}

std::optional<qint64> Archive::baseline(const QString &machineId, qint64 safeguardId)
{
    const ArchiveConnection::FinishStatements finish(m_connection);
    QSqlQuery &q = safeguardId != 0
        ? m_connection.run(QStringLiteral("SELECT baseline FROM safeguards WHERE id = ?"), {safeguardId}, kRead)
        : m_connection.run(QStringLiteral("SELECT s.baseline FROM safeguards s JOIN machines m ON m.id = s.machine"
                                          " WHERE m.machine_id = ? ORDER BY s.id LIMIT 1"),
                           {textValue(machineId.trimmed())}, kRead);
    if (!q.next() || q.isNull(0))
        return std::nullopt;
    return q.value(0).toLongLong();
}

void Archive::setBaseline(const QString &machineId, std::optional<qint64> measurementId, qint64 safeguardId)
{
    ArchiveConnection::Transaction transaction(m_connection, kWrite);
    if (measurementId) {
        QSqlQuery &q = m_connection.run(
            QStringLiteral("SELECT m.machine_id, x.safeguard FROM measurements x JOIN machines m ON m.id = x.machine"
                           " WHERE x.id = ?"),
            {*measurementId}, kWrite);
        if (!q.next() || q.value(0).toString() != machineId.trimmed())
            m_connection.fail(kWrite, QStringLiteral("measurement %1 is not one of machine \"%2\"")
                                          .arg(*measurementId)
                                          .arg(machineId));
        const qint64 safeguard = q.value(1).toLongLong();
        q.finish();
        m_connection.run(QStringLiteral("UPDATE safeguards SET baseline = ? WHERE id = ?"), {*measurementId, safeguard},
                         kWrite);
    } else if (safeguardId != 0) {
        m_connection.run(QStringLiteral("UPDATE safeguards SET baseline = NULL WHERE id = ? AND machine ="
                                        " (SELECT id FROM machines WHERE machine_id = ?)"),
                         {safeguardId, textValue(machineId.trimmed())}, kWrite);
    } else {
        m_connection.run(QStringLiteral("UPDATE safeguards SET baseline = NULL WHERE machine ="
                                        " (SELECT id FROM machines WHERE machine_id = ?)"),
                         {textValue(machineId.trimmed())}, kWrite);
    }
    transaction.commit();
}

std::optional<ArchiveMeasurement> Archive::measurement(qint64 id)
{
    const ArchiveConnection::FinishStatements finish(m_connection);
    QSqlQuery &q = m_connection.run(
        QStringLiteral("SELECT m.machine_id, s.name, x.stop_count, %1 FROM measurements x"
                       " JOIN machines m ON m.id = x.machine LEFT JOIN safeguards s ON s.id = x.safeguard"
                       " WHERE x.id = ?")
            .arg(measurementColumnList(QStringLiteral("x."))),
        {id}, kRead);
    if (!q.next())
        return std::nullopt;
    ArchiveMeasurement m;
    m.id = id;
    m.machineId = q.value(0).toString();
    m.safeguard = q.value(1).toString();
    const qint64 count = q.value(2).toLongLong();
    readMeasurementColumns(q, 3, m);
    q.finish();
    m.stopTimes = storedStopTimes(id, kRead);
    if (qint64(m.stopTimes.size()) != count)
        m_connection.fail(kRead, QStringLiteral("measurement %1 lacks stop times").arg(id));
    return m;
}
