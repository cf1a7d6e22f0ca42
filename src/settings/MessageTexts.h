#pragma once

#include <QString>

// The localised texts of questions and status messages.  Empty until the
// language texts are first loaded.
struct MessageTexts
{
    QString NoDeviceFound;
    QString NewMeasurement;
    QString CloseQuery;
    QString DeleteAllValuesQuery;
    QString DeviceReady;
    QString DeviceShouldBeCalibrated;
    QString DeviceConnected;
    QString DriversInstall;
    QString InvalidFile;
};
