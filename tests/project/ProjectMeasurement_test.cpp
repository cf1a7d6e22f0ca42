#include "project/ProjectMeasurement.h"

#include "QtPrinters.h"
#include "series/SeriesResult.h"

#include <gtest/gtest.h>

#include <cmath>

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
