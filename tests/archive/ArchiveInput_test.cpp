// Project files as measurements of the archive.
#include "ProjectCodePageScope.h"
#include "QtPrinters.h"
#include "cli/ProjectFiles.h"

#include "base/ErrorHandling.h"
#include "archive/ArchiveInput.h"

#include <QCryptographicHash>
#include <QTemporaryDir>

namespace {

using Text = ProjectRecord::Text;

TEST(ProjectFileTime, IsTheTimeSaveAsPutIntoTheName)
{
    struct Case
    {
        const char *name;
        QDateTime when; // invalid: none
    };
    const Case cases[] = {
        {"Project_20190710_1432_.zPRJ", QDateTime(QDate(2019, 7, 10), QTime(14, 32))},
        {"/home/a/Project_20190710_1432_Press 4.zPRJ", QDateTime(QDate(2019, 7, 10), QTime(14, 32))},
        {"project_20240229_0000_.zprj", QDateTime(QDate(2024, 2, 29), QTime(0, 0))},
        {"Project_20230229_1200_.zPRJ", QDateTime()}, // no 29 February in 2023
        {"Project_20191310_1432_.zPRJ", QDateTime()},
        {"Project_20190710_2460_.zPRJ", QDateTime()},
        {"Project_20190710_1432.zPRJ", QDateTime()},  // the name is cut short
        {"Project_2019071_1432_.zPRJ", QDateTime()},
        {"Copy of Project_20190710_1432_.zPRJ", QDateTime()},
        {"/Project_20190710_1432_/press.zPRJ", QDateTime()}, // a folder's name is not the file's
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.name);
        const std::optional<QDateTime> when = timeInProjectFileName(QString::fromUtf8(c.name));
        EXPECT_EQ(when.has_value(), c.when.isValid());
        if (when && c.when.isValid()) {
            EXPECT_EQ(*when, c.when);
        }
    }
}

TEST(ProjectFileMeasurement, CarriesTheSeriesDeviceInstrumentAndTheFilesHash)
{
    QTemporaryDir dir;
    TestProject p = lightCurtainProject(tenValues());
    p.record.setSafetyDeviceId(1);
    p.record.setResolution(-1.0);
    p.record.setHeight(300.0);
    p.record.setStandstillSpeed(12);
    setAscii(p.record, Text::SerialNumber, "0123456789ABCD");
    p.record.setCalibrationYear(2025);
    p.record.setCalibrationMonth(3);
    p.record.setCalibrationDay(5);
    p.record.setCalibrated(true);
    p.record.setText(Text::MachineID, QByteArray("  Presse S\xFC" "d  "));
    p.record.setText(Text::Note, QByteArray("nach Bremsen\x96Reparatur"));
    p.pictures[0] = testPicture(32, 24);
    const QString path = dir.filePath(QStringLiteral("Project_20251103_1432_.zPRJ"));
    writeProject(path, p);

    const ArchiveMeasurement m = measurementFromProjectFile(path, QStringLiteral("Anna"), QStringLiteral("Prüf KG"));
    EXPECT_EQ(m.stopTimes, tenValues());
    EXPECT_EQ(m.deviceKind, 1);
    EXPECT_EQ(m.deviceParameter, 300.0);
    EXPECT_FALSE(m.nonIndustrial);
    const SafetyDevice device = SafetyDevice::ofKind(1, 300.0);
    const SeriesResult expected = computeSeriesResult(tenValues(), device);
    EXPECT_EQ(m.result.governingMs, expected.governingMs);
    EXPECT_EQ(m.result.distanceMm, expected.distanceMm);
    EXPECT_EQ(m.result.governing, expected.governing);
    // Windows-1252 as File > Open reads it; blanks around the ID do not
    // make another machine.
    EXPECT_EQ(m.machineId, QStringLiteral("Presse Süd"));
    EXPECT_EQ(m.note, QStringLiteral("nach Bremsen–Reparatur"));
    EXPECT_EQ(m.serialNumber, QStringLiteral("0123456789ABCD"));
    EXPECT_EQ(m.standstillSpeed, 12);
    EXPECT_EQ(m.calibrationYear, 2025);
    EXPECT_EQ(m.calibrationMonth, 3);
    EXPECT_EQ(m.calibrationDay, 5);
    EXPECT_TRUE(m.calibrated);
    EXPECT_EQ(m.userName, QStringLiteral("Anna"));
    EXPECT_EQ(m.companyName, QStringLiteral("Prüf KG"));
    EXPECT_EQ(m.measuredAt, QDateTime(QDate(2025, 11, 3), QTime(14, 32)));
    EXPECT_EQ(m.filePath, path);
    EXPECT_EQ(m.fileSha256,
              QString::fromLatin1(QCryptographicHash::hash(readBytes(path), QCryptographicHash::Sha256).toHex()));
}

TEST(ProjectFileMeasurement, KindsWhoseParameterProjectFilesDoNotKeepHaveNoDistance)
{
    struct Case
    {
        int kind;
        bool parameter;
    };
    // A door's C and a mat's h are not stored; two-hand control and
    // emergency stop need none.
    const Case cases[] = {{0, true}, {3, true}, {4, true}, {5, false}, {6, false}, {9, false}, {-1, false}};
    QTemporaryDir dir;
    for (const Case &c : cases) {
        SCOPED_TRACE(c.kind);
        TestProject p = lightCurtainProject(tenValues());
        p.record.setSafetyDeviceId(c.kind);
        const QString path = dir.filePath(QStringLiteral("p%1.zPRJ").arg(c.kind + 1));
        writeProject(path, p);
        const ArchiveMeasurement m = measurementFromProjectFile(path, QString(), QString());
        EXPECT_EQ(m.deviceKind, c.kind);
        EXPECT_EQ(m.deviceParameter.has_value(), c.parameter);
        EXPECT_EQ(m.result.distanceMm.has_value(), c.parameter);
        EXPECT_TRUE(m.result.governingMs);
    }
}

TEST(ProjectFileMeasurement, AStoredLengthOfMinusOneIsNoParameter)
{
    QTemporaryDir dir;
    TestProject p = lightCurtainProject(tenValues());
    p.record.setResolution(-1.0);
    const QString path = dir.filePath(QStringLiteral("p.zPRJ"));
    writeProject(path, p);
    const ArchiveMeasurement m = measurementFromProjectFile(path, QString(), QString());
    EXPECT_FALSE(m.deviceParameter);
    EXPECT_FALSE(m.result.distanceMm);
}

TEST(ProjectFileMeasurement, ANameWithoutTimeTakesTheFilesModificationTime)
{
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("press.zPRJ"));
    writeProject(path, lightCurtainProject(tenValues()));
    const QDateTime modified(QDate(2025, 7, 1), QTime(12, 0, 5), Qt::UTC);
    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::ReadWrite));
    ASSERT_TRUE(file.setFileTime(modified, QFileDevice::FileModificationTime));
    file.close();
    EXPECT_EQ(measurementFromProjectFile(path, QString(), QString()).measuredAt, modified);
}

// The time of the last value as the file keeps it comes before the name's
// (the minute Save as was chosen) and the file's (when it was copied).
TEST(ProjectFileMeasurement, TheTimeOfTheLastValueInTheFileComesFirst)
{
    QTemporaryDir dir;
    const QDateTime measured(QDate(2024, 1, 1), QTime(9, 41, 17), Qt::UTC);
    TestProject p = lightCurtainProject(tenValues());
    ProjectExtension block;
    block.standardId = QStringLiteral("iso13855-2010");
    block.lastValueUtcMs = measured.toMSecsSinceEpoch();
    ASSERT_TRUE(p.record.setExtension(block));
    const QString path = dir.filePath(QStringLiteral("Project_20261210_0900_.zPRJ"));
    writeProject(path, p);
    EXPECT_EQ(measurementFromProjectFile(path, QString(), QString()).measuredAt, measured);

    // A block without the time: the name's.
    block.lastValueUtcMs.reset();
    ASSERT_TRUE(p.record.setExtension(block));
    writeProject(path, p);
    EXPECT_EQ(measurementFromProjectFile(path, QString(), QString()).measuredAt,
              QDateTime(QDate(2026, 12, 10), QTime(9, 0)));
}

// The window's measurement and its file are one machine, whatever the
// user typed: the archive keys on the ID as the file keeps it.
TEST(ProjectFileMeasurement, TheWindowsMachineIdIsTheOneItsFileKeeps)
{
    struct Case
    {
        int codePage;
        QString typed;
        QString kept;
    };
    const Case cases[] = {
        {1252, QStringLiteral("Presse Ω-7"), QStringLiteral("Presse ?-7")},
        {1250, QStringLiteral("Lis č. 4"), QStringLiteral("Lis č. 4")},
        {1252, QStringLiteral("Lis č. 4"), QStringLiteral("Lis ?. 4")},
        {1252, QString(60, QLatin1Char('P')) + QString(60, QLatin1Char('Q')),
         QString(60, QLatin1Char('P')) + QString(40, QLatin1Char('Q'))},
    };
    QTemporaryDir dir;
    for (const Case &c : cases) {
        SCOPED_TRACE(c.typed.toStdString());
        const ProjectCodePageScope codePage(c.codePage);
        Measurement m;
        m.stopTimes = tenValues();
        m.safetyDevice = SafetyDevice::selected(KindVerticalLightCurtain, 14.0);
        m.machineId = c.typed;
        m.lastValueAt = QDateTime(QDate(2024, 1, 1), QTime(9, 0), Qt::UTC);
        const ArchiveMeasurement fromWindow = archiveRecord(m, QString(), QString(), QDateTime());

        TestProject p;
        p.values = m.stopTimes;
        writeMeasurement(m, p.record, p.pictures);
        const QString path = dir.filePath(QStringLiteral("p.zPRJ"));
        writeProject(path, p);
        const ArchiveMeasurement fromFile = measurementFromProjectFile(path, QString(), QString());
        EXPECT_EQ(fromWindow.machineId, c.kept);
        EXPECT_EQ(fromFile.machineId, c.kept);
    }
}

TEST(ProjectFileMeasurement, AFileThatIsNotAWholeProjectIsRefusedByName)
{
    QTemporaryDir dir;
    const QString whole = dir.filePath(QStringLiteral("whole.zPRJ"));
    writeProject(whole, lightCurtainProject(tenValues()));
    const QByteArray bytes = readBytes(whole);
    struct Case
    {
        const char *name;
        QByteArray bytes; // empty name: no such file
    };
    const Case cases[] = {
        {"text.zPRJ", QByteArray("100\n101\n")},
        {"short.zPRJ", bytes.left(bytes.size() - 1)},
        {"empty.zPRJ", QByteArray()},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.name);
        const QString path = dir.filePath(QLatin1String(c.name));
        writeBytes(path, c.bytes);
        try {
            measurementFromProjectFile(path, QString(), QString());
            ADD_FAILURE() << "accepted";
        } catch (const ZirkError &e) {
            EXPECT_TRUE(e.message().startsWith(path)) << e.message().toStdString();
        }
    }
    EXPECT_THROW(measurementFromProjectFile(dir.filePath(QStringLiteral("missing.zPRJ")), QString(), QString()),
                 ZirkError);
}

} // namespace
