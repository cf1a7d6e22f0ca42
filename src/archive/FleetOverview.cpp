#include "FleetOverview.h"

#include "Trend.h"

#include "safety/MinimumDistance.h"

#include <cmath>

FleetRow fleetRow(const ArchiveSafeguardSummary &safeguard, const QDate &today, int intervalMonths,
                  double thresholdPercent)
{
    FleetRow row;
    row.safeguard = safeguard;
    const ArchiveSafeguardSummary &s = safeguard;
    // The same comparisons as the safeguard's trend, from the three times
    // the archive gave: the window's table and its history cannot disagree.
    std::optional<double> changeVsPrevious;
    if (s.latestGoverningMs && s.previousGoverningMs)
        changeVsPrevious = changePercent(*s.previousGoverningMs, *s.latestGoverningMs);
    if (s.latestGoverningMs && s.baselineGoverningMs && !s.baselineIsLatest)
        row.changeVsBaselinePercent = changePercent(*s.baselineGoverningMs, *s.latestGoverningMs);
    const bool warning = aboveThreshold(changeVsPrevious, thresholdPercent)
        || aboveThreshold(row.changeVsBaselinePercent, thresholdPercent);
    if (s.lastMeasuredAt.isValid())
        row.due = s.lastMeasuredAt.toLocalTime().date().addMonths(intervalMonths);
    // From the stored numbers by the one comparison of the protocol; a
    // verdict kept without them stands as it was recorded.
    const std::optional<DistanceVerdict> verdict = compareInstalled(s.distanceMm, s.installedMm);
    if (verdict ? !verdict->meets : s.verdict == QLatin1String("closer"))
        row.status = FleetStatus::Closer;
    else if (warning)
        row.status = FleetStatus::Warning;
    else if (!s.lastMeasuredAt.isValid() || !row.due.isValid())
        row.status = FleetStatus::Unknown;
    else if (row.due < today)
        row.status = FleetStatus::Overdue;
    else
        row.status = FleetStatus::Ok;
    return row;
}

namespace {

// Which of two safeguards makes the machine's row: the worse status, then
// the one due first.
bool worse(const FleetRow &a, const FleetRow &b)
{
    if (a.status != b.status)
        return int(a.status) < int(b.status);
    if (a.due.isValid() != b.due.isValid())
        return !a.due.isValid();
    return a.due < b.due;
}

} // namespace

std::vector<FleetMachineRow> fleetRows(const std::vector<ArchiveSafeguardSummary> &safeguards, const QDate &today,
                                       int intervalMonths, double thresholdPercent)
{
    std::vector<FleetMachineRow> rows;
    for (const ArchiveSafeguardSummary &s : safeguards) {
        if (rows.empty() || rows.back().machineId != s.machineId) {
            rows.emplace_back();
            rows.back().machineId = s.machineId;
        }
        rows.back().safeguards.push_back(fleetRow(s, today, intervalMonths, thresholdPercent));
    }
    for (FleetMachineRow &machine : rows) {
        for (std::size_t i = 0; i < machine.safeguards.size(); ++i) {
            const FleetRow &r = machine.safeguards[i];
            machine.measurementCount += r.safeguard.measurementCount;
            if (r.safeguard.lastMeasuredAt.isValid()
                && (!machine.lastMeasuredAt.isValid() || machine.lastMeasuredAt < r.safeguard.lastMeasuredAt))
                machine.lastMeasuredAt = r.safeguard.lastMeasuredAt;
            if (r.due.isValid() && (!machine.due.isValid() || r.due < machine.due))
                machine.due = r.due;
            if (i > 0 && worse(r, machine.safeguards[machine.worst]))
                machine.worst = i;
        }
        machine.status = machine.safeguards[machine.worst].status;
    }
    return rows;
}

const char *fleetStatusKey(FleetStatus status)
{
    switch (status) {
    case FleetStatus::Closer: return "closer";
    case FleetStatus::Warning: return "warning";
    case FleetStatus::Unknown: return "unknown";
    case FleetStatus::Overdue: return "overdue";
    case FleetStatus::Ok: break;
    }
    return "ok";
}

QByteArray fleetCsv(const std::vector<FleetMachineRow> &rows, DecimalMark mark,
                    const std::function<QString(const ArchiveSafeguardSummary &)> &safeguardName)
{
    const char separator = mark == DecimalMark::Comma ? ';' : ',';
    auto number = [mark](const std::optional<double> &v) { return v ? csvNumber(*v, mark) : QByteArray(); };
    QByteArray csv("\xEF\xBB\xBF");
    const char *const headers[] = {"Machine ID",      "Safeguard",           "Last measured",
                                   "Measurements",    "Governing time [ms]", "Safety distance [mm]",
                                   "Standard",        "Installed distance [mm]", "Verdict",
                                   "Change vs baseline [%]", "Due",          "Status"};
    for (std::size_t i = 0; i < std::size(headers); ++i) {
        if (i > 0)
            csv.append(separator);
        csv.append(csvField(headers[i], separator));
    }
    csv.append("\r\n");
    for (const FleetMachineRow &machine : rows) {
        for (const FleetRow &r : machine.safeguards) {
            const ArchiveSafeguardSummary &s = r.safeguard;
            const QByteArray fields[] = {
                s.machineId.toUtf8(),
                safeguardName(s).toUtf8(),
                s.lastMeasuredAt.isValid()
                    ? s.lastMeasuredAt.toLocalTime().toString(QStringLiteral("yyyy-MM-dd HH:mm")).toUtf8()
                    : QByteArray(),
                QByteArray::number(s.measurementCount),
                number(s.governingMs),
                number(s.distanceMm),
                s.standard.toUtf8(),
                number(s.installedMm),
                s.verdict.toUtf8(),
                number(r.changeVsBaselinePercent),
                r.due.toString(Qt::ISODate).toUtf8(),
                fleetStatusKey(r.status),
            };
            for (std::size_t i = 0; i < std::size(fields); ++i) {
                if (i > 0)
                    csv.append(separator);
                csv.append(csvField(fields[i], separator));
            }
            csv.append("\r\n");
        }
    }
    return csv;
}
