#include "project/ProjectFile.h"

#include "QtPrinters.h"

#include <QBuffer>
#include <gtest/gtest.h>

#include <bit>
#include <cmath>
#include <random>

namespace {

constexpr int kReservedOffset = 922;
constexpr int kReservedSize = 206;

ProjectExtension everything()
{
    ProjectExtension e;
    e.standardId = QStringLiteral("iso13855-2024");
    e.trMs = 12.5;
    e.brakeMonitorMs = 225;
    e.kMmPerS = 1600.2;
    e.ddsMm = 128;
    e.zMm = 0; // present, and zero
    e.dpfMm = 78.2;
    e.noEncroachment = true;
    e.installedMm = 612.75;
    e.doorC = 250;
    e.matH = 0.1;
    e.nonIndustrial = true;
    e.lastValueUtcMs = 1765370000123;
    return e;
}

// A record whose every byte outside the reserved area is set, as a file
// written by any version would hold them.
ProjectRecord filledRecord()
{
    ProjectRecord record;
    std::mt19937 random(20);
    for (int i = 0; i < kReservedOffset; ++i)
        record.bytes()[size_t(i)] = char(random());
    return record;
}

} // namespace

TEST(ProjectExtension, RoundTripsEveryValuePresentOrAbsent)
{
    using Value = std::optional<double> ProjectExtension::*;
    const Value values[] = {&ProjectExtension::trMs,   &ProjectExtension::brakeMonitorMs, &ProjectExtension::kMmPerS,
                            &ProjectExtension::ddsMm,  &ProjectExtension::zMm,            &ProjectExtension::dpfMm,
                            &ProjectExtension::installedMm, &ProjectExtension::doorC,     &ProjectExtension::matH};
    std::vector<ProjectExtension> cases;
    cases.push_back(everything());
    ProjectExtension none;
    none.standardId = QStringLiteral("iso13855-2010");
    cases.push_back(none);
    // Each value alone, so that one's presence never borrows another's bit.
    for (const Value v : values) {
        ProjectExtension one = none;
        one.*v = -0.0 + 3.25;
        cases.push_back(one);
        ProjectExtension allButOne = everything();
        allButOne.*v = std::nullopt;
        cases.push_back(allButOne);
    }
    ProjectExtension time = none;
    time.lastValueUtcMs = -1; // before 1970 is still a time
    cases.push_back(time);
    ProjectExtension noTime = everything();
    noTime.lastValueUtcMs.reset();
    cases.push_back(noTime);
    for (bool noEncroachment : {false, true})
        for (bool nonIndustrial : {false, true}) {
            ProjectExtension choices = none;
            choices.noEncroachment = noEncroachment;
            choices.nonIndustrial = nonIndustrial;
            cases.push_back(choices);
        }
    ProjectExtension longestId = none;
    longestId.standardId = QStringLiteral("0123456789abcdef");
    cases.push_back(longestId);

    for (const ProjectExtension &c : cases) {
        ProjectRecord record = filledRecord();
        ASSERT_TRUE(record.setExtension(c));
        QString problem = QStringLiteral("stale");
        const std::optional<ProjectExtension> back = record.extension(&problem);
        ASSERT_TRUE(back) << problem.toStdString();
        EXPECT_EQ(*back, c);
        EXPECT_TRUE(problem.isEmpty());
    }
}

TEST(ProjectExtension, KeepsItsLayoutByteForByte)
{
    // Marker, version, length, id, presence bits, choices, values and CRC-32,
    // as an independent encoder wrote them.
    ProjectExtension e;
    e.standardId = QStringLiteral("ansi-b11.19");
    e.trMs = 59;
    e.installedMm = 600;
    e.noEncroachment = true;
    e.lastValueUtcMs = 1765370000000;
    ProjectRecord record;
    ASSERT_TRUE(record.setExtension(e));
    const QByteArray expected = QByteArray::fromHex(
        "5a5853440170616e73692d6231312e313900000000004102010000000000000000804d40000000000000000000000000000000000000"
        "000000000000000000000000000000000000000000000000000000c0824000000000000000000000000000000000807240089b01000042"
        "08f9d3");
    ASSERT_EQ(expected.size(), 112);
    const QByteArray area(record.bytes().data() + kReservedOffset, kReservedSize);
    EXPECT_EQ(area.left(112).toHex(), expected.toHex());
    EXPECT_EQ(area.mid(112), QByteArray(kReservedSize - 112, '\0'));
}

TEST(ProjectExtension, AllZeroIsAnOlderFileWithoutProblem)
{
    const ProjectRecord record;
    QString problem = QStringLiteral("stale");
    EXPECT_FALSE(record.extension(&problem));
    EXPECT_TRUE(problem.isEmpty());
    EXPECT_FALSE(record.extension());
}

TEST(ProjectExtension, DamagedBlockIsIgnoredWithAReason)
{
    struct Case
    {
        const char *name;
        int offset; // within the reserved area
        char mask; // XORed into the byte
        const char *reason;
    };
    const Case cases[] = {
        {"a value byte flipped", 30, '\x55', "checksum"},
        {"the id changed", 7, '\x20', "checksum"},
        {"the checksum changed", 108, '\xff', "checksum"},
        {"a byte behind the block", 150, '\x01', nullptr}, // not part of the block: still read
        {"version 2", 4, '\x03', "version 2"},
        {"version 0", 4, '\x01', "version 0"},
        {"another length", 5, '\x01', "length"},
        {"no marker", 0, '\x01', "no known block"},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.name);
        ProjectRecord record;
        ASSERT_TRUE(record.setExtension(everything()));
        record.bytes()[size_t(kReservedOffset + c.offset)] ^= c.mask;
        QString problem;
        const std::optional<ProjectExtension> e = record.extension(&problem);
        if (!c.reason) {
            EXPECT_TRUE(e);
            continue;
        }
        EXPECT_FALSE(e);
        EXPECT_TRUE(problem.contains(QLatin1String(c.reason))) << problem.toStdString();
    }
    // Bytes an unknown writer left in the area, without a marker.
    ProjectRecord foreign;
    foreign.bytes()[kReservedOffset + 200] = 7;
    QString problem;
    EXPECT_FALSE(foreign.extension(&problem));
    EXPECT_FALSE(problem.isEmpty());
}

TEST(ProjectExtension, TouchesNoByteOutsideTheReservedArea)
{
    const ProjectRecord before = filledRecord();
    ProjectRecord record = before;
    ASSERT_TRUE(record.setExtension(everything()));
    EXPECT_TRUE(std::equal(before.bytes().begin(), before.bytes().begin() + kReservedOffset, record.bytes().begin()));

    // Through a whole file: every other field reads back as it was written.
    QByteArray bytes;
    QBuffer out(&bytes);
    out.open(QIODevice::WriteOnly);
    ASSERT_TRUE(writeProjectFile(out, {101.5, 99.25}, record, {}));
    QBuffer in(&bytes);
    in.open(QIODevice::ReadOnly);
    std::vector<double> stopTimes;
    ProjectRecord read;
    ProjectPictures pictures;
    ASSERT_TRUE(readProjectFile(in, stopTimes, read, pictures).complete);
    EXPECT_EQ(read, record);
    EXPECT_EQ(read.extension(), everything());
    EXPECT_EQ(read.standstillSpeed(), before.standstillSpeed());
    EXPECT_EQ(read.safetyDeviceId(), before.safetyDeviceId());
    EXPECT_EQ(std::bit_cast<quint64>(read.resolution()), std::bit_cast<quint64>(before.resolution()));
    EXPECT_EQ(std::bit_cast<quint64>(read.height()), std::bit_cast<quint64>(before.height()));
    for (int t = int(ProjectRecord::Text::SerialNumber); t <= int(ProjectRecord::Text::Note); ++t)
        EXPECT_EQ(read.text(ProjectRecord::Text(t)), before.text(ProjectRecord::Text(t))) << t;
    for (int slot = 1; slot <= 4; ++slot)
        EXPECT_EQ(read.includePicture(slot), before.includePicture(slot));

    // Removing the block gives back the zeros of an older file.
    ASSERT_TRUE(record.setExtension(std::nullopt));
    EXPECT_EQ(record, before);
}

TEST(ProjectExtension, RefusesAStandardIdItCannotKeep)
{
    for (const QString &id : {QString(), QStringLiteral("0123456789abcdefg"), QStringLiteral("iso 13855"),
                              QStringLiteral("norm-\u00e9")}) {
        ProjectRecord record;
        ASSERT_TRUE(record.setExtension(everything()));
        const ProjectRecord before = record;
        ProjectExtension e = everything();
        e.standardId = id;
        EXPECT_FALSE(record.setExtension(e)) << id.toStdString();
        EXPECT_EQ(record, before);
    }
}
