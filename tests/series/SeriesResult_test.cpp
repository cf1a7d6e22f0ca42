#include "series/SeriesResult.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <vector>

namespace {

const double kNaN = std::numeric_limits<double>::quiet_NaN();

std::vector<double> flat(std::size_t n, double ms)
{
    return std::vector<double>(n, ms);
}

} // namespace

TEST(SeriesResult, DistanceOfEveryKindFromTheGoverningTime)
{
    struct Case
    {
        const char *name;
        qint32 kind;
        double parameter;
        bool nonIndustrial;
        double expectedMm; // NaN: no distance
    };
    // 100 ms throughout: the maximum governs, T = 0.1 s.
    const Case cases[] = {
        {"vlc d=14", KindVerticalLightCurtain, 14, false, Vypocet_VLC(0.1, 14)},
        {"vlc non-industrial", KindVerticalLightCurtain, 14, true, Vypocet_VLC_Non_Industrial(0.1, 14)},
        {"hlc H=300", KindHorizontalLightCurtain, 300, false, Vypocet_HLC(0.1, 300)},
        {"scanner H=300", KindSafetyScanner, 300, false, Vypocet_Scanner(0.1, 300)},
        {"two-hand takes no input", KindTwoHandControl, kNaN, false, vypocet_TwoHand(0.1)},
        {"e-stop takes no input", KindEmergencyStop, kNaN, false, vypocet_EStop(0.1)},
        {"door C=850", KindDoor, 850, false, vypocet_Door(0.1, 850)},
        {"mat h=0", KindPressureSensitiveMat, 0, false, vypocet_Mat(0.1, 0)},
        {"non-industrial ignored outside the vlc", KindHorizontalLightCurtain, 300, true, Vypocet_HLC(0.1, 300)},
        {"input no number", KindDoor, kNaN, false, kNaN},
        {"vlc input no number", KindVerticalLightCurtain, kNaN, false, kNaN},
        {"unknown kind", 7, 14, false, kNaN},
        {"negative kind", -1, 14, false, kNaN},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.name);
        const SafetyDevice device = SafetyDevice::ofKind(c.kind, c.parameter, c.nonIndustrial);
        const SeriesResult r = computeSeriesResult(flat(10, 100.0), device);
        ASSERT_TRUE(r.statistics);
        EXPECT_EQ(r.governing, GoverningStatistic::Maximum);
        ASSERT_TRUE(r.governingMs);
        EXPECT_EQ(*r.governingMs, 100.0);
        if (std::isnan(c.expectedMm)) {
            EXPECT_FALSE(r.distanceMm);
            EXPECT_FALSE(r.distanceInch);
        } else {
            ASSERT_TRUE(r.distanceMm);
            EXPECT_EQ(*r.distanceMm, c.expectedMm);
            ASSERT_TRUE(r.distanceInch);
            EXPECT_EQ(*r.distanceInch, c.expectedMm / 25.4);
        }
    }
}

TEST(SeriesResult, NoGoverningTimeOrDistanceUnderTenValues)
{
    const SafetyDevice device = SafetyDevice::ofKind(KindEmergencyStop, std::nullopt);
    for (const std::size_t n : {std::size_t(0), std::size_t(1), std::size_t(9)}) {
        SCOPED_TRACE(n);
        const SeriesResult r = computeSeriesResult(flat(n, 100.0), device);
        EXPECT_EQ(r.statistics.has_value(), n > 0);
        EXPECT_EQ(r.governing, GoverningStatistic::None);
        EXPECT_FALSE(r.governingMs);
        EXPECT_FALSE(r.distanceMm);
    }
    EXPECT_TRUE(computeSeriesResult(flat(10, 100.0), device).distanceMm);
}

TEST(SeriesResult, MeanPlusThreeSigmaGovernsOnlyAboveTheMaximum)
{
    // Nine at 100 and one at 200: mean 110, sigma 31.62, mean + 3 sigma
    // 204.87 lies above the maximum and gives the longer distance.
    std::vector<double> outlier = flat(9, 100.0);
    outlier.push_back(200.0);
    const SafetyDevice device = SafetyDevice::ofKind(KindEmergencyStop, std::nullopt);
    const SeriesResult r = computeSeriesResult(outlier, device);
    EXPECT_EQ(r.governing, GoverningStatistic::MeanPlus3Sigma);
    ASSERT_TRUE(r.governingMs);
    EXPECT_EQ(*r.governingMs, r.statistics->meanPlus3Sigma);
    EXPECT_EQ(*r.distanceMm, vypocet_EStop(r.statistics->meanPlus3Sigma / 1000.0));

    // Equal values: sigma 0, the maximum governs.
    EXPECT_EQ(computeSeriesResult(flat(12, 123.4), device).governing, GoverningStatistic::Maximum);
}

TEST(SafetyDeviceRecord, ParameterFieldOfEachKind)
{
    struct Case
    {
        qint32 kind;
        double SafetyDevice::*field; // nullptr: the kind takes no input
        bool stored;
    };
    const Case cases[] = {
        {KindVerticalLightCurtain, &SafetyDevice::d, true},
        {KindHorizontalLightCurtain, &SafetyDevice::Height, true},
        {KindSafetyScanner, &SafetyDevice::Height, true},
        {KindTwoHandControl, nullptr, false},
        {KindEmergencyStop, nullptr, false},
        {KindDoor, &SafetyDevice::C, false},
        {KindPressureSensitiveMat, &SafetyDevice::StepHeight, false},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.kind);
        SafetyDevice device;
        device.ID = c.kind;
        device.setParameter(42.0);
        if (c.field) {
            EXPECT_EQ(device.*c.field, 42.0);
            EXPECT_EQ(device.parameter(), 42.0);
        } else {
            EXPECT_EQ(device.parameter(), 0.0);
        }
        EXPECT_EQ(kindHasParameter(c.kind), c.field != nullptr);
        EXPECT_EQ(kindParameterIsStored(c.kind), c.stored);
    }
}

// A stop time or distance that is infinite or NaN is no result: never
// "inf mm" as a safety distance, and never the greater of a maximum and a
// NaN taken for the governing time.
TEST(SeriesResult, NothingThatIsNotFiniteIsAResult)
{
    const double kInf = std::numeric_limits<double>::infinity();
    std::vector<double> overflow = flat(5, 1e308); // the sums leave the range of a double
    overflow.insert(overflow.end(), 5, -1e308);
    std::vector<double> withNaN = flat(9, 100.0);
    withNaN.insert(withNaN.begin() + 4, kNaN);
    std::vector<double> withInfinity = flat(9, 100.0);
    withInfinity.push_back(kInf);
    struct Case
    {
        const char *name;
        std::vector<double> values;
        qint32 kind;
        double parameter;
        GoverningStatistic governing;
    };
    const Case cases[] = {
        {"sums beyond the range of a double", overflow, KindVerticalLightCurtain, 14, GoverningStatistic::None},
        {"a NaN among the values", withNaN, KindVerticalLightCurtain, 14, GoverningStatistic::None},
        {"an infinite value", withInfinity, KindEmergencyStop, kNaN, GoverningStatistic::None},
        // The stop time is fine, the distance K T + C is not.
        {"a door's C of infinity", flat(10, 100.0), KindDoor, kInf, GoverningStatistic::Maximum},
        {"a height H of minus infinity", flat(10, 100.0), KindHorizontalLightCurtain, -kInf,
         GoverningStatistic::Maximum},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.name);
        const SeriesResult r = computeSeriesResult(c.values, SafetyDevice::ofKind(c.kind, c.parameter));
        ASSERT_TRUE(r.statistics);
        EXPECT_TRUE(r.enoughValues());
        EXPECT_TRUE(r.notFinite);
        EXPECT_EQ(r.governing, c.governing);
        EXPECT_EQ(r.governingMs.has_value(), c.governing != GoverningStatistic::None);
        EXPECT_FALSE(r.distanceMm);
        EXPECT_FALSE(r.distanceInch);
        if (c.governing == GoverningStatistic::None) {
            EXPECT_FALSE(finiteGoverningMs(*r.statistics));
        }
    }
    const SeriesResult fine = computeSeriesResult(flat(10, 100.0), SafetyDevice::ofKind(KindVerticalLightCurtain, 14));
    EXPECT_FALSE(fine.notFinite);
    EXPECT_EQ(finiteGoverningMs(*fine.statistics), 100.0);
    // Under ten values nothing is computed from the governing time, yet it
    // is not taken from a NaN either.
    EXPECT_FALSE(finiteGoverningMs(*computeSeriesResult({1.0, kNaN}, SafetyDevice()).statistics));
}

TEST(SeriesResult, TheChosenStandardGivesTheDistanceItsStepsAndTheVerdict)
{
    // The published cases, measured as a series: the governing time stands
    // for T, Ts or Ts + Tc.
    DistanceChoice ansi = DistanceChoice::of(QStringLiteral("ansi-b11.19"));
    ansi.trMs = 59;
    ansi.brakeMonitorMs = 225;
    ansi.kMmPerS = 63 * 25.4;
    ansi.installedMm = 532; // 0.66 mm short
    DistanceChoice ansiMetric = DistanceChoice::of(QStringLiteral("ansi-b11.19"));
    ansiMetric.trMs = 10;
    ansiMetric.brakeMonitorMs = 100;
    ansiMetric.installedMm = 199;
    DistanceChoice osha = DistanceChoice::of(QStringLiteral("osha-1910.217"));
    DistanceChoice unknown = DistanceChoice::of(QStringLiteral("iso13855-2031"));
    struct Case
    {
        const char *name;
        double ms;
        SafetyDevice device;
        DistanceChoice choice;
        double expectedMm; // NaN: no distance
        double toleranceMm;
        int verdict; // -1 none, 0 closer, 1 meets
    };
    const Case cases[] = {
        {"ISO 13855:2010 by default", 320, SafetyDevice::ofKind(KindVerticalLightCurtain, 14.0), {}, 512, 0, -1},
        {"ANSI, inches", 190, SafetyDevice::ofKind(KindVerticalLightCurtain, 30.0), ansi, 20.97 * 25.4, 0.13, 0},
        {"ANSI, millimetres", 60, SafetyDevice::ofKind(KindVerticalLightCurtain, 14.0), ansiMetric, 199.8, 0.05, 0},
        {"OSHA", 500, SafetyDevice::ofKind(KindTwoHandControl, std::nullopt), osha, 31.5 * 25.4, 1e-9, -1},
        {"a standard this program does not know", 100, SafetyDevice::ofKind(KindEmergencyStop, std::nullopt),
         unknown, kNaN, 0, -1},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.name);
        const SeriesResult r = computeSeriesResult(flat(10, c.ms), c.device, c.choice);
        if (std::isnan(c.expectedMm)) {
            EXPECT_FALSE(r.distanceMm);
            EXPECT_FALSE(r.notFinite);
            EXPECT_FALSE(r.distance.noDistanceReason.isEmpty());
            continue;
        }
        ASSERT_TRUE(r.distanceMm);
        EXPECT_NEAR(*r.distanceMm, c.expectedMm, c.toleranceMm);
        // The result's numbers are the standard's, with its steps.
        EXPECT_EQ(r.distanceMm, r.distance.distanceMm);
        EXPECT_EQ(r.distanceInch, r.distance.distanceInch);
        EXPECT_EQ(r.standard, c.choice.standard());
        ASSERT_FALSE(r.distance.values.empty());
        EXPECT_EQ(r.distance.values.front().origin, ValueOrigin::Measured);
        EXPECT_EQ(r.distance.verdict.has_value(), c.verdict >= 0);
        if (r.distance.verdict) {
            EXPECT_EQ(r.distance.verdict->meets, c.verdict == 1);
        }
    }
    // Under ten values there is neither a distance nor a verdict.
    const SeriesResult nine = computeSeriesResult(flat(9, 190.0), SafetyDevice::ofKind(0, 30.0), ansi);
    EXPECT_FALSE(nine.distanceMm);
    EXPECT_FALSE(nine.distance.verdict);
}
