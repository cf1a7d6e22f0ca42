#pragma once

#include "project/ProjectFile.h"
#include "series/Measurement.h"

#include <QDateTime>
#include <QString>

#include <optional>

#include <vector>

// A measurement in a project file and back: the one mapping that File > Open,
// Save as, zirk-cli and the archive's import share.  Texts are stored in the
// code page of project files (projectCodePage()), cut to their field's capacity.

// Writes the measurement's fields into record and pictures.  Only the named
// fields of the record change; every other byte keeps what record held (the
// last opened file's).  The standard, its entries, the installed distance,
// the door's C, the mat's h, the non-industrial choice and the time of the
// last value go into the extension block of the reserved bytes; a
// measurement that has none of them beyond the default standard writes no
// block, so that its file is the file of before.  The captions are those the main window shows: the
// device's name and its parameter text.
void writeMeasurement(const Measurement &measurement, ProjectRecord &record, ProjectPictures &pictures);

// The bytes Save as writes for the measurement over record (the last
// opened file's), as a protocol carries them.
QByteArray projectFileBytes(const Measurement &measurement, ProjectRecord record);

// The measurement a project file holds: its stop times, the instrument, the
// safety device (kind, d and H as stored, -1 for "not applicable"; the
// stored device caption as its name), machine ID, note and the pictures with
// their notes and flags, and what the extension block keeps.  Without a
// block: the default standard with no entries.  A block that fails its check
// is ignored and *problem, if given, says why (empty otherwise).
Measurement measurementFromProject(const std::vector<double> &stopTimes, const ProjectRecord &record,
                                   const ProjectPictures &pictures, QString *problem = nullptr);

// When the measurement of a project file was made, the time of its last
// value: as the file's extension block keeps it, else the time Save as puts
// into the name it proposes ("Project_YYYYMMDD_HHMM_", local time), else
// `modified`, the file's modification time.
QDateTime projectMeasurementTime(const ProjectRecord &record, const QString &fileName, const QDateTime &modified);

// The time in a name "Project_YYYYMMDD_HHMM_...", read as local time; none
// when the name does not begin with a valid one.
std::optional<QDateTime> timeInProjectFileName(const QString &fileName);

// --- texts of project files ---
// A project file keeps its texts in the ANSI code page of the Windows
// system that wrote it: Windows-1250 on a Czech or Polish one, 1252 on a
// German one.  Zirk takes the code page of the user's locale
// (windowsAnsiCodePageOfEnvironment) unless the settings name one, for the
// whole process, as Windows does.
int projectCodePage();
// 0 follows the locale; any number but those of kWindowsAnsiCodePages
// counts as 0.
void setProjectCodePage(int codePage);

// A text field as Open reads it and Save as writes it, in projectCodePage().
QString projectText(const ProjectRecord &record, ProjectRecord::Text field);
void setProjectText(ProjectRecord &record, ProjectRecord::Text field, const QString &text);

// text as a project file keeps it in field: what the code page lacks
// becomes "?", and it is cut to the field's capacity.
QString keptProjectText(const QString &text, ProjectRecord::Text field);

// How text fits a field of a project file.
struct ProjectTextFit
{
    QString unkept; // the characters the code page lacks, each once, in order
    int bytes = 0;  // as the code page writes it
    int capacity = 0;
    bool fits() const { return unkept.isEmpty() && bytes <= capacity; }
};
ProjectTextFit projectTextFit(const QString &text, ProjectRecord::Text field);
