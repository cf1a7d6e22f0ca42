#include "device/Protocol.h"

#include <algorithm>

quint8 xorChecksum(const quint8 *bytes, std::size_t count)
{
    quint8 sum = 0;
    for (std::size_t i = 0; i < count; ++i)
        sum ^= bytes[i];
    return sum;
}

CommandFrame buildCommandFrame(quint8 command, quint8 byte1, quint8 byte2)
{
    CommandFrame f{kFrameStart, command, byte1, byte2, 0};
    f[4] = xorChecksum(f.data(), 4);
    return f;
}

ReplyFrame buildReplyFrame(quint8 d1, quint8 d2, quint8 d3, quint8 d4, quint8 start)
{
    ReplyFrame f{start, d1, d2, d3, d4, 0};
    f[5] = xorChecksum(f.data(), 5);
    return f;
}

ReplyFrame buildMeasurementFrame(quint32 count)
{
    count = std::min(count, kMaxCount);
    return buildReplyFrame(kMeasurementMarker, quint8(count >> 16), quint8(count >> 8), quint8(count));
}

bool checksumValid(const quint8 *frame, std::size_t size)
{
    return size >= 2 && xorChecksum(frame, size - 1) == frame[size - 1];
}

DistanceBytes releaseDistanceBytes(int millimetres)
{
    const quint16 eighths = quint16(std::clamp(millimetres, 0, 8000) * 8);
    return {quint8(eighths >> 8), quint8(eighths & 0xFF)};
}

std::vector<quint32> takeMeasurementFrames(QByteArray &accumulator)
{
    std::vector<quint32> counts;
    const auto *bytes = reinterpret_cast<const quint8 *>(accumulator.constData());
    const qsizetype size = accumulator.size();
    qsizetype at = 0;
    while (size - at >= kMeasurementFrameSize) {
        if (bytes[at] != kFrameStart) {
            ++at;
            continue;
        }
        const quint8 *frame = bytes + at;
        if (!checksumValid(frame, kMeasurementFrameSize)) {
            ++at;
            continue;
        }
        if (frame[1] == kMeasurementMarker)
            counts.push_back(count24(frame[2], frame[3], frame[4]));
        at += kMeasurementFrameSize;
    }
    // Bytes ahead of the next start byte can never open a frame.
    while (at < size && bytes[at] != kFrameStart)
        ++at;
    accumulator.remove(0, at);
    return counts;
}

int bytesToFinishFrame(const QByteArray &accumulator)
{
    QByteArray rest = accumulator;
    takeMeasurementFrames(rest);
    return rest.isEmpty() ? 0 : kMeasurementFrameSize - int(rest.size());
}

std::optional<std::array<quint8, 4>> takeReplyFrame(QByteArray &accumulator, qsizetype from, bool aligned,
                                                    bool measurementAnswers)
{
    const auto *bytes = reinterpret_cast<const quint8 *>(accumulator.constData());
    const qsizetype size = accumulator.size();
    qsizetype at = 0;
    while (size - at >= kReplyFrameSize) {
        const quint8 *frame = bytes + at;
        const bool valid = checksumValid(frame, kReplyFrameSize);
        const bool opened = frame[0] == kFrameStart;
        const bool measurement = valid && opened && frame[1] == kMeasurementMarker;
        const bool reply = valid && at >= from && (measurement ? measurementAnswers : opened || (aligned && at == from));
        if (reply) {
            std::array<quint8, 4> data;
            std::copy_n(frame + 1, data.size(), data.begin());
            accumulator.remove(at, kReplyFrameSize);
            return data;
        }
        // A whole frame ahead of the reply (a measurement, a stray reply) is
        // passed as one, so that no reply is looked for inside it.  Across
        // the point where the command went out only a measurement can be
        // whole: the rest of a short reply ahead of its repetition ("AA 01 80"
        // + "AA 01 80 ...") sums to a valid frame by chance.
        const bool whole = valid && opened && (measurement || at + kReplyFrameSize <= from);
        at += whole ? kReplyFrameSize : 1;
    }
    return std::nullopt;
}
