#include "device/InstrumentModel.h"

#include "device/DeviceInfo.h"

#include <gtest/gtest.h>

namespace {

QByteArray command(quint8 code, quint8 b1, quint8 b2)
{
    const CommandFrame f = buildCommandFrame(code, b1, b2);
    return QByteArray(reinterpret_cast<const char *>(f.data()), qsizetype(f.size()));
}

QByteArray frame(const ReplyFrame &f)
{
    return QByteArray(reinterpret_cast<const char *>(f.data()), qsizetype(f.size()));
}

TEST(InstrumentModel, RepliesToEveryCommandWithAValidFrame)
{
    InstrumentModel model(QDate(2026, 5, 4));
    struct Case { quint8 code, b1, b2; QByteArray reply; };
    const Case cases[] = {
        {CmdConnectionCheck, 17, 254, frame(buildReplyFrame(0, 17, 254, 0))},
        {CmdSwitchOutput, 0x40, 1, frame(buildReplyFrame(1, 0x40, 1, 0))},
        {CmdReadRegister, RegFirmwareMain, 0, frame(buildReplyFrame(2, RegFirmwareMain, 5, 0))},
        {CmdReadRegister, RegCalibrationDay, 0, frame(buildReplyFrame(2, RegCalibrationDay, 4, 0))},
        {CmdReadRegister, RegCalibrationYearLow, 0, frame(buildReplyFrame(2, RegCalibrationYearLow, 2026 & 0xFF, 0))},
        {CmdReadRegister, 200, 0, frame(buildReplyFrame(2, 200, 0, 0))}, // beyond the map
        {CmdSetReleaseDistance, 0x09, 0x60, frame(buildReplyFrame(5, 0x09, 0x60, 0))},
        {CmdStartMeasurement, 0xC0, 0, frame(buildReplyFrame(4, 0xC0, 0, 0))},
    };
    for (const Case &c : cases) {
        model.receive(command(c.code, c.b1, c.b2));
        EXPECT_EQ(model.takeOutput(100).toHex(), c.reply.toHex()) << int(c.code) << "/" << int(c.b1);
    }
    EXPECT_EQ(model.outputs, 0x40);
    EXPECT_EQ(model.releaseDistance, 2400);
    EXPECT_EQ(model.releaseFlags, 0xC0);
    EXPECT_EQ(model.startCounter(), 1235u);
}

TEST(InstrumentModel, SkipsNoiseAndHalfCommands)
{
    InstrumentModel model;
    const QByteArray c = command(CmdSwitchOutput, 0x20, 1);
    model.receive(QByteArray("\x01\xAA\x02", 3) + c.left(2));
    EXPECT_EQ(model.available(), 0);
    model.receive(c.mid(2));
    EXPECT_EQ(model.received.size(), 1u);
    EXPECT_EQ(model.outputs, 0x20);
}

TEST(InstrumentModel, MeasurementEndsAfterTheStopTime)
{
    InstrumentModel model;
    model.setStopTimeMs(200.0);
    model.receive(command(CmdStartMeasurement, 0x80, 0));
    model.takeOutput(6);
    model.elapse(199);
    EXPECT_TRUE(model.running());
    EXPECT_EQ(model.available(), 0);
    model.elapse(1);
    EXPECT_FALSE(model.running());
    const QByteArray f = model.takeOutput(100);
    ASSERT_EQ(f.size(), kMeasurementFrameSize);
    const auto *b = reinterpret_cast<const quint8 *>(f.constData());
    EXPECT_EQ(b[0], kFrameStart);
    EXPECT_EQ(b[1], kMeasurementMarker);
    EXPECT_TRUE(checksumValid(b, 6));
    // The program's conversion with the instrument's factors gives the stop time back.
    const quint32 count = calibrateCount(count24(b[2], b[3], b[4]), model.calibMultiplier(), model.calibDivisor());
    EXPECT_NEAR(countToMs(count), 200.0, 0.0008);
}

TEST(InstrumentModel, CanAnswerTheStartCommandWithTheResult)
{
    InstrumentModel model;
    model.setCalibrationFactors(1, 1);
    model.setStopTimeMs(8.0);
    model.answerStartAtOnce = true;
    model.receive(command(CmdStartMeasurement, 0, 0));
    EXPECT_EQ(model.takeOutput(100).toHex(), frame(buildReplyFrame(0xFF, 0x00, 0x27, 0x10)).toHex());
    model.elapse(1000);
    EXPECT_EQ(model.available(), 0);
}

TEST(InstrumentModel, ReplyFaults)
{
    struct Case { InstrumentModel::ReplyFault fault; qsizetype size; bool valid; };
    const Case cases[] = {
        {InstrumentModel::ReplyFault::NoReply, 0, false},
        {InstrumentModel::ReplyFault::Short, 3, false},
        {InstrumentModel::ReplyFault::BadChecksum, 6, false},
    };
    for (const Case &c : cases) {
        InstrumentModel model;
        model.injectReplyFault(CmdReadRegister, c.fault, 2);
        for (int i = 0; i < 2; ++i) {
            model.receive(command(CmdReadRegister, 20, 0));
            const QByteArray r = model.takeOutput(100);
            EXPECT_EQ(r.size(), c.size);
            if (r.size() == 6) {
                EXPECT_FALSE(checksumValid(reinterpret_cast<const quint8 *>(r.constData()), 6));
            }
        }
        model.receive(command(CmdConnectionCheck, 1, 2)); // other commands unaffected
        EXPECT_EQ(model.takeOutput(100).size(), 6);
        model.receive(command(CmdReadRegister, 20, 0)); // and the fault is used up
        EXPECT_EQ(model.takeOutput(100).size(), 6);
    }
}

TEST(InstrumentModel, SplitFrameArrivesAfterItsFirstPartIsRead)
{
    InstrumentModel model;
    model.sendRaw(QByteArray("\x00\x01\x02", 3));
    model.finishMeasurement(100.0, 3);
    EXPECT_EQ(model.available(), 6);
    EXPECT_EQ(model.takeOutput(100).size(), 6);
    EXPECT_EQ(model.available(), 3);
    EXPECT_EQ(model.takeOutput(100).size(), 3);
}

TEST(InstrumentModel, UnplugDropsEverythingInFlight)
{
    InstrumentModel model;
    const quint32 before = model.connection();
    model.receive(command(CmdSwitchOutput, 0x80, 1));
    model.setStopTimeMs(50);
    model.receive(command(CmdStartMeasurement, 0, 0));
    model.unplug();
    EXPECT_FALSE(model.isPlugged());
    EXPECT_NE(model.connection(), before);
    EXPECT_EQ(model.available(), 0);
    EXPECT_EQ(model.outputs, 0);
    model.elapse(100);
    model.receive(command(CmdConnectionCheck, 1, 2));
    EXPECT_EQ(model.available(), 0);
    model.plug();
    model.receive(command(CmdConnectionCheck, 1, 2));
    EXPECT_EQ(model.available(), 6);

    model.unplugAtCommand = 2;
    model.receive(command(CmdConnectionCheck, 1, 2) + command(CmdConnectionCheck, 3, 4));
    EXPECT_FALSE(model.isPlugged());
}

} // namespace
