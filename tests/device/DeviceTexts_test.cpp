#include "device/DeviceTexts.h"

#include <gtest/gtest.h>

namespace {

TEST(DeviceTexts, StandstillSpeedFromPeriod)
{
    struct Case { quint16 period; quint16 speed; };
    const Case cases[] = {
        {3125, 50},    // 0x0C35
        {12500, 12},   // 12.5, tie to even
        {62500, 2},    // 2.5, tie to even
        {37500, 4},    // 4.1666
        {15625, 10},
        {0, 0},        // no finite speed: stored as 0
        {1, 65535},    // 156 250 does not fit in 16 bits
        {65535, 2},
    };
    for (const Case &c : cases)
        EXPECT_EQ(standstillSpeed(c.period), c.speed) << c.period;
}

TEST(DeviceTexts, HexBytesOfTheSerialNumber)
{
    QString sn;
    for (quint8 b : {0x01, 0x02, 0x03, 0x0A, 0x0B, 0x0C, 0xFF})
        sn += hexByte(b);
    EXPECT_EQ(sn, QStringLiteral("0102030A0B0CFF"));
}

TEST(DeviceTexts, CalibrationAgeAndValidity)
{
    struct Case
    {
        quint16 y, m, d;
        QDateTime now;
        quint8 firmware;
        std::optional<qint64> days;
        bool valid;
    };
    const QTime morning(10, 30);
    const Case cases[] = {
        {2019, 3, 10, QDateTime(QDate(2021, 3, 9), morning), 5, 730, false},
        {2019, 3, 10, QDateTime(QDate(2021, 3, 8), QTime(23, 59, 59)), 5, 729, true},
        {2019, 3, 10, QDateTime(QDate(2021, 3, 10), QTime(0, 0)), 5, 731, false},
        {2025, 12, 10, QDateTime(QDate(2026, 12, 9), morning), 4, 364, true},
        {2025, 12, 9, QDateTime(QDate(2026, 12, 9), morning), 4, 365, false},
        {2026, 12, 9, QDateTime(QDate(2026, 12, 9), morning), 6, 0, false},
        {2026, 12, 9, QDateTime(QDate(2026, 12, 9), morning), 3, 0, false},
        // A date ahead counts the same way: 730 days minus ten and a half hours.
        {2028, 12, 8, QDateTime(QDate(2026, 12, 9), morning), 5, 729, true},
        {2028, 12, 9, QDateTime(QDate(2026, 12, 9), morning), 5, 730, false},
        // Registers that make no date: not calibrated.
        {2020, 5, 0, QDateTime(QDate(2020, 6, 1), morning), 5, std::nullopt, false},
        {2020, 13, 1, QDateTime(QDate(2020, 6, 1), morning), 5, std::nullopt, false},
        {2021, 2, 29, QDateTime(QDate(2021, 6, 1), morning), 5, std::nullopt, false},
        {0, 0, 0, QDateTime(QDate(2021, 6, 1), morning), 5, std::nullopt, false},
    };
    for (const Case &c : cases) {
        const auto days = calibrationAgeDays(c.y, c.m, c.d, c.now);
        EXPECT_EQ(days, c.days) << c.d << "/" << c.m << "/" << c.y;
        EXPECT_EQ(calibrationValid(c.firmware, days), c.valid) << c.d << "/" << c.m << "/" << c.y;
    }
}

TEST(DeviceTexts, StatusLineAndAboutLines)
{
    DeviceInfo info;
    info.SN = QStringLiteral("0102030A0B0CFF");
    info.LastCalib_day = 5;
    info.LastCalib_Month = 7;
    info.LastCalib_Year = 2019;
    info.SS_Speed = 50;
    info.Firmware_MainVersion = 5;
    info.Firmware_SubVersion = 12;
    info.Calib_Nasobitel = 1000150;
    info.Calib_Delitel = 0xABC;
    info.Pocet_Spusteni = 0x1234567;
    EXPECT_EQ(readyStatusText(QStringLiteral("Zirk Device ready."), info),
              QStringLiteral("Zirk Device ready. / SN: 0102030A0B0CFF / Last Calibration: 5/7/2019"));
    EXPECT_EQ(aboutDeviceLines(info), (QStringList{
                                          QStringLiteral("SS Speed: 50 mm/s"),
                                          QStringLiteral("SN: 0102030A0B0CFF"),
                                          QStringLiteral("Last Calibration (D/M/Y): 5/7/2019"),
                                          QStringLiteral("Firmware version: 5.12"),
                                          QStringLiteral("Debug Data: 0F42D6000ABC1234567"),
                                      }));
}

} // namespace
