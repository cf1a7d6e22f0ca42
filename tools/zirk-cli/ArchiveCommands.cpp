// archive add, list and trend: the machine archive of the history window,
// without the window.
#include "Commands.h"
#include "JsonWriter.h"

#include "base/ErrorHandling.h"
#include "base/NumberFormat.h"
#include "safety/SafetyDevice.h"
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

// A safeguard as zirk-cli shows it and --safeguard takes it: its name, or
// for an unnamed one its kind with its parameter in English ("Vertical
// Light Curtain, d=14 mm").
QString safeguardText(const QString &name, int kind, const std::optional<double> &parameter)
{
    if (!name.isEmpty())
        return name;
    return englishSafeguardName(kind, parameter);
}

QString safeguardText(const ArchiveSafeguard &s)
{
    return safeguardText(s.name, s.deviceKind, s.deviceParameter);
}

// Why a measurement stands apart in its history, as list and the overview
// say it; empty when nothing does.
QString flagText(const QString &timeFlag, bool withoutStandard, int count)
{
    QStringList flags;
    if (timeFlag == QLatin1String("future"))
        flags << QStringLiteral("dated in the future");
    else if (timeFlag == QLatin1String("before-2000"))
        flags << QStringLiteral("dated before 2000");
    else if (!timeFlag.isEmpty())
        flags << QStringLiteral("time unreadable");
    if (withoutStandard)
        flags << QStringLiteral("recorded without its standard");
    if (count < int(kMinimumValuesForDistance))
        flags << QStringLiteral("incomplete");
    return flags.join(QStringLiteral(", "));
}

// The safeguard of a machine that a command is about: the one --safeguard
// names (its name; for an unnamed one its text as list shows it, or the
// kind's id when the machine has one unnamed safeguard of that kind), else
// the machine's only one.  Several and none named is bad input that names
// them.
ArchiveSafeguard chooseSafeguard(Archive &archive, const QString &machineId, const std::optional<QString> &wanted)
{
    const std::vector<ArchiveSafeguard> all = archive.safeguards(machineId);
    // A misspelt machine must not read as "no warning".
    if (all.empty())
        throw badInput(QStringLiteral("no machine \"%1\" in archive %2").arg(machineId, archive.location().url()));
    QStringList names;
    for (const ArchiveSafeguard &s : all)
        names << QLatin1Char('"') + safeguardText(s) + QLatin1Char('"');
    if (!wanted) {
        if (all.size() == 1)
            return all.front();
        throw badInput(QStringLiteral("machine \"%1\" has %2 safeguards, name one with --safeguard: %3")
                           .arg(machineId)
                           .arg(all.size())
                           .arg(names.join(QStringLiteral(", "))));
    }
    const QString name = wanted->trimmed();
    for (const ArchiveSafeguard &s : all) {
        if (s.name.isEmpty() ? safeguardText(s) == name : s.name == name)
            return s;
    }
    if (const KindName *kind = kindByName(name)) {
        std::vector<const ArchiveSafeguard *> unnamed;
        for (const ArchiveSafeguard &s : all) {
            if (s.name.isEmpty() && s.deviceKind == kind->kind)
                unnamed.push_back(&s);
        }
        if (unnamed.size() == 1)
            return *unnamed.front();
        if (unnamed.size() > 1)
            throw badInput(QStringLiteral("machine \"%1\" has %2 unnamed safeguards of kind %3; name one: %4")
                               .arg(machineId)
                               .arg(unnamed.size())
                               .arg(name, names.join(QStringLiteral(", "))));
    }
    throw badInput(QStringLiteral("machine \"%1\" has no safeguard \"%2\"; it has %3")
                       .arg(machineId, name, names.join(QStringLiteral(", "))));
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
    long long repaired = 0;
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
        } else if (result.repaired) {
            ++skipped;
            ++repaired;
            text += QStringLiteral("%1: already kept as measurement %2; its standard, installed distance and"
                                   " verdict were missing and are now the file's\n")
                        .arg(fileName)
                        .arg(result.id);
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
        json.member("repaired", repaired);
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
            json.member("safeguard", safeguardText(e.safeguard, e.deviceKind, e.deviceParameter));
            json.member("safeguard_named", !e.safeguard.isEmpty());
            json.member("measured_at", isoTime(e.measuredAt));
            json.member("count", static_cast<long long>(e.count));
            json.member("governing_ms", e.governingMs);
            json.member("distance_mm", e.distanceMm);
            optionalText(json, "standard", e.standardId);
            json.member("installed_mm", e.installedMm);
            optionalText(json, "verdict", e.verdict);
            optionalText(json, "flags", flagText(e.timeFlag, e.withoutStandard, e.count));
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
        // A machine ID or file of an older archive may hold a line break:
        // escaped, it cannot forge a row.
        const QString flags = flagText(e.timeFlag, e.withoutStandard, e.count);
        text += QStringLiteral("%1  %2  %3  %4  %5  %6  %7  %8  SN %9")
                    .arg(formatInteger(e.id, 6), e.measuredAt.toLocalTime().toString(QStringLiteral("yyyy-MM-dd HH:mm")),
                         escapeControlCharacters(e.machineId),
                         escapeControlCharacters(safeguardText(e.safeguard, e.deviceKind, e.deviceParameter)),
                         formatCount(e.count) + (e.count == 1 ? QStringLiteral(" value ") : QStringLiteral(" values")),
                         e.governingMs ? formatStatisticMs(*e.governingMs) : kNoValueMs,
                         e.distanceMm ? formatDistanceMm(*e.distanceMm) : kNoValueMm,
                         kindText(e.deviceKind).isEmpty() ? QStringLiteral("?") : kindText(e.deviceKind),
                         escapeControlCharacters(e.serialNumber))
            + QStringLiteral("  %1%2\n").arg(escapeControlCharacters(e.filePath),
                                             flags.isEmpty() ? QString() : QStringLiteral("  (") + flags + QLatin1Char(')'));
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
    const ArchiveSafeguard safeguard = chooseSafeguard(*archive, machineId, arguments.value("--safeguard"));
    const std::vector<ArchiveEntry> entries = archive->entries(machineId, safeguard.id);
    const MachineTrend trend = machineTrend(entries, threshold, archive->baseline(machineId, safeguard.id));
    const TrendPoint *baseline = trend.baseline ? &trend.points[*trend.baseline] : nullptr;

    if (arguments.json()) {
        JsonWriter json;
        json.beginObject();
        json.member("machine_id", machineId);
        json.member("safeguard", safeguardText(safeguard));
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
    QString text = QStringLiteral("Machine: %1\nSafeguard: %2\n").arg(machineId, safeguardText(safeguard));
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

void overviewJson(JsonWriter &json, const ArchiveSafeguardSummary &s, const FleetRow &r)
{
    json.member("governing_ms", s.governingMs);
    json.member("distance_mm", s.distanceMm);
    optionalText(json, "standard", s.standard);
    json.member("installed_mm", s.installedMm);
    optionalText(json, "verdict", s.verdict);
    json.member("change_vs_baseline_percent", r.changeVsBaselinePercent);
}

QString measurementsText(int count)
{
    return count == 1 ? QStringLiteral("1 measurement") : formatCount(count).trimmed() + QStringLiteral(" measurements");
}

QString overviewFigures(const ArchiveSafeguardSummary &s, const FleetRow &r)
{
    return QStringLiteral("%1  %2  %3  installed %4  %5  baseline %6")
        .arg((s.governingMs ? formatStatisticMs(*s.governingMs) : kNoValueMs).trimmed(),
             (s.distanceMm ? formatDistanceMm(*s.distanceMm) : kNoValueMm).trimmed(),
             s.standard.isEmpty() ? QStringLiteral("-") : s.standard,
             s.installedMm ? formatInstalledMm(*s.installedMm) : QStringLiteral("-"),
             s.verdict.isEmpty() ? QStringLiteral("-") : s.verdict,
             r.changeVsBaselinePercent ? formatNumber(*r.changeVsBaselinePercent, 1, 0) + QStringLiteral(" %")
                                       : QStringLiteral("-"));
}

QString day(const QDateTime &when)
{
    return when.isValid() ? when.toLocalTime().toString(QStringLiteral("yyyy-MM-dd")) : QStringLiteral("-");
}

QString newerNoteText(const QString &note)
{
    if (note == QLatin1String("incomplete"))
        return QStringLiteral("a newer series is incomplete");
    if (note == QLatin1String("without-standard"))
        return QStringLiteral("a newer measurement was recorded without its standard");
    return QString();
}

void runOverview(const Arguments &arguments)
{
    if (arguments.files().size() > 1)
        throw usageError(QStringLiteral("archive overview takes no files"));
    const double threshold = programSettings().ArchiveTrendPercent;
    const int interval = programSettings().ArchiveIntervalMonths;
    const std::unique_ptr<Archive> archive = openArchive(Archive::Access::Read);
    const std::vector<FleetMachineRow> rows = fleetRows(archive->overview(), QDate::currentDate(), interval, threshold);
    if (arguments.json()) {
        JsonWriter json;
        json.beginObject();
        json.key("machines");
        json.beginArray();
        for (const FleetMachineRow &m : rows) {
            const FleetRow &worst = m.worstSafeguard();
            json.beginObject();
            json.member("machine_id", m.machineId);
            optionalText(json, "last_measured_at", m.lastMeasuredAt.isValid() ? isoTime(m.lastMeasuredAt) : QString());
            json.member("measurements", static_cast<long long>(m.measurementCount));
            overviewJson(json, worst.safeguard, worst);
            optionalText(json, "due", m.due.toString(Qt::ISODate));
            json.member("status", QString::fromLatin1(fleetStatusKey(m.status)));
            json.key("safeguards");
            json.beginArray();
            for (const FleetRow &r : m.safeguards) {
                const ArchiveSafeguardSummary &s = r.safeguard;
                json.beginObject();
                json.member("safeguard", safeguardText(s.safeguard, s.deviceKind, s.deviceParameter));
                json.member("safeguard_named", !s.safeguard.isEmpty());
                optionalText(json, "kind", kindText(s.deviceKind));
                optionalText(json, "last_measured_at", s.lastMeasuredAt.isValid() ? isoTime(s.lastMeasuredAt) : QString());
                json.member("measurements", static_cast<long long>(s.measurementCount));
                overviewJson(json, s, r);
                optionalText(json, "due", r.due.toString(Qt::ISODate));
                json.member("status", QString::fromLatin1(fleetStatusKey(r.status)));
                optionalText(json, "note", s.newerNote);
                json.endObject();
            }
            json.endArray();
            json.endObject();
        }
        json.endArray();
        json.endObject();
        writeJson(json);
        return;
    }
    QString text;
    for (const FleetMachineRow &m : rows) {
        const FleetRow &worst = m.worstSafeguard();
        // A machine ID of an older archive may hold a line break: escaped,
        // it cannot forge a row.
        text += QStringLiteral("%1  %2  %3  %4  due %5  %6\n")
                    .arg(escapeControlCharacters(m.machineId), day(m.lastMeasuredAt), measurementsText(m.measurementCount),
                         overviewFigures(worst.safeguard, worst),
                         m.due.isValid() ? m.due.toString(Qt::ISODate) : QStringLiteral("-"),
                         QString::fromLatin1(fleetStatusKey(m.status)));
        for (const FleetRow &r : m.safeguards) {
            const ArchiveSafeguardSummary &s = r.safeguard;
            const QString note = newerNoteText(s.newerNote);
            text += QStringLiteral("    %1  %2  %3  %4  due %5  %6%7\n")
                        .arg(escapeControlCharacters(safeguardText(s.safeguard, s.deviceKind, s.deviceParameter)),
                             day(s.lastMeasuredAt), measurementsText(s.measurementCount), overviewFigures(s, r),
                             r.due.isValid() ? r.due.toString(Qt::ISODate) : QStringLiteral("-"),
                             QString::fromLatin1(fleetStatusKey(r.status)),
                             note.isEmpty() ? QString() : QStringLiteral("  (") + note + QLatin1Char(')'));
        }
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
    if (arguments.has("--safeguard") && action != QLatin1String("trend"))
        throw usageError(QStringLiteral("--safeguard belongs to archive trend"));
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
          "archive add FILE.zPRJ... | archive list [--machine ID] | archive trend MACHINE_ID [--safeguard NAME] |"
          " archive overview | archive sync",
          "keep measurements in the machine archive, list them, show a machine's trend, deliver what the window queued",
          {{"--machine", "ID", "archive list: only the measurements of this machine"},
           {"--threshold", "PERCENT", "archive trend: warn above this growth (default: the setting, else 10)"},
           {"--safeguard", "NAME", "archive trend: the machine's safeguard (its name, or an unnamed one's kind)"}},
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
          "standard as any measurement of the same safeguard of the machine, is\n"
          "skipped; a kept measurement of the same bytes that had been recorded\n"
          "without its standard, installed distance and verdict gets the file's.\n"
          "Each measurement belongs to a safeguard of its machine: the one its file\n"
          "names, else the machine's unnamed one of its kind and parameter (d, H, C\n"
          "or h).  A series of fewer than ten values, or one whose time lies more\n"
          "than a day ahead, before 2000 or cannot be read, is kept but decides no\n"
          "status, due date or baseline.  Files are added\n"
          "in batches of one transaction each; a bad file stops the command, and\n"
          "those before it stay.\n"
          "JSON: {\"added\", \"skipped\", \"repaired\"}\n\n"
          "archive overview: every machine, each with its safeguards indented under\n"
          "it.  A safeguard shows its last measurement that decides (ten values or\n"
          "more, a time that places it, with its standard), the number of\n"
          "measurements, the governing time and distance of that one, its standard,\n"
          "installed distance and verdict, the change against its baseline, the next\n"
          "due date (last measured + ArchiveIntervalMonths of the settings, default 12)\n"
          "and a status: closer (than the minimum), warning (of the trend), unknown\n"
          "(no measurement decides it), overdue or ok, the first that applies.  A\n"
          "machine has the status of its worst safeguard, with that one's figures,\n"
          "the earliest due date, the latest last measurement and the sum of counts.\n"
          "JSON: {\"machines\": [{\"machine_id\", \"last_measured_at\", \"measurements\",\n"
          "\"governing_ms\", \"distance_mm\", \"standard\", \"installed_mm\", \"verdict\",\n"
          "\"change_vs_baseline_percent\", \"due\" (ISO date), \"status\", \"safeguards\":\n"
          "[{\"safeguard\", \"safeguard_named\", \"kind\", \"last_measured_at\",\n"
          "\"measurements\", \"governing_ms\", \"distance_mm\", \"standard\", \"installed_mm\",\n"
          "\"verdict\", \"change_vs_baseline_percent\", \"due\", \"status\", \"note\"\n"
          "(\"incomplete\" or \"without-standard\" when a newer measurement does not\n"
          "decide, else null)}]}]}\n\n"
          "archive sync: delivers the measurements that zirk queued while their\n"
          "archive did not answer (~/.local/share/zirk/archive-queue.sqlite).  Those an\n"
          "archive still does not take stay queued, and the command fails naming it.\n"
          "JSON: {\"delivered\", \"waiting\", \"error\" (null when all went)}\n\n"
          "archive list [--machine ID]: the measurements, oldest first.\n"
          "JSON: {\"measurements\": [{\"id\", \"machine_id\", \"safeguard\", \"safeguard_named\",\n"
          "\"measured_at\" (ISO 8601), \"count\", \"governing_ms\", \"distance_mm\", \"standard\"\n"
          "(null: recorded without it), \"installed_mm\", \"verdict\" (\"meets\", \"closer\" or\n"
          "null), \"flags\" (why it decides no status, or null), \"kind\", \"serial_number\",\n"
          "\"file\", \"sha256\"}]};\n"
          "governing_ms and distance_mm are null under ten values, distance_mm also\n"
          "when the formula had no input; file and sha256 are null for a measurement\n"
          "recorded by the window without a project file.\n\n"
          "archive trend MACHINE_ID [--safeguard NAME]: the governing stop times and\n"
          "distances of the measurements of one safeguard of the machine that decide\n"
          "its status (--safeguard, which a machine of several safeguards needs; an\n"
          "unnamed one by its text as list shows it, or by its kind, e.g. vlc, when it\n"
          "is the machine's only unnamed one of that kind), and how much the latest\n"
          "governing time grew against the one before and against the baseline (the\n"
          "measurement marked as reference in the history window, else the first).\n"
          "A time of 0 ms or less gives no comparison.  A machine without\n"
          "measurements in the archive is bad input.\n"
          "JSON: {\"machine_id\", \"safeguard\", \"points\": [{\"measured_at\", \"governing_ms\", \"distance_mm\"}],\n"
          "\"change_percent\" (against the one before; null with fewer than two points or\n"
          "no comparison), \"baseline_measured_at\", \"change_vs_baseline_percent\" (null\n"
          "when the latest is the baseline or no comparison), \"warning\" (true when\n"
          "either change is above the threshold)}\n"},
         runArchive},
    };
}
