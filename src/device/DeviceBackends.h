#pragma once

// Picks the instrument's transport from the environment variable
// ZIRK_DEVICE:
//   "simulator"          the instrument model, in-process
//   a path (/dev/ttyUSB0, a pseudo-terminal from zirk-devsim)
//                        that serial port
//   unset or empty       the kernel serial port whose USB product is
//                        "Zirk USB device", else the chip through libftdi

#include "device/DeviceBackend.h"

#include <QString>

#include <memory>

std::unique_ptr<DeviceBackend> makeDeviceBackend(const QString &zirkDevice);
