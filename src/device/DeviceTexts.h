#pragma once

// What the main window makes of the instrument's registers and shows of
// it: standstill speed, serial number, calibration age, the status line and
// the about box's device lines.  Pure functions; the clock is an argument.

#include "device/DeviceInfo.h"

#include <QDateTime>
#include <QString>
#include <QStringList>

#include <optional>

// Standstill speed in mm/s from the instrument's standstill period
// register pair R: 1 / (R x 0.8 us x 8) = 156 250 / R, rounded half to
// even.  R = 0 has no finite speed and gives 0; beyond 16 bits saturates.
quint16 standstillSpeed(quint16 period);

// Two upper-case hexadecimal digits (serial number bytes).
QString hexByte(quint8 value);

// Whole days between the calibration date at midnight and `now`, either
// way round; none when the registers make no calendar date.  Counted on
// the local calendar and clock as the user reads them.
std::optional<qint64> calibrationAgeDays(quint16 year, quint16 month, quint16 day, const QDateTime &now);

// Firmware 5 instruments are calibrated every two years (730 days),
// firmware 4 every year (365 days); any other firmware, and an instrument
// without a calibration date, counts as not calibrated.
bool calibrationValid(quint8 firmwareMain, std::optional<qint64> ageDays);

// "d/m/yyyy" of the last calibration, numbers without leading zeros.
QString calibrationDateText(const DeviceInfo &info);

// The status line of a ready instrument.
QString readyStatusText(const QString &deviceReady, const DeviceInfo &info);

// The five device lines of the about box.
QStringList aboutDeviceLines(const DeviceInfo &info);
