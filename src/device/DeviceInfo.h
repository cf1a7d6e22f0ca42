#pragma once

#include <QString>
#include <cstdint>

// What the program knows of the measuring instrument.  Filled by the
// identification, partly overwritten by opening a project file.
struct DeviceInfo
{
    quint16 SS_Speed = 0;
    QString SN;
    quint16 LastCalib_Year = 0;
    quint8 LastCalib_Month = 0;
    quint8 LastCalib_day = 0;
    bool Calibrated = false;
    quint32 Calib_Nasobitel = 0;
    quint32 Calib_Delitel = 0;
    quint32 Pocet_Spusteni = 0;
    quint8 Firmware_MainVersion = 0;
    quint8 Firmware_SubVersion = 0;
    bool Pripojeno = false;
};

// Beacon pictures of the main window.
enum BeaconState : quint8 {
    BeaconOff = 0,     // all lamps grey: no instrument
    BeaconReady = 1,   // green: identified and ready
    BeaconRunning = 2, // green + yellow: measurement started
    BeaconAll = 3      // green + yellow + red
};

// One count of the instrument's timer is 0.8 us.
constexpr double kMsPerCount = 8.0 / 10000.0;

// dividend / divisor rounded to the nearest whole number, ties to the even
// one.  divisor must not be 0.
quint64 roundedQuotient(quint64 dividend, quint64 divisor);

// Applies the instrument's calibration factors to a raw count: the product
// is exact in 64 bits and the quotient rounds half to even.  With either
// factor zero the count passes unchanged.  A result beyond 32 bits saturates.
quint32 calibrateCount(quint32 count, quint32 multiplier, quint32 divisor);

// Count of 0.8 us periods to milliseconds.  Formed in 64 bits: the product
// count x 8 no longer wraps for counts above 536 870 911.
double countToMs(quint32 count);
