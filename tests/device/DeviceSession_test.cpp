// The device session against the instrument model, with no window: what it
// tells its owner through its signals, and what it fills in DeviceInfo.
#include "device/DeviceSession.h"

#include "FakePlatform.h"
#include "device/Protocol.h"
#include "device/SimulatorBackend.h"

#include <QTimer>
#include <gtest/gtest.h>

namespace {

using Received = InstrumentModel::ReceivedCommand;

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
        QObject::connect(&session, &DeviceSession::identified, [this] { ++identifications; });
        QObject::connect(&session, &DeviceSession::calibrationDue, [this] { ++calibrationNotices; });
    }

    void tick(int times = 1)
    {
        for (int i = 0; i < times; ++i) {
            session.Timer1Timer();
            ASSERT_TRUE(session.Timer1->isActive()) << "the tick must come back";
        }
    }

    InstrumentModel model;
    SimulatorBackend backend{model};
    FakeDialogs dialogs;
    FakeClock clock;
    DeviceSession session{&backend, &dialogs, clock};
    const DeviceInfo &info = session.info();

    std::vector<double> arrived;
    QString status;
    int beacon = -1;
    bool startEnabled = false;
    bool runControls = false;
    int identifications = 0;
    int calibrationNotices = 0;
};

} // namespace

TEST_F(DeviceSessionTest, TickFindsIdentifiesAndReportsReady)
{
    model.unplug();
    tick();
    EXPECT_EQ(status, QStringLiteral("none"));
    EXPECT_EQ(beacon, BeaconOff);
    EXPECT_FALSE(startEnabled);

    model.plug();
    tick();
    EXPECT_EQ(status, QStringLiteral("found"));
    EXPECT_FALSE(info.Pripojeno);

    tick(); // identification
    EXPECT_TRUE(info.Pripojeno);
    EXPECT_EQ(identifications, 1);
    EXPECT_EQ(calibrationNotices, 0);
    EXPECT_EQ(beacon, BeaconReady);
    EXPECT_TRUE(runControls);
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
    EXPECT_FALSE(startEnabled);
    EXPECT_FALSE(info.Pripojeno);
    EXPECT_TRUE(dialogs.errors.empty()); // transport failures never show a box
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
    model.elapse(200);
    tick();
    ASSERT_EQ(arrived.size(), 1u);
    EXPECT_NEAR(arrived[0], 187.3, 0.001);
    EXPECT_EQ(beacon, BeaconReady);
    EXPECT_TRUE(runControls);
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
