#include "safety/DistanceExplanation.h"

#include "QtPrinters.h"
#include "safety/SafetyDevice.h"

#include <gtest/gtest.h>

namespace {

const QLocale kEnglish(QLocale::English, QLocale::UnitedStates);

QString symbols(const DistanceExplanation &e)
{
    QStringList out;
    for (const ExplainedInput &i : e.inputs)
        out << i.symbol;
    return out.join(QLatin1Char(' '));
}

const ExplainedInput *input(const DistanceExplanation &e, const char *symbol)
{
    for (const ExplainedInput &i : e.inputs)
        if (i.symbol == QLatin1String(symbol))
            return &i;
    return nullptr;
}

} // namespace

TEST(DistanceExplanation, ArrivesAtTheDistanceOfTheFormulasBitForBit)
{
    struct Case
    {
        int kind;
        double ms;
        double parameter;
        bool nonIndustrial;
        double distance; // ISO 13855 as the formulas give it
    };
    const Case cases[] = {
        {KindVerticalLightCurtain, 0, 14, false, 100},
        {KindVerticalLightCurtain, 100, 14, false, 200},
        {KindVerticalLightCurtain, 250, 14, false, 500}, // exactly 500 stays with 2000 mm/s
        {KindVerticalLightCurtain, 300, 14, false, 500}, // 1600 mm/s gives 480, raised to 500
        {KindVerticalLightCurtain, 500, 14, false, 800},
        {KindVerticalLightCurtain, 200, 30, false, 500},
        {KindVerticalLightCurtain, 100, 40, false, 408},
        {KindVerticalLightCurtain, 100, 41, false, 1010},
        {KindVerticalLightCurtain, 300, 71, false, 1330},
        {KindVerticalLightCurtain, 20, 14, true, 115},
        {KindVerticalLightCurtain, 300, 14, true, 675},
        {KindVerticalLightCurtain, 100, 41, true, 1010},
        {KindHorizontalLightCurtain, 100, 100, false, 1320},
        {KindHorizontalLightCurtain, 100, 1000, false, 1010},
        {KindSafetyScanner, 100, 300, false, 1340},
        {KindSafetyScanner, 100, 1000, false, 1110},
        {KindTwoHandControl, 100, 0, false, 410},
        {KindEmergencyStop, 100, 0, false, 160},
        {KindDoor, 100, 0, false, 160},
        {KindPressureSensitiveMat, 100, 0, false, 1360},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(testing::Message() << "kind " << c.kind << ", " << c.ms << " ms, " << c.parameter);
        const DistanceExplanation e = explainDistance(c.kind, c.ms, QStringLiteral("t"), c.parameter,
                                                      c.nonIndustrial, kEnglish);
        EXPECT_DOUBLE_EQ(e.distanceMm, c.distance);
        EXPECT_EQ(e.distanceMm, safetyDistance(c.kind, c.ms / 1000.0, c.parameter, c.nonIndustrial));
    }
    // Awkward times that a different order of operations would round apart.
    for (int kind = 0; kind < SafetyDeviceKindCount; ++kind)
        for (double ms : {0.1 + 0.2, 204.8683298050514, 249.99999999999997, 1234.5678, 14999.9992})
            for (double p : {14.0, 17.3, 40.0, 300.0, 875.1})
                for (bool nonIndustrial : {false, true})
                    EXPECT_EQ(explainDistance(kind, ms, {}, p, nonIndustrial, kEnglish).distanceMm,
                              safetyDistance(kind, ms / 1000.0, p, nonIndustrial))
                        << kind << " " << ms << " " << p << " " << nonIndustrial;
}

TEST(DistanceExplanation, NamesEachInputWithUnitAndOrigin)
{
    struct Case
    {
        int kind;
        double parameter;
        bool nonIndustrial;
        const char *formula;
        const char *symbols;
    };
    const Case cases[] = {
        {KindVerticalLightCurtain, 14, false, "S = K × T + C,  C = 8 × (d - 14 mm)", "T d K C"},
        {KindVerticalLightCurtain, 14, true, "S = K × T + 8 × (d - 14 mm) + 75 mm", "T d K C"},
        {KindVerticalLightCurtain, 50, false, "S = K × T + C", "T d K C"},
        {KindHorizontalLightCurtain, 300, false, "S = K × T + C,  C = 1200 mm - 0.4 × H", "T H K C"},
        {KindSafetyScanner, 300, false, "S = K × T + 100 mm + C,  C = 1200 mm - 0.4 × H, at least 850 mm",
         "T H K C"},
        {KindTwoHandControl, 0, false, "S = K × T + C", "T K C"},
        {KindEmergencyStop, 0, false, "S = K × T", "T K"},
        {KindDoor, 120, false, "S = K × T + C", "T K C"},
        {KindPressureSensitiveMat, 0, false, "S = K × T + C,  C = 1200 mm - 0.4 × h", "T h K C"},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.formula);
        const DistanceExplanation e =
            explainDistance(c.kind, 204.8683298050514, QStringLiteral("mean + 3 standard deviations"), c.parameter,
                            c.nonIndustrial, kEnglish);
        EXPECT_EQ(e.formula, QString::fromUtf8(c.formula));
        EXPECT_EQ(symbols(e), QLatin1String(c.symbols));
        for (const ExplainedInput &i : e.inputs) {
            EXPECT_TRUE(i.value.endsWith(QLatin1String(" mm")) || i.value.endsWith(QLatin1String(" mm/s"))
                        || i.value.endsWith(QLatin1String(" s")))
                << i.symbol.toStdString() << ": " << i.value.toStdString();
            EXPECT_FALSE(i.origin.isEmpty()) << i.symbol.toStdString();
        }
        EXPECT_EQ(input(e, "T")->value, QStringLiteral("204.868 ms = 0.204868 s"));
        EXPECT_EQ(input(e, "T")->origin, QStringLiteral("mean + 3 standard deviations"));
        EXPECT_FALSE(e.steps.isEmpty());
    }
}

TEST(DistanceExplanation, TellsWhichApproachSpeedAndWhichBoundApplied)
{
    struct Case
    {
        double ms;
        const char *k;
        QStringList steps;
    };
    const Case cases[] = {
        {100, "2,000 mm/s", {"S = 2,000 mm/s × 0.100000 s + 0.0 mm = 200.0 mm"}},
        {20, "2,000 mm/s",
         {"S = 2,000 mm/s × 0.020000 s + 0.0 mm = 40.0 mm",
          "S is below 100.0 mm, the least distance: S = 100.0 mm"}},
        {300, "1,600 mm/s",
         {"S = 2,000 mm/s × 0.300000 s + 0.0 mm = 600.0 mm", "S is above 500.0 mm: computed again with K = 1,600 mm/s",
          "S = 1,600 mm/s × 0.300000 s + 0.0 mm = 480.0 mm",
          "S is below 500.0 mm, the least distance with K = 1,600 mm/s: S = 500.0 mm"}},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.ms);
        const DistanceExplanation e = explainDistance(KindVerticalLightCurtain, c.ms, {}, 14, false, kEnglish);
        EXPECT_EQ(input(e, "K")->value, QString::fromUtf8(c.k));
        EXPECT_EQ(e.steps, c.steps);
    }
    const DistanceExplanation scanner = explainDistance(KindSafetyScanner, 100, {}, 1000, false, kEnglish);
    EXPECT_EQ(input(scanner, "C")->value, QStringLiteral("850.0 mm"));
    EXPECT_TRUE(input(scanner, "C")->origin.contains(QStringLiteral("800.0 mm is below 850.0 mm")));
    const DistanceExplanation curtain = explainDistance(KindHorizontalLightCurtain, 100, {}, 1000, false, kEnglish);
    EXPECT_EQ(input(curtain, "C")->value, QStringLiteral("850.0 mm"));
    EXPECT_TRUE(input(curtain, "C")->origin.contains(QStringLiteral("800.0 mm is below 850.0 mm")));
    EXPECT_EQ(curtain.steps, QStringList{QStringLiteral("S = 1,600 mm/s × 0.100000 s + 850.0 mm = 1,010.0 mm")});
}

TEST(DistanceExplanation, NumbersInTheUsersFormat)
{
    const DistanceExplanation e = explainDistance(KindVerticalLightCurtain, 1234.5, {}, 14, false,
                                                  QLocale(QLocale::German, QLocale::Germany));
    EXPECT_EQ(input(e, "T")->value, QStringLiteral("1.234,500 ms = 1,234500 s"));
    EXPECT_EQ(input(e, "K")->value, QStringLiteral("1.600 mm/s"));
    EXPECT_EQ(input(e, "d")->value, QStringLiteral("14,0 mm"));
}
