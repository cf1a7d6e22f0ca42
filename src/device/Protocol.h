#pragma once

// The Zirk instrument's frame protocol: 5-byte command frames from the
// program, 6-byte reply frames (one per command) and 6-byte measurement
// frames that the instrument sends on its own when a measurement has ended.
// Every frame ends in the XOR of all bytes before it, so the XOR of a whole
// valid frame is 0.  Multi-byte values travel most significant byte first.
//
// Everything here is pure: bytes in, bytes or values out.  The transport
// (D2XXUnit) and the main window's link code sit on top.

#include <QByteArray>

#include <array>
#include <cstddef>
#include <optional>
#include <vector>

#include <QtGlobal>

constexpr quint8 kFrameStart = 0xAA;
constexpr quint8 kMeasurementMarker = 0xFF;
constexpr int kCommandFrameSize = 5;
constexpr int kReplyFrameSize = 6;
constexpr int kMeasurementFrameSize = 6;

// Command codes.
enum DeviceCommand : quint8 {
    CmdConnectionCheck = 0, // two arbitrary bytes, 0..254; only the reply's validity counts
    CmdSwitchOutput = 1,    // output bit, 1 = on / 0 = off
    CmdReadRegister = 2,    // register address, 0; value in reply byte 3
    CmdStartMeasurement = 4,// release flags, 0; reply byte 1 0xFF = result already there
    CmdSetReleaseDistance = 5 // distance in 1/8 mm, high byte, low byte
};

// Outputs of the instrument switched with CmdSwitchOutput.
constexpr quint8 kOutputBits[3] = {0x80, 0x40, 0x20};

// Release flags of CmdStartMeasurement.
enum ReleaseFlag : quint8 {
    ReleaseByDistance = 0x80,
    ReleaseBySpeed = 0x40,
    ReleaseDirectionChange = 0x20
};

// The instrument's register map (read one byte at a time with
// CmdReadRegister).
enum DeviceRegister : quint8 {
    RegStandstillPeriodHigh = 0,
    RegStandstillPeriodLow = 1,
    RegSerialNumber = 11, // 7 bytes, 11..17
    RegFirmwareMain = 20,
    RegFirmwareSub = 21,
    RegCalibrationDay = 24,
    RegCalibrationMonth = 25,
    RegCalibrationYearHigh = 26,
    RegCalibrationYearLow = 27,
    RegStartCounter = 28,     // 24 bits, 28..30
    RegCalibMultiplier = 31,  // 24 bits, 31..33
    RegCalibDivisor = 34      // 24 bits, 34..36
};
constexpr int kSerialNumberBytes = 7;

// The instrument counts stop times in 24 bits of 0.8 us periods.
constexpr quint32 kMaxCount = 0xFFFFFF;

quint8 xorChecksum(const quint8 *bytes, std::size_t count);

using CommandFrame = std::array<quint8, kCommandFrameSize>;
using ReplyFrame = std::array<quint8, kReplyFrameSize>;

CommandFrame buildCommandFrame(quint8 command, quint8 byte1, quint8 byte2);

// A reply frame as the instrument sends it; the start byte is its own
// business (the program does not look at it).
ReplyFrame buildReplyFrame(quint8 d1, quint8 d2, quint8 d3, quint8 d4, quint8 start = kFrameStart);
ReplyFrame buildMeasurementFrame(quint32 count);

// A frame of `size` bytes is whole when its last byte is the XOR of the
// others.  The reply's start byte takes part in the sum but is not checked.
bool checksumValid(const quint8 *frame, std::size_t size);

// Three bytes, high byte first.
constexpr quint32 count24(quint8 high, quint8 mid, quint8 low)
{
    return (quint32(high) << 16) | (quint32(mid) << 8) | quint32(low);
}

// The release distance as the instrument wants it: 1/8 mm in 16 bits.
struct DistanceBytes { quint8 high; quint8 low; };
DistanceBytes releaseDistanceBytes(int millimetres);

// Cuts every whole measurement frame out of the bytes received so far and
// returns their counts in arrival order.  What cannot be decided yet (a
// frame still arriving) stays in `accumulator` for the next read.
//
// The instrument sends nothing but frames, so a start byte that does not
// open a frame with a right checksum is noise: only that byte is dropped
// and the search goes on from the next one, so a frame behind garbage is
// still found.  A whole frame with another marker than 0xFF is a stray
// reply and is dropped whole.
std::vector<quint32> takeMeasurementFrames(QByteArray &accumulator);

// How many bytes the start of a frame at the end of the received bytes
// still lacks (as takeMeasurementFrames would leave it); 0 when the bytes end
// on a frame's boundary.
int bytesToFinishFrame(const QByteArray &accumulator);

// Takes the reply to a command out of the received bytes: the first valid
// frame that begins at or after `from` (where the bytes received since the
// command went out begin).  Measurement frames are no reply (unless
// `measurementAnswers`, for the start command) and stay in place for
// takeMeasurementFrames, as does everything before and after the reply.
// The reply's start byte is the instrument's own business only where the
// reply begins exactly at `from` and `from` lies on a frame's boundary
// (`aligned`); elsewhere, behind the rest of a frame, only a start byte
// opens it.  Returns the reply's four data bytes, or nothing yet.
std::optional<std::array<quint8, 4>> takeReplyFrame(QByteArray &accumulator, qsizetype from, bool aligned,
                                                    bool measurementAnswers);
