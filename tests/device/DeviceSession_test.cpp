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
