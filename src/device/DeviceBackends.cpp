#include "device/DeviceBackends.h"

#include "device/FtdiBackend.h"
#include "device/SerialBackend.h"
#include "device/SimulatorBackend.h"

namespace {

// The real instrument on Linux: while the kernel's FTDI driver holds it,
// its tty is the gentle way in; where that driver is missing or the tty
// cannot be opened, libftdi claims the chip itself.
class UsbBackend : public DeviceBackend
{
public:
    FT_STATUS openByDescription(const char *description, quint32 &handle) override
    {
        m_tty->close();
        m_ftdi.close();
        const FT_STATUS ttyStatus = m_tty->openByDescription(description, handle);
        if (ttyStatus == FT_OK) {
            m_active = m_tty.get();
            return FT_OK;
        }
        m_active = &m_ftdi;
        const FT_STATUS ftdiStatus = m_ftdi.openByDescription(description, handle);
        // A port that exists but would not open says more than "not found".
        return ftdiStatus == FT_DEVICE_NOT_FOUND ? ttyStatus : ftdiStatus;
    }
    FT_STATUS purge(quint32 mask) override { return m_active->purge(mask); }
    FT_STATUS setBaudRate(quint32 rate) override { return m_active->setBaudRate(rate); }
    FT_STATUS setDataCharacteristics(quint8 bits, quint8 stop, quint8 parity) override
    {
        return m_active->setDataCharacteristics(bits, stop, parity);
    }
    FT_STATUS setFlowControl(quint16 flow, quint8 xon, quint8 xoff) override
    {
        return m_active->setFlowControl(flow, xon, xoff);
    }
    FT_STATUS setTimeouts(quint32 readMs, quint32 writeMs) override
    {
        return m_active->setTimeouts(readMs, writeMs);
    }
    FT_STATUS queueStatus(quint32 &bytes) override { return m_active->queueStatus(bytes); }
    FT_STATUS write(const quint8 *data, quint32 count, quint32 &written) override
    {
        return m_active->write(data, count, written);
    }
    FT_STATUS read(quint8 *data, quint32 count, quint32 &received) override
    {
        return m_active->read(data, count, received);
    }

private:
    std::unique_ptr<SerialBackend> m_tty = SerialBackend::byUsbProduct();
    FtdiBackend m_ftdi;
    DeviceBackend *m_active = m_tty.get();
};

} // namespace

std::unique_ptr<DeviceBackend> makeDeviceBackend(const QString &zirkDevice)
{
    if (zirkDevice == QLatin1String("simulator"))
        return SimulatorBackend::standalone();
    if (!zirkDevice.isEmpty())
        return SerialBackend::forPath(zirkDevice);
    return std::make_unique<UsbBackend>();
}
