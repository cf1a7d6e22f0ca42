#pragma once

#include "ArchiveMeasurement.h"

#include "project/ValueExport.h"
#include "settings/SettingsFile.h"

#include <QByteArray>
#include <QDate>
#include <QDateTime>
#include <QString>

#include <functional>
#include <optional>
#include <vector>

// The fleet at a glance: one row per machine, which opens to one row per
// safeguard, each with what its last deciding measurement found, how its
// stop time moved against its baseline, when it is due again and whether
// it needs attention.  A machine is as safe as its worst safeguard.

// What the archive tells of one safeguard (Archive::overview).
struct ArchiveSafeguardSummary
{
    QString machineId;
    qint64 safeguardId = 0;
    QString safeguard; // the name; empty: unnamed
    int deviceKind = 0;
    std::optional<double> deviceParameter;
    // Of the newest measurement that decides (decidesStatus): invalid
    // when none does.
    QDateTime lastMeasuredAt;
    int measurementCount = 0;
    // Of that measurement: none without input.
    std::optional<double> governingMs;
    std::optional<double> distanceMm;
    QString standard;                // empty: not known
    std::optional<double> installedMm;
    QString verdict;                 // "meets", "closer" or empty
    // A newer measurement that does not decide, and why: "incomplete" (fewer
    // than ten values) or "without-standard"; empty when the newest decides.
    QString newerNote;
    // The governing times the trend compares (only measurements that decide
    // with one): the newest, the one before, and the baseline (the marked
    // reference, else the first); baselineIsLatest when they are one.
    std::optional<double> latestGoverningMs;
    std::optional<double> previousGoverningMs;
    std::optional<double> baselineGoverningMs;
    bool baselineIsLatest = false;
};

// From the worst to the best: a machine takes the first of its safeguards'.
enum class FleetStatus { Closer, Warning, Unknown, Overdue, Ok };

struct FleetRow
{
    ArchiveSafeguardSummary safeguard;
    std::optional<double> changeVsBaselinePercent;
    QDate due;
    FleetStatus status = FleetStatus::Ok;
};

// A machine with its safeguards.  Its values are those of its worst
// safeguard (governing time, distance, standard, installed distance,
// verdict, change), its due date the earliest, its last measured the
// latest, its count the sum.
struct FleetMachineRow
{
    QString machineId;
    QDateTime lastMeasuredAt;
    int measurementCount = 0;
    QDate due;
    FleetStatus status = FleetStatus::Ok;
    std::size_t worst = 0; // index into safeguards
    std::vector<FleetRow> safeguards;

    const FleetRow &worstSafeguard() const { return safeguards.at(worst); }
};

// The row of one safeguard on `today`: due the interval after its last
// deciding measurement (local date); the status the first of closer than
// the minimum, a warning of the trend (against the one before or the
// baseline, above the threshold), unknown (no measurement decides it),
// overdue (due before today), else ok.
FleetRow fleetRow(const ArchiveSafeguardSummary &safeguard, const QDate &today, int intervalMonths,
                  double thresholdPercent);
// The safeguards as overview() gives them (by machine), gathered by machine.
std::vector<FleetMachineRow> fleetRows(const std::vector<ArchiveSafeguardSummary> &safeguards, const QDate &today,
                                       int intervalMonths, double thresholdPercent);

// "closer", "warning", "unknown", "overdue", "ok": as zirk-cli's JSON and
// the CSV name them.
const char *fleetStatusKey(FleetStatus status);

// The table as CSV, as the value export writes it (UTF-8 with a byte-order
// mark, CR LF, the decimal mark chosen, fixed English headers): one row per
// safeguard, with the machine ID in each.  safeguardName gives the shown
// name of a safeguard (the unnamed ones by kind and parameter).
QByteArray fleetCsv(const std::vector<FleetMachineRow> &rows, DecimalMark mark,
                    const std::function<QString(const ArchiveSafeguardSummary &)> &safeguardName);
