#include "safety/DistanceStandard.h"

#include "QtPrinters.h"
#include "base/NumberFormat.h"
#include "safety/Iso13855_2010.h"
#include "safety/SafetyDevice.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>

namespace {

const QLocale kEnglish(QLocale::English, QLocale::UnitedStates);

const DistanceStandard &standard(const char *id)
{
    const DistanceStandard *s = findDistanceStandard(QString::fromLatin1(id));
    if (!s)
        throw std::runtime_error(id);
    return *s;
}

DistanceInputs device(int kind, double ms, std::optional<double> d = {}, std::optional<double> H = {})
{
    DistanceInputs in;
    in.kind = kind;
    in.governingMs = ms;
    in.stopTimeNote = DistanceText(QStringLiteral("governing stop time"));
    in.d = d;
    in.H = H;
    return in;
}

const DistanceValue *value(const DistanceResult &r, const char *symbol)
{
    for (const DistanceValue &v : r.values)
        if (v.symbol == QLatin1String(symbol))
            return &v;
    return nullptr;
}

QString symbols(const DistanceResult &r)
{
    QStringList out;
    for (const DistanceValue &v : r.values)
        out << v.symbol;
    return out.join(QLatin1Char(' '));
}

} // namespace

TEST(DistanceStandards, RegistryListsEveryStandardWithItsIdAndNameDefaultFirst)
{
    struct Case
    {
        const char *id;
        const char *name;
        bool inchesFirst;
    };
    const Case cases[] = {
        {"iso13855-2010", "ISO 13855:2010", false},
        {"iso13855-2024", "ISO 13855:2024", false},
        {"ansi-b11.19", "ANSI B11.19 / CSA Z432", true},
        {"osha-1910.217", "OSHA 29 CFR 1910.217", true},
    };
    ASSERT_EQ(distanceStandards().size(), std::size(cases));
    for (size_t i = 0; i < std::size(cases); ++i) {
        const DistanceStandard *s = distanceStandards()[i];
        EXPECT_EQ(s->id(), QLatin1String(cases[i].id));
        EXPECT_EQ(s->name(), QLatin1String(cases[i].name));
        EXPECT_EQ(s->inchesFirst(), cases[i].inchesFirst);
        EXPECT_EQ(findDistanceStandard(s->id()), s);
    }
    EXPECT_EQ(defaultDistanceStandard().id(), QStringLiteral("iso13855-2010"));
    EXPECT_EQ(findDistanceStandard(u"iso13855"), nullptr);
    EXPECT_EQ(findDistanceStandard(u""), nullptr);
}

TEST(DistanceStandards, ReproduceThePublishedCases)
{
    // ANSI B11.19: K 63 in/s, Ts + Tc 0.190 s, Tr 0.059 s, brake monitor set
    // to 0.225 s, d 30 mm.  The published example rounds Dpf to 3.07 in and
    // prints 20.96 in; unrounded it is 20.97 in.
    for (const std::optional<double> k : {std::optional<double>(), std::optional<double>(63.0 * 25.4)}) {
        DistanceInputs in = device(KindVerticalLightCurtain, 190, 30);
        in.trMs = 59;
        in.brakeMonitorMs = 225;
        in.kMmPerS = k;
        const DistanceResult r = standard("ansi-b11.19").calculate(in);
        ASSERT_TRUE(r.distanceInch);
        EXPECT_NEAR(*r.distanceInch, 20.9707, 1e-4);
        EXPECT_EQ(renderQuantity({*r.distanceInch, DistanceUnit::Inch}, kEnglish), QStringLiteral("20.97 in"));
        EXPECT_NEAR(value(r, "Tbm")->quantity.value, 35.0, 1e-9);
        EXPECT_NEAR(value(r, "Dpf")->quantity.value, 78.2 / 25.4, 1e-12);
        EXPECT_NEAR(value(r, "Dpf")->alsoAs->value, 78.2, 1e-12);
        EXPECT_EQ(value(r, "K")->origin, k ? ValueOrigin::Entered : ValueOrigin::Default);
    }
    {
        // ANSI B11.19 in millimetres: K 1600 mm/s, Ts + Tc 0.060 s, brake
        // monitor 0.100 s, Tr 0.010 s, d 14 mm.
        DistanceInputs in = device(KindVerticalLightCurtain, 60, 14);
        in.kMmPerS = 1600;
        in.brakeMonitorMs = 100;
        in.trMs = 10;
        const DistanceResult r = standard("ansi-b11.19").calculate(in);
        ASSERT_TRUE(r.distanceMm);
        EXPECT_NEAR(*r.distanceMm, 199.8, 1e-9);
    }
    {
        // OSHA 1910.217: Ts 0.5 s.
        const DistanceResult r = standard("osha-1910.217").calculate(device(KindVerticalLightCurtain, 500, 14));
        ASSERT_TRUE(r.distanceInch);
        EXPECT_NEAR(*r.distanceInch, 31.5, 1e-9);
    }
    // ISO 13855:2010, unchanged.
    struct Case
    {
        double ms;
        double d;
        double exact;
        const char *shown; // as the main window rounds it
    };
    const Case iso[] = {{320, 14, 512, "512"}, {111, 30, 350, "350"}, {311, 30, 625.6, "626"}};
    for (const Case &c : iso) {
        const DistanceResult r = standard("iso13855-2010").calculate(device(KindVerticalLightCurtain, c.ms, c.d));
        ASSERT_TRUE(r.distanceMm);
        EXPECT_NEAR(*r.distanceMm, c.exact, 1e-9);
        EXPECT_EQ(formatNumber(*r.distanceMm, 0, 0, kEnglish), QLatin1String(c.shown));
    }
}

TEST(DistanceStandards, TableOfCasesPerStandardAndKind)
{
    struct Case
    {
        const char *id;
        int kind;
        double ms;
        std::optional<double> d, H, C, h;
        bool nonIndustrial;
        std::optional<double> tr, brakeMonitor, k, dds, z, dpf;
        bool noEncroachment;
        std::optional<double> mm; // none: no distance
    };
    const std::optional<double> _;
    const Case cases[] = {
        // ISO 13855:2010, every kind.
        {"iso13855-2010", KindVerticalLightCurtain, 100, 14, _, _, _, false, _, _, _, _, _, _, false, 200},
        {"iso13855-2010", KindVerticalLightCurtain, 100, 14, _, _, _, true, _, _, _, _, _, _, false, 275},
        {"iso13855-2010", KindVerticalLightCurtain, 100, 41, _, _, _, false, _, _, _, _, _, _, false, 1010},
        {"iso13855-2010", KindHorizontalLightCurtain, 100, _, 100, _, _, false, _, _, _, _, _, _, false, 1320},
        {"iso13855-2010", KindSafetyScanner, 100, _, 300, _, _, false, _, _, _, _, _, _, false, 1340},
        {"iso13855-2010", KindTwoHandControl, 100, _, _, _, _, false, _, _, _, _, _, _, false, 410},
        {"iso13855-2010", KindEmergencyStop, 100, _, _, _, _, false, _, _, _, _, _, _, false, 160},
        {"iso13855-2010", KindDoor, 100, _, _, 250, _, false, _, _, _, _, _, _, false, 410},
        {"iso13855-2010", KindPressureSensitiveMat, 100, _, _, _, 0, false, _, _, _, _, _, _, false, 1360},
        {"iso13855-2010", KindVerticalLightCurtain, 100, _, _, _, _, false, _, _, _, _, _, _, false, _},
        {"iso13855-2010", KindDoor, 100, _, _, _, _, false, _, _, _, _, _, _, false, _},
        {"iso13855-2010", 7, 100, 14, _, _, _, false, _, _, _, _, _, _, false, _},
        // ISO 13855:2024: S = K T + D_DS + Z.
        {"iso13855-2024", KindVerticalLightCurtain, 100, 14, _, _, _, false, _, _, _, 0, _, _, false, 200},
        {"iso13855-2024", KindVerticalLightCurtain, 100, 14, _, _, _, false, _, _, _, 0, 20, _, false, 220},
        {"iso13855-2024", KindVerticalLightCurtain, 300, 14, _, _, _, false, _, _, _, 0, _, _, false, 500},
        {"iso13855-2024", KindVerticalLightCurtain, 500, 30, _, _, _, false, _, _, _, 128, 10, _, false, 938},
        {"iso13855-2024", KindVerticalLightCurtain, 300, 14, _, _, _, true, _, _, _, 75, _, _, false, 675},
        {"iso13855-2024", KindVerticalLightCurtain, 100, 50, _, _, _, false, _, _, _, 850, _, _, false, 1010},
        {"iso13855-2024", KindVerticalLightCurtain, 100, 14, _, _, _, false, _, _, _, _, _, _, false, _},
        {"iso13855-2024", KindHorizontalLightCurtain, 100, 30, 300, _, _, false, _, _, _, _, _, _, false, 1360},
        {"iso13855-2024", KindHorizontalLightCurtain, 100, 30, 300, _, _, false, _, _, _, 5, 40, _, false, 1400},
        {"iso13855-2024", KindSafetyScanner, 100, 70, 300, _, _, false, _, _, _, _, _, _, false, 1360},
        {"iso13855-2024", KindSafetyScanner, 100, _, 300, _, _, false, _, _, _, _, _, _, false, _},
        {"iso13855-2024", KindTwoHandControl, 100, _, _, _, _, false, _, _, _, _, _, _, false, 710},
        {"iso13855-2024", KindTwoHandControl, 100, _, _, _, _, false, _, _, _, _, _, _, true, 160},
        {"iso13855-2024", KindEmergencyStop, 100, _, _, _, _, false, _, _, _, 0, _, _, false, 160},
        {"iso13855-2024", KindDoor, 100, _, _, 250, _, false, _, _, _, 300, 5, _, false, 465},
        {"iso13855-2024", KindPressureSensitiveMat, 100, _, _, _, 0, false, _, _, _, 1200, _, _, false, 1360},
        {"iso13855-2024", KindPressureSensitiveMat, 100, _, _, _, 0, false, _, _, _, _, _, _, false, _},
        // ANSI B11.19: Ds = K (Ts + Tc + Tr + Tbm) + Dpf; K 1600 mm/s entered
        // keeps the numbers round.
        {"ansi-b11.19", KindVerticalLightCurtain, 100, 14, _, _, _, false, _, _, 1600, _, _, _, false, 215.8},
        {"ansi-b11.19", KindVerticalLightCurtain, 100, 64, _, _, _, false, _, _, 1600, _, _, _, false, 1092},
        {"ansi-b11.19", KindVerticalLightCurtain, 100, 63.9, _, _, _, false, _, _, 1600, _, _, _, false,
         192 + 3.4 * (63.9 - 7)},
        {"ansi-b11.19", KindHorizontalLightCurtain, 100, _, _, _, _, false, 10, 150, 1600, _, _, _, false, 1456},
        {"ansi-b11.19", KindSafetyScanner, 100, _, _, _, _, false, _, _, 2000, _, _, _, false, 1440},
        {"ansi-b11.19", KindTwoHandControl, 100, _, _, _, _, false, _, _, 1600, _, _, _, false, 192},
        {"ansi-b11.19", KindEmergencyStop, 100, _, _, _, _, false, _, _, 1600, _, _, _, false, 192},
        {"ansi-b11.19", KindDoor, 100, _, _, 999, _, false, _, _, 1600, _, _, 100, false, 292},
        {"ansi-b11.19", KindPressureSensitiveMat, 100, _, _, _, _, false, _, _, 1600, _, _, _, false, 1392},
        {"ansi-b11.19", KindEmergencyStop, 100, _, _, _, _, false, _, _, 1599, _, _, _, false, _},
        {"ansi-b11.19", KindVerticalLightCurtain, 100, _, _, _, _, false, _, _, 1600, _, _, _, false, _},
        // OSHA 1910.217: Ds = 63 in/s (Ts + Tr), the same for every kind.
        {"osha-1910.217", KindVerticalLightCurtain, 100, 14, _, _, _, false, _, _, _, _, _, _, false, 160.02},
        {"osha-1910.217", KindDoor, 100, _, _, 250, _, false, 20, _, _, _, _, _, false, 192.024},
        {"osha-1910.217", KindTwoHandControl, 1000, _, _, _, _, false, _, _, _, _, _, _, false, 1600.2},
        {"osha-1910.217", -1, 1000, _, _, _, _, false, _, _, _, _, _, _, false, _},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(testing::Message() << c.id << " kind " << c.kind << ", " << c.ms << " ms, expected "
                                        << c.mm.value_or(-1));
        DistanceInputs in = device(c.kind, c.ms, c.d, c.H);
        in.C = c.C;
        in.h = c.h;
        in.nonIndustrial = c.nonIndustrial;
        in.trMs = c.tr;
        in.brakeMonitorMs = c.brakeMonitor;
        in.kMmPerS = c.k;
        in.ddsMm = c.dds;
        in.zMm = c.z;
        in.dpfMm = c.dpf;
        in.noEncroachment = c.noEncroachment;
        const DistanceResult r = standard(c.id).calculate(in);
        ASSERT_EQ(r.distanceMm.has_value(), c.mm.has_value()) << r.noDistanceReason.render(kEnglish).toStdString();
        if (c.mm) {
            EXPECT_NEAR(*r.distanceMm, *c.mm, 1e-9);
            EXPECT_NEAR(*r.distanceInch, *c.mm / 25.4, 1e-9);
            EXPECT_TRUE(r.noDistanceReason.isEmpty());
            EXPECT_FALSE(r.formula.isEmpty());
            EXPECT_FALSE(r.lines.empty());
        } else {
            EXPECT_FALSE(r.noDistanceReason.isEmpty());
            EXPECT_FALSE(r.distanceInch);
            EXPECT_FALSE(r.verdict);
        }
    }
}

TEST(DistanceStandards, Iso2010UnitGivesTheDistanceFunctionsNumbersBitForBit)
{
    const Iso13855_2010 &iso = dynamic_cast<const Iso13855_2010 &>(standard("iso13855-2010"));
    for (int kind = 0; kind < SafetyDeviceKindCount; ++kind)
        for (double ms : {0.0, 0.1 + 0.2, 1.0, 99.9, 204.8683298050514, 249.99999999999997, 250.0, 311.0, 1234.5678,
                          14999.9992})
            for (double p : {-5.0, 0.0, 14.0, 17.3, 40.0, 40.5, 300.0, 875.0, 875.1, 1000.0, 3000.0})
                for (bool nonIndustrial : {false, true}) {
                    DistanceInputs in;
                    in.kind = kind;
                    in.governingMs = ms;
                    in.d = in.H = in.C = in.h = p;
                    in.nonIndustrial = nonIndustrial;
                    const DistanceResult r = iso.calculate(in);
                    // A d of none, a negative C or h: refused, where the
                    // distance functions (which cannot refuse) compute.
                    const bool refused = (kind == KindVerticalLightCurtain && p <= 0.0)
                        || ((kind == KindDoor || kind == KindPressureSensitiveMat) && p < 0.0);
                    ASSERT_EQ(r.distanceMm.has_value(), !refused) << kind << " " << p;
                    if (refused)
                        continue;
                    EXPECT_EQ(*r.distanceMm, safetyDistance(kind, ms / 1000.0, p, nonIndustrial))
                        << kind << " " << ms << " " << p << " " << nonIndustrial;
                }
}

TEST(DistanceStandards, GuardsOfEachStandard)
{
    const DistanceStandard &iso2010 = standard("iso13855-2010");
    const DistanceStandard &iso2024 = standard("iso13855-2024");
    const DistanceStandard &ansi = standard("ansi-b11.19");

    // ISO 13855:2010, horizontal light curtain: C = 1200 - 0.4 H never below
    // 850 mm, which it would be above H = 875 mm.
    for (double H : {875.0, 900.0, 1000.0, 2000.0}) {
        const DistanceResult r = iso2010.calculate(device(KindHorizontalLightCurtain, 100, {}, H));
        EXPECT_EQ(*r.distanceMm, 1010.0) << H;
        EXPECT_EQ(value(r, "C")->quantity.value, 850.0) << H;
    }

    // ISO 13855:2024, parallel approach: H from 0 to 1000 mm and at least
    // 15 (d - 50 mm); above 200 mm access underneath must be assessed.
    struct HCase
    {
        double d;
        double H;
        bool distance;
        bool warning;
    };
    const HCase heights[] = {
        {30, -0.1, false, false}, {30, 0, true, false},     {30, 200, true, false},  {30, 200.1, true, true},
        {30, 1000, true, true},   {30, 1000.1, false, false}, {70, 299.9, false, false}, {70, 300, true, true},
        {50, 0, true, false},     {117, 1000, false, false}, {116, 990, true, true},
    };
    for (int kind : {KindHorizontalLightCurtain, KindSafetyScanner})
        for (const HCase &c : heights) {
            SCOPED_TRACE(testing::Message() << "kind " << kind << " d " << c.d << " H " << c.H);
            const DistanceResult r = iso2024.calculate(device(kind, 100, c.d, c.H));
            EXPECT_EQ(r.distanceMm.has_value(), c.distance) << r.noDistanceReason.render(kEnglish).toStdString();
            EXPECT_EQ(r.warnings.size(), c.warning ? 1u : 0u);
            if (c.warning) {
                EXPECT_TRUE(r.warnings[0].render(kEnglish).contains(QStringLiteral("access underneath")));
            }
        }

    // ISO 13855:2024 two-hand control without encroachment: D_DS 0, S at
    // least 100 mm (the supplement counts towards it).
    struct TwoHandCase
    {
        double ms;
        std::optional<double> z;
        double mm;
    };
    const TwoHandCase twoHand[] = {{0, {}, 100}, {30, {}, 100}, {62.5, {}, 100}, {70, {}, 112}, {30, 60, 108}};
    for (const TwoHandCase &c : twoHand) {
        DistanceInputs in = device(KindTwoHandControl, c.ms);
        in.noEncroachment = true;
        in.zMm = c.z;
        EXPECT_NEAR(*iso2024.calculate(in).distanceMm, c.mm, 1e-9) << c.ms;
    }

    // ANSI B11.19: Tbm = brake monitor setting - (Ts + Tc), never negative;
    // without a brake monitor 20 % of Ts + Tc.
    struct TbmCase
    {
        std::optional<double> setting;
        double tbm;
    };
    const TbmCase tbms[] = {{{}, 20}, {150, 50}, {100, 0}, {50, 0}, {0, 0}};
    for (const TbmCase &c : tbms) {
        DistanceInputs in = device(KindEmergencyStop, 100);
        in.kMmPerS = 1600;
        in.brakeMonitorMs = c.setting;
        const DistanceResult r = ansi.calculate(in);
        EXPECT_EQ(value(r, "Tbm")->quantity.value, c.tbm);
        EXPECT_NEAR(*r.distanceMm, 1.6 * (100 + c.tbm), 1e-9);
    }

    // ANSI B11.19: Dpf = 3.4 (d - 7 mm) never negative.
    for (double d : {0.0, 5.0, 7.0}) {
        DistanceInputs in = device(KindVerticalLightCurtain, 100, d);
        in.kMmPerS = 1600;
        const DistanceResult r = ansi.calculate(in);
        EXPECT_EQ(value(r, "Dpf")->alsoAs->value, 0.0) << d;
        EXPECT_NEAR(*r.distanceMm, 192.0, 1e-9) << d;
    }

    // An entry that would shorten the distance is refused, never used.
    struct EntryCase
    {
        const DistanceStandard &standard;
        int kind;
        std::optional<double> DistanceInputs::*entry;
        double value;
    };
    const double nan = std::numeric_limits<double>::quiet_NaN();
    const EntryCase entries[] = {
        {iso2024, KindDoor, &DistanceInputs::ddsMm, -1},    {iso2024, KindDoor, &DistanceInputs::zMm, -0.5},
        {iso2024, KindTwoHandControl, &DistanceInputs::zMm, nan}, {ansi, KindDoor, &DistanceInputs::dpfMm, -10},
        {ansi, KindDoor, &DistanceInputs::trMs, -1},        {ansi, KindDoor, &DistanceInputs::brakeMonitorMs, -1},
        {ansi, KindDoor, &DistanceInputs::kMmPerS, nan},
        {standard("osha-1910.217"), KindDoor, &DistanceInputs::trMs, -1},
    };
    for (const EntryCase &c : entries) {
        DistanceInputs in = device(c.kind, 100);
        in.ddsMm = 100;
        in.*c.entry = c.value;
        const DistanceResult r = c.standard.calculate(in);
        EXPECT_FALSE(r.distanceMm) << c.standard.id().toStdString() << " " << c.value;
        EXPECT_FALSE(r.noDistanceReason.isEmpty());
    }
    // A stop time that is no number, or negative for the new standards.
    for (const DistanceStandard *s : distanceStandards())
        EXPECT_FALSE(s->calculate(device(KindEmergencyStop, nan)).distanceMm) << s->id().toStdString();
    EXPECT_FALSE(iso2024.calculate(device(KindTwoHandControl, -1)).distanceMm);
    EXPECT_FALSE(ansi.calculate(device(KindTwoHandControl, -1)).distanceMm);
}

TEST(DistanceStandards, Iso2024AsksForDdsWhereItsTablesDecideAndHintsAtTheOldValue)
{
    DistanceInputs in = device(KindVerticalLightCurtain, 100, 30);
    const DistanceResult r = standard("iso13855-2024").calculate(in);
    EXPECT_FALSE(r.distanceMm);
    EXPECT_EQ(r.noDistanceReason.render(kEnglish),
              QStringLiteral("D_DS must be entered from the standard's tables for reaching through, over or under "
                             "(ISO 13855:2010 added 128.0 mm)"));
    struct Case
    {
        int kind;
        double parameter;
        bool nonIndustrial;
        std::optional<double> hint;
    };
    const Case hints[] = {
        {KindVerticalLightCurtain, 14, false, 0},    {KindVerticalLightCurtain, 14, true, 75},
        {KindVerticalLightCurtain, 41, false, 850},  {KindHorizontalLightCurtain, 1000, false, 850},
        {KindSafetyScanner, 300, false, 1180},       {KindTwoHandControl, 0, false, 250},
        {KindEmergencyStop, 0, false, 0},            {KindDoor, 120, false, 120},
        {KindPressureSensitiveMat, 500, false, 1000}, {9, 0, false, {}},
    };
    for (const Case &c : hints) {
        DistanceInputs h = device(c.kind, 0);
        h.d = h.H = h.C = h.h = c.parameter;
        h.nonIndustrial = c.nonIndustrial;
        EXPECT_EQ(iso13855_2010AdditionalDistance(h), c.hint) << c.kind;
    }
}

TEST(DistanceStandards, StepsNameEveryValueWithItsOrigin)
{
    struct Case
    {
        const char *id;
        DistanceInputs in;
        const char *symbols;
        const char *defaults; // symbols whose origin is "default"
    };
    DistanceInputs ansiIn = device(KindDoor, 100);
    DistanceInputs ansiEntered = device(KindDoor, 100);
    ansiEntered.trMs = 5;
    ansiEntered.dpfMm = 10;
    ansiEntered.brakeMonitorMs = 120;
    DistanceInputs isoIn = device(KindDoor, 100);
    isoIn.ddsMm = 300;
    const Case cases[] = {
        {"iso13855-2010", device(KindVerticalLightCurtain, 100, 14), "T d K C", ""},
        {"iso13855-2024", isoIn, "T K D_DS Z", "Z"},
        {"iso13855-2024", device(KindSafetyScanner, 100, 30, 300), "T d H K D_DS Z", "Z"},
        {"ansi-b11.19", ansiIn, "Ts + Tc K Tr Tbm Dpf", "K Tr Dpf"},
        {"ansi-b11.19", ansiEntered, "Ts + Tc K Tr brake monitor Tbm Dpf", "K"},
        {"osha-1910.217", device(KindDoor, 100), "Ts K", ""},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.id);
        const DistanceResult r = standard(c.id).calculate(c.in);
        ASSERT_TRUE(r.distanceMm);
        EXPECT_EQ(symbols(r), QLatin1String(c.symbols));
        QStringList defaults;
        for (const DistanceValue &v : r.values) {
            EXPECT_FALSE(v.note.render(kEnglish).isEmpty()) << v.symbol.toStdString();
            if (v.origin == ValueOrigin::Default)
                defaults << v.symbol;
        }
        EXPECT_EQ(defaults.join(QLatin1Char(' ')), QLatin1String(c.defaults));
        EXPECT_EQ(r.values.front().origin, ValueOrigin::Measured);
    }
    // The US standards write the result in inches, then in millimetres.
    DistanceInputs in = device(KindVerticalLightCurtain, 190, 30);
    in.trMs = 59;
    in.brakeMonitorMs = 225;
    const DistanceResult r = standard("ansi-b11.19").calculate(in);
    ASSERT_EQ(r.lines.size(), 3u);
    EXPECT_EQ(r.lines[1].render(kEnglish), QStringLiteral("Ds = 63.00 in/s × 0.284000 s + 3.08 in = 20.97 in"));
    EXPECT_EQ(r.lines[2].render(kEnglish), QStringLiteral("Ds = 1,600 mm/s × 0.284000 s + 78.2 mm = 532.7 mm"));
    EXPECT_EQ(r.formula.render(kEnglish), QStringLiteral("Ds = K × (Ts + Tc + Tr + Tbm) + Dpf"));
}

TEST(DistanceStandards, VerdictAgainstTheInstalledDistance)
{
    struct Case
    {
        std::optional<double> minimum;
        std::optional<double> installed;
        std::optional<bool> meets;
        double shortfall;
    };
    const double inf = std::numeric_limits<double>::infinity();
    const Case cases[] = {
        {500, 600, true, 0},  {500, 500, true, 0},  {500, 499.9, false, 0.1}, {500, 0, false, 500},
        {500, {}, {}, 0},     {{}, 500, {}, 0},     {inf, 500, {}, 0},        {500, std::nan(""), {}, 0},
        // The minimum the protocol prints is the whole millimetre above: the
        // verdict compares with that figure, never with the exact one.
        {200.4, 200, false, 1.0}, {200.4, 200.4, false, 0.6}, {200.4, 201, true, 0}, {200.01, 200.99, false, 0.01},
        // The arithmetic's noise does not make 200 mm a 201.
        {200.0000000001, 200, true, 0},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(testing::Message() << (c.minimum ? *c.minimum : -1) << " " << (c.installed ? *c.installed : -1));
        const std::optional<DistanceVerdict> v = compareInstalled(c.minimum, c.installed);
        ASSERT_EQ(v.has_value(), c.meets.has_value());
        if (v) {
            EXPECT_EQ(v->meets, *c.meets);
            EXPECT_EQ(verdictKey(*v), *c.meets ? QStringLiteral("meets") : QStringLiteral("closer"));
            EXPECT_NEAR(v->shortfallMm, c.shortfall, 1e-9);
        }
    }
    EXPECT_EQ(minimumWholeMm(200.4), 201.0);
    EXPECT_EQ(minimumWholeMm(200.0), 200.0);
    // The standard's result carries the verdict; none without a distance.
    DistanceInputs in = device(KindVerticalLightCurtain, 100, 14);
    in.installedMm = 150;
    const DistanceResult closer = defaultDistanceStandard().calculate(in);
    ASSERT_TRUE(closer.verdict);
    EXPECT_FALSE(closer.verdict->meets);
    EXPECT_EQ(closer.verdict->shortfallMm, 50.0);
    in.d.reset();
    EXPECT_FALSE(defaultDistanceStandard().calculate(in).verdict);
}

// Every mend of an input may only make the distance larger or refuse it,
// never smaller: the rules of ISO 13855:2010 the window, the calculator, the
// advisor and zirk-cli share.
TEST(DistanceStandards, Iso2010RulesThatKeepADistanceFromShrinking)
{
    const DistanceStandard &iso2010 = standard("iso13855-2010");
    struct Case
    {
        const char *rule;
        DistanceInputs in;
        std::optional<double> mm; // none: refused
        const char *reason;
    };
    auto door = [](double ms, double C) {
        DistanceInputs in = device(KindDoor, ms);
        in.C = C;
        return in;
    };
    auto mat = [](double ms, double h) {
        DistanceInputs in = device(KindPressureSensitiveMat, ms);
        in.h = h;
        return in;
    };
    auto nonIndustrial = [](DistanceInputs in) {
        in.nonIndustrial = true;
        return in;
    };
    const Case cases[] = {
        {"d below 14 gives C = 0", device(KindVerticalLightCurtain, 100, 10), 200, nullptr},
        {"d below 14 gives C = 0, non-industrial", nonIndustrial(device(KindVerticalLightCurtain, 100, 10)), 275,
         nullptr},
        {"d of 14 gives C = 0", device(KindVerticalLightCurtain, 100, 14), 200, nullptr},
        {"d of 0.5 gives C = 0", device(KindVerticalLightCurtain, 0, 0.5), 100, nullptr},
        {"d of 0 is refused", device(KindVerticalLightCurtain, 100, 0), {}, "the resolution d must be above 0 mm"},
        {"d below 0 is refused", device(KindVerticalLightCurtain, 100, -100), {},
         "the resolution d must be above 0 mm"},
        {"C below 0 is refused", door(100, -5000), {}, "the additional distance C must not be below 0 mm"},
        {"C of 0 is taken", door(100, 0), 160, nullptr},
        {"a mat's reach is not below 850 mm", mat(100, 1e6 / 1000), 1010, nullptr},
        {"a mat's reach of 875 mm stays", mat(100, 812.5), 1035, nullptr},
        {"h below 0 is refused", mat(100, -1), {}, "the step height h must not be below 0 mm"},
        {"a stop time below 0 is refused", device(KindEmergencyStop, -100), {},
         "the stop time is not a number of at least 0 ms"},
        {"a stop time of NaN is refused", device(KindEmergencyStop, std::nan("")), {},
         "the stop time is not a number of at least 0 ms"},
        {"an infinite stop time is refused", device(KindEmergencyStop, std::numeric_limits<double>::infinity()), {},
         "the stop time is not a number of at least 0 ms"},
        {"a stop time of 0 is taken", device(KindEmergencyStop, 0), 0, nullptr},
        {"a distance beyond 100 m is refused", device(KindEmergencyStop, 1e9), {},
         "the distance comes out above 100 m, beyond any guard"},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.rule);
        const DistanceResult r = iso2010.calculate(c.in);
        ASSERT_EQ(r.distanceMm.has_value(), c.mm.has_value()) << r.noDistanceReason.render(kEnglish).toStdString();
        if (c.mm) {
            EXPECT_NEAR(*r.distanceMm, *c.mm, 1e-9);
            // The hint that ISO 13855:2024 shows follows the same rule.
            if (const std::optional<double> added = iso13855_2010AdditionalDistance(c.in)) {
                EXPECT_GE(*added, 0.0);
            }
        } else {
            EXPECT_EQ(r.noDistanceReason.render(kEnglish), QLatin1String(c.reason));
        }
    }
    // The written-out value of C says why it is 0.
    const DistanceResult fine = iso2010.calculate(device(KindVerticalLightCurtain, 100, 10));
    ASSERT_TRUE(value(fine, "C"));
    EXPECT_EQ(value(fine, "C")->quantity.value, 0.0);
    EXPECT_TRUE(value(fine, "C")->note.render(kEnglish).contains(QStringLiteral("not less than 0")));
}

// A stop time below zero or that is no number is refused under every
// standard and for every kind.
TEST(DistanceStandards, ANegativeOrNonFiniteStopTimeIsRefusedUnderEveryStandard)
{
    for (const DistanceStandard *s : distanceStandards())
        for (int kind = 0; kind < SafetyDeviceKindCount; ++kind)
            for (double ms : {-100.0, -1e-9, std::nan(""), -std::numeric_limits<double>::infinity()}) {
                SCOPED_TRACE(testing::Message() << s->id().toStdString() << " kind " << kind << " " << ms);
                DistanceInputs in = device(kind, ms, 14, 300);
                in.C = 0;
                in.h = 0;
                in.ddsMm = 0;
                in.installedMm = 0;
                const DistanceResult r = s->calculate(in);
                EXPECT_FALSE(r.distanceMm);
                EXPECT_FALSE(r.verdict);
                EXPECT_EQ(r.noDistanceReason.render(kEnglish),
                          QStringLiteral("the stop time is not a number of at least 0 ms"));
            }
}
