#pragma once

#include "ArchiveMeasurement.h"

#include <QByteArray>
#include <QDateTime>
#include <QSqlQuery>
#include <QString>
#include <QVariant>

#include <optional>

// The one mapping between an ArchiveMeasurement and its row of the
// measurements table: the columns in one list, which the insert, the read
// of a whole measurement and anything else that takes a row whole go
// through, so that a column cannot be kept by one and forgotten by another.
//
// The row's other columns are the archive's own: its key, the machine and
// safeguard it belongs to, when it was recorded and its identity.

// "note, measured_at, ..." with each name behind prefix ("x." or empty).
QString measurementColumnList(const QString &prefix = QString());
int measurementColumnCount();
// The values of those columns, in their order.
QVariantList measurementColumnValues(const ArchiveMeasurement &m);
// Reads those columns from q, the first at column `first`.
void readMeasurementColumns(const QSqlQuery &q, int first, ArchiveMeasurement &m);

// What makes two records one measurement, as a short hash: the series, the
// safety device, the standard with its entries and the installed distance.
// The archive finds a measurement that came again (saved and then
// reported, added from a copy of its file) by it within its safeguard,
// with an index instead of a walk through the history.
QString measurementIdentity(const ArchiveMeasurement &m);

// Why the time of a measurement cannot place it in a history, measured
// against `now`: "future" (more than a day ahead, a wrong clock),
// "before-2000" (no instrument of ours measured then) or "unreadable";
// empty when it can.  A flagged measurement is kept as given, but it is
// neither the newest nor the baseline of its safeguard.
QString timeFlag(const QDateTime &measuredAt, const QDateTime &now);

// Whether a measurement decides the status of its safeguard: a whole
// series (ten values and more), a time that places it, and its standard.
// The others are kept and shown, but the newest of them never hides what
// the one before found.  decidesSql is the same as a condition on a row of
// measurements whose columns are named with prefix.
bool decidesStatus(const ArchiveMeasurement &m);
QString decidesSql(const QString &prefix);

// The key that tells a machine's safeguards apart: its name, or for an
// unnamed one its kind and parameter.
QString safeguardKey(const QString &name, int deviceKind, const std::optional<double> &deviceParameter);

// --- values of columns ---
// UTC, YYYY-MM-DDTHH:MM:SSZ: text of one format, so it sorts as time does;
// empty for an invalid time.
QString timeText(const QDateTime &when);
QDateTime timeFromText(const QString &text);
QVariant optionalValue(const std::optional<double> &v);
std::optional<double> optionalDouble(const QSqlQuery &q, int column);
// A text column: Qt binds a null QString as NULL, and an empty note is not
// an unknown one.  PostgreSQL refuses the character 0, which a damaged
// project file can carry in its texts; it means nothing on either engine.
QVariant textValue(const QString &s);
QVariant nullText();
QVariant nullId();
