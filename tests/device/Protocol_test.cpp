#include "device/Protocol.h"

#include <gtest/gtest.h>

#include <random>

namespace {

QByteArray bytes(std::initializer_list<int> values)
{
    QByteArray out;
    for (int v : values)
        out.append(char(v));
    return out;
}

template <std::size_t N>
QByteArray bytes(const std::array<quint8, N> &frame)
{
    return QByteArray(reinterpret_cast<const char *>(frame.data()), qsizetype(N));
}

TEST(Protocol, CommandFrames)
{
    struct Case { quint8 command, b1, b2; QByteArray expected; };
    const Case cases[] = {
        {CmdReadRegister, 0x14, 0x00, bytes({0xAA, 0x02, 0x14, 0x00, 0xBC})},      // register 20
        {CmdSetReleaseDistance, 0x09, 0x60, bytes({0xAA, 0x05, 0x09, 0x60, 0xC6})}, // 300 mm
        {CmdStartMeasurement, 0xC0, 0x00, bytes({0xAA, 0x04, 0xC0, 0x00, 0x6E})},
        {CmdConnectionCheck, 0x00, 0x00, bytes({0xAA, 0x00, 0x00, 0x00, 0xAA})},
        {CmdSwitchOutput, 0x80, 0x01, bytes({0xAA, 0x01, 0x80, 0x01, 0x2A})},
    };
    for (const Case &c : cases)
        EXPECT_EQ(bytes(buildCommandFrame(c.command, c.b1, c.b2)), c.expected) << int(c.command);
}

TEST(Protocol, ReleaseDistanceIsSentInEighthsOfAMillimetreAndClamped)
{
    struct Case { int mm; quint8 high, low; };
    const Case cases[] = {{300, 0x09, 0x60}, {-5, 0, 0}, {0, 0, 0}, {8000, 0xFA, 0x00}, {9000, 0xFA, 0x00}, {1, 0x00, 0x08}};
    for (const Case &c : cases) {
        const DistanceBytes d = releaseDistanceBytes(c.mm);
        EXPECT_EQ(d.high, c.high) << c.mm;
        EXPECT_EQ(d.low, c.low) << c.mm;
    }
}

TEST(Protocol, ReplyChecksumCoversTheStartByteButDoesNotRequireAA)
{
    const ReplyFrame odd = buildReplyFrame(0x02, 0x14, 0x05, 0x00, /*start*/ 0x55);
    EXPECT_TRUE(checksumValid(odd.data(), odd.size()));
    ReplyFrame spoiled = odd;
    spoiled[0] = 0xAA;
    EXPECT_FALSE(checksumValid(spoiled.data(), spoiled.size()));
    EXPECT_EQ(bytes(buildMeasurementFrame(66051)), bytes({0xAA, 0xFF, 0x01, 0x02, 0x03, 0x55}));
    // The instrument's counter has 24 bits.
    EXPECT_EQ(bytes(buildMeasurementFrame(0x12345678)), bytes(buildMeasurementFrame(kMaxCount)));
}

TEST(Protocol, ReceiveParserByteStreams)
{
    const QByteArray frame = bytes({0xAA, 0xFF, 0x01, 0x02, 0x03, 0x55}); // count 66 051
    const QByteArray second = bytes(buildMeasurementFrame(10000));
    const QByteArray stray = bytes(buildReplyFrame(0xFE, 0x00, 0x27, 0x10)); // valid, but no measurement
    struct Case
    {
        const char *name;
        std::vector<QByteArray> reads;
        std::vector<std::vector<quint32>> delivered; // per read
        QByteArray left;
    };
    const Case cases[] = {
        {"leading byte dropped", {bytes({0x00}) + frame}, {{66051}}, {}},
        {"two frames in one read", {frame + second}, {{66051, 10000}}, {}},
        {"split three and three", {frame.left(3), frame.mid(3)}, {{}, {66051}}, {}},
        {"half frame behind junk is kept", {bytes({0x01, 0x02, 0x03}) + frame.left(3), frame.mid(3)},
         {{}, {66051}}, {}},
        {"frame behind a bad checksum", {bytes({0xAA, 0xFF, 0x01, 0x02, 0x03, 0x00}) + frame}, {{66051}}, {}},
        {"valid frame with another marker dropped whole", {stray + frame}, {{66051}}, {}},
        {"valid frame with another marker alone", {stray}, {{}}, {}},
        {"start bytes inside the count", {bytes(buildMeasurementFrame(0xAAAAAA))}, {{0xAAAAAA}}, {}},
        {"no start byte empties", {bytes({0x10, 0x20, 0x30, 0x40, 0x50, 0x60, 0x70})}, {{}}, {}},
        {"tail waits for the rest", {frame + second.left(4)}, {{66051}}, second.left(4)},
        {"one byte at a time",
         {frame.mid(0, 1), frame.mid(1, 1), frame.mid(2, 1), frame.mid(3, 1), frame.mid(4, 1), frame.mid(5, 1)},
         {{}, {}, {}, {}, {}, {66051}},
         {}},
    };
    for (const Case &c : cases) {
        QByteArray accumulator;
        for (std::size_t i = 0; i < c.reads.size(); ++i) {
            accumulator.append(c.reads[i]);
            EXPECT_EQ(takeMeasurementFrames(accumulator), c.delivered[i]) << c.name << ", read " << i;
        }
        EXPECT_EQ(accumulator.toHex(), c.left.toHex()) << c.name;
    }
}

// Whatever the chunking and whatever noise lies between them (noise
// without start bytes, and stray replies), every measurement frame is
// delivered exactly once and in order.
TEST(Protocol, ReceiveParserDeliversEveryFrameOnceInOrder)
{
    for (unsigned seed = 1; seed <= 400; ++seed) {
        std::mt19937 random(seed);
        auto uniform = [&](int lo, int hi) { return std::uniform_int_distribution<int>(lo, hi)(random); };
        QByteArray stream;
        std::vector<quint32> sent;
        const int frames = uniform(0, 30);
        for (int f = 0; f < frames; ++f) {
            for (int junk = uniform(0, 8); junk > 0; --junk) {
                int b = uniform(0, 254);
                stream.append(char(b == 0xAA ? 0xAB : b));
            }
            if (uniform(0, 5) == 0)
                stream.append(bytes(buildReplyFrame(quint8(uniform(0, 0xFE)), quint8(uniform(0, 255)),
                                                    quint8(uniform(0, 255)), quint8(uniform(0, 255)))));
            const quint32 count = quint32(uniform(0, int(kMaxCount)));
            sent.push_back(count);
            stream.append(bytes(buildMeasurementFrame(count)));
        }
        std::vector<quint32> got;
        QByteArray accumulator;
        for (qsizetype at = 0; at < stream.size();) {
            const qsizetype chunk = std::min<qsizetype>(uniform(1, 20), stream.size() - at);
            accumulator.append(stream.mid(at, chunk));
            at += chunk;
            for (quint32 c : takeMeasurementFrames(accumulator))
                got.push_back(c);
        }
        ASSERT_EQ(got, sent) << "seed " << seed;
        EXPECT_LT(accumulator.size(), kMeasurementFrameSize) << "seed " << seed;
    }
}

} // namespace

// The reply to a command among what has arrived: found where it is, with
// everything else left in place for the receive parser, in order.
TEST(Protocol, ReplyIsTakenOutOfTheReceivedBytes)
{
    const QByteArray reply = bytes(buildReplyFrame(0x02, 0x14, 0x05, 0x00));
    const QByteArray otherStart = bytes(buildReplyFrame(0x02, 0x14, 0x05, 0x00, 0x55));
    const QByteArray measured = bytes(buildMeasurementFrame(10000));
    const QByteArray stale = bytes(buildReplyFrame(0x01, 0x80, 0x01, 0x00));
    struct Case
    {
        const char *what;
        QByteArray before; // received before the command went out
        QByteArray after;
        bool measurementAnswers;
        bool found;
        QByteArray left;
    };
    const Case cases[] = {
        {"the reply alone", {}, reply, false, true, {}},
        {"any start byte right at the command", {}, otherStart, false, true, {}},
        {"a measurement ahead of it stays", {}, measured + reply, false, true, measured},
        {"the start command takes the measurement", {}, measured + reply, true, true, reply},
        {"a stale reply before the command is none", stale, {}, false, false, stale},
        {"half a frame before, its rest after", measured.left(2), measured.mid(2) + reply, false, true, measured},
        {"another start byte behind half a frame is none", measured.left(2), measured.mid(2) + otherStart, false,
         false, measured + otherStart},
        {"a short reply and its repetition", reply.left(3), reply, false, true, reply.left(3)},
        {"the reply still arriving", {}, reply.left(4), false, false, reply.left(4)},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.what);
        QByteArray received = c.before;
        const bool aligned = bytesToFinishFrame(received) == 0;
        received += c.after;
        const auto data = takeReplyFrame(received, c.before.size(), aligned, c.measurementAnswers);
        EXPECT_EQ(data.has_value(), c.found);
        EXPECT_EQ(received, c.left);
    }
    EXPECT_EQ(bytesToFinishFrame(measured.left(2)), 4);
    EXPECT_EQ(bytesToFinishFrame(measured), 0);
    EXPECT_EQ(bytesToFinishFrame(bytes({0x01, 0x02})), 0);
}
