// The main window's wiring to the device session, against the instrument
// model: what the tick, a run, an identification and a calibration notice
// show, and the release settings read from the controls.  The faults of the
// link itself are the session's tests.
#include "ProgramFixture.h"

#include "state/ProgramState.h"
#include "device/DeviceSession.h"
#include "device/SimulatorBackend.h"

#include <QCheckBox>
#include <QFrame>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QTableView>
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

TEST_F(MainFormDevice, TickReachesTheStatusBarTheBeaconAndStart)
{
    model.unplug();
    TMainForm &main = start();

    tick();
    EXPECT_EQ(main.statusText(), QStringLiteral("No Zirk device found!"));
    EXPECT_EQ(beacon(), BeaconOff);
    EXPECT_FALSE(main.SB_Start->isEnabled());

    model.plug();
    tick();
    EXPECT_EQ(main.statusText(), QStringLiteral("Zirk Device found..."));

    tick(); // identification
    EXPECT_EQ(beacon(), BeaconReady);
    EXPECT_TRUE(main.Panel2->isEnabled());
    EXPECT_TRUE(main.GroupBox1->isEnabled());
    EXPECT_FALSE(main.SB_Start->isEnabled()); // until the next tick says ready

    tick();
    EXPECT_EQ(main.statusText(), QStringLiteral("Zirk Device ready. / SN: 5A102300014B7C / Last Calibration: 9/6/2026"));
    EXPECT_TRUE(main.SB_Start->isEnabled());

    model.unplug();
    tick();
    EXPECT_EQ(main.statusText(), QStringLiteral("No Zirk device found!"));
    EXPECT_EQ(beacon(), BeaconOff);
    EXPECT_FALSE(main.SB_Start->isEnabled());
    EXPECT_TRUE(fake.dialogs.errors.empty());
    EXPECT_TRUE(fake.dialogs.questions.empty());
}

TEST_F(MainFormDevice, AMeasurementReachesTheSeriesAndTheList)
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
    EXPECT_EQ(main.LW_data->model()->rowCount(), 0);
    EXPECT_TRUE(runOpen());

    model.elapse(200);
    tick();
    ASSERT_EQ(state().stopTimes().size(), 1u);
    EXPECT_NEAR(state().stopTimes()[0], 187.3, 0.001);
    EXPECT_EQ(main.LW_data->model()->rowCount(), 1);
    EXPECT_EQ(beacon(), BeaconReady);
    EXPECT_FALSE(runOpen());
    EXPECT_TRUE(main.SB_Start->isEnabled());
}

TEST_F(MainFormDevice, StartReadsTheReleaseSettingsFromTheControls)
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

TEST_F(MainFormDevice, IdentificationReachesTheAboutBoxAndTheSeries)
{
    connect(); // the model's own instrument

    EXPECT_EQ(state().AboutDeviceLines,
              (QStringList{QStringLiteral("SS Speed: 10 mm/s"), QStringLiteral("SN: 5A102300014B7C"),
                           QStringLiteral("Last Calibration (D/M/Y): 9/6/2026"),
                           QStringLiteral("Firmware version: 5.3"),
                           QStringLiteral("Debug Data: 0F42D60F42400004D2")}));
    // The empty series will be measured with this instrument.
    EXPECT_EQ(state().instrument().serialNumber, QStringLiteral("5A102300014B7C"));
    EXPECT_EQ(state().instrument().standstillSpeed, 10);
    EXPECT_TRUE(state().instrument().calibrated);
}

TEST_F(MainFormDevice, CalibrationNoticeIsAMessageBox)
{
    model.setCalibrationDate(9, 12, 2024); // 730 days before the fake today
    fake.dialogs.confirmAnswers = {mrOk};
    connect();
    tick(3);
    EXPECT_EQ(fake.dialogs.questions, std::vector<QString>{QStringLiteral("Device should be calibrated!")});
    EXPECT_TRUE(form().SB_Start->isEnabled()); // a notice, not a lock

    model.unplug();
    tick();
    model.plug();
    tick(3);
    EXPECT_EQ(fake.dialogs.questions.size(), 2u);
}

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
