#include "device/DeviceBackends.h"

#include "device/FtdiBackend.h"
#include "device/SerialBackend.h"
#include "device/SimulatorBackend.h"

namespace {

// The real instrument on Linux: while the kernel's FTDI driver holds it,
// its tty is the gentle way in; where that driver is missing or the tty
// cannot be opened, libftdi claims the chip itself.
class UsbBackend : public ForwardingBackend
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

protected:
    DeviceBackend &target() override { return *m_active; }

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
