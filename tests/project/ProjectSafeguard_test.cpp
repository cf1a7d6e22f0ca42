#include "project/ProjectFile.h"
#include "project/ProjectMeasurement.h"

#include "ProjectCodePageScope.h"
#include "QtPrinters.h"

#include <QBuffer>
#include <gtest/gtest.h>

#include <cstring>
#include <random>

namespace {

constexpr int kReservedOffset = 922;
constexpr int kReservedSize = 206;
constexpr int kSafeguardOffset = kReservedOffset + 112;
constexpr int kSafeguardSize = 71;

QByteArray reserved(const ProjectRecord &record)
{
    return QByteArray(record.bytes().data() + kReservedOffset, kReservedSize);
}

Measurement measured(const QString &safeguard, const DistanceChoice &choice = DistanceChoice())
{
    Measurement m;
    m.stopTimes = std::vector<double>(12, 190.0);
    m.safetyDevice = SafetyDevice::selected(KindVerticalLightCurtain, 14.0);
    m.safetyDevice.Name = QStringLiteral("Vertical Light Curtain");
    m.distanceChoice = choice;
    m.machineId = QStringLiteral("Press 7");
    m.safeguard = safeguard;
    return m;
}

QByteArray fileOf(const Measurement &m, ProjectRecord record = ProjectRecord())
{
    ProjectPictures pictures;
    writeMeasurement(m, record, pictures);
    QByteArray bytes;
    QBuffer out(&bytes);
    out.open(QIODevice::WriteOnly);
    EXPECT_TRUE(writeProjectFile(out, m.stopTimes, record, pictures));
    return bytes;
}

Measurement opened(const QByteArray &file, QString *problem = nullptr, QString *safeguardProblem = nullptr)
{
    QByteArray bytes = file;
    QBuffer in(&bytes);
    in.open(QIODevice::ReadOnly);
    std::vector<double> stopTimes;
    ProjectRecord record;
    ProjectPictures pictures;
    EXPECT_TRUE(readProjectFile(in, stopTimes, record, pictures).complete);
    return measurementFromProject(stopTimes, record, pictures, problem, safeguardProblem);
}

} // namespace

TEST(ProjectSafeguard, KeepsItsLayoutByteForByteBehindTheStandardsBlock)
{
    // Marker, version, length, name length, name, CRC-32 as an independent
    // encoder wrote them; the standard's block in front keeps its own
    // bytes.
    ProjectRecord record;
    ASSERT_TRUE(record.setSafeguard(QByteArray("Rear door")));
    const QByteArray expected = QByteArray::fromHex(
        "5a5853470147095265617220646f6f7200000000000000000000000000000000000000000000000000000000000000000000"
        "0000000000000000000000000000000000caf3262e");
    ASSERT_EQ(expected.size(), kSafeguardSize);
    const QByteArray area = reserved(record);
    EXPECT_EQ(area.left(112), QByteArray(112, '\0'));
    EXPECT_EQ(area.mid(112, kSafeguardSize).toHex(), expected.toHex());
    EXPECT_EQ(area.mid(112 + kSafeguardSize), QByteArray(kReservedSize - 112 - kSafeguardSize, '\0'));
}

TEST(ProjectSafeguard, RoundTripsThroughAWholeFileWithTheStandardsBlockUntouched)
{
    DistanceChoice ansi = DistanceChoice::of(QStringLiteral("ansi-b11.19"));
    ansi.trMs = 59;
    ansi.installedMm = 305;
    struct Case
    {
        const char *what;
        QString safeguard;
        DistanceChoice choice;
    };
    const Case cases[] = {
        {"named, default standard", QStringLiteral("Front light curtain"), DistanceChoice()},
        {"named, with the standard's entries", QStringLiteral("E-stop operator side"), ansi},
        {"the longest name", QString(60, QLatin1Char('n')), ansi},
        {"one character", QStringLiteral("A"), DistanceChoice()},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.what);
        const ProjectCodePageScope scope(1252);
        const Measurement m = measured(c.safeguard, c.choice);
        QString problem = QStringLiteral("stale");
        QString safeguardProblem = QStringLiteral("stale");
        const QByteArray file = fileOf(m);
        const Measurement back = opened(file, &problem, &safeguardProblem);
        EXPECT_EQ(back.safeguard, c.safeguard);
        EXPECT_TRUE(problem.isEmpty()) << problem.toStdString();
        EXPECT_TRUE(safeguardProblem.isEmpty()) << safeguardProblem.toStdString();
        EXPECT_EQ(back.distanceChoice.standard(), m.distanceChoice.standard() ? m.distanceChoice.standard()
                                                                              : &defaultDistanceStandard());
        EXPECT_EQ(back.distanceChoice.installedMm, m.distanceChoice.installedMm);
        EXPECT_EQ(back.machineId, m.machineId);

        // An older reader of the standard's block alone finds it sound: the
        // same block as the file without a name holds, or the plain one.
        Measurement unnamed = m;
        unnamed.safeguard.clear();
        const QByteArray before = fileOf(unnamed);
        const qsizetype at = 4 + 8 * qsizetype(m.stopTimes.size()) + kReservedOffset;
        ProjectRecord record;
        std::memcpy(record.bytes().data(), file.constData() + at - kReservedOffset, ProjectRecord::kSize);
        ASSERT_TRUE(record.extension());
        if (before.mid(at, 112) != QByteArray(112, '\0'))
            EXPECT_EQ(file.mid(at, 112), before.mid(at, 112));
        else
            EXPECT_EQ(record.extension()->standardId, defaultDistanceStandard().id());
        // Everything but the reserved bytes is the unnamed file's.
        EXPECT_EQ(file.left(at), before.left(at));
        EXPECT_EQ(file.mid(at + kReservedSize), before.mid(at + kReservedSize));
    }
}

TEST(ProjectSafeguard, AFileWithoutANameIsTheFileOfBefore)
{
    // Without a name there is no block: the reserved bytes are those of
    // before, all zero without a standard, the standard's block alone with
    // one.
    ProjectRecord record;
    ProjectPictures pictures;
    writeMeasurement(measured(QString()), record, pictures);
    EXPECT_EQ(reserved(record), QByteArray(kReservedSize, '\0'));
    DistanceChoice osha = DistanceChoice::of(QStringLiteral("osha-1910.217"));
    writeMeasurement(measured(QString(), osha), record, pictures);
    EXPECT_EQ(reserved(record).mid(112), QByteArray(kReservedSize - 112, '\0'));
    // Blank is no name.
    writeMeasurement(measured(QStringLiteral("   ")), record, pictures);
    EXPECT_EQ(reserved(record), QByteArray(kReservedSize, '\0'));

    // A name the last opened file held goes with a measurement that has
    // none, also where the standard's block goes with it.
    for (const DistanceChoice &choice : {DistanceChoice(), osha}) {
        ProjectRecord reused;
        writeMeasurement(measured(QStringLiteral("Rear door"), osha), reused, pictures);
        ASSERT_TRUE(reused.safeguard());
        writeMeasurement(measured(QString(), choice), reused, pictures);
        EXPECT_FALSE(reused.safeguard());
        EXPECT_EQ(reserved(reused).mid(112), QByteArray(kReservedSize - 112, '\0'));
    }

    // Opened, a file without the block has no name, and no problem.
    QString problem = QStringLiteral("stale");
    EXPECT_FALSE(ProjectRecord().safeguard(&problem));
    EXPECT_TRUE(problem.isEmpty());
    EXPECT_TRUE(opened(fileOf(measured(QString()))).safeguard.isEmpty());
}

TEST(ProjectSafeguard, ADamagedOrUnknownBlockIsIgnoredWithAReason)
{
    struct Case
    {
        const char *name;
        int offset; // within the safeguard block
        char mask;  // XORed into the byte
        const char *reason;
    };
    const Case cases[] = {
        {"a name byte flipped", 9, '\x20', "checksum"},
        {"the name's length changed", 6, '\x01', "checksum"},
        {"the checksum changed", 68, '\xff', "checksum"},
        {"version 2", 4, '\x03', "version 2"},
        {"version 0", 4, '\x01', "version 0"},
        {"another length", 5, '\x01', "length"},
        {"no marker", 3, '\x01', "no known block"},
        {"a byte behind the block", 80, '\x01', nullptr}, // not part of it: still read
    };
    DistanceChoice ansi = DistanceChoice::of(QStringLiteral("ansi-b11.19"));
    ansi.installedMm = 305;
    for (const Case &c : cases) {
        SCOPED_TRACE(c.name);
        ProjectRecord record;
        ProjectPictures pictures;
        writeMeasurement(measured(QStringLiteral("Front light curtain"), ansi), record, pictures);
        record.bytes()[size_t(kSafeguardOffset + c.offset)] ^= c.mask;
        QString problem;
        QString safeguardProblem;
        const Measurement m = measurementFromProject({}, record, pictures, &problem, &safeguardProblem);
        // The standard's block stands whatever became of the name's.
        EXPECT_TRUE(problem.isEmpty()) << problem.toStdString();
        EXPECT_EQ(m.distanceChoice.installedMm, 305.0);
        if (!c.reason) {
            EXPECT_EQ(m.safeguard, QStringLiteral("Front light curtain"));
            EXPECT_TRUE(safeguardProblem.isEmpty());
            continue;
        }
        EXPECT_TRUE(m.safeguard.isEmpty());
        EXPECT_TRUE(safeguardProblem.contains(QLatin1String(c.reason))) << safeguardProblem.toStdString();
    }

    // A sound checksum over a length or a name no writer gives.
    for (const QByteArray &name : {QByteArray(), QByteArray(61, 'x'), QByteArray("tab\there")}) {
        ProjectRecord record;
        ASSERT_TRUE(record.setSafeguard(QByteArray(60, 'x')));
        char *b = record.bytes().data() + kSafeguardOffset;
        b[6] = char(name.size());
        std::memcpy(b + 7, name.constData(), size_t(std::min<qsizetype>(name.size(), 60)));
        // Recomputed as a writer would: the CRC-32 of the 67 bytes before it.
        quint32 crc = 0xFFFFFFFFu;
        for (int i = 0; i < 67; ++i) {
            crc ^= quint8(b[i]);
            for (int bit = 0; bit < 8; ++bit)
                crc = (crc >> 1) ^ (0xEDB88320u & (0u - (crc & 1u)));
        }
        crc = ~crc;
        for (int i = 0; i < 4; ++i)
            b[67 + i] = char(crc >> (8 * i));
        QString problem;
        EXPECT_FALSE(record.safeguard(&problem)) << name.toStdString();
        EXPECT_FALSE(problem.isEmpty());
    }
}

TEST(ProjectSafeguard, RefusesANameItCannotKeep)
{
    struct Case
    {
        const char *what;
        QByteArray name;
    };
    const Case cases[] = {
        {"empty", QByteArray()},
        {"61 bytes", QByteArray(61, 'x')},
        {"a tab", QByteArray("Rear\tdoor")},
        {"a line break", QByteArray("Rear\ndoor")},
        {"a zero byte", QByteArray("Rear\0door", 9)},
        {"delete", QByteArray("Rear\x7f")},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.what);
        ProjectRecord record;
        ASSERT_TRUE(record.setSafeguard(QByteArray("Rear door")));
        const ProjectRecord before = record;
        EXPECT_FALSE(record.setSafeguard(c.name));
        EXPECT_EQ(record, before);
    }
    // Writing it touches no byte outside its block.
    ProjectRecord filled;
    std::mt19937 random(28);
    for (char &b : filled.bytes())
        b = char(random());
    const ProjectRecord before = filled;
    ASSERT_TRUE(filled.setSafeguard(QByteArray(60, '\xe4')));
    for (int i = 0; i < ProjectRecord::kSize; ++i) {
        if (i < kSafeguardOffset || i >= kSafeguardOffset + kSafeguardSize) {
            ASSERT_EQ(filled.bytes()[size_t(i)], before.bytes()[size_t(i)]) << i;
        }
    }
    EXPECT_EQ(filled.safeguard(), QByteArray(60, '\xe4'));
}

TEST(ProjectSafeguard, TheNameIsKeptInTheCodePageAndItsCapacity)
{
    struct Case
    {
        int codePage;
        QString typed;
        QString kept;
        bool fits;
    };
    const Case cases[] = {
        {1252, QStringLiteral("Tür hinten"), QStringLiteral("Tür hinten"), true},
        {1250, QStringLiteral("Světelná závora"), QStringLiteral("Světelná závora"), true},
        {1252, QStringLiteral("Světelná závora"), QStringLiteral("Sv?telná závora"), false},
        {1251, QStringLiteral("Дверь"), QStringLiteral("Дверь"), true},
        {1252, QString(60, QChar(0xe4)), QString(60, QChar(0xe4)), true},
        {1252, QString(61, QLatin1Char('x')), QString(60, QLatin1Char('x')), false},
        // Control characters are refused, and kept written out, as in
        // every text of a project file: none can forge a line.
        {1252, QStringLiteral("Rear\tdoor"), QStringLiteral("Rear\\tdoor"), false},
        {1252, QStringLiteral("Rear door\n"), QStringLiteral("Rear door\\n"), false},
        {1252, QStringLiteral("Rear\u0085door"), QStringLiteral("Rear\\x85door"), false},
        // Blank at either end is not part of the name.
        {1252, QStringLiteral("  Rear door "), QStringLiteral("Rear door"), true},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.typed.toStdString());
        const ProjectCodePageScope scope(c.codePage);
        const ProjectTextFit fit = projectTextFit(c.typed, ProjectRecord::Text::Safeguard);
        EXPECT_EQ(fit.capacity, 60);
        EXPECT_EQ(fit.fits(), c.fits);
        EXPECT_EQ(keptSafeguardName(c.typed), c.kept);
        // What the file gives back is what the window keeps.
        EXPECT_EQ(opened(fileOf(measured(c.typed))).safeguard, c.kept);
    }
    // The fit tells a control character apart from one the code page lacks.
    const ProjectCodePageScope scope(1252);
    const ProjectTextFit tab = projectTextFit(QStringLiteral("a\tb"), ProjectRecord::Text::Safeguard);
    EXPECT_EQ(tab.controls, QStringLiteral("\\t"));
    EXPECT_TRUE(tab.unkept.isEmpty());
    // The machine ID refuses them alike.
    EXPECT_EQ(projectTextFit(QStringLiteral("a\tb"), ProjectRecord::Text::MachineID).controls, QStringLiteral("\\t"));
}
