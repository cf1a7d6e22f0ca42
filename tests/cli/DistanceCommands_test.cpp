// zirk-cli distance, reflective and table, run as a script runs them.
#include "CliRunner.h"

#include "safety/VlcTable.h"

#include <QFile>
#include <QTemporaryDir>

#include <cmath>

namespace {

struct JsonCase
{
    QStringList arguments;
    QString locale;
    const char *json; // the whole of standard output
};

// Expected distances from the ISO 13855 formulas worked by hand.  The JSON
// text is compared whole: keys, their order and the number forms are what
// scripts parse.
const JsonCase kJsonCases[] = {
    {{"distance", "--kind", "vlc", "--time", "100", "--d", "14"}, kPointLocale,
     R"({"kind":"vlc","time_ms":100,"distance_mm":200,"standard":"iso13855-2010","distance_in":7.874015748031496,"minimum_mm":200,"installed_mm":null,"verdict":null})"},
    // 2000 mm/s gives 600 mm, above 500: 1600 mm/s gives 480, raised to 500.
    {{"distance", "--kind", "vlc", "--time", "300", "--d", "14"}, kPointLocale,
     R"({"kind":"vlc","time_ms":300,"distance_mm":500,"standard":"iso13855-2010","distance_in":19.68503937007874,"minimum_mm":500,"installed_mm":null,"verdict":null})"},
    {{"distance", "--kind", "vlc", "--time", "300", "--d", "14", "--non-industrial"}, kPointLocale,
     R"({"kind":"vlc","time_ms":300,"distance_mm":675,"standard":"iso13855-2010","distance_in":26.5748031496063,"minimum_mm":675,"installed_mm":null,"verdict":null})"},
    {{"distance", "--kind", "vlc", "--time", "100", "--d", "41"}, kPointLocale,
     R"({"kind":"vlc","time_ms":100,"distance_mm":1010,"standard":"iso13855-2010","distance_in":39.76377952755906,"minimum_mm":1010,"installed_mm":null,"verdict":null})"},
    {{"distance", "--kind", "vlc", "--time", "100", "--d", "41", "--non-industrial"}, kPointLocale,
     R"({"kind":"vlc","time_ms":100,"distance_mm":1010,"standard":"iso13855-2010","distance_in":39.76377952755906,"minimum_mm":1010,"installed_mm":null,"verdict":null})"},
    {{"distance", "--kind", "hlc", "--time", "100", "--height", "1000"}, kPointLocale,
     R"({"kind":"hlc","time_ms":100,"distance_mm":1010,"standard":"iso13855-2010","distance_in":39.76377952755906,"minimum_mm":1010,"installed_mm":null,"verdict":null})"},
    {{"distance", "--kind", "scanner", "--time", "100", "--height", "1000"}, kPointLocale,
     R"({"kind":"scanner","time_ms":100,"distance_mm":1110,"standard":"iso13855-2010","distance_in":43.70078740157481,"minimum_mm":1110,"installed_mm":null,"verdict":null})"},
    {{"distance", "--kind", "twohand", "--time", "100"}, kPointLocale,
     R"({"kind":"twohand","time_ms":100,"distance_mm":410,"standard":"iso13855-2010","distance_in":16.141732283464567,"minimum_mm":410,"installed_mm":null,"verdict":null})"},
    // A stop time below zero would take from the distance: refused, with why.
    {{"distance", "--kind", "estop", "--time", "-5"}, kPointLocale,
     R"({"kind":"estop","time_ms":-5,"distance_mm":null,"standard":"iso13855-2010","distance_in":null,"minimum_mm":null,"installed_mm":null,"verdict":null,"refused":"the stop time is not a number of at least 0 ms"})"},
    // The minimum the verdict compares with is the whole-mm figure rounded
    // up; the exact distance stays.
    {{"distance", "--kind", "vlc", "--time", "100.2", "--d", "14", "--installed", "200.4"}, kPointLocale,
     R"({"kind":"vlc","time_ms":100.2,"distance_mm":200.4,"standard":"iso13855-2010","distance_in":7.88976377952756,"minimum_mm":201,"installed_mm":200.4,"verdict":"closer"})"},
    {{"distance", "--kind", "door", "--time", "100", "--c", "250"}, kPointLocale,
     R"({"kind":"door","time_ms":100,"distance_mm":410,"standard":"iso13855-2010","distance_in":16.141732283464567,"minimum_mm":410,"installed_mm":null,"verdict":null})"},
    {{"distance", "--kind", "mat", "--time", "100", "--step", "0"}, kPointLocale,
     R"({"kind":"mat","time_ms":100,"distance_mm":1360,"standard":"iso13855-2010","distance_in":53.54330708661418,"minimum_mm":1360,"installed_mm":null,"verdict":null})"},
    // Input in the user's locale, JSON always with a decimal point.
    {{"distance", "--kind", "vlc", "--time", "120,5", "--d", "14"}, kCommaLocale,
     R"({"kind":"vlc","time_ms":120.5,"distance_mm":241,"standard":"iso13855-2010","distance_in":9.488188976377954,"minimum_mm":241,"installed_mm":null,"verdict":null})"},
    {{"distance", "--kind=hlc", "--time=0.1", "--height=0"}, kPointLocale,
     R"({"kind":"hlc","time_ms":0.1,"distance_mm":1200.16,"standard":"iso13855-2010","distance_in":47.250393700787406,"minimum_mm":1201,"installed_mm":null,"verdict":null})"},
    {{"reflective", "--distance", "600"}, kPointLocale, R"({"distance_mm":130})"},
    {{"reflective", "--distance", "3001"}, kPointLocale, R"({"distance_mm":175})"},
    {{"reflective", "--distance", "15001"}, kPointLocale, R"({"distance_mm":655})"},
    {{"reflective", "--distance", "20000"}, kCommaLocale, R"({"distance_mm":873})"},
};

TEST(ZirkCliDistance, JsonResultsOfTheFormulas)
{
    for (const JsonCase &c : kJsonCases) {
        const CliRun run = runCli(c.arguments + QStringList{"--json"}, c.locale);
        EXPECT_EQ(run.exitCode, 0) << callText(c.arguments) << run.err.constData();
        EXPECT_EQ(run.out, QByteArray(c.json) + '\n') << callText(c.arguments);
        EXPECT_TRUE(run.err.isEmpty()) << callText(c.arguments);
    }
}

struct TextCase
{
    QStringList arguments;
    QString locale;
    const char *line; // one line of the output
};

// Without --json the numbers are in the user's locale with the calculator's
// "%5.1n mm" format.
const TextCase kTextCases[] = {
    {{"distance", "--kind", "hlc", "--time", "100,5", "--height", "1000"}, kCommaLocale,
     "Safety distance: 1.010,8 mm"},
    {{"distance", "--kind", "estop", "--time", "1000"}, kCommaLocale, "Safety distance: 1.600,0 mm"},
    {{"distance", "--kind", "vlc", "--time", "300", "--d", "14", "--non-industrial"}, kPointLocale,
     "Safety distance: 675.0 mm"},
    {{"reflective", "--distance", "3000,5"}, kCommaLocale,
     "Minimum distance to a reflecting surface: 175,0 mm"},
};

TEST(ZirkCliDistance, TextForPeopleInTheUsersLocale)
{
    for (const TextCase &c : kTextCases) {
        const CliRun run = runCli(c.arguments, c.locale);
        EXPECT_EQ(run.exitCode, 0) << callText(c.arguments) << run.err.constData();
        EXPECT_TRUE(run.out.contains(QByteArray(c.line) + '\n')) << callText(c.arguments) << "\n"
                                                                 << run.out.constData();
    }
}

struct FailureCase
{
    QStringList arguments;
    int status;
    const char *named; // what the message must name
    QString locale = kPointLocale;
};

const FailureCase kFailures[] = {
    {{"distance", "--kind", "vlc", "--time", "100"}, 1, "--d"},
    {{"distance", "--kind", "door", "--time", "100"}, 1, "--c"},
    {{"distance", "--kind", "laser", "--time", "100"}, 1, "laser"},
    {{"distance", "--kind", "vlc", "--time", "abc", "--d", "14"}, 1, "--time"},
    {{"distance", "--kind", "vlc", "--time", "", "--d", "14"}, 1, "--time"},
    {{"distance", "--kind", "vlc", "--time", "100", "--d", "1,4"}, 1, "--d"},
    // A decimal point is not a number where the locale has a comma.
    {{"distance", "--kind", "vlc", "--time", "12.5", "--d", "14"}, 1, "--time", kCommaLocale},
    {{"distance", "--kind", "vlc", "--time", "1e999", "--d", "14"}, 1, "--time"},
    {{"distance", "--kind", "hlc", "--time", "100", "--height", "100", "--d", "14"}, 1, "--d"},
    {{"distance", "--kind", "door", "--time", "100", "--c", "0", "--non-industrial"}, 1, "--non-industrial"},
    {{"distance", "--time", "100"}, 2, "--kind"},
    {{"distance", "--kind", "vlc", "--d", "14"}, 2, "--time"},
    {{"distance", "--kind"}, 2, "--kind"},
    {{"distance", "--kind", "vlc", "--kind", "hlc", "--time", "1"}, 2, "--kind"},
    {{"distance", "--kind", "vlc", "--time", "1", "--d", "14", "--speed", "3"}, 2, "--speed"},
    {{"distance", "--kind", "estop", "--time", "1", "extra"}, 2, "extra"},
    {{"distance", "--json=yes", "--kind", "estop", "--time", "1"}, 2, "--json"},
    {{"reflective"}, 2, "--distance"},
    {{"reflective", "--distance", "far"}, 1, "--distance"},
    {{"table"}, 2, "-o"},
    {{"table", "-o", "/nonexistent-folder/table.csv"}, 1, "/nonexistent-folder/table.csv"},
    // A required entry that is missing is bad input, as --d of a vlc is.
    {{"distance", "--kind", "hlc", "--standard", "iso13855-2024", "--height", "150", "--time", "100"}, 1, "--d"},
    // No distance and no mounting lies beyond 100 m: 1e308 is a slip.
    {{"distance", "--kind", "vlc", "--time", "100", "--d", "14", "--installed", "1e308"}, 1, "--installed"},
    {{"distance", "--kind", "door", "--time", "100", "--c", "1e308"}, 1, "--c"},
};

TEST(ZirkCliDistance, BadInputAndWrongUsage)
{
    for (const FailureCase &c : kFailures) {
        for (const bool json : {false, true}) {
            const QStringList arguments = json ? c.arguments + QStringList{"--json"} : c.arguments;
            expectFailure(runCli(arguments, c.locale), c.status, c.named, callText(arguments));
        }
    }
}

// Where a standard gives no distance, the line says why where the number
// would stand, and the JSON carries the same reason.
TEST(ZirkCliDistance, ARefusedDistanceSaysWhyInTextAndJson)
{
    struct Case
    {
        QStringList arguments;
        const char *reason;
    };
    const Case cases[] = {
        {{"--kind", "vlc", "--time", "100", "--d", "-100"}, "the resolution d must be above 0 mm"},
        {{"--kind", "vlc", "--time", "100", "--d", "0"}, "the resolution d must be above 0 mm"},
        {{"--kind", "door", "--time", "100", "--c", "-5000"}, "the additional distance C must not be below 0 mm"},
        {{"--kind", "mat", "--time", "100", "--step", "-1"}, "the step height h must not be below 0 mm"},
        {{"--kind", "estop", "--time", "-100", "--installed", "0"}, "the stop time is not a number of at least 0 ms"},
        {{"--kind", "vlc", "--time", "100000000", "--d", "14"}, "the distance comes out above 100 m, beyond any guard"},
        {{"--kind", "hlc", "--standard", "iso13855-2024", "--height", "2000", "--d", "30", "--time", "100"},
         "H must be from 0.0 mm to 1,000.0 mm"},
        {{"--kind", "vlc", "--d", "14", "--time", "100", "--standard", "ansi-b11.19", "--k", "1599"},
         "K must be at least 1,600 mm/s (62.99 in/s)"},
        {{"--kind", "vlc", "--d", "14", "--time", "100", "--standard", "ansi-b11.19", "--tr", "-10"},
         "Tr must be a number not below 0"},
        {{"--kind", "vlc", "--d", "14", "--time", "100", "--standard", "iso13855-2024", "--dds", "-100"},
         "D_DS must be a number not below 0"},
        {{"--kind", "vlc", "--d", "14", "--time", "100", "--standard", "iso13855-2024", "--dds", "100", "--z", "-10"},
         "Z must be a number not below 0"},
        {{"--kind", "estop", "--time", "-100", "--standard", "osha-1910.217"},
         "the stop time is not a number of at least 0 ms"},
    };
    for (const Case &c : cases) {
        const QStringList arguments = QStringList{"distance"} + c.arguments;
        SCOPED_TRACE(callText(arguments));
        const CliRun text = runCli(arguments);
        EXPECT_EQ(text.exitCode, 0) << text.err.constData();
        EXPECT_TRUE(text.out.contains("Safety distance: -- --- mm (no distance: " + QByteArray(c.reason) + ")\n"))
            << text.out.constData();
        const CliRun json = runCli(arguments + QStringList{"--json"});
        EXPECT_EQ(json.exitCode, 0) << json.err.constData();
        EXPECT_TRUE(json.json().value("distance_mm").isNull());
        EXPECT_EQ(json.json().value("refused").toString(), QLatin1String(c.reason));
        EXPECT_TRUE(json.json().value("verdict").isNull());
    }
}

// ISO 13855:2010 only ever makes a distance larger where an input would
// make it smaller: 8 (d - 14) is not less than 0, a mat's reach not less
// than 850 mm.
TEST(ZirkCliDistance, Iso2010MendsOnlyMakeTheDistanceLarger)
{
    const TextCase cases[] = {
        // 2000 x 0.1 + 8 x (10 - 14) would be 168 mm.
        {{"distance", "--kind", "vlc", "--time", "100", "--d", "10"}, kPointLocale, "Safety distance: 200.0 mm"},
        {{"distance", "--kind", "vlc", "--time", "100", "--d", "10", "--non-industrial"}, kPointLocale,
         "Safety distance: 275.0 mm"},
        // 1200 - 0.4 x 1000 = 800 mm, raised to 850.
        {{"distance", "--kind", "mat", "--time", "100", "--step", "1000"}, kPointLocale,
         "Safety distance: 1,010.0 mm"},
    };
    for (const TextCase &c : cases) {
        const CliRun run = runCli(c.arguments, c.locale);
        EXPECT_EQ(run.exitCode, 0) << callText(c.arguments) << run.err.constData();
        EXPECT_TRUE(run.out.contains(QByteArray(c.line) + '\n')) << callText(c.arguments) << "\n"
                                                                 << run.out.constData();
    }
}

// The calculator's figure is rounded up to 0.1 mm; the installed distance
// is printed as entered with a blank after its caption, and the verdict
// compares it with the whole-mm minimum.
TEST(ZirkCliDistance, TheMinimumIsRoundedUpAndTheVerdictComparesWithTheWholeMillimetre)
{
    struct Case
    {
        const char *installed;
        const char *lines;
    };
    const Case cases[] = {
        {"200", "Safety distance: 200.4 mm\nInstalled distance: 200 mm\n"
                "Verdict:         closer than the minimum distance by 1.0 mm\n"},
        {"200.4", "Safety distance: 200.4 mm\nInstalled distance: 200.4 mm\n"
                  "Verdict:         closer than the minimum distance by 0.6 mm\n"},
        {"201", "Safety distance: 200.4 mm\nInstalled distance: 201 mm\n"
                "Verdict:         meets the minimum distance\n"},
    };
    for (const Case &c : cases) {
        const QStringList arguments = {"distance", "--kind", "vlc", "--time", "100.2", "--d", "14", "--installed",
                                       c.installed};
        const CliRun run = runCli(arguments);
        EXPECT_EQ(run.exitCode, 0) << run.err.constData();
        EXPECT_TRUE(run.out.endsWith(c.lines)) << callText(arguments) << "\n" << run.out.constData();
    }
    // 100.02 ms gives 200.04 mm: 200.1 in the calculator's tenth.
    const CliRun tenth = runCli({"distance", "--kind", "vlc", "--time", "100.02", "--d", "14"});
    EXPECT_TRUE(tenth.out.contains("Safety distance: 200.1 mm\n")) << tenth.out.constData();
}

TEST(ZirkCliTable, SameBytesAsTheWindowsExport)
{
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    const struct
    {
        QString name;
        QLocale locale;
    } locales[] = {
        {kPointLocale, QLocale::c()},
        {kCommaLocale, QLocale(QLocale::German, QLocale::Germany)},
    };
    for (const auto &l : locales) {
        const QString fileName = dir.filePath(QStringLiteral("table-%1.csv").arg(l.name));
        const CliRun run = runCli({"table", "-o", fileName, "--json"}, l.name);
        ASSERT_EQ(run.exitCode, 0) << run.err.constData();
        const QJsonObject json = run.json();
        EXPECT_EQ(json.value("file").toString(), fileName);
        EXPECT_EQ(json.value("rows").toInteger(), 500);
        EXPECT_EQ(json.size(), 2);

        QFile file(fileName);
        ASSERT_TRUE(file.open(QIODevice::ReadOnly));
        EXPECT_EQ(file.readAll(), buildVlcTable(l.locale)) << l.name.toStdString();
    }
}

TEST(ZirkCliTable, ReplacesAnExistingFile)
{
    QTemporaryDir dir;
    const QString fileName = dir.filePath(QStringLiteral("table.csv"));
    QFile old(fileName);
    ASSERT_TRUE(old.open(QIODevice::WriteOnly));
    old.write(QByteArray(100000, 'x'));
    old.close();

    const CliRun run = runCli({"table", "-o", fileName});
    ASSERT_EQ(run.exitCode, 0) << run.err.constData();
    EXPECT_EQ(run.out, "500 rows written to " + fileName.toUtf8() + "\n");
    QFile file(fileName);
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    EXPECT_EQ(file.readAll(), buildVlcTable(QLocale::c()));
}

} // namespace

TEST(ZirkCliDistance, StandardOptionsGiveTheStandardsDistanceAndTheVerdict)
{
    struct Case
    {
        QStringList arguments;
        const char *standard;
        double distanceIn; // compared to the hundredth of an inch
        double installedMm; // NaN: null
        const char *verdict; // nullptr: null
    };
    const double none = std::nan("");
    const Case cases[] = {
        // The published ANSI case: 20.97 in.
        {{"--kind", "vlc", "--d", "30", "--time", "190", "--standard", "ansi-b11.19", "--tr", "59",
          "--brake-monitor", "225", "--installed", "500"},
         "ansi-b11.19", 20.97, 500, "closer"},
        // 1600 mm/s, Ts + Tc 60 ms, brake monitor 100 ms, Tr 10 ms, d 14 mm: 199.8 mm.
        {{"--kind", "vlc", "--d", "14", "--time", "60", "--standard", "ansi-b11.19", "--tr", "10",
          "--brake-monitor", "100", "--installed", "200"},
         "ansi-b11.19", 199.8 / 25.4, 200, "meets"},
        {{"--kind", "twohand", "--time", "500", "--standard", "osha-1910.217"}, "osha-1910.217", 31.5, none,
         nullptr},
        {{"--kind", "vlc", "--d", "14", "--time", "320"}, "iso13855-2010", 512 / 25.4, none, nullptr},
        {{"--kind", "estop", "--time", "100", "--standard", "iso13855-2024", "--dds", "100", "--z", "10",
          "--installed", "270"},
         "iso13855-2024", 270 / 25.4, 270, "meets"},
        // Encroachment excluded: D_DS 0, but never below 100 mm.
        {{"--kind", "twohand", "--time", "50", "--standard", "iso13855-2024", "--no-encroachment"},
         "iso13855-2024", 100 / 25.4, none, nullptr},
        // The horizontal zone's d, which ISO 13855:2024 reads.
        {{"--kind", "hlc", "--height", "300", "--d", "40", "--time", "100", "--standard", "iso13855-2024"},
         "iso13855-2024", 1360 / 25.4, none, nullptr},
    };
    for (const Case &c : cases) {
        const QStringList arguments = QStringList{"distance"} + c.arguments + QStringList{"--json"};
        SCOPED_TRACE(callText(arguments));
        const CliRun run = runCli(arguments);
        ASSERT_EQ(run.exitCode, 0) << run.err.constData();
        const QJsonObject json = run.json();
        EXPECT_EQ(json.value(QStringLiteral("standard")).toString(), QLatin1String(c.standard));
        EXPECT_NEAR(json.value(QStringLiteral("distance_in")).toDouble(), c.distanceIn, 0.005);
        EXPECT_NEAR(json.value(QStringLiteral("distance_mm")).toDouble(),
                    json.value(QStringLiteral("distance_in")).toDouble() * 25.4, 1e-9);
        if (std::isnan(c.installedMm))
            EXPECT_TRUE(json.value(QStringLiteral("installed_mm")).isNull());
        else
            EXPECT_EQ(json.value(QStringLiteral("installed_mm")).toDouble(), c.installedMm);
        if (c.verdict)
            EXPECT_EQ(json.value(QStringLiteral("verdict")).toString(), QLatin1String(c.verdict));
        else
            EXPECT_TRUE(json.value(QStringLiteral("verdict")).isNull());
    }

    // Text output names a standard other than the default and the verdict.
    const CliRun text = runCli({"distance", "--kind", "vlc", "--d", "30", "--time", "190", "--standard",
                                "ansi-b11.19", "--tr", "59", "--brake-monitor", "225", "--installed", "500"});
    EXPECT_TRUE(text.out.contains("Standard:        ANSI B11.19 / CSA Z432")) << text.out.constData();
    // 532.7 mm is printed as 533 mm, and the verdict compares with that.
    EXPECT_TRUE(text.out.contains("closer than the minimum distance by 33.0 mm")) << text.out.constData();

    for (const QStringList &bad : {QStringList{"--standard", "iso13855-2031"}, QStringList{"--tr", "abc"},
                                   QStringList{"--installed", "x"}}) {
        const CliRun run = runCli(QStringList{"distance", "--kind", "vlc", "--d", "14", "--time", "100"} + bad);
        EXPECT_EQ(run.exitCode, 1) << callText(bad) << run.out.constData();
        EXPECT_TRUE(run.out.isEmpty());
    }
}
