#include "device/D2XXUnit.h"

#include "base/Seams.h"

#include <algorithm>
#include <cstring>

namespace {

// Stands in when the platform has no transport at all: nothing is ever
// found, nothing is open.
class NoDeviceBackend : public DeviceBackend
{
public:
    FT_STATUS openByDescription(const char *, quint32 &) override { return FT_DEVICE_NOT_FOUND; }
    FT_STATUS purge(quint32) override { return FT_INVALID_HANDLE; }
    FT_STATUS setBaudRate(quint32) override { return FT_INVALID_HANDLE; }
    FT_STATUS setDataCharacteristics(quint8, quint8, quint8) override { return FT_INVALID_HANDLE; }
    FT_STATUS setFlowControl(quint16, quint8, quint8) override { return FT_INVALID_HANDLE; }
    FT_STATUS setTimeouts(quint32, quint32) override { return FT_INVALID_HANDLE; }
    FT_STATUS queueStatus(quint32 &bytes) override { bytes = 0; return FT_INVALID_HANDLE; }
    FT_STATUS write(const quint8 *, quint32, quint32 &written) override { written = 0; return FT_INVALID_HANDLE; }
    FT_STATUS read(quint8 *, quint32, quint32 &received) override { received = 0; return FT_INVALID_HANDLE; }
};

} // namespace

QString statusReportText(const QString &label, FT_STATUS status)
{
    const char *suffix = nullptr;
    switch (status) {
    case FT_INVALID_HANDLE: suffix = " - Invalid Handle..."; break;
    case FT_DEVICE_NOT_FOUND: suffix = " - Device Not Found...."; break;
    case FT_DEVICE_NOT_OPENED: suffix = " - Device Not Opened..."; break;
    case FT_IO_ERROR: suffix = " - General IO Error..."; break;
    case FT_INSUFFICIENT_RESOURCES: suffix = " - Insufficient Resources..."; break;
    case FT_INVALID_PARAMETER: suffix = " - Invalid Parameter ..."; break;
    default: return QString();
    }
    return label + QLatin1String(suffix);
}

D2XXUnit::D2XXUnit(DeviceBackend *backend, Dialogs *dialogs, QWidget *owner)
    : m_backend(backend), m_dialogs(dialogs), m_owner(owner)
{
    if (!m_backend) {
        m_noDevice = std::make_unique<NoDeviceBackend>();
        m_backend = m_noDevice.get();
    }
}

D2XXUnit::~D2XXUnit() = default;

void D2XXUnit::ReportStatus(const QString &label, FT_STATUS status)
{
    if (!ErrorReportEnabled || status == FT_OK || !m_dialogs)
        return;
    m_dialogs->error(m_owner, QStringLiteral("Error"), statusReportText(label, status));
}

FT_STATUS D2XXUnit::reported(const char *label, FT_STATUS status)
{
    if (status != FT_OK)
        ReportStatus(QString::fromLatin1(label), status);
    return status;
}

void D2XXUnit::CopyDescription(const QString &text)
{
    const QByteArray bytes = text.toLatin1().left(kDescriptionSize - 1);
    DescriptionBuffer.fill(0);
    std::memcpy(DescriptionBuffer.data(), bytes.constData(), std::size_t(bytes.size()));
}

FT_STATUS D2XXUnit::OpenByDescription(const QString &text)
{
    CopyDescription(text);
    quint32 handle = 0;
    const FT_STATUS status = m_backend->openByDescription(DescriptionBuffer.data(), handle);
    if (status == FT_OK)
        UsbHandle = handle;
    return reported("Open_USB_Device_By_Device_Description", status);
}

FT_STATUS D2XXUnit::PurgeTx()
{
    return reported("FT_Purge TX", m_backend->purge(FT_PURGE_TX));
}

FT_STATUS D2XXUnit::PurgeRx()
{
    return reported("FT_Purge RX", m_backend->purge(FT_PURGE_RX));
}

FT_STATUS D2XXUnit::SetBaudRate()
{
    return reported("FT_SetBaudRate", m_backend->setBaudRate(BaudRate));
}

FT_STATUS D2XXUnit::SetDataCharacteristics()
{
    return reported("FT_SetDataCharacteristics",
                    m_backend->setDataCharacteristics(WordLength, StopBits, Parity));
}

FT_STATUS D2XXUnit::SetFlowControl()
{
    return reported("FT_SetFlowControl", m_backend->setFlowControl(FlowControl, XonChar, XoffChar));
}

FT_STATUS D2XXUnit::SetTimeouts(quint32 readMs, quint32 writeMs)
{
    return reported("FT_SetTimeouts", m_backend->setTimeouts(readMs, writeMs));
}

FT_STATUS D2XXUnit::GetQueueStatus()
{
    quint32 bytes = 0;
    const FT_STATUS status = m_backend->queueStatus(bytes);
    QueueBytes = bytes;
    return reported("FT_GetQueueStatus", status);
}

quint32 D2XXUnit::WriteBuffer(quint32 count)
{
    count = std::min(count, kBufferSize);
    quint32 written = 0;
    const FT_STATUS status = m_backend->write(OutBuffer.data(), count, written);
    if (reported("FT_Write", status) != FT_OK)
        return 0;
    return written;
}

quint32 D2XXUnit::ReadBuffer(quint32 count)
{
    count = std::min(count, kBufferSize);
    quint32 received = 0;
    const FT_STATUS status = m_backend->read(InBuffer.data(), count, received);
    if (reported("FT_Read", status) != FT_OK)
        return 0;
    return std::min(received, count);
}
