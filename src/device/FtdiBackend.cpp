#include "device/FtdiBackend.h"

#include <ftdi.h>
#include <libusb.h>

#include <algorithm>
#include <chrono>
#include <cstring>
#include <string_view>
#include <thread>

namespace {

constexpr int kFtdiVendor = 0x0403;
// What the backend keeps of unread bytes at most; the chip's own buffer
// holds the rest until the next drain.
constexpr qsizetype kQueueLimit = 65536;
// Reads per drain: at 57 600 baud a chip that never pauses must not keep
// the interface waiting.
constexpr int kDrainReads = 8;

FT_STATUS ioStatus(int result)
{
    return result < 0 ? FT_IO_ERROR : FT_OK;
}

// The USB product string of an attached device, or empty when it cannot
// be read (no permission, no string).
std::string productOf(libusb_device *device, const libusb_device_descriptor &descriptor)
{
    libusb_device_handle *handle = nullptr;
    if (descriptor.iProduct == 0 || libusb_open(device, &handle) != 0)
        return {};
    unsigned char text[128];
    const int length = libusb_get_string_descriptor_ascii(handle, descriptor.iProduct, text, sizeof text);
    libusb_close(handle);
    if (length <= 0)
        return {};
    return std::string(reinterpret_cast<const char *>(text), std::size_t(length));
}

} // namespace

FtdiBackend::FtdiBackend() = default;

FtdiBackend::~FtdiBackend()
{
    close();
    if (m_ftdi)
        ftdi_free(m_ftdi);
}

void FtdiBackend::close()
{
    if (m_open)
        ftdi_usb_close(m_ftdi);
    m_open = false;
    m_queue.clear();
}

FT_STATUS FtdiBackend::openByDescription(const char *description, quint32 &handle)
{
    close();
    if (!m_ftdi) {
        // Without a USB subsystem (no usbfs, no permission to start libusb)
        // there is nothing to find; try again next time.
        m_ftdi = ftdi_new();
        if (!m_ftdi)
            return FT_DEVICE_NOT_FOUND;
        // Give the port back to the kernel's serial driver when we let go.
        m_ftdi->module_detach_mode = AUTO_DETACH_REATACH_SIO_MODULE;
    }
    libusb_device **list = nullptr;
    const ssize_t count = libusb_get_device_list(m_ftdi->usb_ctx, &list);
    if (count < 0)
        return FT_DEVICE_NOT_FOUND;
    FT_STATUS status = FT_DEVICE_NOT_FOUND;
    for (ssize_t i = 0; i < count && status != FT_OK; ++i) {
        libusb_device_descriptor descriptor{};
        if (libusb_get_device_descriptor(list[i], &descriptor) != 0 || descriptor.idVendor != kFtdiVendor)
            continue;
        if (productOf(list[i], descriptor) != std::string_view(description))
            continue;
        // Detaches the kernel's serial driver when it holds the chip.
        if (ftdi_usb_open_dev(m_ftdi, list[i]) != 0) {
            status = FT_DEVICE_NOT_OPENED; // in use elsewhere, or no permission
            continue;
        }
        m_open = true;
        status = FT_OK;
    }
    libusb_free_device_list(list, 1);
    if (status == FT_OK)
        handle = ++m_opens;
    return status;
}

bool FtdiBackend::drain()
{
    unsigned char chunk[4096];
    for (int i = 0; i < kDrainReads && m_queue.size() < kQueueLimit; ++i) {
        // Returns within the chip's latency timer with what it has.
        const int n = ftdi_read_data(m_ftdi, chunk, int(sizeof chunk));
        if (n < 0)
            return false;
        if (n == 0)
            break;
        m_queue.append(reinterpret_cast<const char *>(chunk), n);
    }
    return true;
}

FT_STATUS FtdiBackend::purge(quint32 mask)
{
    if (!m_open)
        return FT_INVALID_HANDLE;
    if (mask & FT_PURGE_RX) {
        m_queue.clear();
        if (ftdi_tciflush(m_ftdi) < 0)
            return FT_IO_ERROR;
    }
    if ((mask & FT_PURGE_TX) && ftdi_tcoflush(m_ftdi) < 0)
        return FT_IO_ERROR;
    return FT_OK;
}

FT_STATUS FtdiBackend::setBaudRate(quint32 baudRate)
{
    if (!m_open)
        return FT_INVALID_HANDLE;
    const int r = ftdi_set_baudrate(m_ftdi, int(baudRate));
    return r == -1 ? FT_INVALID_PARAMETER : ioStatus(r);
}

FT_STATUS FtdiBackend::setDataCharacteristics(quint8 wordLength, quint8 stopBits, quint8 parity)
{
    if (!m_open)
        return FT_INVALID_HANDLE;
    // The driver's codes and libftdi's enumerations agree value for value.
    if ((wordLength != FT_BITS_7 && wordLength != FT_BITS_8)
        || (stopBits != FT_STOP_BITS_1 && stopBits != FT_STOP_BITS_2) || parity > SPACE)
        return FT_INVALID_PARAMETER;
    return ioStatus(ftdi_set_line_property(m_ftdi, ftdi_bits_type(wordLength),
                                           ftdi_stopbits_type(stopBits), ftdi_parity_type(parity)));
}

FT_STATUS FtdiBackend::setFlowControl(quint16 flowControl, quint8 xon, quint8 xoff)
{
    if (!m_open)
        return FT_INVALID_HANDLE;
    switch (flowControl) {
    case FT_FLOW_NONE: return ioStatus(ftdi_setflowctrl(m_ftdi, SIO_DISABLE_FLOW_CTRL));
    case FT_FLOW_RTS_CTS: return ioStatus(ftdi_setflowctrl(m_ftdi, SIO_RTS_CTS_HS));
    case FT_FLOW_DTR_DSR: return ioStatus(ftdi_setflowctrl(m_ftdi, SIO_DTR_DSR_HS));
    case FT_FLOW_XON_XOFF: return ioStatus(ftdi_setflowctrl_xonxoff(m_ftdi, xon, xoff));
    default: return FT_INVALID_PARAMETER;
    }
}

FT_STATUS FtdiBackend::setTimeouts(quint32 readMs, quint32 writeMs)
{
    if (!m_open)
        return FT_INVALID_HANDLE;
    m_ftdi->usb_read_timeout = int(readMs);
    m_ftdi->usb_write_timeout = int(writeMs);
    m_readTimeout = readMs;
    return FT_OK;
}

FT_STATUS FtdiBackend::queueStatus(quint32 &bytesWaiting)
{
    bytesWaiting = 0;
    if (!m_open)
        return FT_INVALID_HANDLE;
    if (!drain())
        return FT_IO_ERROR; // unplugged
    bytesWaiting = quint32(m_queue.size());
    return FT_OK;
}

FT_STATUS FtdiBackend::write(const quint8 *data, quint32 count, quint32 &written)
{
    written = 0;
    if (!m_open)
        return FT_INVALID_HANDLE;
    const int n = ftdi_write_data(m_ftdi, data, int(count));
    if (n < 0)
        return FT_IO_ERROR;
    written = quint32(n);
    return FT_OK;
}

FT_STATUS FtdiBackend::read(quint8 *data, quint32 count, quint32 &received)
{
    received = 0;
    if (!m_open)
        return FT_INVALID_HANDLE;
    using Clock = std::chrono::steady_clock;
    const auto deadline = Clock::now() + std::chrono::milliseconds(m_readTimeout);
    while (m_queue.size() < qsizetype(count)) {
        const qsizetype before = m_queue.size();
        if (!drain())
            return FT_IO_ERROR;
        if (m_queue.size() >= qsizetype(count) || Clock::now() >= deadline)
            break;
        if (m_queue.size() == before)
            std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
    received = quint32(std::min<qsizetype>(m_queue.size(), count));
    std::memcpy(data, m_queue.constData(), received);
    m_queue.remove(0, received);
    return FT_OK;
}
