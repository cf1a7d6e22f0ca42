#pragma once

#include "ArchiveMeasurement.h"

#include "project/ProjectMeasurement.h"
#include "safety/SafetyDevice.h"
#include "series/Measurement.h"

#include <QDateTime>
#include <QString>

#include <optional>
#include <vector>

// What goes into the archive, from the window's series or from a project file.

// A measurement as the archive keeps it: the series with the result the
// main window shows for it, the safety device, machine, instrument and who
// recorded it.  Its time is the measurement's own (the last value's) where
// it has one, else fallbackTime.  The machine ID is the one its project
// file keeps (keptProjectText), trimmed.
ArchiveMeasurement archiveRecord(const Measurement &measurement, const QString &userName,
                                 const QString &companyName, const QDateTime &fallbackTime);

// A kept measurement as the window shows it: deviceName is the kind's
// display name in the user's language.  It has no pictures.
Measurement measurementFromArchive(const ArchiveMeasurement &kept, const QString &deviceName);

// A project file as a measurement: its series, safety device (kind, d and H;
// a door's C, a mat's h and the non-industrial choice where the file's
// extension block keeps them), the standard and the installed distance,
// machine ID, note and instrument, measured at the time of its last value
// (projectMeasurementTime), with its absolute path and the
// SHA-256 of its bytes.  Throws ZirkError naming the file when it cannot be
// read or is not a whole project file.
ArchiveMeasurement measurementFromProjectFile(const QString &fileName, const QString &userName,
                                              const QString &companyName);

// The same from the bytes of a project file: fileName (may be empty) names
// it, and a time it proposes stands before `fallbackTime` where the block
// keeps none.  Throws ZirkError when the bytes are not a whole project file.
ArchiveMeasurement measurementFromProjectBytes(const QByteArray &bytes, const QString &fileName,
                                               const QString &userName, const QString &companyName,
                                               const QDateTime &fallbackTime);
