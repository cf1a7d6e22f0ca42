#pragma once

#include "ArchiveMeasurement.h"

#include "safety/SafetyDevice.h"

#include <QDateTime>
#include <QString>

#include <optional>
#include <vector>

// What goes into the archive, from the window's series or from a project file.

// The series, the safety device and the results computed from them exactly
// as the main window's indicators compute them.
void setSeries(ArchiveMeasurement &measurement, const std::vector<double> &stopTimes, const SafetyDevice &device);

// The time Save as puts into the name it proposes, "Project_YYYYMMDD_HHMM_",
// read as local time; none when the name does not begin with a valid one.
std::optional<QDateTime> timeInProjectFileName(const QString &fileName);

// A project file as a measurement: its series, safety device (kind, d and H;
// a door's C, a mat's h and the non-industrial choice are not in project
// files), machine ID, note and instrument, measured at the time in its name
// or else when the file was last modified, with its absolute path and the
// SHA-256 of its bytes.  Throws ZirkError naming the file when it cannot be
// read or is not a whole project file.
ArchiveMeasurement measurementFromProjectFile(const QString &fileName, const QString &userName,
                                              const QString &companyName);
