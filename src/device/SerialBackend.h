#pragma once

// The instrument through a kernel serial port: a /dev/ttyUSB* of the
// kernel's FTDI driver, or a pseudo-terminal served by zirk-devsim.
// Non-blocking descriptor, FIONREAD for the queue, tcflush for purges,
// poll() for the read and write time-outs.

#include "device/DeviceBackend.h"

#include <QString>

#include <functional>
#include <memory>

class SerialBackend : public DeviceBackend
{
public:
    // Names the port to open for a USB description; empty when there is none.
    using Locator = std::function<QString(const char *description)>;

    explicit SerialBackend(Locator locate);
    // Always opens `path`, whatever description is asked for.
    static std::unique_ptr<SerialBackend> forPath(const QString &path);
    // Finds the port by the USB product in /sys/class/tty.
    static std::unique_ptr<SerialBackend> byUsbProduct();
    ~SerialBackend() override;

    void close();
    bool isOpen() const { return m_fd >= 0; }

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
    FT_STATUS linkStatus() const;
    template <typename Change>
    FT_STATUS changeSettings(Change change);

    Locator m_locate;
    int m_fd = -1;
    quint32 m_readTimeout = 300;
    quint32 m_writeTimeout = 300;
};

// The tty (its name in `classTtyDir`, normally /sys/class/tty) whose USB
// device reports `product` as its product string; empty when none does.
QString findTtyByUsbProduct(const QString &classTtyDir, const QString &product);
