// The program state as the only owner of the series, the accepted safety
// device and their result: every change through a method, every change a
// signal, and the list model follows row by row as Qt's contract asks.
#include "series/StopTimesModel.h"
#include "state/ProgramState.h"

#include <QAbstractItemModelTester>
#include <QSignalSpy>
#include <gtest/gtest.h>

namespace {

std::vector<double> tenOf(double ms)
{
    return std::vector<double>(10, ms);
}

TEST(ProgramStateSeries, TheListModelFollowsEveryChangeUnderQtsModelTester)
{
    ProgramState state;
    StopTimesModel model(state.stopTimes());
    followSeries(state, model);
    // Fails the test on any breach of the model contract (rows announced
    // before they exist, counts that do not add up, ...).
    QAbstractItemModelTester tester(&model, QAbstractItemModelTester::FailureReportingMode::Fatal);
    QSignalSpy inserted(&model, &QAbstractItemModel::rowsInserted);
    QSignalSpy removed(&model, &QAbstractItemModel::rowsRemoved);
    QSignalSpy reset(&model, &QAbstractItemModel::modelReset);

    state.append(100.0);
    state.append({110.0, 120.0, 130.0});
    state.append(std::vector<double>{}); // nothing: no signal
    ASSERT_EQ(inserted.size(), 2);
    EXPECT_EQ(inserted[1].at(1).toInt(), 1);
    EXPECT_EQ(inserted[1].at(2).toInt(), 3);
    EXPECT_EQ(model.rowCount(), 4);

    // The last row goes as a removal; one before it renumbers the rows
    // below, which the list takes anew.
    state.removeAt(3);
    state.removeAt(7);  // out of range: nothing
    state.removeAt(-1); // nothing
    ASSERT_EQ(removed.size(), 1);
    EXPECT_EQ(removed[0].at(1).toInt(), 3);
    state.removeAt(1);
    EXPECT_EQ(reset.size(), 1);
    EXPECT_EQ(state.stopTimes(), (std::vector<double>{100.0, 120.0}));
    EXPECT_EQ(model.index(1, 0).data().toString(), QStringLiteral("2"));
    EXPECT_EQ(model.index(1, 1).data().toString().trimmed(), QStringLiteral("120.0"));

    state.replace({1.0, 2.0});
    state.clear();
    EXPECT_EQ(reset.size(), 3);
    EXPECT_EQ(model.rowCount(), 0);
}

TEST(ProgramStateResult, IsRecomputedForEveryChangeOfTheSeriesOrTheAcceptedDevice)
{
    ProgramState state;
    state.setSafetyDevice(SafetyDevice::selected(KindVerticalLightCurtain, 14.0));
    QSignalSpy results(&state, &ProgramState::resultChanged);

    state.replace(tenOf(100.0));
    ASSERT_EQ(state.result().distanceMm, 200.0);
    state.setSafetyDevice(SafetyDevice::selected(KindTwoHandControl, std::nullopt));
    EXPECT_EQ(state.result().distanceMm, 1600 * 0.1 + 250);
    // The same device again is no change.
    state.setSafetyDevice(SafetyDevice::selected(KindTwoHandControl, std::nullopt));
    state.removeAt(0);
    EXPECT_FALSE(state.result().distanceMm) << "nine values give no distance";
    EXPECT_EQ(results.size(), 3);
}

TEST(ProgramStateResult, IsRecomputedByTheChosenStandardWithItsVerdict)
{
    ProgramState state;
    state.setSafetyDevice(SafetyDevice::selected(KindTwoHandControl, std::nullopt));
    state.replace(tenOf(500.0));
    QSignalSpy results(&state, &ProgramState::resultChanged);
    QSignalSpy choices(&state, &ProgramState::distanceChoiceChanged);

    DistanceChoice osha = DistanceChoice::of(QStringLiteral("osha-1910.217"));
    osha.installedMm = 800.0; // 31.5 in = 800.1 mm
    state.setDistanceChoice(osha);
    ASSERT_TRUE(state.result().distanceInch);
    EXPECT_DOUBLE_EQ(*state.result().distanceInch, 31.5);
    EXPECT_EQ(state.result().standard, osha.standard());
    ASSERT_TRUE(state.result().distance.verdict);
    EXPECT_FALSE(state.result().distance.verdict->meets);
    // The same choice again is no change.
    state.setDistanceChoice(osha);
    EXPECT_EQ(results.size(), 1);
    EXPECT_EQ(choices.size(), 1);

    // A whole measurement brings its own choice.
    Measurement opened = state.measurement();
    opened.distanceChoice = DistanceChoice();
    state.setMeasurement(opened);
    EXPECT_EQ(state.result().standard, &defaultDistanceStandard());
    EXPECT_EQ(state.result().distanceMm, 1600 * 0.5 + 250);
    EXPECT_EQ(choices.size(), 2);
}

// No distance looks the same whatever the reason: none, never -1 or 0 or
// the number of an earlier series.
TEST(ProgramStateResult, AnInputThatIsNoneGivesNoDistance)
{
    struct Case
    {
        const char *name;
        SafetyDevice device;
    };
    SafetyDevice vlcMinusOne = SafetyDevice::selected(KindVerticalLightCurtain, std::nullopt);
    SafetyDevice hlcNaN = SafetyDevice::ofKind(KindHorizontalLightCurtain, std::nullopt);
    SafetyDevice hlcMinusOne = SafetyDevice::selected(KindHorizontalLightCurtain, std::nullopt);
    SafetyDevice doorNaN = SafetyDevice::selected(KindDoor, std::nullopt);
    const Case cases[] = {
        {"d of -1 (not applicable, or no number typed)", vlcMinusOne},
        {"H no number", hlcNaN},
        {"H of -1", hlcMinusOne},
        {"C no number", doorNaN},
        {"a kind outside the seven", SafetyDevice::selected(9, 14.0)},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.name);
        ProgramState state;
        state.setSafetyDevice(SafetyDevice::selected(KindVerticalLightCurtain, 14.0));
        state.replace(tenOf(100.0));
        ASSERT_TRUE(state.result().distanceMm);
        state.setSafetyDevice(c.device);
        EXPECT_FALSE(state.result().distanceMm);
        EXPECT_FALSE(c.device.parameter());
    }
}

TEST(ProgramStateMeasurement, TakesAWholeMeasurementAndKeepsWhoMeasuredItAndWhen)
{
    ProgramState state;
    Measurement m;
    m.stopTimes = tenOf(100.0);
    m.instrument = {QStringLiteral("ZK-1"), 10, 2026, 3, 4, true};
    m.safetyDevice = SafetyDevice::selected(KindSafetyScanner, 300.0);
    m.machineId = QStringLiteral("Press 4");
    m.lastValueAt = QDateTime(QDate(2026, 3, 4), QTime(10, 0), Qt::UTC);
    m.pictures[1].note = QStringLiteral("rear");
    QSignalSpy devices(&state, &ProgramState::safetyDeviceChanged);
    state.setMeasurement(m);
    EXPECT_EQ(devices.size(), 1);
    EXPECT_EQ(state.measurement().stopTimes, m.stopTimes);
    EXPECT_EQ(state.instrument(), m.instrument);
    EXPECT_EQ(state.safetyDevice(), m.safetyDevice);
    EXPECT_EQ(state.lastValueAt(), m.lastValueAt);
    EXPECT_EQ(state.pictureSlot(2).note, QStringLiteral("rear"));
    EXPECT_EQ(state.result().distanceMm, m.result().distanceMm);

    // A measured value brings its instrument and time along.
    const QDateTime later(QDate(2026, 3, 5), QTime(9, 0), Qt::UTC);
    state.appendMeasured(101.0, {QStringLiteral("ZK-2"), 12, 2026, 1, 1, true}, later);
    EXPECT_EQ(state.instrument().serialNumber, QStringLiteral("ZK-2"));
    EXPECT_EQ(state.lastValueAt(), later);
    // An emptied series has no time of its own any more.
    state.clear();
    EXPECT_FALSE(state.lastValueAt().isValid());
}

} // namespace
