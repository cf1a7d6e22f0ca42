#pragma once

// The transport below D2XXUnit: one connection to the instrument's FTDI
// USB serial chip, in the vocabulary of FTDI's D2XX driver, so that the unit
// above keeps its driver calls one to one.  Three implementations:
// libftdi (FtdiBackend), a kernel serial port or pseudo-terminal
// (SerialBackend) and the in-process instrument model (SimulatorBackend).
// Every call returns a driver status and never throws.

#include <QtGlobal>

using FT_STATUS = quint32;

// The USB product description of the Zirk instrument's FTDI chip.
inline constexpr char kZirkUsbProduct[] = "Zirk USB device";

// Driver status values.
enum : FT_STATUS {
    FT_OK = 0,
    FT_INVALID_HANDLE = 1,
    FT_DEVICE_NOT_FOUND = 2,
    FT_DEVICE_NOT_OPENED = 3,
    FT_IO_ERROR = 4,
    FT_INSUFFICIENT_RESOURCES = 5,
    FT_INVALID_PARAMETER = 6
};

// Driver constants.
constexpr quint32 FT_OPEN_BY_DESCRIPTION = 2;
constexpr quint32 FT_PURGE_RX = 1;
constexpr quint32 FT_PURGE_TX = 2;
constexpr quint8 FT_BITS_7 = 7;
constexpr quint8 FT_BITS_8 = 8;
constexpr quint8 FT_STOP_BITS_1 = 0;
constexpr quint8 FT_STOP_BITS_2 = 2;
constexpr quint8 FT_PARITY_NONE = 0;
constexpr quint8 FT_PARITY_ODD = 1;
constexpr quint8 FT_PARITY_EVEN = 2;
constexpr quint16 FT_FLOW_NONE = 0x0000;
constexpr quint16 FT_FLOW_RTS_CTS = 0x0100;
constexpr quint16 FT_FLOW_DTR_DSR = 0x0200;
constexpr quint16 FT_FLOW_XON_XOFF = 0x0400;

class DeviceBackend
{
public:
    virtual ~DeviceBackend() = default;

    // Opens the device whose USB product description equals `description`
    // and that nobody else uses; replaces whatever this backend had open.
    // `handle` is a non-zero number for the new connection.
    virtual FT_STATUS openByDescription(const char *description, quint32 &handle) = 0;
    virtual FT_STATUS purge(quint32 mask) = 0;
    virtual FT_STATUS setBaudRate(quint32 baudRate) = 0;
    virtual FT_STATUS setDataCharacteristics(quint8 wordLength, quint8 stopBits, quint8 parity) = 0;
    virtual FT_STATUS setFlowControl(quint16 flowControl, quint8 xon, quint8 xoff) = 0;
    virtual FT_STATUS setTimeouts(quint32 readMs, quint32 writeMs) = 0;
    // Received bytes waiting; must not block.  Fails once the device is
    // gone: the program notices an unplugged instrument by this call.
    virtual FT_STATUS queueStatus(quint32 &bytesWaiting) = 0;
    virtual FT_STATUS write(const quint8 *data, quint32 count, quint32 &written) = 0;
    // Returns when `count` bytes have arrived or the read time-out ran out.
    virtual FT_STATUS read(quint8 *data, quint32 count, quint32 &received) = 0;
};

// A backend that hands every call on to another one; a subclass adds what
// it needs around the calls it overrides.
class ForwardingBackend : public DeviceBackend
{
public:
    FT_STATUS openByDescription(const char *description, quint32 &handle) override
    {
        return target().openByDescription(description, handle);
    }
    FT_STATUS purge(quint32 mask) override { return target().purge(mask); }
    FT_STATUS setBaudRate(quint32 rate) override { return target().setBaudRate(rate); }
    FT_STATUS setDataCharacteristics(quint8 bits, quint8 stop, quint8 parity) override
    {
        return target().setDataCharacteristics(bits, stop, parity);
    }
    FT_STATUS setFlowControl(quint16 flow, quint8 xon, quint8 xoff) override
    {
        return target().setFlowControl(flow, xon, xoff);
    }
    FT_STATUS setTimeouts(quint32 readMs, quint32 writeMs) override { return target().setTimeouts(readMs, writeMs); }
    FT_STATUS queueStatus(quint32 &bytes) override { return target().queueStatus(bytes); }
    FT_STATUS write(const quint8 *data, quint32 count, quint32 &written) override
    {
        return target().write(data, count, written);
    }
    FT_STATUS read(quint8 *data, quint32 count, quint32 &received) override
    {
        return target().read(data, count, received);
    }

protected:
    virtual DeviceBackend &target() = 0;
};
