// The device link of the main window against the instrument model: the
// tick's states, identification, calibration notice and measurement runs.
#include "ProgramFixture.h"

#include "state/ProgramState.h"
#include "device/DeviceSession.h"
#include "device/SimulatorBackend.h"

#include <QCheckBox>
#include <QFrame>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QTimer>
#include <QToolButton>

namespace {

using Received = InstrumentModel::ReceivedCommand;

class MainFormDevice : public ProgramFixture
{
protected:
    void SetUp() override
    {
        ProgramFixture::SetUp();
        // Calibrated half a year before the fake clock's today (2026-12-09).
        model.setCalibrationDate(9, 6, 2026);
        fake.platform.device = &backend;
    }

    TMainForm &form() { return *program->mainForm(); }
    const DeviceInfo &info() { return form().deviceSession().info(); }

    // Three ticks: found, identified, ready.
    void connect()
    {
        start();
        tick(3);
        ASSERT_TRUE(info().Pripojeno);
        ASSERT_TRUE(form().SB_Start->isEnabled());
    }

    void tick(int times = 1)
    {
        for (int i = 0; i < times; ++i) {
            form().Timer1Timer();
            ASSERT_TRUE(form().Timer1->isActive()) << "the tick must come back";
        }
    }

    int beacon()
    {
        const QImage shown = form().Image_Semafor->pixmap().toImage();
        for (int i = 0; i < form().IL_semafor.size(); ++i) {
            if (form().IL_semafor[i].toImage() == shown)
                return i;
        }
        return -1;
    }

    bool runOpen() { return !form().Panel2->isEnabled() && !form().GroupBox1->isEnabled(); }

    InstrumentModel model;
    SimulatorBackend backend{model};
};

TEST_F(MainFormDevice, TickStatesFromNoDeviceToReadyAndBack)
{
    model.unplug();
    TMainForm &main = start();

    tick();
    EXPECT_EQ(main.statusText(), QStringLiteral("No Zirk device found!"));
    EXPECT_EQ(beacon(), BeaconOff);
    EXPECT_FALSE(main.SB_Start->isEnabled());
    EXPECT_FALSE(info().Pripojeno);

    model.plug();
    tick();
    EXPECT_EQ(main.statusText(), QStringLiteral("Zirk Device found..."));
    EXPECT_FALSE(info().Pripojeno);
    EXPECT_EQ(backend.readTimeout, 300u);
    EXPECT_EQ(backend.writeTimeout, 300u);
    EXPECT_EQ(backend.baudRate, 57600u);
    EXPECT_EQ(backend.wordLength, FT_BITS_8);
    EXPECT_EQ(backend.stopBits, FT_STOP_BITS_1);
    EXPECT_EQ(backend.parity, FT_PARITY_NONE);
    EXPECT_EQ(backend.flowControl, FT_FLOW_NONE);

    tick(); // identification
    EXPECT_TRUE(info().Pripojeno);
    EXPECT_EQ(beacon(), BeaconReady);
    EXPECT_TRUE(main.Panel2->isEnabled());
    EXPECT_EQ(model.outputs, 0x80);
    EXPECT_FALSE(main.SB_Start->isEnabled()); // until the next tick says ready

    tick();
    EXPECT_EQ(main.statusText(), QStringLiteral("Zirk Device ready. / SN: 5A102300014B7C / Last Calibration: 9/6/2026"));
    EXPECT_TRUE(main.SB_Start->isEnabled());

    model.unplug();
    tick();
    EXPECT_EQ(main.statusText(), QStringLiteral("No Zirk device found!"));
    EXPECT_EQ(beacon(), BeaconOff);
    EXPECT_FALSE(main.SB_Start->isEnabled());
    EXPECT_FALSE(info().Pripojeno);
    EXPECT_EQ(info().SN, QStringLiteral("5A102300014B7C")); // kept after removal

    model.plug();
    tick(3);
    EXPECT_TRUE(info().Pripojeno);
    EXPECT_EQ(main.statusText(), QStringLiteral("Zirk Device ready. / SN: 5A102300014B7C / Last Calibration: 9/6/2026"));
    EXPECT_TRUE(main.SB_Start->isEnabled());
    EXPECT_EQ(backend.opens, 2);
    EXPECT_TRUE(fake.dialogs.errors.empty()); // transport failures never show a box
    EXPECT_TRUE(fake.dialogs.questions.empty());
}

TEST_F(MainFormDevice, WithoutAnyTransportNoDeviceIsFound)
{
    fake.platform.device = nullptr;
    start();
    tick();
    EXPECT_EQ(form().statusText(), QStringLiteral("No Zirk device found!"));
    EXPECT_TRUE(fake.dialogs.errors.empty());
}

TEST_F(MainFormDevice, ReplugWithinOneTickKeepsTheIdentification)
{
    connect();
    const std::size_t commands = model.received.size();
    model.unplug();
    model.plug();
    tick();
    EXPECT_EQ(form().statusText(), QStringLiteral("Zirk Device found..."));
    EXPECT_TRUE(info().Pripojeno);
    tick();
    EXPECT_EQ(model.received.size(), commands); // no new identification
    EXPECT_TRUE(form().SB_Start->isEnabled());
}

TEST_F(MainFormDevice, IdentificationReadsTheRegisterMap)
{
    model.setSerialNumber({0x01, 0x02, 0x03, 0x0A, 0x0B, 0x0C, 0xFF});
    model.setStandstillPeriod(0x0C35);
    model.setFirmware(5, 7);
    model.setCalibrationDate(5, 7, 2025);
    model.setCalibrationFactors(0x0F4256, 0x0F4240);
    model.setStartCounter(0x00ABCD);
    connect();

    EXPECT_EQ(info().SN, QStringLiteral("0102030A0B0CFF"));
    EXPECT_EQ(info().SS_Speed, 50);
    EXPECT_EQ(info().Firmware_MainVersion, 5);
    EXPECT_EQ(info().Firmware_SubVersion, 7);
    EXPECT_EQ(info().LastCalib_day, 5);
    EXPECT_EQ(info().LastCalib_Month, 7);
    EXPECT_EQ(info().LastCalib_Year, 2025);
    EXPECT_EQ(info().Calib_Nasobitel, 0x0F4256u);
    EXPECT_EQ(info().Calib_Delitel, 0x0F4240u);
    EXPECT_EQ(info().Pocet_Spusteni, 0x00ABCDu);
    EXPECT_TRUE(info().Calibrated);
    EXPECT_EQ(form().statusText(), QStringLiteral("Zirk Device ready. / SN: 0102030A0B0CFF / Last Calibration: 5/7/2025"));
    EXPECT_EQ(state().AboutDeviceLines,
              (QStringList{QStringLiteral("SS Speed: 50 mm/s"), QStringLiteral("SN: 0102030A0B0CFF"),
                           QStringLiteral("Last Calibration (D/M/Y): 5/7/2025"),
                           QStringLiteral("Firmware version: 5.7"),
                           QStringLiteral("Debug Data: 0F42560F424000ABCD")}));

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

TEST_F(MainFormDevice, OneFailedOutputTestCommandStillSendsAllAndRetriesNextTick)
{
    start();
    tick();
    model.injectReplyFault(CmdSwitchOutput, InstrumentModel::ReplyFault::NoReply);
    tick();
    EXPECT_FALSE(info().Pripojeno);
    EXPECT_EQ(model.received.size(), 1u + 36u);
    EXPECT_EQ(beacon(), BeaconOff);
    tick();
    EXPECT_TRUE(info().Pripojeno);
    EXPECT_EQ(beacon(), BeaconReady);
}

TEST_F(MainFormDevice, BrokenRepliesFailTheIdentificationQuietly)
{
    struct Case { quint8 command; InstrumentModel::ReplyFault fault; };
    const Case cases[] = {
        {CmdConnectionCheck, InstrumentModel::ReplyFault::NoReply},
        {CmdReadRegister, InstrumentModel::ReplyFault::Short},
        {CmdReadRegister, InstrumentModel::ReplyFault::BadChecksum},
    };
    start();
    tick();
    for (const Case &c : cases) {
        model.injectReplyFault(c.command, c.fault);
        tick();
        EXPECT_FALSE(info().Pripojeno) << int(c.command);
        EXPECT_EQ(form().statusText(), QStringLiteral("Zirk Device found..."));
    }
    tick();
    EXPECT_TRUE(info().Pripojeno);
    EXPECT_TRUE(fake.dialogs.errors.empty());
}

TEST_F(MainFormDevice, UnpluggedDuringIdentification)
{
    start();
    tick();
    model.unplugAtCommand = 20; // in the middle of the output test
    tick();
    EXPECT_FALSE(info().Pripojeno);
    EXPECT_EQ(model.received.size(), 20u); // the rest failed without reaching it
    tick();
    EXPECT_EQ(form().statusText(), QStringLiteral("No Zirk device found!"));
    model.plug();
    tick(3);
    EXPECT_TRUE(info().Pripojeno);
}

TEST_F(MainFormDevice, StandstillPeriodZeroStoresZeroAndGoesOn)
{
    model.setStandstillPeriod(0);
    connect();
    EXPECT_EQ(info().SS_Speed, 0);
    EXPECT_EQ(state().AboutDeviceLines.value(0), QStringLiteral("SS Speed: 0 mm/s"));
}

TEST_F(MainFormDevice, CalibrationRegistersWithoutADateCountAsNotCalibrated)
{
    model.setCalibrationDate(0, 6, 2026);
    fake.dialogs.confirmAnswers = {mrOk};
    connect();
    EXPECT_FALSE(info().Calibrated);
    EXPECT_EQ(fake.dialogs.questions, std::vector<QString>{QStringLiteral("Device should be calibrated!")});
}

TEST_F(MainFormDevice, ExpiredCalibrationIsNoticedOncePerIdentification)
{
    model.setCalibrationDate(9, 12, 2024); // 730 days before the fake today
    connect();
    tick(3);
    EXPECT_FALSE(info().Calibrated);
    EXPECT_EQ(fake.dialogs.questions.size(), 1u);
    EXPECT_TRUE(form().SB_Start->isEnabled()); // a notice, not a lock

    model.unplug();
    tick();
    model.plug();
    tick(3);
    EXPECT_EQ(fake.dialogs.questions.size(), 2u);
}

TEST_F(MainFormDevice, CalibrationLimitsToTheDay)
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
    start();
    for (const Case &c : cases) {
        fake.dialogs.questions.clear();
        fake.clock.current = c.now;
        form().deviceSession().kontrola_vyprseni_kalibrace(quint16(c.calibrated.year()), quint16(c.calibrated.month()),
                                           quint16(c.calibrated.day()), c.firmware, 0);
        EXPECT_EQ(info().Calibrated, c.valid) << c.calibrated.toString().toStdString();
        EXPECT_EQ(fake.dialogs.questions.size(), c.valid ? 0u : 1u);
    }
}

TEST_F(MainFormDevice, FullRunWithAMeasurementFrame)
{
    model.setStopTimeMs(187.3);
    connect();
    TMainForm &main = form();
    main.Edit_Distance->setText(QStringLiteral("300"));
    main.CheckBox_Distance->setChecked(true);
    main.CheckBox_Speed->setChecked(true);
    const std::size_t before = model.received.size();
    main.SB_Start->click();

    ASSERT_EQ(model.received.size(), before + 2);
    EXPECT_EQ(model.received[before], (Received{CmdSetReleaseDistance, 0x09, 0x60}));
    EXPECT_EQ(model.received[before + 1], (Received{CmdStartMeasurement, 0xC0, 0}));
    EXPECT_EQ(beacon(), BeaconRunning);
    EXPECT_TRUE(runOpen());

    tick();
    EXPECT_TRUE(state().stopTimes().empty());
    EXPECT_TRUE(runOpen());

    model.elapse(200);
    tick();
    ASSERT_EQ(state().stopTimes().size(), 1u);
    EXPECT_NEAR(state().stopTimes()[0], 187.3, 0.001);
    EXPECT_EQ(beacon(), BeaconReady);
    EXPECT_FALSE(runOpen());
    EXPECT_TRUE(main.SB_Start->isEnabled());
}

TEST_F(MainFormDevice, StartAnsweredWithTheResultAtOnce)
{
    model.setCalibrationFactors(1, 1);
    model.setStopTimeMs(8.0);
    model.answerStartAtOnce = true;
    connect();
    form().SB_StartClick();
    ASSERT_EQ(state().stopTimes().size(), 1u);
    EXPECT_DOUBLE_EQ(state().stopTimes()[0], 8.0);
    EXPECT_EQ(beacon(), BeaconReady);
    EXPECT_FALSE(runOpen());
}

TEST_F(MainFormDevice, StartSendsTheReleaseSettings)
{
    struct Case
    {
        const char *distance;
        bool byDistance, bySpeed, directionChange;
        quint8 high, low, flags;
        bool distanceStaysChecked;
    };
    const Case cases[] = {
        {"300", true, true, false, 0x09, 0x60, 0xC0, true},
        {"-5", true, false, false, 0x00, 0x00, 0x80, true},
        {"9000", true, false, false, 0xFA, 0x00, 0x80, true},
        {" 8000 ", false, false, true, 0xFA, 0x00, 0x20, false},
        {"", true, true, false, 0x00, 0x00, 0x40, false},
        {"12.5", true, false, true, 0x00, 0x00, 0x20, false},
        {"abc", true, false, false, 0x00, 0x00, 0x00, false},
    };
    connect();
    TMainForm &main = form();
    for (const Case &c : cases) {
        main.Edit_Distance->setText(QString::fromLatin1(c.distance));
        main.CheckBox_Distance->setChecked(c.byDistance);
        main.CheckBox_Speed->setChecked(c.bySpeed);
        state().appSettings.DirectionChangeDetection = c.directionChange;
        const std::size_t before = model.received.size();
        main.SB_StartClick();
        ASSERT_EQ(model.received.size(), before + 2) << c.distance;
        EXPECT_EQ(model.received[before], (Received{CmdSetReleaseDistance, c.high, c.low})) << c.distance;
        EXPECT_EQ(model.received[before + 1], (Received{CmdStartMeasurement, c.flags, 0})) << c.distance;
        EXPECT_EQ(main.CheckBox_Distance->isChecked(), c.distanceStaysChecked) << c.distance;
        model.finishMeasurement(100);
        tick();
        EXPECT_FALSE(runOpen());
    }
}

TEST_F(MainFormDevice, FailedDistanceCommandStartsNoRun)
{
    connect();
    const std::size_t before = model.received.size();
    model.injectReplyFault(CmdSetReleaseDistance, InstrumentModel::ReplyFault::BadChecksum);
    form().SB_StartClick();
    EXPECT_EQ(model.received.size(), before + 1); // no start command
    EXPECT_EQ(beacon(), BeaconReady);
    EXPECT_FALSE(runOpen());
}

TEST_F(MainFormDevice, FailedStartCommandWaitsForTheFrame)
{
    model.setStopTimeMs(50);
    connect();
    model.injectReplyFault(CmdStartMeasurement, InstrumentModel::ReplyFault::Short);
    form().SB_StartClick();
    EXPECT_EQ(beacon(), BeaconRunning);
    EXPECT_TRUE(runOpen());
    model.elapse(60);
    tick();
    EXPECT_EQ(state().stopTimes().size(), 1u);
    EXPECT_FALSE(runOpen());
}

TEST_F(MainFormDevice, UnpluggedDuringARun)
{
    connect();
    form().SB_StartClick();
    model.unplug();
    tick();
    EXPECT_EQ(beacon(), BeaconOff);
    EXPECT_TRUE(runOpen()); // until the instrument is identified again
    model.plug();
    tick(2);
    EXPECT_FALSE(runOpen());
    EXPECT_TRUE(state().stopTimes().empty());
}

TEST_F(MainFormDevice, MeasurementsArriveWithoutARunThroughNoiseAndSplitFrames)
{
    model.setCalibrationFactors(1, 1);
    connect();
    model.sendRaw(QByteArray("\x13\x37\x00", 3));
    model.finishMeasurement(8.0, 3);
    model.finishMeasurement(12.0);
    tick(); // junk and the first half
    EXPECT_TRUE(state().stopTimes().empty());
    tick(); // the rest, and the second frame behind it
    EXPECT_EQ(state().stopTimes(), (std::vector<double>{8.0, 12.0}));
    tick(2);
    EXPECT_EQ(state().stopTimes().size(), 2u);
}

TEST_F(MainFormDevice, FrameWaitingWhenStartIsPressedIsNotPurged)
{
    model.setCalibrationFactors(1, 1);
    model.setStopTimeMs(20.0);
    connect();
    model.finishMeasurement(8.0); // the machine was tripped by hand a moment ago
    form().SB_StartClick();
    tick();
    EXPECT_EQ(state().stopTimes(), (std::vector<double>{8.0}));
    model.elapse(20);
    tick();
    EXPECT_EQ(state().stopTimes(), (std::vector<double>{8.0, 20.0}));
}

// --- faults of the link, each against the states of the link ---

TEST_F(MainFormDevice, UnpluggedBetweenTheStartCommandAndItsReply)
{
    model.setStopTimeMs(50);
    connect();
    model.unplugAtCommand = 2; // command 5 is answered, command 4 arrives and the cable goes
    form().SB_StartClick();
    EXPECT_EQ(model.received.back().command, CmdStartMeasurement);
    EXPECT_EQ(beacon(), BeaconRunning);
    EXPECT_TRUE(runOpen());

    model.elapse(100); // the instrument is off: no frame is ever sent
    tick();
    EXPECT_EQ(form().statusText(), QStringLiteral("No Zirk device found!"));
    EXPECT_EQ(beacon(), BeaconOff);
    EXPECT_FALSE(form().SB_Start->isEnabled());
    EXPECT_FALSE(info().Pripojeno);
    EXPECT_TRUE(runOpen());

    model.plug();
    tick(3);
    EXPECT_TRUE(info().Pripojeno);
    EXPECT_EQ(beacon(), BeaconReady);
    EXPECT_FALSE(runOpen());
    EXPECT_TRUE(form().SB_Start->isEnabled());
    EXPECT_TRUE(state().stopTimes().empty());
    EXPECT_TRUE(fake.dialogs.errors.empty());

    // The next run works as if nothing had happened.
    form().SB_StartClick();
    model.elapse(100);
    tick();
    EXPECT_EQ(state().stopTimes().size(), 1u);
}

TEST_F(MainFormDevice, UnpluggedBetweenTheDistanceCommandAndItsReplyStartsNoRun)
{
    connect();
    model.unplugAtCommand = 1;
    form().SB_StartClick();
    EXPECT_EQ(model.received.back().command, CmdSetReleaseDistance);
    EXPECT_EQ(beacon(), BeaconReady);
    EXPECT_FALSE(runOpen());
    tick();
    EXPECT_EQ(beacon(), BeaconOff);
    EXPECT_FALSE(runOpen());
}

TEST_F(MainFormDevice, ReplugWithAnotherInstrumentIdentifiesIt)
{
    model.setCalibrationFactors(1, 1);
    connect();
    model.finishMeasurement(8.0);
    tick();
    ASSERT_EQ(state().stopTimes(), (std::vector<double>{8.0}));

    model.unplug();
    tick();
    ASSERT_FALSE(info().Pripojeno);
    // Another instrument: other serial number, firmware, calibration and factors.
    model.setSerialNumber({0x11, 0x22, 0x33, 0x44, 0x55, 0x66, 0x77});
    model.setFirmware(4, 1);
    model.setCalibrationDate(1, 3, 2025); // older than a year for firmware 4
    model.setCalibrationFactors(1001, 1000);
    fake.dialogs.confirmAnswers = {mrOk};
    model.plug();
    tick(3);

    EXPECT_TRUE(info().Pripojeno);
    EXPECT_EQ(info().SN, QStringLiteral("11223344556677"));
    EXPECT_EQ(info().Firmware_MainVersion, 4);
    EXPECT_EQ(info().Calib_Nasobitel, 1001u);
    EXPECT_FALSE(info().Calibrated);
    EXPECT_EQ(fake.dialogs.questions, std::vector<QString>{QStringLiteral("Device should be calibrated!")});
    EXPECT_EQ(form().statusText(),
              QStringLiteral("Zirk Device ready. / SN: 11223344556677 / Last Calibration: 1/3/2025"));
    EXPECT_EQ(state().AboutDeviceLines.value(1), QStringLiteral("SN: 11223344556677"));

    // Its counts go through its own factors; the earlier value stays.
    model.finishMeasurement(10.0);
    tick();
    ASSERT_EQ(state().stopTimes().size(), 2u);
    EXPECT_DOUBLE_EQ(state().stopTimes()[0], 8.0);
    EXPECT_NEAR(state().stopTimes()[1], 10.0, 0.001);
}

// Every command of the link with each way its reply can go wrong.
TEST_F(MainFormDevice, EveryCommandWithAMissingShortOrBrokenReply)
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
    start();
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
            EXPECT_FALSE(info().Pripojeno);
            EXPECT_EQ(form().statusText(), QStringLiteral("Zirk Device found..."));
            EXPECT_EQ(beacon(), BeaconOff);
            EXPECT_FALSE(form().SB_Start->isEnabled());
            tick(2);
            EXPECT_TRUE(info().Pripojeno);
            EXPECT_TRUE(form().SB_Start->isEnabled());
        } else {
            tick();
            ASSERT_TRUE(info().Pripojeno);
            model.injectReplyFault(c.command, c.fault);
            const std::size_t sent = model.received.size();
            form().SB_StartClick();
            if (c.command == CmdSetReleaseDistance) {
                // No run without the distance: nothing changed, Start again.
                EXPECT_EQ(model.received.size(), sent + 1);
                EXPECT_EQ(beacon(), BeaconReady);
                EXPECT_FALSE(runOpen());
            } else {
                // The run is open; its frame ends it.
                EXPECT_EQ(beacon(), BeaconRunning);
                EXPECT_TRUE(runOpen());
                model.elapse(50);
                tick();
                ++values;
                EXPECT_EQ(beacon(), BeaconReady);
                EXPECT_FALSE(runOpen());
            }
        }
        EXPECT_EQ(state().stopTimes().size(), values);
    }
    EXPECT_EQ(state().stopTimes(), std::vector<double>(values, 40.0));
    EXPECT_TRUE(fake.dialogs.errors.empty());
}

// The quick machine's result travels only in the reply to the start
// command: when that reply is spoilt the value is gone with it, and the
// run stays open until the instrument is identified anew.
TEST_F(MainFormDevice, SpoiltReplyCarryingTheResultLeavesTheRunOpenUntilReplug)
{
    model.answerStartAtOnce = true;
    connect();
    model.injectReplyFault(CmdStartMeasurement, InstrumentModel::ReplyFault::BadChecksum);
    form().SB_StartClick();
    EXPECT_TRUE(runOpen());
    tick(3);
    EXPECT_TRUE(runOpen());
    EXPECT_TRUE(state().stopTimes().empty());
    model.unplug();
    tick();
    model.plug();
    tick(3);
    EXPECT_FALSE(runOpen());
    EXPECT_TRUE(state().stopTimes().empty());
}

// Junk, stray replies and frames cut anywhere: every whole frame arrives
// once, in order.
TEST_F(MainFormDevice, EveryWholeFrameArrivesOnceThroughJunkAndSplits)
{
    model.setCalibrationFactors(1, 1);
    connect();
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
    EXPECT_EQ(state().stopTimes(), (std::vector<double>{8.0, 12.0, 16.0, 20.0}));
    EXPECT_EQ(beacon(), BeaconReady);
}

// The start of a frame read before the cable came out stays in the receive
// buffer; it must not take the first frame of the instrument plugged next.
TEST_F(MainFormDevice, HalfFrameFromBeforeAnUnplugLosesNothingAfterIt)
{
    model.setCalibrationFactors(1, 1);
    connect();
    model.finishMeasurement(8.0, 3);
    tick(); // the first three bytes are read, the rest is on its way
    model.unplug();
    tick();
    model.plug();
    tick(3);
    model.finishMeasurement(12.0);
    model.finishMeasurement(16.0);
    tick();
    EXPECT_EQ(state().stopTimes(), (std::vector<double>{12.0, 16.0}));
}

// The machine stops while the program is talking to the instrument: the
// measurement frame comes between a command and its reply.  It is neither
// taken for the reply nor lost.
TEST_F(MainFormDevice, MeasurementBetweenACommandAndItsReply)
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
        if (!program)
            start();
        model.unplug();
        tick();
        model.plug();
        model.measureAtCommand = c.command;
        model.measureAtCommandMs = 8.0;
        state().clear();
        tick(4); // found, identified, ready, the frame
        EXPECT_TRUE(info().Pripojeno);
        EXPECT_EQ(info().SN, QStringLiteral("0102030A0B0CFF"));
        EXPECT_EQ(info().Calib_Nasobitel, 1001u);
        EXPECT_EQ(info().Calib_Delitel, 1000u);
        ASSERT_EQ(state().stopTimes().size(), 1u);
        EXPECT_NEAR(state().stopTimes()[0], 8.0, 0.001);
    }
}

TEST_F(MainFormDevice, MeasurementBetweenTheDistanceCommandAndItsReply)
{
    model.setCalibrationFactors(1, 1);
    model.setStopTimeMs(20.0);
    connect();
    model.measureAtCommand = 1;
    model.measureAtCommandMs = 8.0;
    form().SB_StartClick();
    EXPECT_EQ(model.received.back().command, CmdStartMeasurement);
    model.elapse(20);
    tick();
    EXPECT_EQ(state().stopTimes(), (std::vector<double>{8.0, 20.0}));
    EXPECT_FALSE(runOpen());
}

// A result in the reply to the start command is the newest measurement:
// frames that arrived before it and still wait for the tick come first.
TEST_F(MainFormDevice, ResultInTheStartReplyKeepsTheOrderOfArrival)
{
    model.setCalibrationFactors(1, 1);
    connect();
    model.finishMeasurement(8.0); // the machine was tripped by hand just before Start
    model.measureAtCommand = 2;   // and stops again as the start command arrives
    model.measureAtCommandMs = 12.0;
    form().SB_StartClick();
    EXPECT_EQ(state().stopTimes(), (std::vector<double>{8.0, 12.0}));
    tick();
    EXPECT_EQ(state().stopTimes(), (std::vector<double>{8.0, 12.0}));
}

// A short reply and a measurement right behind it: the read of the reply
// takes the frame's first bytes.  They are not lost with the reply.
TEST_F(MainFormDevice, FrameBehindAShortReplyIsNotLost)
{
    struct Case { const char *what; quint8 command; int at; };
    const Case cases[] = {
        {"identification, register read", CmdReadRegister, 38}, // the first one
        {"identification, output switch", CmdSwitchOutput, 2},
        {"start, distance", CmdSetReleaseDistance, 1},
    };
    model.setCalibrationFactors(1, 1);
    model.setStopTimeMs(20.0);
    start();
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
            ASSERT_TRUE(info().Pripojeno);
        }
        model.injectReplyFault(c.command, InstrumentModel::ReplyFault::Short);
        model.measureAtCommand = c.at;
        model.measureAtCommandMs = 8.0;
        model.measureAfterTheReply = true;
        if (!identification)
            form().SB_StartClick(); // fails on the short reply: no run
        tick(5);
        expected.push_back(8.0);
        EXPECT_TRUE(info().Pripojeno);
        EXPECT_EQ(state().stopTimes(), expected);
    }
}

} // namespace

namespace {

// The instrument on the line is the session's; opening a file, or the demo,
// never changes what the session knows of it.
TEST_F(MainFormDevice, NeitherAFailedOpenNorTheDemoTouchesTheInstrumentOnTheLine)
{
    model.setCalibrationFactors(1001, 1000);
    connect();
    const QString ready = QStringLiteral("Zirk Device ready. / SN: 5A102300014B7C / Last Calibration: 9/6/2026");
    ASSERT_EQ(form().statusText(), ready);

    // A name that does not open: the message, and nothing else changes.
    fake.dialogs.fileAnswers = {tempDir.filePath(QStringLiteral("gone.zPRJ"))};
    form().submenu_OpenClick();
    EXPECT_EQ(fake.dialogs.questions, std::vector<QString>{QStringLiteral("Invalid/Corrupted file!")});
    tick();
    EXPECT_EQ(form().statusText(), ready);
    EXPECT_EQ(info().SN, QStringLiteral("5A102300014B7C"));
    EXPECT_EQ(info().LastCalib_Year, 2026);
    EXPECT_EQ(state().instrument().serialNumber, QStringLiteral("5A102300014B7C"));

    // A demo value, then a measured one: the measured count still goes
    // through the instrument's own factors.
    form().Btn_DemoClick();
    EXPECT_EQ(info().Calib_Nasobitel, 1001u);
    EXPECT_EQ(info().Calib_Delitel, 1000u);
    model.finishMeasurement(10.0);
    tick();
    ASSERT_EQ(state().stopTimes().size(), 2u);
    EXPECT_NEAR(state().stopTimes()[1], 10.0, 0.001);
    // The series names the instrument that measured it.
    EXPECT_EQ(state().instrument().serialNumber, QStringLiteral("5A102300014B7C"));
    EXPECT_TRUE(state().instrument().calibrated);
}

} // namespace
