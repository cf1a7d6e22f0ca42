// zirk-cli stats over text and project files, run as a script runs it.
#include "CliRunner.h"
#include "ProjectFiles.h"

#include <QStringEncoder>
#include <QTemporaryDir>

#include <cmath>
#include <limits>

namespace {

class ZirkCliStats : public ::testing::Test
{
protected:
    QString file(const char *name, const QByteArray &text)
    {
        const QString fileName = dir.filePath(QLatin1String(name));
        writeBytes(fileName, text);
        return fileName;
    }
    QString project(const char *name, const TestProject &p)
    {
        const QString fileName = dir.filePath(QLatin1String(name));
        writeProject(fileName, p);
        return fileName;
    }

    QTemporaryDir dir;
};

// The statistics of 9 x 100 ms and 1 x 200 ms, each written out so that a
// different order of summing shows in the last digit.
constexpr double kMean = 110.0;
constexpr double kSigma = 31.622776601683793;
constexpr double kMeanPlus3Sigma = 204.8683298050514;
// Vertical light curtain, d = 14: 2000 mm/s x 0.2048683... s.
constexpr double kVlc14 = 409.7366596101028;

TEST_F(ZirkCliStats, JsonOfTenValuesWithTheDefaultLightCurtain)
{
    const QString values = file("values.txt", "100\n100\n100\n100\n100\n100\n100\n100\n100\n200\n");
    const CliRun run = runCli({"stats", values, "--json"});
    ASSERT_EQ(run.exitCode, 0) << run.err.constData();
    EXPECT_EQ(run.out, QByteArray(R"({"count":10,"mean_ms":110,"sigma_ms":31.622776601683793,)"
                                  R"("mean_plus_3sigma_ms":204.8683298050514,"max_ms":200,)"
                                  R"("governing_ms":204.8683298050514,"governing":"mean+3sigma",)"
                                  R"("kind":"vlc","distance_mm":409.7366596101028,"standard":"iso13855-2010",)"
                                  R"("distance_in":16.13136455157885,"minimum_mm":410,"installed_mm":null,"verdict":null,"safeguard":null})"
                                  "\n"));
}

struct StatsCase
{
    const char *what;
    QByteArray text;          // the one text file
    QStringList options;
    QString locale;
    qint64 count;
    std::optional<double> mean;
    const char *governing;    // nullptr: null
    const char *kind;         // nullptr: null
    std::optional<double> distance;
};

const StatsCase kCases[] = {
    {"import rules, decimal point", "12.5\nabc\n\n13,1\n2E2\r\n 7 \n12 ms\n-1\n", {}, kPointLocale, 4,
     (12.5 + 200.0 + 7.0 - 1.0) / 4, "mean+3sigma", "vlc", std::nullopt},
    {"import rules, decimal comma", "12.5\nabc\n\n13,1\n2E2\r\n", {}, kCommaLocale, 2, (13.1 + 200.0) / 2, "mean+3sigma",
     "vlc", std::nullopt},
    {"last line without line feed", "100\n200", {}, kPointLocale, 2, 150.0, "mean+3sigma", "vlc", std::nullopt},
    {"empty file", "", {}, kPointLocale, 0, std::nullopt, nullptr, "vlc", std::nullopt},
    {"no line is a number", "a\nb\n", {"--kind", "estop"}, kPointLocale, 0, std::nullopt, nullptr, "estop",
     std::nullopt},
    {"nine values: no distance yet", "100\n100\n100\n100\n100\n100\n100\n100\n200\n", {}, kPointLocale, 9,
     1000.0 / 9, "mean+3sigma", "vlc", std::nullopt},
    // All equal: sigma 0, mean + 3 sigma equals the maximum, which governs.
    {"all equal", "250\n250\n250\n250\n250\n250\n250\n250\n250\n250\n", {}, kPointLocale, 10, 250.0, "max",
     "vlc", 500.0},
    {"another kind", "100\n100\n100\n100\n100\n100\n100\n100\n100\n200\n", {"--kind", "estop"}, kPointLocale, 10,
     kMean, "mean+3sigma", "estop", 1600.0 * (kMeanPlus3Sigma / 1000.0)},
    // d = 30: 2000 mm/s gives 537.7 mm, above 500: 1600 mm/s gives 455.8,
    // raised to 500.
    {"another resolution", "100\n100\n100\n100\n100\n100\n100\n100\n100\n200\n", {"--d", "30"}, kPointLocale, 10,
     kMean, "mean+3sigma", "vlc", 500.0},
    {"non-industrial", "100\n100\n100\n100\n100\n100\n100\n100\n100\n200\n", {"--non-industrial"}, kPointLocale,
     10, kMean, "mean+3sigma", "vlc", kVlc14 + 75.0},
    {"a door with its C", "100\n100\n100\n100\n100\n100\n100\n100\n100\n200\n", {"--kind", "door", "--c", "120,5"},
     kCommaLocale, 10, kMean, "mean+3sigma", "door", 1600.0 * (kMeanPlus3Sigma / 1000.0) + 120.5},
};

TEST_F(ZirkCliStats, StatisticsAndDistanceOfATextFile)
{
    for (const StatsCase &c : kCases) {
        const QString values = file("case.txt", c.text);
        const CliRun run = runCli(QStringList{"stats", values, "--json"} + c.options, c.locale);
        ASSERT_EQ(run.exitCode, 0) << c.what << run.err.constData();
        const QJsonObject json = run.json();
        // minimum_mm beside distance_mm, the reason of a refusal, and the
        // safeguard: text files name none.
        EXPECT_EQ(json.size(), json.contains("refused") ? 16 : 15) << c.what;
        EXPECT_TRUE(json.value("safeguard").isNull()) << c.what;
        EXPECT_EQ(json.value("count").toInteger(-1), c.count) << c.what;
        for (const char *key : {"mean_ms", "sigma_ms", "mean_plus_3sigma_ms", "max_ms", "governing_ms"}) {
            EXPECT_EQ(json.value(key).isNull(), !c.mean) << c.what << " " << key;
            EXPECT_EQ(json.value(key).isDouble(), bool(c.mean)) << c.what << " " << key;
        }
        if (c.mean) {
            EXPECT_NEAR(json.value("mean_ms").toDouble(), *c.mean, 1e-9) << c.what;
        }
        if (c.governing) {
            EXPECT_EQ(json.value("governing").toString(), QLatin1String(c.governing)) << c.what;
        } else {
            EXPECT_TRUE(json.value("governing").isNull()) << c.what;
        }
        if (c.kind) {
            EXPECT_EQ(json.value("kind").toString(), QLatin1String(c.kind)) << c.what;
        } else {
            EXPECT_TRUE(json.value("kind").isNull()) << c.what;
        }
        if (c.distance) {
            EXPECT_DOUBLE_EQ(json.value("distance_mm").toDouble(), *c.distance) << c.what;
        } else {
            EXPECT_TRUE(json.value("distance_mm").isNull()) << c.what;
        }
    }
}

// A UTF-16 file as Notepad saves it, with a maximum in its first line and
// a line that is not a number: every value counts, and standard error says
// what the window's status bar says after an import.
TEST_F(ZirkCliStats, ImportsSayWhatWasAddedAndWhatWasNotANumber)
{
    QString lines = QStringLiteral("300\r\n12 \u00b5s\r\n");
    for (int i = 0; i < 9; ++i)
        lines += QStringLiteral("100\r\n");
    QStringEncoder utf16(QStringConverter::Utf16LE, QStringConverter::Flag::WriteBom);
    const QString notepad = file("notepad.txt", utf16.encode(lines));
    const QString bom = file("bom.txt", "\xEF\xBB\xBF" "250\n");
    const QString clean = file("clean.txt", "1\n2\n");

    CliRun run = runCli({"stats", notepad, bom, clean, "--json"});
    ASSERT_EQ(run.exitCode, 0) << run.err.constData();
    EXPECT_EQ(run.json().value("count").toInteger(), 13);
    EXPECT_EQ(run.json().value("max_ms").toDouble(), 300.0);
    const QList<QByteArray> err = run.err.split('\n');
    ASSERT_EQ(err.size(), 4) << run.err.constData();
    EXPECT_EQ(QString::fromUtf8(err[0]), QStringLiteral("zirk-cli: %1: 10 values added; 1 line was not a number: "
                                                        "line 2 \"12 \u00b5s\"").arg(notepad));
    EXPECT_EQ(err[1], "zirk-cli: " + bom.toUtf8() + ": 1 value added");
    EXPECT_EQ(err[2], "zirk-cli: " + clean.toUtf8() + ": 2 values added");

    run = runCli({"new-project", "-o", dir.filePath("p.zPRJ"), "--import", notepad, "--json"});
    ASSERT_EQ(run.exitCode, 0) << run.err.constData();
    EXPECT_EQ(run.json().value("count").toInteger(), 10);
    EXPECT_TRUE(run.err.contains(": 10 values added; 1 line was not a number")) << run.err.constData();
}

// Sums beyond the range of a double, or a NaN stored in a project file: no
// governing time and no distance, null in JSON and no number for people.
TEST_F(ZirkCliStats, NothingThatIsNotFiniteIsAResult)
{
    std::vector<double> withNaN(10, 100.0);
    withNaN[2] = std::numeric_limits<double>::quiet_NaN();
    const struct
    {
        const char *name;
        QString file;
    } cases[] = {
        {"five values 1e308 and five -1e308",
         file("overflow.txt", "1e308\n1e308\n1e308\n1e308\n1e308\n-1e308\n-1e308\n-1e308\n-1e308\n-1e308\n")},
        {"a NaN in a project file", project("nan.zPRJ", lightCurtainProject(withNaN))},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.name);
        CliRun run = runCli({"stats", c.file, "--json"});
        ASSERT_EQ(run.exitCode, 0) << run.err.constData();
        const QJsonObject json = run.json();
        EXPECT_EQ(json.value("count").toInteger(), 10);
        for (const char *key : {"mean_plus_3sigma_ms", "governing_ms", "governing", "distance_mm"})
            EXPECT_TRUE(json.value(key).isNull()) << key;

        run = runCli({"stats", c.file});
        ASSERT_EQ(run.exitCode, 0) << run.err.constData();
        EXPECT_TRUE(run.out.contains("Safety distance:     -- --- mm  (the stop times give no finite result)\n"))
            << run.out.constData();
        EXPECT_FALSE(run.out.contains("Governing:")) << run.out.constData();
        EXPECT_FALSE(run.out.contains("inf") || run.out.contains("nan")) << run.out.constData();
    }
}

TEST_F(ZirkCliStats, SeriesOfAllFilesInOrderWithTheFirstProjectsDevice)
{
    // A horizontal light curtain at H = 1000 in the first project, a
    // scanner in the second: the first one's kind and height count.
    TestProject hlc = lightCurtainProject({100, 100, 100, 100});
    hlc.record.setSafetyDeviceId(1);
    hlc.record.setResolution(-1.0);
    hlc.record.setHeight(1000.0);
    TestProject scanner = lightCurtainProject({100, 100, 100, 100, 100});
    scanner.record.setSafetyDeviceId(2);
    scanner.record.setHeight(300.0);
    const QString first = project("first.zPRJ", hlc);
    const QString second = project("SECOND.ZPRJ", scanner);
    const QString text = file("more.txt", "200\n");

    const CliRun run = runCli({"stats", text, first, second, "--json"});
    ASSERT_EQ(run.exitCode, 0) << run.err.constData();
    const QJsonObject json = run.json();
    EXPECT_EQ(json.value("count").toInteger(), 10);
    EXPECT_EQ(json.value("kind").toString(), "hlc");
    // 1600 mm/s x T + (1200 - 0.4 x 1000, at least 850); T is mean + 3 sigma
    // of the same ten values as above, in another order.
    EXPECT_NEAR(json.value("distance_mm").toDouble(), 1600.0 * kMeanPlus3Sigma / 1000.0 + 850.0, 1e-9);

    // The options replace the stored height.
    const CliRun lower = runCli({"stats", first, second, text, "--height", "0", "--json"});
    EXPECT_NEAR(lower.json().value("distance_mm").toDouble(), 1600.0 * kMeanPlus3Sigma / 1000.0 + 1200.0, 1e-9);
}

TEST_F(ZirkCliStats, StoredDevicesWithoutInputGiveNoDistance)
{
    struct
    {
        const char *what;
        qint32 kind;
        double d;
        double height;
        const char *kindName; // nullptr: null
    } devices[] = {
        // The selection dialog stores -1 when the field was not a number.
        {"light curtain without d", 0, -1.0, -1.0, "vlc"},
        {"scanner without height", 2, -1.0, -1.0, "scanner"},
        // C and h are not stored in project files.
        {"door", 5, -1.0, -1.0, "door"},
        {"mat", 6, -1.0, -1.0, "mat"},
        {"unknown kind", 99, 14.0, -1.0, nullptr},
    };
    for (const auto &d : devices) {
        TestProject p = lightCurtainProject(tenValues());
        p.record.setSafetyDeviceId(d.kind);
        p.record.setResolution(d.d);
        p.record.setHeight(d.height);
        const QString fileName = project("device.zPRJ", p);
        const CliRun run = runCli({"stats", fileName, "--json"});
        ASSERT_EQ(run.exitCode, 0) << d.what << run.err.constData();
        const QJsonObject json = run.json();
        EXPECT_TRUE(json.value("distance_mm").isNull()) << d.what;
        EXPECT_DOUBLE_EQ(json.value("governing_ms").toDouble(), kMeanPlus3Sigma) << d.what;
        if (d.kindName) {
            EXPECT_EQ(json.value("kind").toString(), QLatin1String(d.kindName)) << d.what;
        } else {
            EXPECT_TRUE(json.value("kind").isNull()) << d.what;
        }

        const CliRun text = runCli({"stats", fileName});
        EXPECT_TRUE(text.out.contains("Safety distance:     -- --- mm")) << d.what << text.out.constData();
    }

    TestProject door = lightCurtainProject(tenValues());
    door.record.setSafetyDeviceId(5);
    const CliRun withC = runCli({"stats", project("door.zPRJ", door), "--c", "250", "--json"});
    EXPECT_DOUBLE_EQ(withC.json().value("distance_mm").toDouble(), 1600.0 * (kMeanPlus3Sigma / 1000.0) + 250.0);
}

TEST_F(ZirkCliStats, TextForPeopleInTheUsersLocale)
{
    const QString values = file("values.txt", "1000,5\n1000,5\n1000,5\n1000,5\n1000,5\n1000,5\n1000,5\n1000,5\n"
                                              "1000,5\n1000,5\n");
    const CliRun run = runCli({"stats", values, "--kind", "estop"}, kCommaLocale);
    ASSERT_EQ(run.exitCode, 0) << run.err.constData();
    // "%5.0d", "%5.0n ms" and "%5.0n mm" as the main window shows them;
    // 1600 x 1.0005 s = 1600.8 mm, 63.024 inch: both rounded up.
    for (const char *line : {"Count:                  10\n", "Mean:                1.001 ms\n",
                             "Standard deviation:      0 ms\n", "Maximum:             1.001 ms\n",
                             "Governing:           1.001 ms (maximum)\n", "Safety device:       estop\n",
                             "Safety distance:     1.601 mm  (63,03 inch)\n"})
        EXPECT_TRUE(run.out.contains(line)) << line << "\n" << run.out.constData();
}

TEST_F(ZirkCliStats, BadInputAndWrongUsage)
{
    const QString values = file("values.txt", "100\n");
    const QString corrupt = file("corrupt.zprj", "this is text, not a project\n");
    const struct
    {
        QStringList arguments;
        int status;
        QString named;
    } cases[] = {
        {{"stats", dir.filePath("missing.txt")}, 1, dir.filePath("missing.txt")},
        {{"stats", values, corrupt}, 1, corrupt},
        {{"stats", values, dir.filePath("missing.zPRJ")}, 1, dir.filePath("missing.zPRJ")},
        {{"stats", dir.path()}, 1, dir.path()},
        {{"stats", values, "--kind", "laser"}, 1, "laser"},
        {{"stats", values, "--kind", "hlc"}, 1, "--height"},
        {{"stats", values, "--c", "10"}, 1, "--c"},
        {{"stats", values, "--d", "ten"}, 1, "--d"},
        {{"stats"}, 2, "FILE"},
        {{"stats", "--kind", "vlc", "--d", "14"}, 2, "FILE"},
        {{"stats", values, "--time", "100"}, 2, "--time"},
    };
    for (const auto &c : cases)
        expectFailure(runCli(c.arguments + QStringList{"--json"}), c.status, c.named.toUtf8().constData(),
                      callText(c.arguments));
}

} // namespace

namespace {

// Ten values of 100.2 ms give 200.4 mm.  A fitter who mounts at a figure
// rounded to the nearest fails: the minimum is printed rounded up to whole
// mm and the verdict compares with that figure, the installed distance is
// printed as entered.
TEST_F(ZirkCliStats, TheMinimumIsPrintedRoundedUpAndTheVerdictComparesWithIt)
{
    const QString values = file("values.txt", QByteArray("100.2\n").repeated(10));
    struct Case
    {
        const char *installed;
        const char *installedLine;
        const char *verdict;
        double shortfall;
    };
    const Case cases[] = {
        {"200", "Installed distance:  200 mm\n", "closer than the minimum distance by 1.0 mm", 1.0},
        {"200.4", "Installed distance:  200.4 mm\n", "closer than the minimum distance by 0.6 mm", 0.6},
        {"201", "Installed distance:  201 mm\n", "meets the minimum distance", 0.0},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.installed);
        const CliRun text = runCli({"stats", values, "--installed", c.installed});
        ASSERT_EQ(text.exitCode, 0) << text.err.constData();
        EXPECT_TRUE(text.out.contains("Safety distance:       201 mm  (7.89 inch)\n")) << text.out.constData();
        EXPECT_TRUE(text.out.contains(c.installedLine)) << text.out.constData();
        EXPECT_TRUE(text.out.contains(c.verdict)) << text.out.constData();

        const QJsonObject json = runCli({"stats", values, "--installed", c.installed, "--json"}).json();
        // The exact distance stays; minimum_mm is the figure the verdict uses.
        EXPECT_NEAR(json.value("distance_mm").toDouble(), 200.4, 1e-9);
        EXPECT_EQ(json.value("minimum_mm").toDouble(), 201.0);
        EXPECT_EQ(json.value("verdict").toString(), c.shortfall > 0 ? "closer" : "meets");
    }
}

// Output that never arrived is no success: a full disk behind standard
// output fails the command with a message.
TEST_F(ZirkCliStats, OutputThatCannotBeWrittenFailsTheCommand)
{
    const QString values = file("values.txt", QByteArray("100\n").repeated(10));
    for (const QStringList &arguments :
         {QStringList{"stats", values}, QStringList{"stats", values, "--json"}, QStringList{"--help"},
          QStringList{"distance", "--kind", "estop", "--time", "100"}}) {
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert(QStringLiteral("LC_ALL"), kPointLocale);
        env.insert(QStringLiteral("ZIRK_CONFIG_DIR"), dir.path());
        QProcess process;
        process.setProcessEnvironment(env);
        process.setStandardOutputFile(QStringLiteral("/dev/full"));
        process.start(QStringLiteral(ZIRK_BINARY_DIR "/zirk-cli"), arguments);
        ASSERT_TRUE(process.waitForFinished(60000));
        EXPECT_EQ(process.exitCode(), 1) << callText(arguments);
        EXPECT_TRUE(process.readAllStandardError().contains("cannot write the output")) << callText(arguments);
    }
}

} // namespace

namespace {

// A project whose block holds an entry that would shorten the distance (a
// negative Tr or Z) gives no distance, and the line says why.
TEST_F(ZirkCliStats, ANegativeEntryStoredInAProjectIsRefusedWithItsReason)
{
    struct Case
    {
        const char *standard;
        std::optional<double> StandardEntries::*entry;
        const char *reason;
    };
    const Case cases[] = {
        {"ansi-b11.19", &StandardEntries::trMs, "Tr must be a number not below 0"},
        {"iso13855-2024", &StandardEntries::zMm, "Z must be a number not below 0"},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.standard);
        TestProject p = lightCurtainProject(std::vector<double>(10, 100.0));
        ProjectExtension block;
        block.standardId = QLatin1String(c.standard);
        block.ddsMm = 100.0;
        block.*c.entry = -10.0;
        ASSERT_TRUE(p.record.setExtension(block));
        const QString fileName = project("negative.zPRJ", p);
        const CliRun text = runCli({"stats", fileName});
        ASSERT_EQ(text.exitCode, 0) << text.err.constData();
        EXPECT_TRUE(text.out.contains("Safety distance:     -- --- mm (no distance: " + QByteArray(c.reason) + ")\n"))
            << text.out.constData();
        const QJsonObject json = runCli({"stats", fileName, "--json"}).json();
        EXPECT_TRUE(json.value("distance_mm").isNull());
        EXPECT_EQ(json.value("refused").toString(), QLatin1String(c.reason));
    }
}

} // namespace
