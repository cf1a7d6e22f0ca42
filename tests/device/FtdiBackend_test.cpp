// The libftdi transport as far as it goes without the instrument attached,
// and the choice of transport by ZIRK_DEVICE.
#include "device/D2XXUnit.h"
#include "device/DeviceBackends.h"
#include "device/FtdiBackend.h"

#include "FakePlatform.h"

#include <QTemporaryDir>
#include <gtest/gtest.h>

namespace {

// Test machines have no Zirk instrument plugged in (and often no USB at all).
TEST(FtdiBackend, OpenWithoutTheInstrumentFailsCleanly)
{
    FtdiBackend backend;
    FakeDialogs dialogs;
    D2XXUnit unit(&backend, &dialogs);
    EXPECT_EQ(unit.OpenByDescription(kZirkUsbDescription), FT_DEVICE_NOT_FOUND);
    EXPECT_EQ(unit.UsbHandle, 0u);
    ASSERT_EQ(dialogs.errors.size(), 1u);
    EXPECT_EQ(dialogs.errors[0], QStringLiteral("Open_USB_Device_By_Device_Description - Device Not Found...."));

    // Nothing open: every other call fails with the handle, none blocks.
    unit.ErrorReportEnabled = false;
    EXPECT_EQ(unit.GetQueueStatus(), FT_INVALID_HANDLE);
    EXPECT_EQ(unit.PurgeRx(), FT_INVALID_HANDLE);
    EXPECT_EQ(unit.SetTimeouts(300, 300), FT_INVALID_HANDLE);
    unit.BaudRate = 57600;
    EXPECT_EQ(unit.SetBaudRate(), FT_INVALID_HANDLE);
    EXPECT_EQ(unit.WriteBuffer(5), 0u);
    EXPECT_EQ(unit.ReadBuffer(6), 0u);
    // And asking again is as harmless as the first time.
    EXPECT_EQ(unit.OpenByDescription(kZirkUsbDescription), FT_DEVICE_NOT_FOUND);
}

TEST(DeviceBackends, ChosenByZirkDevice)
{
    QTemporaryDir dir;
    struct Case { QString zirkDevice; FT_STATUS open; };
    const Case cases[] = {
        {QStringLiteral("simulator"), FT_OK},
        {dir.filePath(QStringLiteral("no-such-port")), FT_DEVICE_NOT_FOUND},
        {QString(), FT_DEVICE_NOT_FOUND}, // sysfs, then libftdi: no instrument here
    };
    for (const Case &c : cases) {
        const auto backend = makeDeviceBackend(c.zirkDevice);
        ASSERT_TRUE(backend);
        quint32 handle = 0;
        EXPECT_EQ(backend->openByDescription(kZirkUsbProduct, handle), c.open) << c.zirkDevice.toStdString();
        quint32 waiting = 0;
        EXPECT_EQ(backend->queueStatus(waiting) == FT_OK, c.open == FT_OK) << c.zirkDevice.toStdString();
    }
}

} // namespace
