#include "project/ProjectMeasurement.h"

#include "ProjectCodePageScope.h"
#include "QtPrinters.h"
#include "series/SeriesResult.h"

#include <gtest/gtest.h>

#include <cmath>
#include <ctime>

namespace {

constexpr int kReservedOffset = 922;
constexpr int kReservedSize = 206;

bool reservedIsZero(const ProjectRecord &record)
{
    const char *b = record.bytes().data() + kReservedOffset;
    return std::all_of(b, b + kReservedSize, [](char c) { return c == 0; });
}

Measurement measured(const SafetyDevice &device, const DistanceChoice &choice)
{
    Measurement m;
    m.stopTimes = std::vector<double>(12, 190.0);
    m.safetyDevice = device;
    m.safetyDevice.Name = QStringLiteral("Device");
    m.distanceChoice = choice;
    return m;
}

} // namespace

TEST(ProjectMeasurement, EveryStandardWithItsEntriesAndTheInstalledDistanceReopens)
{
    DistanceChoice ansi = DistanceChoice::of(QStringLiteral("ansi-b11.19"));
    ansi.trMs = 59;
    ansi.brakeMonitorMs = 225;
    ansi.kMmPerS = 2000;
    ansi.installedMm = 500;
    DistanceChoice ansiDoor = DistanceChoice::of(QStringLiteral("ansi-b11.19"));
    ansiDoor.dpfMm = 48;
    ansiDoor.installedMm = 900;
    DistanceChoice iso2024 = DistanceChoice::of(QStringLiteral("iso13855-2024"));
    iso2024.ddsMm = 128;
    iso2024.zMm = 0;
    iso2024.installedMm = 300;
    DistanceChoice twoHand = DistanceChoice::of(QStringLiteral("iso13855-2024"));
    twoHand.noEncroachment = true;
    twoHand.installedMm = 100;
    DistanceChoice osha = DistanceChoice::of(QStringLiteral("osha-1910.217"));
    osha.trMs = 10;
    osha.installedMm = 800;
    DistanceChoice iso2010 = DistanceChoice::of(QStringLiteral("iso13855-2010"));
    iso2010.installedMm = 1500;
    SafetyDevice zone = SafetyDevice::selected(KindHorizontalLightCurtain, 300.0);
    zone.d = 40; // ISO 13855:2024 reads the zone's d
    struct Case
    {
        const char *what;
        SafetyDevice device;
        DistanceChoice choice;
    };
    const Case cases[] = {
        {"ANSI, light curtain", SafetyDevice::selected(KindVerticalLightCurtain, 30.0), ansi},
        {"ANSI, door with C and Dpf", SafetyDevice::selected(KindDoor, 250.0), ansiDoor},
        {"ISO 13855:2024, mat with h", SafetyDevice::selected(KindPressureSensitiveMat, 120.0), iso2024},
        {"ISO 13855:2024, horizontal zone with d", zone, iso2024},
        {"ISO 13855:2024, two-hand control", SafetyDevice::selected(KindTwoHandControl, std::nullopt), twoHand},
        {"OSHA", SafetyDevice::selected(KindEmergencyStop, std::nullopt), osha},
        {"ISO 13855:2010, non-industrial", SafetyDevice::selected(KindVerticalLightCurtain, 14.0, true), iso2010},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.what);
        Measurement m = measured(c.device, c.choice);
        m.lastValueAt = QDateTime::fromMSecsSinceEpoch(1765370000000, Qt::UTC);
        ProjectRecord record;
        ProjectPictures pictures;
        writeMeasurement(m, record, pictures);
        QString problem = QStringLiteral("stale");
        const Measurement back = measurementFromProject(m.stopTimes, record, pictures, &problem);
        EXPECT_TRUE(problem.isEmpty()) << problem.toStdString();
        EXPECT_EQ(back.distanceChoice, c.choice);
        EXPECT_EQ(back.safetyDevice, m.safetyDevice);
        EXPECT_EQ(back.lastValueAt, m.lastValueAt);
        // The same distance and the same verdict as before saving.
        const SeriesResult before = m.result(), after = back.result();
        ASSERT_TRUE(before.distanceMm);
        EXPECT_EQ(after.distanceMm, before.distanceMm);
        ASSERT_TRUE(after.distance.verdict);
        EXPECT_EQ(after.distance.verdict->meets, before.distance.verdict->meets);
    }
}

TEST(ProjectMeasurement, TheDefaultStandardWithoutEntriesWritesTheFileOfBefore)
{
    // A file of an earlier version: no block, zeros in the reserved bytes.
    Measurement m = measured(SafetyDevice::selected(KindVerticalLightCurtain, 14.0), DistanceChoice());
    ProjectRecord record;
    ProjectPictures pictures;
    writeMeasurement(m, record, pictures);
    EXPECT_TRUE(reservedIsZero(record));
    m.distanceChoice = DistanceChoice::of(QStringLiteral("iso13855-2010"));
    writeMeasurement(m, record, pictures);
    EXPECT_TRUE(reservedIsZero(record));

    // Opened, such a file is ISO 13855:2010 without entries, and without a
    // door's C: as before.
    ProjectRecord older;
    older.setSafetyDeviceId(KindDoor);
    QString problem = QStringLiteral("stale");
    const Measurement opened = measurementFromProject(std::vector<double>(10, 100.0), older, pictures, &problem);
    EXPECT_TRUE(problem.isEmpty());
    EXPECT_TRUE(opened.distanceChoice.isPlain());
    EXPECT_EQ(opened.distanceChoice.standard(), &defaultDistanceStandard());
    EXPECT_TRUE(std::isnan(opened.safetyDevice.C));
    EXPECT_FALSE(opened.result().distanceMm);

    // A measurement that drops its choice also drops the block of the file
    // opened before, so a stale standard never rides along.
    ProjectRecord reused;
    Measurement chosen = measured(SafetyDevice::selected(KindVerticalLightCurtain, 14.0),
                                  DistanceChoice::of(QStringLiteral("osha-1910.217")));
    writeMeasurement(chosen, reused, pictures);
    ASSERT_FALSE(reservedIsZero(reused));
    writeMeasurement(m, reused, pictures);
    EXPECT_TRUE(reservedIsZero(reused));
}

TEST(ProjectMeasurement, ABlockThatFailsItsCheckIsIgnoredWithAReason)
{
    Measurement m = measured(SafetyDevice::selected(KindDoor, 250.0), DistanceChoice::of(QStringLiteral("ansi-b11.19")));
    ProjectRecord record;
    ProjectPictures pictures;
    writeMeasurement(m, record, pictures);
    record.bytes()[kReservedOffset + 40] ^= 0x01;
    QString problem;
    const Measurement opened = measurementFromProject(m.stopTimes, record, pictures, &problem);
    EXPECT_TRUE(problem.contains(QStringLiteral("checksum"))) << problem.toStdString();
    EXPECT_TRUE(opened.distanceChoice.isPlain());
    EXPECT_TRUE(std::isnan(opened.safetyDevice.C));

    // A block naming a standard this program does not know: no distance by
    // another standard, and the reason.
    ProjectExtension unknown;
    unknown.standardId = QStringLiteral("iso13855-2031");
    unknown.doorC = 250;
    ASSERT_TRUE(record.setExtension(unknown));
    const Measurement newer = measurementFromProject(m.stopTimes, record, pictures, &problem);
    EXPECT_TRUE(problem.contains(QStringLiteral("iso13855-2031"))) << problem.toStdString();
    EXPECT_FALSE(newer.result().distanceMm);
}

TEST(ProjectTexts, SurviveARoundTripInTheCodePageOfTheUsersSystem)
{
    struct Case
    {
        int codePage;
        QString typed;
        QString reopened;
    };
    const Case cases[] = {
        {1250, QStringLiteral("Lis č. 4"), QStringLiteral("Lis č. 4")},
        {1252, QStringLiteral("Lis č. 4"), QStringLiteral("Lis ?. 4")},
        {1252, QStringLiteral("Presse Süd"), QStringLiteral("Presse Süd")},
        {1250, QStringLiteral("Presse Süd"), QStringLiteral("Presse Süd")},
        {1251, QStringLiteral("Пресс 5"), QStringLiteral("Пресс 5")},
        {1253, QStringLiteral("Πρέσα Ω-7"), QStringLiteral("Πρέσα Ω-7")},
        {1254, QStringLiteral("Pres İş"), QStringLiteral("Pres İş")},
        {1252, QStringLiteral("Presse Ω-7"), QStringLiteral("Presse ?-7")},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.codePage);
        const ProjectCodePageScope scope(c.codePage);
        Measurement m = measured(SafetyDevice::selected(KindVerticalLightCurtain, 14.0), DistanceChoice());
        m.machineId = c.typed;
        m.note = c.typed;
        m.pictures[0].note = c.typed;
        ProjectRecord record;
        ProjectPictures pictures;
        writeMeasurement(m, record, pictures);
        const Measurement opened = measurementFromProject(m.stopTimes, record, pictures);
        EXPECT_EQ(opened.machineId, c.reopened);
        EXPECT_EQ(opened.note, c.reopened);
        EXPECT_EQ(opened.pictures[0].note, c.reopened);
        // What the window keeps is what the file gives back.
        EXPECT_EQ(keptProjectText(c.typed, ProjectRecord::Text::MachineID), c.reopened);
        EXPECT_EQ(projectTextFit(c.typed, ProjectRecord::Text::MachineID).fits(), c.typed == c.reopened);
    }
}

TEST(ProjectTexts, AFitNamesWhatTheCodePageLacksAndCountsTheBytes)
{
    const ProjectCodePageScope scope(1252);
    using Text = ProjectRecord::Text;
    struct Case
    {
        QString text;
        QString unkept;
        int bytes;
    };
    const Case cases[] = {
        {QStringLiteral("Presse Süd"), QString(), 10},
        {QStringLiteral("ΩΩ č Ω"), QStringLiteral("Ωč"), 6},
        {QStringLiteral("Is it? ?"), QString(), 8}, // a question mark of the user's is kept
        {QStringLiteral("a\U0001F600b"), QStringLiteral("\U0001F600"), 3},
        {QString(100, QLatin1Char('x')), QString(), 100},
        {QString(101, QLatin1Char('x')), QString(), 101},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.text.toStdString());
        const ProjectTextFit fit = projectTextFit(c.text, Text::MachineID);
        EXPECT_EQ(fit.unkept, c.unkept);
        EXPECT_EQ(fit.bytes, c.bytes);
        EXPECT_EQ(fit.capacity, 100);
        EXPECT_EQ(fit.fits(), c.unkept.isEmpty() && c.bytes <= 100);
    }
    // The serial number's field is shorter, and the kept text is cut to it.
    EXPECT_EQ(projectTextFit(QString(51, QLatin1Char('1')), Text::SerialNumber).capacity, 50);
    EXPECT_EQ(keptProjectText(QString(101, QLatin1Char('x')), Text::MachineID), QString(100, QLatin1Char('x')));
}

// No text of a project can forge a line: the dialogs and zirk-cli refuse
// control characters (the fit names them), what an older file holds comes
// back escaped, and what is kept of a text set by the program is escaped.
TEST(ProjectTexts, ControlCharactersAreRefusedAndComeBackEscaped)
{
    const ProjectCodePageScope scope(1252);
    using Text = ProjectRecord::Text;
    struct Case
    {
        QString text;
        QString controls; // as the fit names them
        QString escaped;
    };
    const Case cases[] = {
        {QStringLiteral("Press 9"), QString(), QStringLiteral("Press 9")},
        {QStringLiteral("Press 9\nPress 9  2026-12-11  meets"), QStringLiteral("\\n"),
         QStringLiteral("Press 9\\nPress 9  2026-12-11  meets")},
        {QStringLiteral("a\tb\r\n\tc"), QStringLiteral("\\t\\r\\n"), QStringLiteral("a\\tb\\r\\n\\tc")},
        {QStringLiteral("bell\x07 del\x7f"), QStringLiteral("\\x07\\x7f"), QStringLiteral("bell\\x07 del\\x7f")},
        {QStringLiteral("next\u0085line"), QStringLiteral("\\x85"), QStringLiteral("next\\x85line")},
        // A blank is no control character.
        {QStringLiteral("   "), QString(), QStringLiteral("   ")},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.text.toStdString());
        const ProjectTextFit fit = projectTextFit(c.text, Text::MachineID);
        EXPECT_EQ(fit.controls, c.controls);
        EXPECT_EQ(fit.fits(), c.controls.isEmpty());
        EXPECT_EQ(escapeControlCharacters(c.text), c.escaped);
        EXPECT_EQ(keptProjectText(c.text, Text::MachineID), c.escaped.left(100));
        // An older file that holds the text as it is (the ASCII cases; 0x85
        // is an ellipsis in Windows-1252).
        if (c.text.toLatin1() != c.text.toUtf8())
            continue;
        ProjectRecord record;
        record.setText(Text::MachineID, c.text.toLatin1());
        EXPECT_EQ(projectText(record, Text::MachineID), c.escaped);
    }
}

// A wall time the clocks skipped, in a name Save as wrote on the night
// summer time began, is the time before the change: 02:30 CET is 01:30 UTC.
TEST(ProjectFileName, ATimeInTheSpringGapIsReadAsTheTimeBeforeTheChange)
{
    const QByteArray oldTz = qgetenv("TZ");
    qputenv("TZ", "Europe/Prague");
    tzset();
    struct Case
    {
        const char *name;
        QDateTime utc;
    };
    const Case cases[] = {
        {"Project_20250330_0230_x.zPRJ", QDateTime(QDate(2025, 3, 30), QTime(1, 30), Qt::UTC)},
        {"Project_20250330_0200_x.zPRJ", QDateTime(QDate(2025, 3, 30), QTime(1, 0), Qt::UTC)},
        {"Project_20250330_0159_x.zPRJ", QDateTime(QDate(2025, 3, 30), QTime(0, 59), Qt::UTC)},
        {"Project_20250330_0300_x.zPRJ", QDateTime(QDate(2025, 3, 30), QTime(1, 0), Qt::UTC)},
        {"Project_20250710_1432_x.zPRJ", QDateTime(QDate(2025, 7, 10), QTime(12, 32), Qt::UTC)},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.name);
        const std::optional<QDateTime> when = timeInProjectFileName(QString::fromLatin1(c.name));
        ASSERT_TRUE(when.has_value());
        EXPECT_EQ(when->toUTC(), c.utc);
    }
    if (oldTz.isNull())
        qunsetenv("TZ");
    else
        qputenv("TZ", oldTz);
    tzset();
}

TEST(ProjectTexts, OnlyTheFiveWindowsCodePagesCanBeChosen)
{
    const int locale = projectCodePage();
    for (const int chosen : {1250, 1251, 1252, 1253, 1254}) {
        setProjectCodePage(chosen);
        EXPECT_EQ(projectCodePage(), chosen);
    }
    for (const int other : {0, 437, 65001, -1}) {
        setProjectCodePage(other);
        EXPECT_EQ(projectCodePage(), locale) << other;
    }
}
