#pragma once

#include "ArchiveMeasurement.h"

#include "project/ValueExport.h"
#include "settings/SettingsFile.h"

#include <QByteArray>
#include <QDate>
#include <QDateTime>
#include <QString>

#include <optional>
#include <vector>

// The fleet at a glance: one row per machine, with what its last
// measurement found, how its stop time moved against its baseline, when it
// is due again and whether it needs attention.

// What the archive tells of one machine (Archive::overview).
struct ArchiveMachineSummary
{
    QString machineId;
    QDateTime lastMeasuredAt;
    int measurementCount = 0;
    // Of the newest measurement: none under ten values or without input.
    std::optional<double> governingMs;
    std::optional<double> distanceMm;
    QString standard;                // empty: not known
    std::optional<double> installedMm;
    QString verdict;                 // "meets", "closer" or empty
    // The governing times the trend compares (only measurements that have
    // one): the newest, the one before, and the baseline (the marked
    // reference, else the first); baselineIsLatest when they are one.
    std::optional<double> latestGoverningMs;
    std::optional<double> previousGoverningMs;
    std::optional<double> baselineGoverningMs;
    bool baselineIsLatest = false;
};

enum class FleetStatus { Closer, Warning, Overdue, Ok };

struct FleetRow
{
    ArchiveMachineSummary machine;
    std::optional<double> changeVsBaselinePercent;
    QDate due;
    FleetStatus status = FleetStatus::Ok;
};

// The row of one machine on `today`: due the interval after the last
// measurement (local date); the status the first of closer than the
// minimum, a warning of the trend (against the one before or the baseline,
// above the threshold), overdue (due before today), else ok.
FleetRow fleetRow(const ArchiveMachineSummary &machine, const QDate &today, int intervalMonths,
                  double thresholdPercent);
std::vector<FleetRow> fleetRows(const std::vector<ArchiveMachineSummary> &machines, const QDate &today,
                                int intervalMonths, double thresholdPercent);

// "closer", "warning", "overdue", "ok": as zirk-cli's JSON and the CSV
// name them.
const char *fleetStatusKey(FleetStatus status);

// The table as CSV, as the value export writes it (UTF-8 with a byte-order
// mark, CR LF, the decimal mark chosen, fixed English headers).
QByteArray fleetCsv(const std::vector<FleetRow> &rows, DecimalMark mark);
