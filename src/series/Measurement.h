#pragma once

#include "safety/SafetyDevice.h"
#include "series/DistanceChoice.h"
#include "series/SeriesResult.h"

#include <QDateTime>
#include <QImage>
#include <QString>

#include <array>
#include <vector>

// One measurement as a whole: what was measured, with which instrument,
// behind which safety device, on which machine.  The program state holds
// the one on screen; project files, the archive and the report are written
// from it by a mapper next to each format, the same for the window and for
// zirk-cli, so that none of them can tell a different story.

// The instrument that measured a series: what its protocol names of it.  A
// series keeps the instrument it was measured with (or that its project file
// names), whatever is plugged in later.
struct MeasuringInstrument
{
    QString serialNumber;
    quint16 standstillSpeed = 0; // mm/s
    quint16 calibrationYear = 0;
    quint8 calibrationMonth = 0;
    quint8 calibrationDay = 0;
    bool calibrated = false;

    friend bool operator==(const MeasuringInstrument &, const MeasuringInstrument &) = default;
};

// One report picture with its caption and include flag.  Slots are numbered
// 1 to 4 as on screen.
struct PictureSlot
{
    QImage picture; // 24-bit RGB; null: no picture
    QString note;
    bool include = false;
};
inline constexpr int kPictureSlotCount = 4;
using PictureSlots = std::array<PictureSlot, kPictureSlotCount>;

struct Measurement
{
    std::vector<double> stopTimes; // ms, in series order
    MeasuringInstrument instrument;
    // The accepted selection: kind, its inputs and the kind's display name
    // as it read when the kind was chosen (or as the project file stores it).
    SafetyDevice safetyDevice;
    // The standard, its entries and the installed distance, accepted with
    // the device.
    DistanceChoice distanceChoice;
    QString machineId;
    // The safety device of the machine this series belongs to, as the user
    // names it ("Front light curtain"); empty: the machine's unnamed one of
    // this kind and parameter.
    QString safeguard;
    QString note;
    PictureSlots pictures;
    // When the last value of the series was measured; invalid where nobody
    // knows (values typed into a file, imported).
    QDateTime lastValueAt;
    // Why the standard and its entries stored with the measurement (a
    // project file's block) could not be read; empty when they were, or when
    // there were none.  The distance is then of the default standard, and
    // every place that shows it says so until a standard is chosen anew.
    QString standardProblem;

    SeriesResult result() const { return computeSeriesResult(stopTimes, safetyDevice, distanceChoice); }
};
