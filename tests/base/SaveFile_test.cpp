// saveWholeFile: a file is replaced only by a complete new one; what is no
// regular file is written directly and never replaced.
#include "base/SaveFile.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <sys/stat.h>

namespace {

QByteArray contents(const QString &path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

TEST(SaveFile, ReplacesOnlyWithACompleteFile)
{
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("table.csv"));
    ASSERT_TRUE(bool(saveWholeFile(path, [](QIODevice &f) { return f.write("old") == 3; })));
    EXPECT_EQ(contents(path), "old");

    // The writer gives up half-way: the old file stays, nothing else is left.
    const SaveResult refused = saveWholeFile(path, [](QIODevice &f) {
        f.write("half");
        return false;
    });
    EXPECT_EQ(refused.stage, SaveResult::NotWritten);
    EXPECT_EQ(contents(path), "old");
    EXPECT_EQ(QDir(dir.path()).entryList(QDir::Files), QStringList{QStringLiteral("table.csv")});

    ASSERT_TRUE(bool(saveWholeFile(path, [](QIODevice &f) { return f.write("new") == 3; })));
    EXPECT_EQ(contents(path), "new");
}

TEST(SaveFile, PlacesThatAreNoRegularFile)
{
    QTemporaryDir dir;
    struct Case { const char *what; QString path; SaveResult::Stage stage; QString error; };
    const Case cases[] = {
        {"device", QStringLiteral("/dev/null"), SaveResult::Saved, QString()},
        {"full device", QStringLiteral("/dev/full"), SaveResult::NotWritten, QStringLiteral("No space left on device")},
        {"folder", dir.path(), SaveResult::NotCreated, QStringLiteral("Is a directory")},
        {"missing folder", dir.filePath(QStringLiteral("gone/x.pdf")), SaveResult::NotCreated,
         QStringLiteral("No such file or directory")},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.what);
        const SaveResult result = saveWholeFile(c.path, [](QIODevice &f) { return f.write("data") == 4; });
        EXPECT_EQ(result.stage, c.stage);
        EXPECT_EQ(result.error, c.error);
    }
    // The device is still the device, not a file put in its place.
    struct stat st{};
    ASSERT_EQ(::stat("/dev/null", &st), 0);
    EXPECT_TRUE(S_ISCHR(st.st_mode));
}

} // namespace
