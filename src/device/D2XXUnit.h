#pragma once

// The program's thin transport unit: one device handle, one send and one
// receive buffer, one operation per driver call.  Every operation returns
// the driver's status (or a byte count) and, when the call failed and
// ErrorReportEnabled is set, shows the failure in an error box.  No
// operation retries; the main window's once-a-second tick is the retry.

#include "device/DeviceBackend.h"

#include <QString>

#include <array>
#include <memory>

class Dialogs;
class QWidget;

class D2XXUnit
{
public:
    static constexpr quint32 kBufferSize = 32768;
    static constexpr int kDescriptionSize = 50; // 49 characters and a zero byte

    // `backend` may be null: then no device is ever found.  `dialogs` shows
    // ReportStatus's error box; null shows nothing.
    D2XXUnit(DeviceBackend *backend, Dialogs *dialogs, QWidget *owner = nullptr);
    ~D2XXUnit();
    D2XXUnit(const D2XXUnit &) = delete;
    D2XXUnit &operator=(const D2XXUnit &) = delete;

    void CopyDescription(const QString &text);
    FT_STATUS OpenByDescription(const QString &text);
    FT_STATUS PurgeTx();
    FT_STATUS PurgeRx();
    FT_STATUS SetBaudRate();
    FT_STATUS SetDataCharacteristics();
    FT_STATUS SetFlowControl();
    FT_STATUS SetTimeouts(quint32 readMs, quint32 writeMs);
    FT_STATUS GetQueueStatus();
    quint32 WriteBuffer(quint32 count);
    quint32 ReadBuffer(quint32 count);
    void ReportStatus(const QString &label, FT_STATUS status);

    quint32 UsbHandle = 0;
    std::array<char, kDescriptionSize> DescriptionBuffer{};
    std::array<quint8, kBufferSize> OutBuffer{};
    std::array<quint8, kBufferSize> InBuffer{};
    quint32 BaudRate = 0;
    quint8 WordLength = 0;
    quint8 StopBits = 0;
    quint8 Parity = 0;
    quint16 FlowControl = 0;
    quint8 XonChar = 0x11;
    quint8 XoffChar = 0x13;
    quint32 QueueBytes = 0;
    bool ErrorReportEnabled = true;

private:
    FT_STATUS reported(const char *label, FT_STATUS status);

    std::unique_ptr<DeviceBackend> m_noDevice;
    DeviceBackend *m_backend;
    Dialogs *m_dialogs;
    QWidget *m_owner;
};

// The text of ReportStatus's box: the label and the driver's words for the
// status, or nothing at all for a status the driver does not name.
QString statusReportText(const QString &label, FT_STATUS status);

inline const QString kZirkUsbDescription = QString::fromLatin1(kZirkUsbProduct);
