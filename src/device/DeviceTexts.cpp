#include "device/DeviceTexts.h"

#include <algorithm>
#include <cstdlib>

namespace {

constexpr qint64 kMsPerDay = 86400000;

QString hex6(quint32 value)
{
    return QStringLiteral("%1").arg(value, 6, 16, QLatin1Char('0')).toUpper();
}

} // namespace

quint16 standstillSpeed(quint16 period)
{
    if (period == 0)
        return 0;
    return quint16(std::min<quint64>(roundedQuotient(156250, period), 0xFFFF));
}

QString hexByte(quint8 value)
{
    return QStringLiteral("%1").arg(int(value), 2, 16, QLatin1Char('0')).toUpper();
}

std::optional<qint64> calibrationAgeDays(quint16 year, quint16 month, quint16 day, const QDateTime &now)
{
    const QDate calibrated{int(year), int(month), int(day)};
    if (!calibrated.isValid())
        return std::nullopt;
    const qint64 ms = calibrated.daysTo(now.date()) * kMsPerDay + now.time().msecsSinceStartOfDay();
    return std::abs(ms) / kMsPerDay;
}

bool calibrationValid(quint8 firmwareMain, std::optional<qint64> ageDays)
{
    if (!ageDays)
        return false;
    switch (firmwareMain) {
    case 5: return *ageDays < 730;
    case 4: return *ageDays < 365;
    default: return false;
    }
}

QString calibrationDateText(const DeviceInfo &info)
{
    return QStringLiteral("%1/%2/%3").arg(int(info.LastCalib_day)).arg(int(info.LastCalib_Month)).arg(int(info.LastCalib_Year));
}

QString readyStatusText(const QString &deviceReady, const DeviceInfo &info)
{
    return deviceReady + QStringLiteral(" / SN: ") + info.SN + QStringLiteral(" / Last Calibration: ")
        + calibrationDateText(info);
}

QStringList aboutDeviceLines(const DeviceInfo &info)
{
    return {
        QStringLiteral("SS Speed: %1 mm/s").arg(int(info.SS_Speed)),
        QStringLiteral("SN: ") + info.SN,
        QStringLiteral("Last Calibration (D/M/Y): ") + calibrationDateText(info),
        QStringLiteral("Firmware version: %1.%2").arg(int(info.Firmware_MainVersion)).arg(int(info.Firmware_SubVersion)),
        QStringLiteral("Debug Data: ") + hex6(info.Calib_Nasobitel) + hex6(info.Calib_Delitel)
            + hex6(info.Pocet_Spusteni),
    };
}
