#include "FleetOverview.h"

#include "Trend.h"

#include "safety/MinimumDistance.h"

#include <cmath>

FleetRow fleetRow(const ArchiveMachineSummary &machine, const QDate &today, int intervalMonths,
                  double thresholdPercent)
{
    FleetRow row;
    row.machine = machine;
    // The same comparisons as the machine's trend, from the three times the
    // archive gave: the window's table and its history cannot disagree.
    std::optional<double> changeVsPrevious;
    if (machine.latestGoverningMs && machine.previousGoverningMs)
        changeVsPrevious = changePercent(*machine.previousGoverningMs, *machine.latestGoverningMs);
    if (machine.latestGoverningMs && machine.baselineGoverningMs && !machine.baselineIsLatest)
        row.changeVsBaselinePercent = changePercent(*machine.baselineGoverningMs, *machine.latestGoverningMs);
    const bool warning = aboveThreshold(changeVsPrevious, thresholdPercent)
        || aboveThreshold(row.changeVsBaselinePercent, thresholdPercent);
    if (machine.lastMeasuredAt.isValid())
        row.due = machine.lastMeasuredAt.toLocalTime().date().addMonths(intervalMonths);
    // From the stored numbers by the one comparison of the protocol; a
    // verdict kept without them stands as it was recorded.
    const std::optional<DistanceVerdict> verdict = compareInstalled(machine.distanceMm, machine.installedMm);
    if (verdict ? !verdict->meets : machine.verdict == QLatin1String("closer"))
        row.status = FleetStatus::Closer;
    else if (warning)
        row.status = FleetStatus::Warning;
    else if (row.due.isValid() && row.due < today)
        row.status = FleetStatus::Overdue;
    else
        row.status = FleetStatus::Ok;
    return row;
}

std::vector<FleetRow> fleetRows(const std::vector<ArchiveMachineSummary> &machines, const QDate &today,
                                int intervalMonths, double thresholdPercent)
{
    std::vector<FleetRow> rows;
    rows.reserve(machines.size());
    for (const ArchiveMachineSummary &m : machines)
        rows.push_back(fleetRow(m, today, intervalMonths, thresholdPercent));
    return rows;
}

const char *fleetStatusKey(FleetStatus status)
{
    switch (status) {
    case FleetStatus::Closer: return "closer";
    case FleetStatus::Warning: return "warning";
    case FleetStatus::Overdue: return "overdue";
    case FleetStatus::Ok: break;
    }
    return "ok";
}

QByteArray fleetCsv(const std::vector<FleetRow> &rows, DecimalMark mark)
{
    const char separator = mark == DecimalMark::Comma ? ';' : ',';
    auto number = [mark](const std::optional<double> &v) { return v ? csvNumber(*v, mark) : QByteArray(); };
    QByteArray csv("\xEF\xBB\xBF");
    const char *const headers[] = {"Machine ID",      "Last measured",       "Measurements",
                                   "Governing time [ms]", "Safety distance [mm]", "Standard",
                                   "Installed distance [mm]", "Verdict",       "Change vs baseline [%]",
                                   "Due",             "Status"};
    for (std::size_t i = 0; i < std::size(headers); ++i) {
        if (i > 0)
            csv.append(separator);
        csv.append(csvField(headers[i], separator));
    }
    csv.append("\r\n");
    for (const FleetRow &r : rows) {
        const ArchiveMachineSummary &m = r.machine;
        const QByteArray fields[] = {
            m.machineId.toUtf8(),
            m.lastMeasuredAt.toLocalTime().toString(QStringLiteral("yyyy-MM-dd HH:mm")).toUtf8(),
            QByteArray::number(m.measurementCount),
            number(m.governingMs),
            number(m.distanceMm),
            m.standard.toUtf8(),
            number(m.installedMm),
            m.verdict.toUtf8(),
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
    return csv;
}
