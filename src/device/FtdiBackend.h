#pragma once

// The instrument's FTDI chip through libftdi1 (libusb), for a system where
// no kernel serial port stands for it.  The device is found by enumerating
// FTDI devices and matching the USB product string, since its product ID
// is not fixed.  libftdi has no queue status, so the backend drains what
// the chip has sent into a queue of its own and answers from that.

#include "device/DeviceBackend.h"

#include <QByteArray>

struct ftdi_context;

class FtdiBackend : public DeviceBackend
{
public:
    FtdiBackend();
    ~FtdiBackend() override;
    FtdiBackend(const FtdiBackend &) = delete;
    FtdiBackend &operator=(const FtdiBackend &) = delete;

    void close();
    bool isOpen() const { return m_open; }

    FT_STATUS openByDescription(const char *description, quint32 &handle) override;
    FT_STATUS purge(quint32 mask) override;
    FT_STATUS setBaudRate(quint32 baudRate) override;
    FT_STATUS setDataCharacteristics(quint8 wordLength, quint8 stopBits, quint8 parity) override;
    FT_STATUS setFlowControl(quint16 flowControl, quint8 xon, quint8 xoff) override;
    FT_STATUS setTimeouts(quint32 readMs, quint32 writeMs) override;
    FT_STATUS queueStatus(quint32 &bytesWaiting) override;
    FT_STATUS write(const quint8 *data, quint32 count, quint32 &written) override;
    FT_STATUS read(quint8 *data, quint32 count, quint32 &received) override;

private:
    // Moves what the chip holds into m_queue; false when the device is gone.
    bool drain();
    FT_STATUS linkStatus() const { return m_open ? FT_OK : FT_INVALID_HANDLE; }

    ftdi_context *m_ftdi = nullptr;
    bool m_open = false;
    QByteArray m_queue;
    quint32 m_readTimeout = 300;
    quint32 m_opens = 0;
};
