// Safety distances from typed text: the calculator's tabs and the advisor's
// rows, in a point and a comma locale.
#include "safety/Calculator.h"

#include <gtest/gtest.h>

namespace {

const QLocale kPoint(QLocale::English, QLocale::UnitedStates);
const QLocale kComma(QLocale::German, QLocale::Germany);

TEST(CalculatorTab, ComputesByTheStandardOfItsOwnChoice)
{
    struct Case
    {
        const char *standard;
        int kind;
        const char *parameter;
        const char *stopTime;
        const char *safety;
        bool reasonGiven; // no distance, and the reason
    };
    const Case cases[] = {
        // 63 in/s x (0.5 s + 20 % of it) + 0 = 37.8 in: Tbm without a brake
        // monitor; 960.12 mm, rounded up to the tenth.
        {"ansi-b11.19", KindTwoHandControl, "", "500", "960.2 mm", false},
        {"osha-1910.217", KindTwoHandControl, "", "500", "800.1 mm", false}, // 31.5 in
        {"iso13855-2010", KindTwoHandControl, "", "500", "1,050.0 mm", false},
        // ISO 13855:2024 reads D_DS of a light curtain from the user, whom the
        // calculator does not ask: no number rather than an invented one.
        {"iso13855-2024", KindVerticalLightCurtain, "14", "100", "-- --- mm", true},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.standard);
        CalculatorInput input;
        input.kind = c.kind;
        input.parameter = QLatin1String(c.parameter);
        input.emitterReceiver = QStringLiteral("600");
        input.stopTime = QLatin1String(c.stopTime);
        input.standard = findDistanceStandard(QString::fromLatin1(c.standard));
        ASSERT_TRUE(input.standard);
        const CalculatorOutcome out = calculateTab(input, kPoint);
        EXPECT_EQ(calculatorResultText(out.safetyDistance, kPoint), QLatin1String(c.safety));
        EXPECT_EQ(!out.noDistanceReason.isEmpty(), c.reasonGiven) << out.noDistanceReason.toStdString();
    }
}

TEST(CalculatorTab, ComputesEveryKindFromItsOwnFields)
{
    struct Case
    {
        const char *what;
        const QLocale &locale;
        int kind;
        const char *parameter;
        const char *emitterReceiver;
        const char *stopTime;
        bool nonIndustrial;
        const char *safety;
        const char *reflecting;
    };
    const Case cases[] = {
        {"light curtain", kPoint, KindVerticalLightCurtain, "14", "600", "100", false, "200.0 mm", "130.0 mm"},
        {"non-industrial", kPoint, KindVerticalLightCurtain, "14", "600", "100", true, "275.0 mm", "130.0 mm"},
        {"tick ignored above 40 mm", kPoint, KindVerticalLightCurtain, "41", "600", "100", true, "1,010.0 mm", "130.0 mm"},
        {"tick honoured at 40 mm", kPoint, KindVerticalLightCurtain, "40", "3001", "100", true, "483.0 mm", "175.0 mm"},
        {"comma locale", kComma, KindVerticalLightCurtain, "41", "15000,5", "100", false, "1.010,0 mm", "655,0 mm"},
        {"empty D", kPoint, KindVerticalLightCurtain, "14", "", "100", false, "-- --- mm", "-- --- mm"},
        {"point in a comma locale", kComma, KindVerticalLightCurtain, "14.5", "600", "100", false, "-- --- mm", "-- --- mm"},
        {"empty stop time", kPoint, KindVerticalLightCurtain, "14", "600", "", false, "-- --- mm", "-- --- mm"},
        {"horizontal curtain", kPoint, KindHorizontalLightCurtain, "100", "", "100", false, "1,320.0 mm", "-- --- mm"},
        {"scanner", kPoint, KindSafetyScanner, "300", "", "100", false, "1,340.0 mm", "-- --- mm"},
        {"scanner without H", kPoint, KindSafetyScanner, " ", "", "100", false, "-- --- mm", "-- --- mm"},
        {"two-hand, parameter ignored", kPoint, KindTwoHandControl, "abc", "", "100", false, "410.0 mm", "-- --- mm"},
        {"emergency stop", kComma, KindEmergencyStop, "", "", "12,5", false, " 20,0 mm", "-- --- mm"},
        {"door", kPoint, KindDoor, "250", "", "100", false, "410.0 mm", "-- --- mm"},
        {"door, C not a number", kPoint, KindDoor, "abc", "", "100", false, "-- --- mm", "-- --- mm"},
        {"mat with step", kPoint, KindPressureSensitiveMat, "100", "", "100", false, "1,320.0 mm", "-- --- mm"},
        // A stop time below zero would take from the distance: refused.
        {"negative stop time refused", kPoint, KindEmergencyStop, "", "", "-100", false, "-- --- mm", "-- --- mm"},
        // 8 (d - 14) is not less than 0.
        {"d below 14", kPoint, KindVerticalLightCurtain, "10", "600", "100", false, "200.0 mm", "130.0 mm"},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.what);
        CalculatorInput input;
        input.kind = c.kind;
        input.parameter = QString::fromLatin1(c.parameter);
        input.emitterReceiver = QString::fromLatin1(c.emitterReceiver);
        input.stopTime = QString::fromLatin1(c.stopTime);
        input.nonIndustrial = c.nonIndustrial;
        const CalculatorOutcome out = calculateTab(input, c.locale);
        EXPECT_EQ(calculatorResultText(out.safetyDistance, c.locale), QString::fromUtf8(c.safety));
        EXPECT_EQ(calculatorResultText(out.reflectingDistance, c.locale), QString::fromUtf8(c.reflecting));
    }
}

TEST(CalculatorTab, OffersTheNonIndustrialChoiceOnlyUpTo40mm)
{
    struct Case { const char *d; bool allowed; };
    const Case cases[] = {{"14", true}, {"40", true}, {"40.5", false}, {"41", false}, {"-3", true}, {"", false}, {"abc", false}};
    for (const Case &c : cases) {
        CalculatorInput input;
        input.parameter = QString::fromLatin1(c.d);
        EXPECT_EQ(calculateTab(input, kPoint).nonIndustrialAllowed, c.allowed) << c.d;
    }
}

TEST(CalculatorTab, ReportsWhichFieldsAreNumbers)
{
    CalculatorInput input;
    input.kind = KindDoor;
    input.parameter = QStringLiteral("abc");
    input.stopTime = QStringLiteral("100");
    const CalculatorOutcome out = calculateTab(input, kPoint);
    EXPECT_FALSE(out.parameter.has_value());
    EXPECT_EQ(out.stopTime, 100.0);
    EXPECT_FALSE(out.emitterReceiver.has_value()); // the door has no D
}

TEST(Advisor, ComparesAllKindsForOneStopTime)
{
    struct Case
    {
        const char *what;
        const QLocale &locale;
        AdvisorInput input;
        const char *rows[SafetyDeviceKindCount];
    };
    const Case cases[] = {
        {"defaults", kPoint, {"100", "14", "100", "300", "0"},
         {"200.0 mm", "1,320.0 mm", "1,340.0 mm", "410.0 mm", "160.0 mm", "160.0 mm", "1,360.0 mm"}},
        {"defaults, comma locale", kComma, {"100", "14", "100", "300", "0"},
         {"200,0 mm", "1.320,0 mm", "1.340,0 mm", "410,0 mm", "160,0 mm", "160,0 mm", "1.360,0 mm"}},
        {"no C", kPoint, {"100", "14", "100", "300", ""},
         {"200.0 mm", "1,320.0 mm", "1,340.0 mm", "410.0 mm", "160.0 mm", "- - -", "1,360.0 mm"}},
        {"no parameters", kPoint, {"100", "x", "", "-", "abc"},
         {"- - -", "- - -", "- - -", "410.0 mm", "160.0 mm", "- - -", "1,360.0 mm"}},
        {"light curtain always industrial", kPoint, {"300", "14", "100", "300", "0"},
         {"500.0 mm", "1,640.0 mm", "1,660.0 mm", "730.0 mm", "480.0 mm", "480.0 mm", "1,680.0 mm"}},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.what);
        const std::optional<AdvisorDistances> d = adviseDistances(c.input, c.locale);
        ASSERT_TRUE(d.has_value());
        for (int kind = 0; kind < SafetyDeviceKindCount; ++kind)
            EXPECT_EQ(advisorResultText((*d)[kind], c.locale), QString::fromUtf8(c.rows[kind])) << kind;
    }
}

// The advisor computes as the main window does: a stop time below zero gives
// no row, a d below 14 mm no smaller distance, and each refused row says why.
TEST(Advisor, RefusesWhatWouldShortenADistanceAndSaysWhy)
{
    AdvisorReasons reasons;
    const std::optional<AdvisorDistances> negative =
        adviseDistances({"-100", "14", "100", "300", "0"}, kPoint, &reasons);
    ASSERT_TRUE(negative.has_value());
    for (int kind = 0; kind < SafetyDeviceKindCount; ++kind) {
        EXPECT_FALSE((*negative)[kind].has_value()) << kind;
        EXPECT_EQ(reasons[std::size_t(kind)], QStringLiteral("the stop time is not a number of at least 0 ms")) << kind;
    }
    reasons = {};
    const std::optional<AdvisorDistances> fine = adviseDistances({"100", "10", "100", "300", "-5"}, kPoint, &reasons);
    ASSERT_TRUE(fine.has_value());
    EXPECT_EQ(advisorResultText((*fine)[KindVerticalLightCurtain], kPoint), QStringLiteral("200.0 mm"));
    EXPECT_FALSE((*fine)[KindDoor].has_value());
    EXPECT_EQ(reasons[KindDoor], QStringLiteral("the additional distance C must not be below 0 mm"));
    EXPECT_TRUE(reasons[KindVerticalLightCurtain].isEmpty());
    // Rounded up to the tenth: 100.02 ms gives 200.04 mm, shown 200.1.
    EXPECT_EQ(advisorResultText(adviseDistances({"100.02", "14", "100", "300", "0"}, kPoint)->at(0), kPoint),
              QStringLiteral("200.1 mm"));
}

TEST(Advisor, GivesNothingWithoutAStopTime)
{
    for (const char *t : {"", "abc", "1,5"})
        EXPECT_FALSE(adviseDistances({QString::fromLatin1(t), "14", "100", "300", "0"}, kPoint).has_value()) << t;
}

} // namespace
