// The receive parser (takeMeasurementFrames) on byte streams cut into
// arbitrary chunks, as the tick reads whatever the instrument has sent so
// far.
//
// Scripted streams (first byte even): measurement frames, stray replies and
// junk in any order.  Every frame is delivered exactly once and in order,
// nothing else is, whatever the chunks - unless the junk itself holds a
// start byte with a right checksum behind it, which no parser can tell from
// a frame.
//
// Raw streams (first byte odd): any bytes.  The chunks make no difference:
// the counts are those of one pass over the whole stream.
//
// Both: the bytes kept for the next read never reach a whole frame's size,
// so the accumulator cannot grow however long the junk.
#include "FuzzTarget.h"

#include "device/Protocol.h"

#include <QByteArray>

#include <algorithm>
#include <vector>

namespace {

bool frameAt(const QByteArray &stream, qsizetype at)
{
    const auto *bytes = reinterpret_cast<const quint8 *>(stream.constData());
    return at + kMeasurementFrameSize <= stream.size() && bytes[at] == kFrameStart
           && checksumValid(bytes + at, kMeasurementFrameSize);
}

// One pass over the whole stream by the parser's rule: a start byte with a
// right checksum is a frame (a measurement when its marker is 0xFF), any
// other byte is skipped.
std::vector<quint32> onePass(const QByteArray &stream)
{
    std::vector<quint32> counts;
    qsizetype at = 0;
    while (at + kMeasurementFrameSize <= stream.size()) {
        if (!frameAt(stream, at)) {
            ++at;
            continue;
        }
        const auto *f = reinterpret_cast<const quint8 *>(stream.constData()) + at;
        if (f[1] == kMeasurementMarker)
            counts.push_back(count24(f[2], f[3], f[4]));
        at += kMeasurementFrameSize;
    }
    return counts;
}

std::vector<quint32> parseInChunks(const QByteArray &stream, const std::vector<qsizetype> &cuts)
{
    std::vector<quint32> counts;
    QByteArray accumulator;
    qsizetype from = 0;
    auto feed = [&](qsizetype to) {
        accumulator.append(stream.mid(from, to - from));
        from = to;
        for (const quint32 count : takeMeasurementFrames(accumulator))
            counts.push_back(count);
        FUZZ_CHECK(accumulator.size() < kMeasurementFrameSize);
    };
    for (const qsizetype cut : cuts) {
        if (cut > from)
            feed(cut);
    }
    feed(stream.size());
    return counts;
}

void append(QByteArray &stream, const ReplyFrame &frame)
{
    stream.append(reinterpret_cast<const char *>(frame.data()), qsizetype(frame.size()));
}

} // namespace

ZIRK_FUZZ_TARGET(receive_parser)
{
    fuzz::Input in(data, size);
    const bool scripted = (in.byte() & 1) == 0;

    QByteArray stream;
    std::vector<qsizetype> cuts;
    std::vector<quint32> frames;
    std::vector<qsizetype> frameStarts; // frames and stray replies as written

    if (scripted) {
        while (!in.empty()) {
            switch (in.byte() % 4) {
            case 0: { // a measurement frame
                const quint32 count = count24(in.byte(), in.byte(), in.byte());
                frameStarts.push_back(stream.size());
                append(stream, buildMeasurementFrame(count));
                frames.push_back(count);
                break;
            }
            case 1: { // junk: line noise, half a frame of a pulled cable
                const int n = in.byte() % 16;
                for (int i = 0; i < n && !in.empty(); ++i)
                    stream.append(char(in.byte()));
                break;
            }
            case 2: { // a reply that came too late for its command
                const quint8 command = in.byte() % 6;
                const quint8 b1 = in.byte();
                const quint8 b2 = in.byte();
                frameStarts.push_back(stream.size());
                append(stream, buildReplyFrame(command, b1, b2, 0));
                break;
            }
            default: // the tick reads what has arrived up to here
                cuts.push_back(stream.size());
                break;
            }
        }
    } else {
        const quint8 seed = in.byte();
        stream = QByteArray(reinterpret_cast<const char *>(in.rest()), qsizetype(in.restSize()));
        // Chunk sizes of 1 to 16 bytes from a small generator.
        quint32 state = seed * 2654435761u + 1;
        for (qsizetype at = 0; at < stream.size();) {
            state = state * 1103515245u + 12345u;
            at += 1 + (state >> 16) % 16;
            cuts.push_back(at);
        }
    }

    const std::vector<quint32> whole = parseInChunks(stream, {});
    FUZZ_CHECK(parseInChunks(stream, cuts) == whole);
    FUZZ_CHECK(whole == onePass(stream));
    // A byte at a time is the worst cut of all.
    std::vector<qsizetype> everyByte;
    for (qsizetype at = 1; at < stream.size() && at < 512; ++at)
        everyByte.push_back(at);
    FUZZ_CHECK(parseInChunks(stream, everyByte) == whole);

    if (scripted) {
        bool junkLooksLikeAFrame = false;
        for (qsizetype at = 0; at < stream.size() && !junkLooksLikeAFrame; ++at) {
            const bool written = std::find(frameStarts.begin(), frameStarts.end(), at) != frameStarts.end();
            junkLooksLikeAFrame = !written && frameAt(stream, at);
        }
        if (!junkLooksLikeAFrame)
            FUZZ_CHECK(whole == frames);
    }
    return 0;
}
