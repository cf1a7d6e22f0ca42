// Recording from the windows: a failed archive is told, never thrown.
#include "archive/Archive.h"
#include "archive/ArchiveRecording.h"

#include <QFile>
#include <QTemporaryDir>
#include <gtest/gtest.h>

namespace {

ArchiveMeasurement saved()
{
    ArchiveMeasurement m;
    m.machineId = QStringLiteral("Press 4");
    m.measuredAt = QDateTime::currentDateTime();
    m.stopTimes = {100.0, 101.0};
    m.fileSha256 = sha256Hex(QByteArray("project bytes"));
    return m;
}

TEST(ArchiveRecording, KeepsTheMeasurementOrTellsWhyNot)
{
    QTemporaryDir dir;
    const QString good = QStringLiteral("sqlite://") + dir.filePath(QStringLiteral("a.sqlite"));
    EXPECT_EQ(recordMeasurement(good, saved()), std::nullopt);
    EXPECT_EQ(Archive(parseArchiveUrl(good)).entries().size(), 1u);

    QFile text(dir.filePath(QStringLiteral("notes.txt")));
    ASSERT_TRUE(text.open(QIODevice::WriteOnly));
    text.write(QByteArray("not a database\n").repeated(100));
    text.close();
    struct Case
    {
        QString url;
        const char *why;
    };
    const Case cases[] = {
        {QStringLiteral("sqlite://") + text.fileName(), "not a database"},
        {QStringLiteral("sqlite://") + dir.path(), "folder"},
        {QStringLiteral("postgresql://zirk@127.0.0.1:1/zirk"), "cannot be opened"},
        {QStringLiteral("archive.sqlite"), "not an archive URL"},
    };
    for (const Case &c : cases) {
        const std::optional<QString> error = recordMeasurement(c.url, saved());
        ASSERT_TRUE(error) << c.url.toStdString();
        EXPECT_TRUE(error->contains(QLatin1String(c.why))) << error->toStdString();
        EXPECT_FALSE(error->contains(QLatin1Char('\n')));
    }
}

TEST(ArchiveRecording, HashIsLowerCaseHexOfTheBytes)
{
    EXPECT_EQ(sha256Hex(QByteArray("abc")),
              QStringLiteral("ba7816bf8f01cfea414140de5dae2223b00361a396177a9cb410ff61f20015ad"));
}

} // namespace
