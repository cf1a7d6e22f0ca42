#pragma once

#include "ArchiveMeasurement.h"

#include <QByteArray>
#include <QString>

#include <optional>

// How the windows keep a measurement: Save as and Generate report record
// what they saved or reported, and a failure of the archive never stops
// them, it is only told.

// The archive in force for the program: ZIRK_ARCHIVE, else the setting,
// else the default file.
QString archiveUrlInForce(const QString &setting);

// Opens the archive named by url and keeps the measurement.  Returns the
// one-line reason when the archive cannot be opened or written; never throws.
std::optional<QString> recordMeasurement(const QString &url, const ArchiveMeasurement &measurement);

// The SHA-256 of a file's bytes as the archive keeps it: lower-case hex.
QString sha256Hex(const QByteArray &bytes);
