#include "settings/FileLocations.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <gtest/gtest.h>

#include "QtPrinters.h"

namespace {

QProcessEnvironment environment(std::initializer_list<std::pair<const char *, const char *>> values)
{
    QProcessEnvironment env;
    for (const auto &[name, value] : values)
        env.insert(QLatin1String(name), QLatin1String(value));
    return env;
}

void touch(const QString &file)
{
    QDir().mkpath(QFileInfo(file).absolutePath());
    QFile f(file);
    ASSERT_TRUE(f.open(QIODevice::WriteOnly));
}

} // namespace

TEST(FileLocations, SettingsFileBesideTheProgramOrInTheUsersConfigFolder)
{
    struct Case {
        const char *name;
        QProcessEnvironment env;
        bool programFolderWritable;
        const char *expected;
    };
    const Case cases[] = {
        {"unpacked copy", environment({{"HOME", "/home/anna"}}), true, "/opt/zirk/zirk.ini"},
        {"installed", environment({{"HOME", "/home/anna"}}), false, "/home/anna/.config/zirk/zirk.ini"},
        {"XDG_CONFIG_HOME", environment({{"HOME", "/home/anna"}, {"XDG_CONFIG_HOME", "/cfg"}}), false,
         "/cfg/zirk/zirk.ini"},
        {"relative XDG_CONFIG_HOME is ignored", environment({{"HOME", "/home/anna"}, {"XDG_CONFIG_HOME", "cfg"}}),
         false, "/home/anna/.config/zirk/zirk.ini"},
        {"ZIRK_CONFIG_DIR wins", environment({{"HOME", "/home/anna"}, {"ZIRK_CONFIG_DIR", "/tmp/t"}}), true,
         "/tmp/t/zirk.ini"},
    };
    for (const Case &c : cases)
        EXPECT_EQ(settingsFilePathFor(QStringLiteral("/opt/zirk/zirk"), c.env, c.programFolderWritable),
                  QLatin1String(c.expected))
            << c.name;
    // The program's file name with its extension replaced.
    EXPECT_EQ(settingsFilePathFor(QStringLiteral("C:/Zirk/Zirk.exe"), {}, true), QStringLiteral("C:/Zirk/Zirk.ini"));
}

TEST(FileLocations, SettingsOfAnotherProgramBesideThisOne)
{
    // zirk-cli reads the settings file zirk writes, named after zirk.
    QTemporaryDir config;
    qputenv("ZIRK_CONFIG_DIR", config.path().toLocal8Bit());
    EXPECT_EQ(settingsFilePathOf(QStringLiteral("zirk")), QDir(config.path()).filePath(QStringLiteral("zirk.ini")));
    qunsetenv("ZIRK_CONFIG_DIR");
}

TEST(FileLocations, DataFoldersBesideTheProgramThenTheInstalledShare)
{
    EXPECT_EQ(dataFolderCandidatesFor(QStringLiteral("/usr/bin/zirk"), {}, QStringLiteral("Languages")),
              (QStringList{QStringLiteral("/usr/bin/Languages"), QStringLiteral("/usr/share/zirk/Languages")}));
    EXPECT_EQ(dataFolderCandidatesFor(QStringLiteral("/usr/bin/zirk"), environment({{"ZIRK_DATA_DIR", "/d"}}),
                                      QStringLiteral("Docs")),
              (QStringList{QStringLiteral("/d/Docs"), QStringLiteral("/usr/bin/Docs"),
                           QStringLiteral("/usr/share/zirk/Docs")}));
}

TEST(FileLocations, LanguageFilesAreFoundByNameInAnyLetterCase)
{
    QTemporaryDir dir;
    touch(dir.filePath(QStringLiteral("Languages/German.ini")));
    touch(dir.filePath(QStringLiteral("Languages/English.ini")));
    touch(dir.filePath(QStringLiteral("Languages/readme.txt")));
    qputenv("ZIRK_DATA_DIR", dir.path().toLocal8Bit());

    EXPECT_EQ(languageFilePath(QStringLiteral("German")), dir.filePath(QStringLiteral("Languages/German.ini")));
    EXPECT_EQ(languageFilePath(QStringLiteral("german")), dir.filePath(QStringLiteral("Languages/German.ini")));
    for (const char *none : {"", "French", "../Languages/German", "default"})
        EXPECT_TRUE(languageFilePath(QLatin1String(none)).isEmpty()) << none;
    EXPECT_EQ(availableLanguages(), (QStringList{QStringLiteral("English"), QStringLiteral("German")}));
    EXPECT_EQ(dataFolder(QStringLiteral("Languages")), dir.filePath(QStringLiteral("Languages")));
    qunsetenv("ZIRK_DATA_DIR");
}

TEST(FileLocations, TheLanguageSwitchOffersTheShippedLanguages)
{
    qputenv("ZIRK_DATA_DIR", ZIRK_SOURCE_DIR "/data");
    EXPECT_EQ(availableLanguages(),
              (QStringList{QStringLiteral("Czech"), QStringLiteral("English"), QStringLiteral("German")}));
    qunsetenv("ZIRK_DATA_DIR");
}
