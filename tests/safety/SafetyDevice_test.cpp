#include "safety/SafetyDevice.h"

#include <gtest/gtest.h>

#include <cmath>
#include <functional>

namespace {

struct FormulaCase
{
    const char *name;
    std::function<double()> formula;
    double expected;
};

// Every boundary of the ISO 13855 formulas as the program applies them.
const FormulaCase formulaCases[] = {
    {"VLC T=0 d=14 raised to 100", [] { return Vypocet_VLC(0.0, 14); }, 100},
    {"VLC T=0.1 d=14", [] { return Vypocet_VLC(0.1, 14); }, 200},
    {"VLC 2000T exactly 500 stays", [] { return Vypocet_VLC(0.25, 14); }, 500},
    {"VLC above 500 recomputed, raised to 500", [] { return Vypocet_VLC(0.3, 14); }, 500},
    {"VLC above 500 recomputed at 1600", [] { return Vypocet_VLC(0.5, 14); }, 800},
    {"VLC d=30", [] { return Vypocet_VLC(0.2, 30); }, 500},
    {"VLC d=40 fast branch", [] { return Vypocet_VLC(0.1, 40); }, 408},
    {"VLC d=40.5 coarse", [] { return Vypocet_VLC(0.1, 40.5); }, 1010},
    {"VLC d=41 coarse", [] { return Vypocet_VLC(0.1, 41); }, 1010},
    {"VLC d=71 coarse", [] { return Vypocet_VLC(0.3, 71); }, 1330},
    {"VLC coarse raised to 500", [] { return Vypocet_VLC(-0.5, 50); }, 500},
    // 8 (d - 14) is not less than 0: no d takes from the distance.
    {"VLC negative d", [] { return Vypocet_VLC(0.1, -1); }, 200},
    {"VLC d below 14", [] { return Vypocet_VLC(0.1, 10); }, 200},
    {"mat reach not below 850", [] { return vypocet_Mat(0.1, 1000); }, 1010},
    {"non-industrial T=0.02", [] { return Vypocet_VLC_Non_Industrial(0.02, 14); }, 115},
    {"non-industrial no change to 1600", [] { return Vypocet_VLC_Non_Industrial(0.3, 14); }, 675},
    {"non-industrial T=0.5", [] { return Vypocet_VLC_Non_Industrial(0.5, 14); }, 1075},
    {"non-industrial raised to 100", [] { return Vypocet_VLC_Non_Industrial(0.0, 14); }, 100},
    {"non-industrial d=41 as industrial", [] { return Vypocet_VLC_Non_Industrial(0.1, 41); }, 1010},
    {"reflective 600", [] { return Vypocet_VLC_reflective(600); }, 130},
    {"reflective 3000", [] { return Vypocet_VLC_reflective(3000); }, 130},
    {"reflective 3001", [] { return Vypocet_VLC_reflective(3001); }, 175},
    {"reflective 4000", [] { return Vypocet_VLC_reflective(4000); }, 175},
    {"reflective 5000", [] { return Vypocet_VLC_reflective(5000); }, 220},
    {"reflective 7000", [] { return Vypocet_VLC_reflective(7000); }, 310},
    {"reflective 10000", [] { return Vypocet_VLC_reflective(10000); }, 440},
    {"reflective 15000", [] { return Vypocet_VLC_reflective(15000); }, 660},
    {"reflective 15001", [] { return Vypocet_VLC_reflective(15001); }, 655},
    {"reflective 20000", [] { return Vypocet_VLC_reflective(20000); }, 873},
    {"reflective 0", [] { return Vypocet_VLC_reflective(0); }, 130},
    {"reflective negative", [] { return Vypocet_VLC_reflective(-5000); }, 130},
    {"HLC H=100", [] { return Vypocet_HLC(0.1, 100); }, 1320},
    {"HLC H=875 term exactly 850", [] { return Vypocet_HLC(0.1, 875); }, 1010},
    // ISO 13855 lets the reach over the zone fall no lower than 850 mm.
    {"HLC H=1000 term raised to 850", [] { return Vypocet_HLC(0.1, 1000); }, 1010},
    {"HLC H=3000 term raised to 850", [] { return Vypocet_HLC(0.0, 3000); }, 850},
    {"HLC raised to 100", [] { return Vypocet_HLC(-1.0, 0); }, 100},
    {"scanner H=300", [] { return Vypocet_Scanner(0.1, 300); }, 1340},
    {"scanner H=1000 term raised to 850", [] { return Vypocet_Scanner(0.1, 1000); }, 1110},
    {"two-hand", [] { return vypocet_TwoHand(0.1); }, 410},
    {"e-stop", [] { return vypocet_EStop(0.1); }, 160},
    {"door C=0", [] { return vypocet_Door(0.1, 0); }, 160},
    {"door C=250", [] { return vypocet_Door(0.1, 250); }, 410},
    {"mat h=0", [] { return vypocet_Mat(0.1, 0); }, 1360},
    {"mat h=500", [] { return vypocet_Mat(0.1, 500); }, 1160},
};

} // namespace

TEST(SafetyDistanceFormulas, MatchIso13855AtEveryBoundary)
{
    for (const FormulaCase &c : formulaCases) {
        SCOPED_TRACE(c.name);
        EXPECT_NEAR(c.formula(), c.expected, 1e-9);
    }
}

TEST(SafetyDistanceFormulas, ReflectiveRoundsHalfToEven)
{
    // 1000 * tan 2.5 deg per metre; pick distances whose product ends in .5
    // exactly is impossible in binary, so check the two neighbours of a tie.
    EXPECT_EQ(Vypocet_VLC_reflective(16000), 699); // 698.575 -> 699
    EXPECT_EQ(Vypocet_VLC_reflective(30000), 1310); // 1309.83 -> 1310
}

TEST(SafetyDeviceRecord, DefaultsToVerticalCurtainWithD14)
{
    const SafetyDevice d;
    EXPECT_EQ(d.ID, KindVerticalLightCurtain);
    EXPECT_EQ(d.d, 14.0);
    EXPECT_EQ(d.Height, -1.0);
}

TEST(SafetyDistanceOfKind, MatchesTheFormulaOfEachKind)
{
    const double T = 0.1;
    EXPECT_EQ(safetyDistance(KindVerticalLightCurtain, T, 14.0), 200.0);
    EXPECT_EQ(safetyDistance(KindVerticalLightCurtain, T, 14.0, true), 275.0);
    EXPECT_EQ(safetyDistance(KindHorizontalLightCurtain, T, 1000.0), 1010.0);
    EXPECT_EQ(safetyDistance(KindSafetyScanner, T, 1000.0), 1110.0);
    EXPECT_EQ(safetyDistance(KindTwoHandControl, T, 999.0), 410.0);
    EXPECT_EQ(safetyDistance(KindEmergencyStop, T, 999.0), 160.0);
    EXPECT_EQ(safetyDistance(KindDoor, T, 0.0), 160.0);
    EXPECT_EQ(safetyDistance(KindPressureSensitiveMat, T, 0.0), 1360.0);
    EXPECT_TRUE(std::isnan(safetyDistance(7, T, 0.0)));
    EXPECT_TRUE(std::isnan(safetyDistance(-1, T, 0.0)));
}

TEST(SafetyDeviceParams, TextOfTheMainWindowAndProjectFiles)
{
    const QLocale point = QLocale::c();
    const QLocale comma(QLocale::German, QLocale::Germany);
    const struct
    {
        qint32 kind;
        double d;
        double height;
        const QLocale &locale;
        const char *text;
    } cases[] = {
        {KindVerticalLightCurtain, 14.0, -1.0, point, "d=14 mm"},
        {KindVerticalLightCurtain, 14.5, -1.0, comma, "d=14,5 mm"},
        // A field that was not a number is kept as -1 and shown so.
        {KindVerticalLightCurtain, -1.0, -1.0, point, "d=-1 mm"},
        {KindHorizontalLightCurtain, -1.0, 100.0, point, "H=100 mm"},
        {KindSafetyScanner, -1.0, 1234.5, comma, "H=1234,5 mm"},
        {KindTwoHandControl, 14.0, 100.0, point, "---"},
        {KindEmergencyStop, -1.0, -1.0, point, "---"},
        {KindDoor, -1.0, -1.0, point, "---"},
        {KindPressureSensitiveMat, -1.0, -1.0, point, "---"},
        {99, 14.0, -1.0, point, "---"},
    };
    for (const auto &c : cases) {
        SafetyDevice device;
        device.ID = c.kind;
        device.d = c.d;
        device.Height = c.height;
        EXPECT_EQ(deviceParamsText(device, c.locale), QLatin1String(c.text)) << c.kind << " " << c.text;
    }
}

TEST(SafeguardDisplayName, IsTheKindsNameWithItsInputAsTheMainWindowWritesIt)
{
    const QLocale point = QLocale::c();
    const QLocale comma(QLocale::German, QLocale::Germany);
    struct Case
    {
        int kind;
        std::optional<double> parameter;
        const char *kindName;
        const QLocale &locale;
        const char *shown;
    };
    const Case cases[] = {
        {KindVerticalLightCurtain, 14.0, "Vertical Light Curtain", point, "Vertical Light Curtain, d=14 mm"},
        {KindVerticalLightCurtain, 14.5, "Vertikaler Lichtvorhang", comma, "Vertikaler Lichtvorhang, d=14,5 mm"},
        {KindHorizontalLightCurtain, 300.0, "Horizontal Light Curtain", point, "Horizontal Light Curtain, H=300 mm"},
        {KindSafetyScanner, 1234.5, "Safety Scanner", comma, "Safety Scanner, H=1234,5 mm"},
        {KindDoor, 250.0, "Door", point, "Door, C=250 mm"},
        {KindPressureSensitiveMat, 0.0, "Mat", point, "Mat, h=0 mm"},
        // The kinds without an input, and an input that is none.
        {KindTwoHandControl, 0.0, "Two Hand Control", point, "Two Hand Control"},
        {KindEmergencyStop, std::nullopt, "Emergency stop", point, "Emergency stop"},
        {KindVerticalLightCurtain, std::nullopt, "Vertical Light Curtain", point, "Vertical Light Curtain"},
        {KindVerticalLightCurtain, -1.0, "Vertical Light Curtain", point, "Vertical Light Curtain"},
        {KindDoor, std::numeric_limits<double>::quiet_NaN(), "Door", point, "Door"},
    };
    for (const Case &c : cases) {
        EXPECT_EQ(safeguardDisplayName(c.kind, c.parameter, QString::fromUtf8(c.kindName), c.locale),
                  QString::fromUtf8(c.shown))
            << c.shown;
    }
    // The same text as the main window's parameter caption of the device.
    SafetyDevice device = SafetyDevice::selected(KindVerticalLightCurtain, 14.0);
    EXPECT_TRUE(safeguardDisplayName(device.ID, device.parameter(), QStringLiteral("VLC"), comma)
                    .endsWith(deviceParamsText(device, comma)));
}
