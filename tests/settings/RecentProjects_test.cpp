#include "settings/RecentProjects.h"

#include "QtPrinters.h"
#include "settings/IniFile.h"

#include <QDir>

#include <gtest/gtest.h>

namespace {

QStringList files(std::initializer_list<const char *> names)
{
    QStringList list;
    for (const char *n : names)
        list.append(QString::fromUtf8(n));
    return list;
}

} // namespace

TEST(RecentProjects, AddPutsTheFileInFrontOnceAndKeepsEight)
{
    struct Case
    {
        const char *what;
        QStringList before;
        const char *added;
        QStringList after;
    };
    const Case cases[] = {
        {"first entry", {}, "/p/a.zPRJ", files({"/p/a.zPRJ"})},
        {"newest first", files({"/p/a.zPRJ"}), "/p/b.zPRJ", files({"/p/b.zPRJ", "/p/a.zPRJ"})},
        {"opened again: moves to the front, no second entry", files({"/p/a.zPRJ", "/p/b.zPRJ", "/p/c.zPRJ"}),
         "/p/c.zPRJ", files({"/p/c.zPRJ", "/p/a.zPRJ", "/p/b.zPRJ"})},
        {"the same file named another way", files({"/p/a.zPRJ", "/p/b.zPRJ"}), "/p/x/../b.zPRJ",
         files({"/p/b.zPRJ", "/p/a.zPRJ"})},
        {"the ninth pushes out the oldest",
         files({"/p/1", "/p/2", "/p/3", "/p/4", "/p/5", "/p/6", "/p/7", "/p/8"}), "/p/9",
         files({"/p/9", "/p/1", "/p/2", "/p/3", "/p/4", "/p/5", "/p/6", "/p/7"})},
        {"a full list and a known file: still eight, none lost",
         files({"/p/1", "/p/2", "/p/3", "/p/4", "/p/5", "/p/6", "/p/7", "/p/8"}), "/p/8",
         files({"/p/8", "/p/1", "/p/2", "/p/3", "/p/4", "/p/5", "/p/6", "/p/7"})},
        {"no name: nothing changes", files({"/p/a.zPRJ"}), "", files({"/p/a.zPRJ"})},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.what);
        EXPECT_EQ(addRecentProject(c.before, QString::fromUtf8(c.added)), c.after);
    }
}

TEST(RecentProjects, AddKeepsARelativeNameAsAnAbsolutePath)
{
    // The list outlives the working folder the program was started in.
    const QStringList list = addRecentProject({}, QStringLiteral("sub/../p.zPRJ"));
    ASSERT_EQ(list.size(), 1);
    EXPECT_EQ(list.constFirst(), QDir::cleanPath(QDir::currentPath() + QStringLiteral("/p.zPRJ")));
}

TEST(RecentProjects, MissingFilesAreDroppedAndNamed)
{
    const QStringList recent = files({"/p/a.zPRJ", "/gone/b.zPRJ", "/p/c.zPRJ", "/gone/d.zPRJ"});
    const RecentProjectsCheck check =
        dropMissingProjects(recent, [](const QString &f) { return !f.startsWith(QLatin1String("/gone/")); });
    EXPECT_EQ(check.kept, files({"/p/a.zPRJ", "/p/c.zPRJ"}));
    EXPECT_EQ(check.dropped, files({"/gone/b.zPRJ", "/gone/d.zPRJ"}));

    // Against the disk: a folder is no project.
    const RecentProjectsCheck disk = dropMissingProjects({QDir::tempPath(), QStringLiteral("/no/such/file.zPRJ")});
    EXPECT_TRUE(disk.kept.isEmpty());
    EXPECT_EQ(disk.dropped.size(), 2);
}

TEST(RecentProjects, SettingsFileRoundTrip)
{
    struct Case
    {
        const char *what;
        QByteArray file;
        QStringList read;
    };
    const Case cases[] = {
        {"no section", "[Settings]\nLanguage=English\n", {}},
        {"in order, gaps skipped",
         "[Recent Projects]\nFile1=/p/a.zPRJ\nFile2=\nFile3=/p/c.zPRJ\n", files({"/p/a.zPRJ", "/p/c.zPRJ"})},
        {"a repeated entry counts once", "[Recent Projects]\nFile1=/p/a.zPRJ\nFile2=/p/./a.zPRJ\n",
         files({"/p/a.zPRJ"})},
        {"keys beyond the eighth are not read",
         "[Recent Projects]\nFile1=/1\nFile2=/2\nFile3=/3\nFile4=/4\nFile5=/5\nFile6=/6\nFile7=/7\nFile8=/8\nFile9=/9\n",
         files({"/1", "/2", "/3", "/4", "/5", "/6", "/7", "/8"})},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.what);
        AppSettings s;
        s.RecentProjects = files({"/stale"});
        readRecentProjects(IniFile::fromBytes(c.file), s);
        EXPECT_EQ(s.RecentProjects, c.read);
    }

    // A shorter list written over a longer one: the dropped entries do not
    // come back.
    IniFile ini = IniFile::fromBytes("[Settings]\nLanguage=German\n");
    AppSettings s;
    s.RecentProjects = files({"/p/a.zPRJ", "/p/b.zPRJ", "/p/c.zPRJ"});
    writeRecentProjects(ini, s);
    s.RecentProjects = files({"/p/c.zPRJ"});
    writeRecentProjects(ini, s);
    AppSettings back;
    readRecentProjects(IniFile::fromBytes(ini.toBytes()), back);
    EXPECT_EQ(back.RecentProjects, files({"/p/c.zPRJ"}));
    EXPECT_EQ(ini.readString(QStringLiteral("Settings"), QStringLiteral("Language"), QString()),
              QStringLiteral("German"));

    // An emptied list is written as empty, not left to come back.
    s.RecentProjects.clear();
    writeRecentProjects(ini, s);
    readRecentProjects(IniFile::fromBytes(ini.toBytes()), back);
    EXPECT_TRUE(back.RecentProjects.isEmpty());
}

TEST(RecentProjects, NoSectionIsAddedWhileTheListIsEmpty)
{
    const QByteArray before = "[Settings]\nLanguage=English\n";
    IniFile ini = IniFile::fromBytes(before);
    writeRecentProjects(ini, AppSettings{});
    EXPECT_EQ(ini.toBytes(), before);
}
