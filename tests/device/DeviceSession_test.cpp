// The device session against the instrument model, with no window: what it
// tells its owner through its signals, and what it fills in DeviceInfo.
#include "device/DeviceSession.h"

#include "FakePlatform.h"
#include "device/DeviceTexts.h"
#include "device/Protocol.h"
#include "device/SimulatorBackend.h"

#include <QTimer>
#include <gtest/gtest.h>

namespace {

using Received = InstrumentModel::ReceivedCommand;

// No beacon state told yet: the owner still shows the beacon off.
constexpr int kBeaconUntold = -1;

class DeviceSessionTest : public ::testing::Test
{
protected:
    DeviceSessionTest()
    {
        // Calibrated half a year before the fake clock's today (2026-12-09).
        model.setCalibrationDate(9, 6, 2026);
        session.setStatusTexts({QStringLiteral("none"), QStringLiteral("found"), QStringLiteral("ready")});
        QObject::connect(&session, &DeviceSession::stopTimeArrived, [this](double ms) { arrived.push_back(ms); });
        QObject::connect(&session, &DeviceSession::statusTextChanged,
                         [this](const QString &text) { status = text; });
        QObject::connect(&session, &DeviceSession::beaconChanged, [this](quint8 b) { beacon = b; });
        QObject::connect(&session, &DeviceSession::startEnabledChanged, [this](bool on) { startEnabled = on; });
        QObject::connect(&session, &DeviceSession::runControlsEnabledChanged,
                         [this](bool on) { runControls = on; });
        QObject::connect(&session, &DeviceSession::identified, [this](const DeviceInfo &identifiedAs) {
            ++identifications;
            lastIdentified = identifiedAs;
        });
        QObject::connect(&session, &DeviceSession::calibrationDue, [this] { ++calibrationNotices; });
    }

    void tick(int times = 1)
    {
        for (int i = 0; i < times; ++i) {
            session.Timer1Timer();
            ASSERT_TRUE(session.Timer1->isActive()) << "the tick must come back";
        }
    }

    // Three ticks: found, identified, ready.
    void connectInstrument()
    {
        tick(3);
        ASSERT_TRUE(info.Pripojeno);
        ASSERT_TRUE(startEnabled);
    }

    bool runOpen() const { return !runControls; }

    InstrumentModel model;
    SimulatorBackend backend{model};
    FakeDialogs dialogs;
    FakeClock clock;
    DeviceSession session{&backend, &dialogs, clock};
    const DeviceInfo &info = session.info();

    std::vector<double> arrived;
    QString status;
    int beacon = kBeaconUntold;
    bool startEnabled = false;
    bool runControls = false;
    int identifications = 0;
    DeviceInfo lastIdentified; // as the identification told it
    int calibrationNotices = 0;
};

// The release settings as a fresh installation has them: 100 mm, neither
// release on, no direction change detection.
const RunRequest kPlainRun{100, false, false, false};

} // namespace

TEST_F(DeviceSessionTest, TickFindsIdentifiesAndReportsReady)
{
    model.unplug();
    tick();
    EXPECT_EQ(status, QStringLiteral("none"));
    EXPECT_EQ(beacon, BeaconOff);
    EXPECT_FALSE(startEnabled);
    EXPECT_FALSE(info.Pripojeno);

    model.plug();
    tick();
    EXPECT_EQ(status, QStringLiteral("found"));
    EXPECT_FALSE(info.Pripojeno);
    EXPECT_EQ(backend.readTimeout, 300u);
    EXPECT_EQ(backend.writeTimeout, 300u);
    EXPECT_EQ(backend.baudRate, 57600u);
    EXPECT_EQ(backend.wordLength, FT_BITS_8);
    EXPECT_EQ(backend.stopBits, FT_STOP_BITS_1);
    EXPECT_EQ(backend.parity, FT_PARITY_NONE);
    EXPECT_EQ(backend.flowControl, FT_FLOW_NONE);

    tick(); // identification
    EXPECT_TRUE(info.Pripojeno);
    EXPECT_EQ(identifications, 1);
    EXPECT_EQ(calibrationNotices, 0);
    EXPECT_EQ(beacon, BeaconReady);
    EXPECT_TRUE(runControls);
    EXPECT_EQ(model.outputs, 0x80);
    EXPECT_EQ(info.SN, QStringLiteral("5A102300014B7C"));
    EXPECT_EQ(info.LastCalib_Year, 2026);
    EXPECT_TRUE(info.Calibrated);
    EXPECT_FALSE(startEnabled); // until the next tick says ready

    tick();
    EXPECT_EQ(status, QStringLiteral("ready / SN: 5A102300014B7C / Last Calibration: 9/6/2026"));
    EXPECT_TRUE(startEnabled);

    model.unplug();
    tick();
    EXPECT_EQ(status, QStringLiteral("none"));
    EXPECT_EQ(beacon, BeaconOff);
    EXPECT_FALSE(startEnabled);
    EXPECT_FALSE(info.Pripojeno);
    EXPECT_EQ(info.SN, QStringLiteral("5A102300014B7C")); // kept after removal

    model.plug();
    tick(3);
    EXPECT_TRUE(info.Pripojeno);
    EXPECT_EQ(status, QStringLiteral("ready / SN: 5A102300014B7C / Last Calibration: 9/6/2026"));
    EXPECT_TRUE(startEnabled);
    EXPECT_EQ(backend.opens, 2);
    EXPECT_EQ(identifications, 2);
    EXPECT_EQ(calibrationNotices, 0);
    EXPECT_TRUE(dialogs.errors.empty()); // transport failures never show a box
    EXPECT_TRUE(dialogs.questions.empty());
}

TEST_F(DeviceSessionTest, WithoutAnyTransportNoDeviceIsFound)
{
    DeviceSession bare(nullptr, &dialogs, clock);
    bare.setStatusTexts({QStringLiteral("none"), QStringLiteral("found"), QStringLiteral("ready")});
    QObject::connect(&bare, &DeviceSession::statusTextChanged, [this](const QString &text) { status = text; });
    bare.Timer1Timer();
    EXPECT_EQ(status, QStringLiteral("none"));
    EXPECT_FALSE(bare.info().Pripojeno);
    EXPECT_TRUE(dialogs.errors.empty());
}

TEST_F(DeviceSessionTest, ReplugWithinOneTickKeepsTheIdentification)
{
    connectInstrument();
    const std::size_t commands = model.received.size();
    model.unplug();
    model.plug();
    tick();
    EXPECT_EQ(status, QStringLiteral("found"));
    EXPECT_TRUE(info.Pripojeno);
    tick();
    EXPECT_EQ(model.received.size(), commands); // no new identification
    EXPECT_EQ(identifications, 1);
    EXPECT_TRUE(startEnabled);
}

TEST_F(DeviceSessionTest, IdentificationReadsTheRegisterMap)
{
    model.setSerialNumber({0x01, 0x02, 0x03, 0x0A, 0x0B, 0x0C, 0xFF});
    model.setStandstillPeriod(0x0C35);
    model.setFirmware(5, 7);
    model.setCalibrationDate(5, 7, 2025);
    model.setCalibrationFactors(0x0F4256, 0x0F4240);
    model.setStartCounter(0x00ABCD);
    connectInstrument();

    EXPECT_EQ(info.SN, QStringLiteral("0102030A0B0CFF"));
    EXPECT_EQ(info.SS_Speed, 50);
    EXPECT_EQ(info.Firmware_MainVersion, 5);
    EXPECT_EQ(info.Firmware_SubVersion, 7);
    EXPECT_EQ(info.LastCalib_day, 5);
    EXPECT_EQ(info.LastCalib_Month, 7);
    EXPECT_EQ(info.LastCalib_Year, 2025);
    EXPECT_EQ(info.Calib_Nasobitel, 0x0F4256u);
    EXPECT_EQ(info.Calib_Delitel, 0x0F4240u);
    EXPECT_EQ(info.Pocet_Spusteni, 0x00ABCDu);
    EXPECT_TRUE(info.Calibrated);
    EXPECT_EQ(status, QStringLiteral("ready / SN: 0102030A0B0CFF / Last Calibration: 5/7/2025"));
    // The identification hands on all it read, the calibration judged.
    ASSERT_EQ(identifications, 1);
    EXPECT_EQ(aboutDeviceLines(lastIdentified),
              (QStringList{QStringLiteral("SS Speed: 50 mm/s"), QStringLiteral("SN: 0102030A0B0CFF"),
                           QStringLiteral("Last Calibration (D/M/Y): 5/7/2025"),
                           QStringLiteral("Firmware version: 5.7"),
                           QStringLiteral("Debug Data: 0F42560F424000ABCD")}));
    EXPECT_TRUE(lastIdentified.Calibrated);
    EXPECT_TRUE(lastIdentified.Pripojeno);

    // The command sequence: connection check, 36 output switches, the
    // registers in order, output 0x80 on.
    std::vector<Received> expected;
    ASSERT_FALSE(model.received.empty());
    EXPECT_EQ(model.received[0].command, CmdConnectionCheck);
    EXPECT_LT(model.received[0].byte1, 255);
    EXPECT_LT(model.received[0].byte2, 255);
    expected.push_back(model.received[0]);
    for (int pass = 0; pass < 3; ++pass)
        for (quint8 output : {0x80, 0x40, 0x20})
            for (int twice = 0; twice < 2; ++twice) {
                expected.push_back({CmdSwitchOutput, output, 1});
                expected.push_back({CmdSwitchOutput, output, 0});
            }
    for (quint8 reg : {0, 1, 11, 12, 13, 14, 15, 16, 17, 20, 21, 24, 25, 26, 27, 28, 29, 30, 31, 32, 33, 34, 35, 36})
        expected.push_back({CmdReadRegister, reg, 0});
    expected.push_back({CmdSwitchOutput, 0x80, 1});
    EXPECT_EQ(model.received, expected);
}

TEST_F(DeviceSessionTest, OneFailedOutputTestCommandStillSendsAllAndRetriesNextTick)
{
    tick();
    model.injectReplyFault(CmdSwitchOutput, InstrumentModel::ReplyFault::NoReply);
    tick();
    EXPECT_FALSE(info.Pripojeno);
    EXPECT_EQ(model.received.size(), 1u + 36u);
    EXPECT_EQ(beacon, kBeaconUntold); // never lit
    EXPECT_EQ(identifications, 0);
    tick();
    EXPECT_TRUE(info.Pripojeno);
    EXPECT_EQ(beacon, BeaconReady);
}

TEST_F(DeviceSessionTest, BrokenRepliesFailTheIdentificationQuietly)
{
    struct Case { quint8 command; InstrumentModel::ReplyFault fault; };
    const Case cases[] = {
        {CmdConnectionCheck, InstrumentModel::ReplyFault::NoReply},
        {CmdReadRegister, InstrumentModel::ReplyFault::Short},
        {CmdReadRegister, InstrumentModel::ReplyFault::BadChecksum},
    };
    tick();
    for (const Case &c : cases) {
        model.injectReplyFault(c.command, c.fault);
        tick();
        EXPECT_FALSE(info.Pripojeno) << int(c.command);
        EXPECT_EQ(status, QStringLiteral("found"));
    }
    EXPECT_EQ(identifications, 0);
    tick();
    EXPECT_TRUE(info.Pripojeno);
    EXPECT_TRUE(dialogs.errors.empty());
}

TEST_F(DeviceSessionTest, UnpluggedDuringIdentification)
{
    tick();
    model.unplugAtCommand = 20; // in the middle of the output test
    tick();
    EXPECT_FALSE(info.Pripojeno);
    EXPECT_EQ(model.received.size(), 20u); // the rest failed without reaching it
    tick();
    EXPECT_EQ(status, QStringLiteral("none"));
    model.plug();
    tick(3);
    EXPECT_TRUE(info.Pripojeno);
}

TEST_F(DeviceSessionTest, StandstillPeriodZeroStoresZeroAndGoesOn)
{
    model.setStandstillPeriod(0);
    connectInstrument();
    EXPECT_EQ(info.SS_Speed, 0);
    ASSERT_EQ(identifications, 1);
    EXPECT_EQ(aboutDeviceLines(lastIdentified).value(0), QStringLiteral("SS Speed: 0 mm/s"));
}

TEST_F(DeviceSessionTest, CalibrationRegistersWithoutADateCountAsNotCalibrated)
{
    model.setCalibrationDate(0, 6, 2026);
    connectInstrument();
    EXPECT_FALSE(info.Calibrated);
    EXPECT_EQ(calibrationNotices, 1);
}

TEST_F(DeviceSessionTest, AnOldCalibrationIsReportedOnce)
{
    model.setCalibrationDate(1, 1, 2020);
    tick(3);
    EXPECT_TRUE(info.Pripojeno);
    EXPECT_FALSE(info.Calibrated);
    EXPECT_EQ(calibrationNotices, 1);
    tick(3);
    EXPECT_EQ(calibrationNotices, 1);
}

TEST_F(DeviceSessionTest, ExpiredCalibrationIsNoticedOncePerIdentification)
{
    model.setCalibrationDate(9, 12, 2024); // 730 days before the fake today
    connectInstrument();
    tick(3);
    EXPECT_FALSE(info.Calibrated);
    EXPECT_EQ(calibrationNotices, 1);
    EXPECT_TRUE(startEnabled); // a notice, not a lock

    model.unplug();
    tick();
    model.plug();
    tick(3);
    EXPECT_EQ(calibrationNotices, 2);
}

TEST_F(DeviceSessionTest, CalibrationLimitsToTheDay)
{
    struct Case { quint8 firmware; QDate calibrated; QDateTime now; bool valid; };
    const QTime morning(10, 30);
    const Case cases[] = {
        {5, QDate(2019, 3, 10), QDateTime(QDate(2021, 3, 9), morning), false}, // 730 days
        {5, QDate(2019, 3, 10), QDateTime(QDate(2021, 3, 8), morning), true},  // 729 days
        {4, QDate(2025, 12, 10), QDateTime(QDate(2026, 12, 9), morning), true}, // 364 days
        {4, QDate(2025, 12, 9), QDateTime(QDate(2026, 12, 9), morning), false}, // 365 days
        {6, QDate(2026, 12, 9), QDateTime(QDate(2026, 12, 9), morning), false},
    };
    for (const Case &c : cases) {
        calibrationNotices = 0;
        clock.current = c.now;
        session.kontrola_vyprseni_kalibrace(quint16(c.calibrated.year()), quint16(c.calibrated.month()),
                                            quint16(c.calibrated.day()), c.firmware, 0);
        EXPECT_EQ(info.Calibrated, c.valid) << c.calibrated.toString().toStdString();
        EXPECT_EQ(calibrationNotices, c.valid ? 0 : 1);
    }
}

TEST_F(DeviceSessionTest, RunSendsTheReleaseSettingsAndDeliversTheStopTime)
{
    model.setStopTimeMs(187.3);
    tick(3);
    const std::size_t before = model.received.size();
    session.SB_StartClick({300, true, true, false});
    ASSERT_EQ(model.received.size(), before + 2);
    EXPECT_EQ(model.received[before], (Received{CmdSetReleaseDistance, 0x09, 0x60}));
    EXPECT_EQ(model.received[before + 1], (Received{CmdStartMeasurement, 0xC0, 0}));
    EXPECT_EQ(beacon, BeaconRunning);
    EXPECT_FALSE(runControls);

    tick();
    EXPECT_TRUE(arrived.empty());
    EXPECT_TRUE(runOpen());
    model.elapse(200);
    tick();
    ASSERT_EQ(arrived.size(), 1u);
    EXPECT_NEAR(arrived[0], 187.3, 0.001);
    EXPECT_EQ(beacon, BeaconReady);
    EXPECT_TRUE(runControls);
    EXPECT_TRUE(startEnabled);
}

TEST_F(DeviceSessionTest, ReleaseDistanceText)
{
    struct Case
    {
        const char *text;
        std::optional<int> mm;
    };
    const Case cases[] = {
        {"300", 300}, {" 42 ", 42}, {"9000", 8000}, {"-5", 0}, {"12.5", std::nullopt}, {"", std::nullopt},
        {"abc", std::nullopt},
    };
    for (const Case &c : cases)
        EXPECT_EQ(releaseDistanceMm(QString::fromLatin1(c.text)), c.mm) << c.text;
}

TEST_F(DeviceSessionTest, StartAnsweredWithTheResultAtOnce)
{
    model.setCalibrationFactors(1, 1);
    model.setStopTimeMs(8.0);
    model.answerStartAtOnce = true;
    connectInstrument();
    session.SB_StartClick(kPlainRun);
    ASSERT_EQ(arrived.size(), 1u);
    EXPECT_DOUBLE_EQ(arrived[0], 8.0);
    EXPECT_EQ(beacon, BeaconReady);
    EXPECT_FALSE(runOpen());
}

TEST_F(DeviceSessionTest, StartSendsTheReleaseSettings)
{
    struct Case
    {
        RunRequest request;
        quint8 high, low, flags;
    };
    const Case cases[] = {
        {{300, true, true, false}, 0x09, 0x60, 0xC0},
        {{0, true, false, false}, 0x00, 0x00, 0x80},
        {{8000, true, false, false}, 0xFA, 0x00, 0x80},
        {{8000, false, false, true}, 0xFA, 0x00, 0x20},
        {{0, false, true, false}, 0x00, 0x00, 0x40},
        {{0, false, false, true}, 0x00, 0x00, 0x20},
        {{0, false, false, false}, 0x00, 0x00, 0x00},
    };
    connectInstrument();
    for (const Case &c : cases) {
        SCOPED_TRACE(testing::Message() << c.request.releaseDistanceMm << " mm, flags " << int(c.flags));
        const std::size_t before = model.received.size();
        session.SB_StartClick(c.request);
        ASSERT_EQ(model.received.size(), before + 2);
        EXPECT_EQ(model.received[before], (Received{CmdSetReleaseDistance, c.high, c.low}));
        EXPECT_EQ(model.received[before + 1], (Received{CmdStartMeasurement, c.flags, 0}));
        model.finishMeasurement(100);
        tick();
        EXPECT_FALSE(runOpen());
    }
}

TEST_F(DeviceSessionTest, FailedDistanceCommandStartsNoRun)
{
    connectInstrument();
    const std::size_t before = model.received.size();
    model.injectReplyFault(CmdSetReleaseDistance, InstrumentModel::ReplyFault::BadChecksum);
    session.SB_StartClick(kPlainRun);
    EXPECT_EQ(model.received.size(), before + 1); // no start command
    EXPECT_EQ(beacon, BeaconReady);
    EXPECT_FALSE(runOpen());
}

TEST_F(DeviceSessionTest, FailedStartCommandWaitsForTheFrame)
{
    model.setStopTimeMs(50);
    connectInstrument();
    model.injectReplyFault(CmdStartMeasurement, InstrumentModel::ReplyFault::Short);
    session.SB_StartClick(kPlainRun);
    EXPECT_EQ(beacon, BeaconRunning);
    EXPECT_TRUE(runOpen());
    model.elapse(60);
    tick();
    EXPECT_EQ(arrived.size(), 1u);
    EXPECT_FALSE(runOpen());
}

TEST_F(DeviceSessionTest, UnpluggedDuringARun)
{
    connectInstrument();
    session.SB_StartClick(kPlainRun);
    model.unplug();
    tick();
    EXPECT_EQ(beacon, BeaconOff);
    EXPECT_TRUE(runOpen()); // until the instrument is identified again
    model.plug();
    tick(2);
    EXPECT_FALSE(runOpen());
    EXPECT_TRUE(arrived.empty());
}

TEST_F(DeviceSessionTest, MeasurementsArriveWithoutARunThroughNoiseAndSplitFrames)
{
    model.setCalibrationFactors(1, 1);
    connectInstrument();
    model.sendRaw(QByteArray("\x13\x37\x00", 3));
    model.finishMeasurement(8.0, 3);
    model.finishMeasurement(12.0);
    tick(); // junk and the first half
    EXPECT_TRUE(arrived.empty());
    tick(); // the rest, and the second frame behind it
    EXPECT_EQ(arrived, (std::vector<double>{8.0, 12.0}));
    tick(2);
    EXPECT_EQ(arrived.size(), 2u);
}

TEST_F(DeviceSessionTest, FrameWaitingWhenStartIsPressedIsNotPurged)
{
    model.setCalibrationFactors(1, 1);
    model.setStopTimeMs(20.0);
    connectInstrument();
    model.finishMeasurement(8.0); // the machine was tripped by hand a moment ago
    session.SB_StartClick(kPlainRun);
    tick();
    EXPECT_EQ(arrived, (std::vector<double>{8.0}));
    model.elapse(20);
    tick();
    EXPECT_EQ(arrived, (std::vector<double>{8.0, 20.0}));
}

// --- faults of the link, each against the states of the link ---

TEST_F(DeviceSessionTest, UnpluggedBetweenTheStartCommandAndItsReply)
{
    model.setStopTimeMs(50);
    connectInstrument();
    model.unplugAtCommand = 2; // command 5 is answered, command 4 arrives and the cable goes
    session.SB_StartClick(kPlainRun);
    EXPECT_EQ(model.received.back().command, CmdStartMeasurement);
    EXPECT_EQ(beacon, BeaconRunning);
    EXPECT_TRUE(runOpen());

    model.elapse(100); // the instrument is off: no frame is ever sent
    tick();
    EXPECT_EQ(status, QStringLiteral("none"));
    EXPECT_EQ(beacon, BeaconOff);
    EXPECT_FALSE(startEnabled);
    EXPECT_FALSE(info.Pripojeno);
    EXPECT_TRUE(runOpen());

    model.plug();
    tick(3);
    EXPECT_TRUE(info.Pripojeno);
    EXPECT_EQ(beacon, BeaconReady);
    EXPECT_FALSE(runOpen());
    EXPECT_TRUE(startEnabled);
    EXPECT_TRUE(arrived.empty());
    EXPECT_TRUE(dialogs.errors.empty());

    // The next run works as if nothing had happened.
    session.SB_StartClick(kPlainRun);
    model.elapse(100);
    tick();
    EXPECT_EQ(arrived.size(), 1u);
}

TEST_F(DeviceSessionTest, UnpluggedBetweenTheDistanceCommandAndItsReplyStartsNoRun)
{
    connectInstrument();
    model.unplugAtCommand = 1;
    session.SB_StartClick(kPlainRun);
    EXPECT_EQ(model.received.back().command, CmdSetReleaseDistance);
    EXPECT_EQ(beacon, BeaconReady);
    EXPECT_FALSE(runOpen());
    tick();
    EXPECT_EQ(beacon, BeaconOff);
    EXPECT_FALSE(runOpen());
}

TEST_F(DeviceSessionTest, ReplugWithAnotherInstrumentIdentifiesIt)
{
    model.setCalibrationFactors(1, 1);
    connectInstrument();
    model.finishMeasurement(8.0);
    tick();
    ASSERT_EQ(arrived, (std::vector<double>{8.0}));

    model.unplug();
    tick();
    ASSERT_FALSE(info.Pripojeno);
    // Another instrument: other serial number, firmware, calibration and factors.
    model.setSerialNumber({0x11, 0x22, 0x33, 0x44, 0x55, 0x66, 0x77});
    model.setFirmware(4, 1);
    model.setCalibrationDate(1, 3, 2025); // older than a year for firmware 4
    model.setCalibrationFactors(1001, 1000);
    model.plug();
    tick(3);

    EXPECT_TRUE(info.Pripojeno);
    EXPECT_EQ(info.SN, QStringLiteral("11223344556677"));
    EXPECT_EQ(info.Firmware_MainVersion, 4);
    EXPECT_EQ(info.Calib_Nasobitel, 1001u);
    EXPECT_FALSE(info.Calibrated);
    EXPECT_EQ(calibrationNotices, 1);
    EXPECT_EQ(status, QStringLiteral("ready / SN: 11223344556677 / Last Calibration: 1/3/2025"));
    ASSERT_EQ(identifications, 2);
    EXPECT_EQ(aboutDeviceLines(lastIdentified).value(1), QStringLiteral("SN: 11223344556677"));
    EXPECT_FALSE(lastIdentified.Calibrated);

    // Its counts go through its own factors; the earlier value stays.
    model.finishMeasurement(10.0);
    tick();
    ASSERT_EQ(arrived.size(), 2u);
    EXPECT_DOUBLE_EQ(arrived[0], 8.0);
    EXPECT_NEAR(arrived[1], 10.0, 0.001);
}

// Every command of the link with each way its reply can go wrong.
TEST_F(DeviceSessionTest, EveryCommandWithAMissingShortOrBrokenReply)
{
    using Fault = InstrumentModel::ReplyFault;
    struct Case { quint8 command; Fault fault; };
    std::vector<Case> cases;
    for (const quint8 command : {CmdConnectionCheck, CmdSwitchOutput, CmdReadRegister, CmdSetReleaseDistance,
                                 CmdStartMeasurement})
        for (const Fault fault : {Fault::NoReply, Fault::Short, Fault::BadChecksum})
            cases.push_back({command, fault});

    model.setCalibrationFactors(1, 1);
    model.setStopTimeMs(40.0);
    tick();
    std::size_t values = 0;
    for (const Case &c : cases) {
        SCOPED_TRACE(testing::Message() << "command " << int(c.command) << ", fault " << int(c.fault));
        const bool identification = c.command <= CmdReadRegister;
        if (identification) {
            // A failed identification is silent and made again on the next tick.
            model.unplug();
            tick();
            model.plug();
            tick();
            model.injectReplyFault(c.command, c.fault);
            tick();
            EXPECT_FALSE(info.Pripojeno);
            EXPECT_EQ(status, QStringLiteral("found"));
            EXPECT_EQ(beacon, BeaconOff);
            EXPECT_FALSE(startEnabled);
            tick(2);
            EXPECT_TRUE(info.Pripojeno);
            EXPECT_TRUE(startEnabled);
        } else {
            tick();
            ASSERT_TRUE(info.Pripojeno);
            model.injectReplyFault(c.command, c.fault);
            const std::size_t sent = model.received.size();
            session.SB_StartClick(kPlainRun);
            if (c.command == CmdSetReleaseDistance) {
                // No run without the distance: nothing changed, Start again.
                EXPECT_EQ(model.received.size(), sent + 1);
                EXPECT_EQ(beacon, BeaconReady);
                EXPECT_FALSE(runOpen());
            } else {
                // The run is open; its frame ends it.
                EXPECT_EQ(beacon, BeaconRunning);
                EXPECT_TRUE(runOpen());
                model.elapse(50);
                tick();
                ++values;
                EXPECT_EQ(beacon, BeaconReady);
                EXPECT_FALSE(runOpen());
            }
        }
        EXPECT_EQ(arrived.size(), values);
    }
    EXPECT_EQ(arrived, std::vector<double>(values, 40.0));
    EXPECT_TRUE(dialogs.errors.empty());
}

// The quick machine's result travels only in the reply to the start
// command: when that reply is spoilt the value is gone with it, and the
// run stays open until the instrument is identified anew.
TEST_F(DeviceSessionTest, SpoiltReplyCarryingTheResultLeavesTheRunOpenUntilReplug)
{
    model.answerStartAtOnce = true;
    connectInstrument();
    model.injectReplyFault(CmdStartMeasurement, InstrumentModel::ReplyFault::BadChecksum);
    session.SB_StartClick(kPlainRun);
    EXPECT_TRUE(runOpen());
    tick(3);
    EXPECT_TRUE(runOpen());
    EXPECT_TRUE(arrived.empty());
    model.unplug();
    tick();
    model.plug();
    tick(3);
    EXPECT_FALSE(runOpen());
    EXPECT_TRUE(arrived.empty());
}

// Junk, stray replies and frames cut anywhere: every whole frame arrives
// once, in order.
TEST_F(DeviceSessionTest, EveryWholeFrameArrivesOnceThroughJunkAndSplits)
{
    model.setCalibrationFactors(1, 1);
    connectInstrument();
    const ReplyFrame late = buildReplyFrame(CmdReadRegister, RegFirmwareMain, 5, 0);
    const QByteArray lateReply(reinterpret_cast<const char *>(late.data()), qsizetype(late.size()));
    model.sendRaw(QByteArray("\xAA\x00", 2)); // a start byte that opens no frame
    model.finishMeasurement(8.0, 1);
    model.sendRaw(lateReply, 4);
    model.finishMeasurement(12.0, 5);
    model.sendRaw(QByteArray("\xAA\xFF\x01", 3)); // half a frame
    model.finishMeasurement(16.0, 2);
    model.finishMeasurement(20.0);
    for (int i = 0; i < 8; ++i)
        tick();
    EXPECT_EQ(arrived, (std::vector<double>{8.0, 12.0, 16.0, 20.0}));
    EXPECT_EQ(beacon, BeaconReady);
}

// The start of a frame read before the cable came out stays in the receive
// buffer; it must not take the first frame of the instrument plugged next.
TEST_F(DeviceSessionTest, HalfFrameFromBeforeAnUnplugLosesNothingAfterIt)
{
    model.setCalibrationFactors(1, 1);
    connectInstrument();
    model.finishMeasurement(8.0, 3);
    tick(); // the first three bytes are read, the rest is on its way
    model.unplug();
    tick();
    model.plug();
    tick(3);
    model.finishMeasurement(12.0);
    model.finishMeasurement(16.0);
    tick();
    EXPECT_EQ(arrived, (std::vector<double>{12.0, 16.0}));
}

// The machine stops while the program is talking to the instrument: the
// measurement frame comes between a command and its reply.  It is neither
// taken for the reply nor lost.
TEST_F(DeviceSessionTest, MeasurementBetweenACommandAndItsReply)
{
    struct Case { const char *when; int command; };
    const Case cases[] = {
        {"connection check", 1},
        {"output test", 12},
        {"serial number register", 40},
        {"calibration multiplier register", 56},
        {"last output switch", 62},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.when);
        model.setCalibrationFactors(1001, 1000);
        model.setSerialNumber({0x01, 0x02, 0x03, 0x0A, 0x0B, 0x0C, 0xFF});
        model.unplug();
        tick();
        model.plug();
        model.measureAtCommand = c.command;
        model.measureAtCommandMs = 8.0;
        arrived.clear();
        tick(4); // found, identified, ready, the frame
        EXPECT_TRUE(info.Pripojeno);
        EXPECT_EQ(info.SN, QStringLiteral("0102030A0B0CFF"));
        EXPECT_EQ(info.Calib_Nasobitel, 1001u);
        EXPECT_EQ(info.Calib_Delitel, 1000u);
        ASSERT_EQ(arrived.size(), 1u);
        EXPECT_NEAR(arrived[0], 8.0, 0.001);
    }
}

TEST_F(DeviceSessionTest, MeasurementBetweenTheDistanceCommandAndItsReply)
{
    model.setCalibrationFactors(1, 1);
    model.setStopTimeMs(20.0);
    connectInstrument();
    model.measureAtCommand = 1;
    model.measureAtCommandMs = 8.0;
    session.SB_StartClick(kPlainRun);
    EXPECT_EQ(model.received.back().command, CmdStartMeasurement);
    model.elapse(20);
    tick();
    EXPECT_EQ(arrived, (std::vector<double>{8.0, 20.0}));
    EXPECT_FALSE(runOpen());
}

// A result in the reply to the start command is the newest measurement:
// frames that arrived before it and still wait for the tick come first.
TEST_F(DeviceSessionTest, ResultInTheStartReplyKeepsTheOrderOfArrival)
{
    model.setCalibrationFactors(1, 1);
    connectInstrument();
    model.finishMeasurement(8.0); // the machine was tripped by hand just before Start
    model.measureAtCommand = 2;   // and stops again as the start command arrives
    model.measureAtCommandMs = 12.0;
    session.SB_StartClick(kPlainRun);
    EXPECT_EQ(arrived, (std::vector<double>{8.0, 12.0}));
    tick();
    EXPECT_EQ(arrived, (std::vector<double>{8.0, 12.0}));
}

// A short reply and a measurement right behind it: the read of the reply
// takes the frame's first bytes.  They are not lost with the reply.
TEST_F(DeviceSessionTest, FrameBehindAShortReplyIsNotLost)
{
    struct Case { const char *what; quint8 command; int at; };
    const Case cases[] = {
        {"identification, register read", CmdReadRegister, 38}, // the first one
        {"identification, output switch", CmdSwitchOutput, 2},
        {"start, distance", CmdSetReleaseDistance, 1},
    };
    model.setCalibrationFactors(1, 1);
    model.setStopTimeMs(20.0);
    std::vector<double> expected;
    for (const Case &c : cases) {
        SCOPED_TRACE(c.what);
        const bool identification = c.command != CmdSetReleaseDistance;
        if (identification) {
            model.unplug();
            tick();
            model.plug();
        } else {
            tick(4);
            ASSERT_TRUE(info.Pripojeno);
        }
        model.injectReplyFault(c.command, InstrumentModel::ReplyFault::Short);
        model.measureAtCommand = c.at;
        model.measureAtCommandMs = 8.0;
        model.measureAfterTheReply = true;
        if (!identification)
            session.SB_StartClick(kPlainRun); // fails on the short reply: no run
        tick(5);
        expected.push_back(8.0);
        EXPECT_TRUE(info.Pripojeno);
        EXPECT_EQ(arrived, expected);
    }
}

namespace {

// The instrument sends a measurement at the worst moment of a command: after
// the session has looked at what is waiting and before the command goes out
// (where a purge of the receive queue would clear the way for the reply).
class FrameAtTheCommand : public ForwardingBackend
{
public:
    explicit FrameAtTheCommand(DeviceBackend &inner) : m_inner(inner) {}
    std::function<void()> arrive; // runs once, then is cleared

    FT_STATUS purge(quint32 mask) override
    {
        if (mask & FT_PURGE_RX)
            fire();
        return m_inner.purge(mask);
    }
    FT_STATUS write(const quint8 *data, quint32 count, quint32 &written) override
    {
        fire();
        return m_inner.write(data, count, written);
    }

protected:
    DeviceBackend &target() override { return m_inner; }

private:
    void fire()
    {
        if (const auto now = std::exchange(arrive, nullptr))
            now();
    }
    DeviceBackend &m_inner;
};

class FrameRacingACommand : public ::testing::Test
{
protected:
    FrameRacingACommand()
    {
        model.setCalibrationDate(9, 6, 2026);
        model.setCalibrationFactors(1, 1);
        model.setStopTimeMs(20.0);
        QObject::connect(&session, &DeviceSession::stopTimeArrived, [this](double ms) { arrived.push_back(ms); });
    }
    void tick(int times = 1)
    {
        for (int i = 0; i < times; ++i)
            session.Timer1Timer();
    }

    InstrumentModel model;
    SimulatorBackend simulator{model};
    FrameAtTheCommand backend{simulator};
    FakeDialogs dialogs;
    FakeClock clock;
    DeviceSession session{&backend, &dialogs, clock};
    const DeviceInfo &info = session.info();
    std::vector<double> arrived;
};

} // namespace

// A whole frame that has arrived is never thrown away to make room for a
// reply, whether it comes during identification or as a run is started, in
// one piece or two.
TEST_F(FrameRacingACommand, AFrameArrivingAsACommandGoesOutIsNeverLost)
{
    struct Case
    {
        const char *when;
        bool identification;
        int splitAfter;
    };
    const Case cases[] = {
        {"identification, whole frame", true, 0},
        {"identification, frame in two parts", true, 3},
        {"start of a run, whole frame", false, 0},
        {"start of a run, frame in two parts", false, 2},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.when);
        arrived.clear();
        model.unplug();
        tick();
        model.plug();
        tick(); // found
        backend.arrive = [this, c] { model.finishMeasurement(8.0, c.splitAfter); };
        if (c.identification) {
            tick(); // identification
        } else {
            tick(2);
            ASSERT_TRUE(info.Pripojeno);
            session.SB_StartClick({});
        }
        EXPECT_FALSE(backend.arrive) << "the frame was never sent";
        tick(4);
        model.elapse(20);
        tick(2);
        EXPECT_TRUE(info.Pripojeno);
        ASSERT_FALSE(arrived.empty());
        EXPECT_NEAR(arrived[0], 8.0, 0.001) << "the frame that arrived at the command is lost";
        EXPECT_EQ(arrived.size(), c.identification ? 1u : 2u);
    }
}
