#pragma once

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

    // The standard the distance was computed by, where the device is
    // mounted, and the verdict then: "meets", "closer" or none (no installed
    // distance, or no distance).
    QString standardId = QStringLiteral("iso13855-2010");
    std::optional<double> installedMm;
    QString verdict;

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
    QDateTime measuredAt;
    int count = 0;
    std::optional<double> governingMs;
    std::optional<double> distanceMm;
    QString standardId;
    QString verdict; // "meets", "closer" or empty
    int deviceKind = 0;
    QString serialNumber;
    QString filePath;
    QString fileSha256;
};

// One machine in the archive.
struct ArchiveMachine
{
    QString machineId;
    int measurementCount = 0;
    QDateTime lastMeasuredAt;
};
