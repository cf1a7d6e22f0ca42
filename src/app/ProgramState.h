#pragma once

#include "device/DeviceInfo.h"
#include "project/ProjectFile.h"
#include "safety/SafetyDevice.h"
#include "settings/AppSettings.h"
#include "settings/MessageTexts.h"

#include <QStringList>

#include <vector>

// The program-wide records.  One instance lives from start to exit; every
// window receives it at construction.
struct ProgramState
{
    std::vector<double> StopTimes;
    DeviceInfo deviceInfo;
    SafetyDevice safetyDevice;
    AppSettings appSettings;
    MessageTexts messageTexts;
    double SafetyDistanceMM = 0.0;
    double SafetyDistanceInch = 0.0;
    // --- device link ---
    // The device lines of the about box (Memo2): empty until an instrument
    // has been identified, then those of the last identification.
    QStringList AboutDeviceLines;

    // --- project files ---
    // The record of the last opened or saved project file, all zero at start.
    ProjectRecord projectRecord;
};
