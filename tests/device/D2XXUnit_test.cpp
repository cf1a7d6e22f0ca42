#include "device/D2XXUnit.h"

#include "FakePlatform.h"

#include <gtest/gtest.h>

#include <functional>
#include <string>

namespace {

// Fails every call with one status and remembers what it was asked.
class FailingBackend : public DeviceBackend
{
public:
    explicit FailingBackend(FT_STATUS s) : status(s) {}
    FT_STATUS status;
    std::string description;
    FT_STATUS openByDescription(const char *d, quint32 &) override { description = d; return status; }
    FT_STATUS purge(quint32) override { return status; }
    FT_STATUS setBaudRate(quint32) override { return status; }
    FT_STATUS setDataCharacteristics(quint8, quint8, quint8) override { return status; }
    FT_STATUS setFlowControl(quint16, quint8, quint8) override { return status; }
    FT_STATUS setTimeouts(quint32, quint32) override { return status; }
    FT_STATUS queueStatus(quint32 &bytes) override { bytes = 0; return status; }
    FT_STATUS write(const quint8 *, quint32 n, quint32 &written) override { written = n; return status; }
    FT_STATUS read(quint8 *, quint32 n, quint32 &received) override { received = n; return status; }
};

TEST(D2XXUnit, DescriptionIsCutTo49Characters)
{
    FailingBackend backend(FT_DEVICE_NOT_FOUND);
    FakeDialogs dialogs;
    D2XXUnit unit(&backend, &dialogs);
    unit.ErrorReportEnabled = false;
    const QString sixty = QString(60, QLatin1Char('z'));
    unit.OpenByDescription(sixty);
    EXPECT_EQ(backend.description, std::string(49, 'z'));
    EXPECT_EQ(unit.DescriptionBuffer[49], '\0');

    unit.CopyDescription(QString());
    EXPECT_EQ(std::string(unit.DescriptionBuffer.data()), std::string());
}

TEST(D2XXUnit, StatusTexts)
{
    struct Case { FT_STATUS status; const char *text; };
    const Case cases[] = {
        {FT_INVALID_HANDLE, "FT_Read - Invalid Handle..."},
        {FT_DEVICE_NOT_FOUND, "FT_Read - Device Not Found...."},
        {FT_DEVICE_NOT_OPENED, "FT_Read - Device Not Opened..."},
        {FT_IO_ERROR, "FT_Read - General IO Error..."},
        {FT_INSUFFICIENT_RESOURCES, "FT_Read - Insufficient Resources..."},
        {FT_INVALID_PARAMETER, "FT_Read - Invalid Parameter ..."},
        {7, ""},
        {18, ""},
    };
    for (const Case &c : cases)
        EXPECT_EQ(statusReportText(QStringLiteral("FT_Read"), c.status), QString::fromLatin1(c.text)) << c.status;
}

// Each operation names itself in the error box, and a failed read or write
// counts no bytes.
TEST(D2XXUnit, FailedCallsShowTheirLabelOnlyWhenReportingIsOn)
{
    struct Case { const char *label; std::function<void(D2XXUnit &)> call; };
    const Case cases[] = {
        {"Open_USB_Device_By_Device_Description", [](D2XXUnit &u) { u.OpenByDescription(kZirkUsbDescription); }},
        {"FT_Purge TX", [](D2XXUnit &u) { u.PurgeTx(); }},
        {"FT_Purge RX", [](D2XXUnit &u) { u.PurgeRx(); }},
        {"FT_SetBaudRate", [](D2XXUnit &u) { u.SetBaudRate(); }},
        {"FT_SetDataCharacteristics", [](D2XXUnit &u) { u.SetDataCharacteristics(); }},
        {"FT_SetFlowControl", [](D2XXUnit &u) { u.SetFlowControl(); }},
        {"FT_SetTimeouts", [](D2XXUnit &u) { u.SetTimeouts(300, 300); }},
        {"FT_GetQueueStatus", [](D2XXUnit &u) { u.GetQueueStatus(); }},
        {"FT_Write", [](D2XXUnit &u) { EXPECT_EQ(u.WriteBuffer(5), 0u); }},
        {"FT_Read", [](D2XXUnit &u) { EXPECT_EQ(u.ReadBuffer(6), 0u); }},
    };
    for (const Case &c : cases) {
        FailingBackend backend(FT_IO_ERROR);
        FakeDialogs dialogs;
        D2XXUnit unit(&backend, &dialogs);
        c.call(unit);
        ASSERT_EQ(dialogs.errors.size(), 1u) << c.label;
        EXPECT_EQ(dialogs.errors[0], QString::fromLatin1(c.label) + QStringLiteral(" - General IO Error..."));

        unit.ErrorReportEnabled = false;
        c.call(unit);
        EXPECT_EQ(dialogs.errors.size(), 1u) << c.label;
    }
}

TEST(D2XXUnit, UnknownStatusShowsAnEmptyBoxAndSuccessShowsNone)
{
    FailingBackend backend(7);
    FakeDialogs dialogs;
    D2XXUnit unit(&backend, &dialogs);
    EXPECT_EQ(unit.ReadBuffer(6), 0u);
    ASSERT_EQ(dialogs.errors.size(), 1u);
    EXPECT_TRUE(dialogs.errors[0].isEmpty());

    backend.status = FT_OK;
    EXPECT_EQ(unit.ReadBuffer(6), 6u);
    EXPECT_EQ(unit.ReadBuffer(100000), D2XXUnit::kBufferSize); // never beyond the buffer
    EXPECT_EQ(unit.OpenByDescription(kZirkUsbDescription), FT_OK);
    EXPECT_EQ(dialogs.errors.size(), 1u);
}

TEST(D2XXUnit, WithoutTransportNothingIsEverFound)
{
    FakeDialogs dialogs;
    D2XXUnit unit(nullptr, &dialogs);
    unit.ErrorReportEnabled = false;
    EXPECT_EQ(unit.OpenByDescription(kZirkUsbDescription), FT_DEVICE_NOT_FOUND);
    EXPECT_NE(unit.GetQueueStatus(), FT_OK);
    EXPECT_EQ(unit.QueueBytes, 0u);
    EXPECT_EQ(unit.UsbHandle, 0u);
}

} // namespace
