#pragma once

#include "safety/DistanceStandard.h"
#include "series/SeriesResult.h"

#include <QByteArray>
#include <QDateTime>
#include <QString>

#include <optional>
#include <vector>

// One measurement as the archive keeps it: what was measured, on which
// machine, behind which safety device, with which instrument, and the
// results as they were computed when it was recorded.
struct ArchiveMeasurement
{
    qint64 id = 0; // given by the archive; 0 before it is kept

    QString machineId;
    // The safeguard of the machine, as the user named it; empty: the
    // machine's unnamed safeguard of this kind and parameter.
    QString safeguard;
    QString note;
    QDateTime measuredAt; // an instant; the archive keeps it to the second

    // The safety device: its kind (0..6), the value its formula takes (d, H,
    // C or h; 0 for two-hand control and emergency stop; none when unknown)
    // and the non-industrial choice of a vertical light curtain.
    int deviceKind = 0;
    std::optional<double> deviceParameter;
    bool nonIndustrial = false;

    std::vector<double> stopTimes; // ms, in series order
    SeriesResult result;           // statistics, governing time, distance

    // The standard the distance was computed by, its entries with where the
    // device is mounted, and the verdict then: "meets", "closer" or none (no
    // installed distance, or no distance).
    QString standardId = QStringLiteral("iso13855-2010");
    StandardEntries entries;
    QString verdict;
    // Recorded without its standard (by a program that lost it on the way):
    // standard, installed distance and verdict are unknown, and the
    // measurement decides no status.
    bool withoutStandard = false;
    // False for measurements kept before the archive kept the standard's
    // entries: they are unknown then, not absent.
    bool entriesKept = true;
    // Why its time cannot place it in the history (see timeFlag), as the
    // archive found when it was kept; empty when it can.
    QString timeFlag;

    // The instrument that measured.
    QString serialNumber;
    int standstillSpeed = 0; // mm/s
    int calibrationYear = 0;
    int calibrationMonth = 0;
    int calibrationDay = 0;
    bool calibrated = false;

    QString userName;
    QString companyName;

    // The project file it came from, if any, and the SHA-256 of its bytes in
    // lower-case hex: one file is kept once, whatever its name.
    QString filePath;
    QString fileSha256;
};

// What a row of a machine's history shows, without the stop times.
struct ArchiveEntry
{
    qint64 id = 0;
    QString machineId;
    QString safeguard; // the name; empty: unnamed
    QDateTime measuredAt;
    int count = 0;
    std::optional<double> governingMs;
    std::optional<double> distanceMm;
    QString standardId; // empty: recorded without its standard
    std::optional<double> installedMm;
    QString verdict; // "meets", "closer" or empty
    std::optional<double> deviceParameter;
    QString timeFlag;
    bool withoutStandard = false;
    int deviceKind = 0;
    QString serialNumber;
    QString filePath;
    QString fileSha256;
};

// One safety device of a machine, with its own history.
struct ArchiveSafeguard
{
    qint64 id = 0;
    QString machineId;
    QString name; // empty: unnamed, told apart by kind and parameter
    int deviceKind = 0;
    std::optional<double> deviceParameter;
    int measurementCount = 0;
};

// One machine in the archive.
struct ArchiveMachine
{
    QString machineId;
    int measurementCount = 0;
    QDateTime lastMeasuredAt;
};
