// archive add, list and trend: the machine archive of the history window,
// without the window.
#include "Commands.h"
#include "JsonWriter.h"

#include "base/ErrorHandling.h"
#include "base/NumberFormat.h"
#include "archive/Archive.h"
#include "archive/ArchiveError.h"
#include "archive/ArchiveInput.h"
#include "archive/ArchiveLocation.h"
#include "archive/ArchiveQueue.h"
#include "archive/FleetOverview.h"
#include "archive/Trend.h"
#include "project/ProjectMeasurement.h"

#include <QProcessEnvironment>

#include <chrono>
#include <condition_variable>
#include <cstdlib>
#include <memory>
#include <mutex>
#include <thread>

namespace {

// A PostgreSQL server that stops answering in the middle of a statement
// (stopped, or its machine gone without a word) keeps a client waiting for
// ever: the server's own statement and lock timeouts cannot fire then.  No
// answer for this long ends the command with one line, exit status 1; the
// server rolls back what it had not committed when the connection goes.
class AnswerDeadline
{
public:
    explicit AnswerDeadline(std::chrono::milliseconds limit)
        : m_limit(limit), m_last(std::chrono::steady_clock::now()), m_watch([this] { watch(); })
    {
    }
    ~AnswerDeadline()
    {
        {
            const std::lock_guard lock(m_mutex);
            m_done = true;
        }
        m_changed.notify_one();
        m_watch.join();
    }
    AnswerDeadline(const AnswerDeadline &) = delete;
    AnswerDeadline &operator=(const AnswerDeadline &) = delete;

    // The archive answered: the clock starts again.
    void answered()
    {
        const std::lock_guard lock(m_mutex);
        m_last = std::chrono::steady_clock::now();
    }

private:
    void watch()
    {
        std::unique_lock lock(m_mutex);
        while (!m_done) {
            const auto deadline = m_last + m_limit;
            if (std::chrono::steady_clock::now() >= deadline) {
                writeWarning(QStringLiteral("zirk-cli archive: the archive did not answer for %1 s; given up, "
                                            "nothing more was kept\n")
                                 .arg(double(m_limit.count()) / 1000.0));
                std::_Exit(ExitBadInput);
            }
            m_changed.wait_until(lock, deadline);
        }
    }

    const std::chrono::milliseconds m_limit;
    std::chrono::steady_clock::time_point m_last;
    bool m_done = false;
    std::mutex m_mutex;
    std::condition_variable m_changed;
    std::thread m_watch;
};

// How long zirk-cli waits for an answer of the archive: ZIRK_ARCHIVE_WAIT
// seconds, else 30 (the server's own timeouts, 10 s, come first).
std::chrono::milliseconds answerLimit()
{
    bool ok = false;
    const double seconds = qEnvironmentVariable("ZIRK_ARCHIVE_WAIT").toDouble(&ok);
    return std::chrono::milliseconds(ok && seconds > 0 && seconds <= 86400 ? qint64(seconds * 1000) : 30000);
}

AnswerDeadline *g_deadline = nullptr;

// Called after every answer of the archive in a long command.
void archiveAnswered()
{
    if (g_deadline)
        g_deadline->answered();
}

// ZIRK_ARCHIVE, else the window's setting, else the default file.
// Readers open it read-only: they never wait for a writer's lock and work
// on an archive they may not write.
std::unique_ptr<Archive> openArchive(Archive::Access access)
{
    const QString url = chooseArchiveUrl(QProcessEnvironment::systemEnvironment(),
                                         programSettings().ArchiveUrl, defaultArchivePath());
    try {
        return std::make_unique<Archive>(parseArchiveUrl(url), access);
    } catch (const ArchiveError &e) {
        throw badInput(e.message());
    }
}

// Times as ISO 8601 in the local time zone, with its offset, so that a
// script can compare them across time zones.
QString isoTime(const QDateTime &when)
{
    const QDateTime local = when.toLocalTime();
    return local.toOffsetFromUtc(local.offsetFromUtc()).toString(Qt::ISODate);
}

QString kindText(int kind)
{
    const KindName *name = kindById(kind);
    return name ? QString::fromLatin1(name->name) : QString();
}

void optionalText(JsonWriter &json, const char *key, const QString &text)
{
    json.key(key);
    if (text.isEmpty())
        json.null();
    else
        json.value(text);
}

void runAdd(const Arguments &arguments)
{
    const QStringList files = arguments.files().mid(1);
    if (files.isEmpty())
        throw usageError(QStringLiteral("archive add needs project files"));
    const std::unique_ptr<Archive> archive = openArchive(Archive::Access::Write);
    useProjectCodePage();
    const QString user = programSettings().UserName;
    const QString company = programSettings().CompanyName;
    long long added = 0;
    long long skipped = 0;
    QString text;
    struct Read
    {
        QString fileName;
        ArchiveMeasurement measurement;
    };
    std::vector<Read> batch;
    auto note = [&](const QString &fileName, const Archive::AddResult &result) {
        if (result.outcome == Archive::AddOutcome::Added) {
            ++added;
            text += QStringLiteral("%1: added as measurement %2\n").arg(fileName).arg(result.id);
        } else {
            ++skipped;
            text += QStringLiteral("%1: already kept as measurement %2\n").arg(fileName).arg(result.id);
        }
    };
    auto failed = [&added](const QString &message) {
        return badInput(added > 0 ? QStringLiteral("%1 (%2 added before it)").arg(message).arg(added) : message);
    };
    // A batch of files is one transaction: one commit for hundreds of files.
    // When the archive refuses one of them, the batch goes again file by
    // file, so that what comes before the refused file stays and the
    // message names it.
    auto keepBatch = [&] {
        if (batch.empty())
            return;
        std::vector<Archive::AddResult> results;
        try {
            archive->beginBatch();
            for (const Read &r : batch) {
                results.push_back(archive->add(r.measurement));
                archiveAnswered();
            }
            archive->commitBatch();
            archiveAnswered();
        } catch (const ArchiveError &) {
            archive->rollbackBatch();
            results.clear();
        }
        if (results.size() == batch.size()) {
            for (std::size_t i = 0; i < batch.size(); ++i)
                note(batch[i].fileName, results[i]);
        } else {
            for (const Read &r : batch) {
                try {
                    note(r.fileName, archive->add(r.measurement));
                    archiveAnswered();
                } catch (const ArchiveError &e) {
                    throw failed(e.message());
                }
            }
        }
        batch.clear();
    };
    constexpr std::size_t kFilesPerBatch = 500;
    long long withoutMachine = 0;
    for (const QString &fileName : files) {
        try {
            ArchiveMeasurement m = measurementFromProjectFile(fileName, user, company);
            // A blank machine ID is no machine: the archive has no row to
            // keep it under.
            if (m.machineId.isEmpty()) {
                ++withoutMachine;
                text += QStringLiteral("%1: no machine ID, not kept\n").arg(fileName);
                continue;
            }
            batch.push_back({fileName, std::move(m)});
        } catch (const ZirkError &e) {
            // What was read before the bad file is kept.
            keepBatch();
            throw failed(e.message());
        }
        if (batch.size() == kFilesPerBatch)
            keepBatch();
    }
    keepBatch();
    if (arguments.json()) {
        JsonWriter json;
        json.beginObject();
        json.member("added", added);
        json.member("skipped", skipped);
        if (withoutMachine > 0)
            json.member("without_machine_id", withoutMachine);
        json.endObject();
        writeJson(json);
        return;
    }
    writeText(text + QStringLiteral("%1 added, %2 already kept in %3%4\n")
                         .arg(added)
                         .arg(skipped)
                         .arg(archive->location().url(),
                              withoutMachine ? QStringLiteral(", %1 without machine ID").arg(withoutMachine) : QString()));
}

void runList(const Arguments &arguments)
{
    if (arguments.files().size() > 1)
        throw usageError(QStringLiteral("archive list takes no files"));
    const std::unique_ptr<Archive> archive = openArchive(Archive::Access::Read);
    const std::vector<ArchiveEntry> entries = archive->entries(arguments.value("--machine"));
    if (arguments.json()) {
        JsonWriter json;
        json.beginObject();
        json.key("measurements");
        json.beginArray();
        for (const ArchiveEntry &e : entries) {
            json.beginObject();
            json.member("id", static_cast<long long>(e.id));
            json.member("machine_id", e.machineId);
            json.member("measured_at", isoTime(e.measuredAt));
            json.member("count", static_cast<long long>(e.count));
            json.member("governing_ms", e.governingMs);
            json.member("distance_mm", e.distanceMm);
            json.member("standard", e.standardId);
            optionalText(json, "verdict", e.verdict);
            optionalText(json, "kind", kindText(e.deviceKind));
            json.member("serial_number", e.serialNumber);
            optionalText(json, "file", e.filePath);
            optionalText(json, "sha256", e.fileSha256);
            json.endObject();
        }
        json.endArray();
        json.endObject();
        writeJson(json);
        return;
    }
    QString text;
    for (const ArchiveEntry &e : entries) {
        // A machine ID of an older archive may hold a line break: escaped,
        // it cannot forge a row.
        text += QStringLiteral("%1  %2  %3  %4  %5  %6  %7  SN %8  %9\n")
                    .arg(formatInteger(e.id, 6), e.measuredAt.toLocalTime().toString(QStringLiteral("yyyy-MM-dd HH:mm")),
                         escapeControlCharacters(e.machineId),
                         formatCount(e.count) + (e.count == 1 ? QStringLiteral(" value ") : QStringLiteral(" values")),
                         e.governingMs ? formatStatisticMs(*e.governingMs) : kNoValueMs,
                         e.distanceMm ? formatDistanceMm(*e.distanceMm) : kNoValueMm,
                         kindText(e.deviceKind).isEmpty() ? QStringLiteral("?") : kindText(e.deviceKind),
                         escapeControlCharacters(e.serialNumber), escapeControlCharacters(e.filePath));
    }
    writeText(text);
}

void runTrend(const Arguments &arguments)
{
    if (arguments.files().size() != 2)
        throw usageError(QStringLiteral("archive trend needs one MACHINE_ID"));
    const QString machineId = arguments.files().at(1).trimmed();
    const double threshold = arguments.has("--threshold")
        ? numberOption(arguments, "--threshold")
        : programSettings().ArchiveTrendPercent;
    if (!(threshold >= 0.0))
        throw badInput(QStringLiteral("--threshold: a percentage of 0 or more"));
    const std::unique_ptr<Archive> archive = openArchive(Archive::Access::Read);
    const std::vector<ArchiveEntry> entries = archive->entries(machineId);
    // A misspelt machine must not read as "no warning".
    if (entries.empty())
        throw badInput(QStringLiteral("no machine \"%1\" in archive %2").arg(machineId, archive->location().url()));
    const MachineTrend trend = machineTrend(entries, threshold, archive->baseline(machineId));
    const TrendPoint *baseline = trend.baseline ? &trend.points[*trend.baseline] : nullptr;

    if (arguments.json()) {
        JsonWriter json;
        json.beginObject();
        json.member("machine_id", machineId);
        json.key("points");
        json.beginArray();
        for (const TrendPoint &p : trend.points) {
            json.beginObject();
            json.member("measured_at", isoTime(p.measuredAt));
            json.member("governing_ms", p.governingMs);
            json.member("distance_mm", p.distanceMm);
            json.endObject();
        }
        json.endArray();
        json.member("change_percent", trend.changePercent);
        optionalText(json, "baseline_measured_at", baseline ? isoTime(baseline->measuredAt) : QString());
        json.member("change_vs_baseline_percent", trend.changeVsBaselinePercent);
        json.member("warning", trend.warning);
        json.endObject();
        writeJson(json);
        return;
    }
    auto day = [](const TrendPoint &p) { return p.measuredAt.toLocalTime().toString(QStringLiteral("yyyy-MM-dd")); };
    QString text = QStringLiteral("Machine: %1\n").arg(machineId);
    for (const TrendPoint &p : trend.points)
        text += QStringLiteral("  %1  %2  %3\n")
                    .arg(p.measuredAt.toLocalTime().toString(QStringLiteral("yyyy-MM-dd HH:mm")),
                         formatStatisticMs(p.governingMs), p.distanceMm ? formatDistanceMm(*p.distanceMm) : kNoValueMm);
    const std::size_t count = trend.points.size();
    if (count < 2)
        text += QStringLiteral("Change: none (fewer than two measurements with ten values or more)\n");
    else if (trend.changePercent)
        text += QStringLiteral("Change: %1 % against the measurement before\n").arg(formatNumber(*trend.changePercent, 1, 0));
    else
        text += QStringLiteral("Change: no comparison (the measurement before has a governing time of 0 ms)\n");
    if (baseline && count >= 2) {
        if (*trend.baseline == count - 1)
            text += QStringLiteral("Baseline: %1, the latest measurement\n").arg(day(*baseline));
        else if (trend.changeVsBaselinePercent)
            text += QStringLiteral("Change against the baseline of %1: %2 %\n")
                        .arg(day(*baseline), formatNumber(*trend.changeVsBaselinePercent, 1, 0));
        else
            text += QStringLiteral("Change against the baseline of %1: no comparison (its governing time is 0 ms)\n")
                        .arg(day(*baseline));
    }
    if (trend.warningVsPrevious)
        text += QStringLiteral("Stop time grew by %1 % since %2: check the brake.\n")
                    .arg(qRound(*trend.changePercent))
                    .arg(day(trend.points[count - 2]));
    if (trend.warningVsBaseline)
        text += QStringLiteral("Stop time grew by %1 % since the baseline of %2: check the brake.\n")
                    .arg(qRound(*trend.changeVsBaselinePercent))
                    .arg(day(*baseline));
    writeText(text);
}

void runOverview(const Arguments &arguments)
{
    if (arguments.files().size() > 1)
        throw usageError(QStringLiteral("archive overview takes no files"));
    const double threshold = programSettings().ArchiveTrendPercent;
    const int interval = programSettings().ArchiveIntervalMonths;
    const std::unique_ptr<Archive> archive = openArchive(Archive::Access::Read);
    const std::vector<FleetRow> rows = fleetRows(archive->overview(), QDate::currentDate(), interval, threshold);
    if (arguments.json()) {
        JsonWriter json;
        json.beginObject();
        json.key("machines");
        json.beginArray();
        for (const FleetRow &r : rows) {
            const ArchiveMachineSummary &m = r.machine;
            json.beginObject();
            json.member("machine_id", m.machineId);
            json.member("last_measured_at", isoTime(m.lastMeasuredAt));
            json.member("measurements", static_cast<long long>(m.measurementCount));
            json.member("governing_ms", m.governingMs);
            json.member("distance_mm", m.distanceMm);
            optionalText(json, "standard", m.standard);
            json.member("installed_mm", m.installedMm);
            optionalText(json, "verdict", m.verdict);
            json.member("change_vs_baseline_percent", r.changeVsBaselinePercent);
            optionalText(json, "due", r.due.toString(Qt::ISODate));
            json.member("status", QString::fromLatin1(fleetStatusKey(r.status)));
            json.endObject();
        }
        json.endArray();
        json.endObject();
        writeJson(json);
        return;
    }
    QString text;
    for (const FleetRow &r : rows) {
        const ArchiveMachineSummary &m = r.machine;
        text += QStringLiteral("%1  %2  %3  %4  %5  %6  installed %7  %8  baseline %9  due %10  %11\n")
                    .arg(escapeControlCharacters(m.machineId),
                         m.lastMeasuredAt.toLocalTime().toString(QStringLiteral("yyyy-MM-dd")),
                         m.measurementCount == 1 ? QStringLiteral("1 measurement")
                                                 : formatCount(m.measurementCount).trimmed() + QStringLiteral(" measurements"),
                         (m.governingMs ? formatStatisticMs(*m.governingMs) : kNoValueMs).trimmed(),
                         (m.distanceMm ? formatDistanceMm(*m.distanceMm) : kNoValueMm).trimmed(),
                         m.standard.isEmpty() ? QStringLiteral("-") : m.standard,
                         m.installedMm ? formatInstalledMm(*m.installedMm) : QStringLiteral("-"),
                         m.verdict.isEmpty() ? QStringLiteral("-") : m.verdict,
                         r.changeVsBaselinePercent ? formatNumber(*r.changeVsBaselinePercent, 1, 0) + QStringLiteral(" %")
                                                   : QStringLiteral("-"))
                    .arg(r.due.toString(Qt::ISODate), QString::fromLatin1(fleetStatusKey(r.status)));
    }
    writeText(text);
}

// What the window queued while the archive did not answer, delivered by hand.
void runSync(const Arguments &arguments)
{
    if (arguments.files().size() > 1)
        throw usageError(QStringLiteral("archive sync takes no files"));
    ArchiveQueue::Delivery delivery;
    try {
        delivery = ArchiveQueue(defaultArchiveQueuePath()).deliver();
    } catch (const ArchiveError &e) {
        throw badInput(e.message());
    }
    if (arguments.json()) {
        JsonWriter json;
        json.beginObject();
        json.member("delivered", static_cast<long long>(delivery.delivered));
        json.member("waiting", static_cast<long long>(delivery.waiting));
        optionalText(json, "error", delivery.error);
        json.endObject();
        writeJson(json);
    } else {
        writeText(QStringLiteral("%1 delivered, %2 waiting\n").arg(delivery.delivered).arg(delivery.waiting));
    }
    // A script must see that measurements are still waiting.
    if (!delivery.error.isEmpty())
        throw badInput(delivery.error);
}

void runArchive(const Arguments &arguments)
{
    AnswerDeadline deadline(answerLimit());
    g_deadline = &deadline;
    struct Forget
    {
        ~Forget() { g_deadline = nullptr; }
    } forget;
    const QString action = arguments.files().value(0);
    if (action == QLatin1String("add"))
        return runAdd(arguments);
    if (action == QLatin1String("sync"))
        return runSync(arguments);
    if (arguments.has("--machine") && action != QLatin1String("list"))
        throw usageError(QStringLiteral("--machine belongs to archive list"));
    if (arguments.has("--threshold") && action != QLatin1String("trend"))
        throw usageError(QStringLiteral("--threshold belongs to archive trend"));
    if (action == QLatin1String("list"))
        return runList(arguments);
    if (action == QLatin1String("trend"))
        return runTrend(arguments);
    if (action == QLatin1String("overview"))
        return runOverview(arguments);
    throw usageError(QStringLiteral("unknown archive command '%1' (add, list, trend, overview or sync)").arg(action));
}

} // namespace

std::vector<Command> archiveCommands()
{
    return {
        {{"archive",
          "archive add FILE.zPRJ... | archive list [--machine ID] | archive trend MACHINE_ID | archive overview | archive sync",
          "keep measurements in the machine archive, list them, show a machine's trend, deliver what the window queued",
          {{"--machine", "ID", "archive list: only the measurements of this machine"},
           {"--threshold", "PERCENT", "archive trend: warn above this growth (default: the setting, else 10)"}},
          "add|list|trend|overview|sync", 1, -1,
          "The archive is ZIRK_ARCHIVE when set, else the archive chosen in the\n"
          "settings of zirk, else ~/.local/share/zirk/archive.sqlite ($XDG_DATA_HOME),\n"
          "created on first use.  It is named by a URL: sqlite:///path/to/file.sqlite\n"
          "or postgresql://user@host:port/dbname; the password comes from ~/.pgpass or\n"
          "PGPASSWORD.  An archive that cannot be opened or is not a Zirk archive is\n"
          "bad input.  An archive that does not answer for ZIRK_ARCHIVE_WAIT seconds\n"
          "(default 30) ends the command as bad input; what it had not kept stays out.\n\n"
          "archive add FILE.zPRJ...: keeps each project file as one measurement,\n"
          "measured at the time of its last value as the file keeps it, else the time\n"
          "in its name (Project_YYYYMMDD_HHMM_), else when the file was last changed.\n"
          "A file whose bytes are kept already, or the same series, safety device and\n"
          "machine ID as any measurement of the machine, is skipped.  Files are added\n"
          "in batches of one transaction each; a bad file stops the command, and\n"
          "those before it stay.\n"
          "JSON: {\"added\", \"skipped\"}\n\n"
          "archive overview: every machine with its last measurement, the number of\n"
          "measurements, the governing time and distance of the last one, its standard,\n"
          "installed distance and verdict, the change against the baseline, the next\n"
          "due date (last measured + ArchiveIntervalMonths of the settings, default 12)\n"
          "and a status: closer (than the minimum), warning (of the trend), overdue or\n"
          "ok, the first that applies.\n"
          "JSON: {\"machines\": [{\"machine_id\", \"last_measured_at\", \"measurements\",\n"
          "\"governing_ms\", \"distance_mm\", \"standard\", \"installed_mm\", \"verdict\",\n"
          "\"change_vs_baseline_percent\", \"due\" (ISO date), \"status\"}]}\n\n"
          "archive sync: delivers the measurements that zirk queued while their\n"
          "archive did not answer (~/.local/share/zirk/archive-queue.sqlite).  Those an\n"
          "archive still does not take stay queued, and the command fails naming it.\n"
          "JSON: {\"delivered\", \"waiting\", \"error\" (null when all went)}\n\n"
          "archive list [--machine ID]: the measurements, oldest first.\n"
          "JSON: {\"measurements\": [{\"id\", \"machine_id\", \"measured_at\" (ISO 8601), \"count\",\n"
          "\"governing_ms\", \"distance_mm\", \"standard\", \"verdict\" (\"meets\", \"closer\" or null),\n"
          "\"kind\", \"serial_number\", \"file\", \"sha256\"}]};\n"
          "governing_ms and distance_mm are null under ten values, distance_mm also\n"
          "when the formula had no input; file and sha256 are null for a measurement\n"
          "recorded by the window without a project file.\n\n"
          "archive trend MACHINE_ID: the governing stop times and distances of the\n"
          "machine's measurements of ten values or more, and how much the latest\n"
          "governing time grew against the one before and against the baseline (the\n"
          "measurement marked as reference in the history window, else the first).\n"
          "A time of 0 ms or less gives no comparison.  A machine without\n"
          "measurements in the archive is bad input.\n"
          "JSON: {\"machine_id\", \"points\": [{\"measured_at\", \"governing_ms\", \"distance_mm\"}],\n"
          "\"change_percent\" (against the one before; null with fewer than two points or\n"
          "no comparison), \"baseline_measured_at\", \"change_vs_baseline_percent\" (null\n"
          "when the latest is the baseline or no comparison), \"warning\" (true when\n"
          "either change is above the threshold)}\n"},
         runArchive},
    };
}
