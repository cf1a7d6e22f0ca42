#include "settings/DeviceLines.h"

#include "device/DeviceInfo.h"

namespace {

QString hex6(quint32 value)
{
    return QStringLiteral("%1").arg(value, 6, 16, QLatin1Char('0')).toUpper();
}

} // namespace

QStringList aboutDeviceLines(const DeviceInfo &info)
{
    return {
        QStringLiteral("SS Speed: %1 mm/s").arg(uint(info.SS_Speed)),
        QStringLiteral("SN: ") + info.SN,
        QStringLiteral("Last Calibration (D/M/Y): %1/%2/%3")
            .arg(uint(info.LastCalib_day)).arg(uint(info.LastCalib_Month)).arg(uint(info.LastCalib_Year)),
        QStringLiteral("Firmware version: %1.%2").arg(uint(info.Firmware_MainVersion)).arg(uint(info.Firmware_SubVersion)),
        QStringLiteral("Debug Data: ") + hex6(info.Calib_Nasobitel) + hex6(info.Calib_Delitel)
            + hex6(info.Pocet_Spusteni),
    };
}
