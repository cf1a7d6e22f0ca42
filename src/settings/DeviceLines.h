#pragma once

#include <QStringList>

struct DeviceInfo;

// The five lines the about box shows for an identified instrument: standstill
// speed, serial number, last calibration, firmware version and the debug
// data (calibration factors and start counter, each as at least six
// upper-case hexadecimal digits, run together).
QStringList aboutDeviceLines(const DeviceInfo &info);
