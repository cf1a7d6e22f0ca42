// The settings file as data: what the window and zirk-cli read is one
// reading, and what the window writes comes back the same.
#include "settings/IniFile.h"
#include "settings/SettingsFile.h"

#include <QLocale>
#include <gtest/gtest.h>

namespace {

TEST(SettingsFile, ReadsEveryValueAndWritesItBackUnchanged)
{
    QLocale::setDefault(QLocale(QLocale::English, QLocale::UnitedStates));
    const IniFile ini = IniFile::fromBytes("[Windows Positions]\r\nMainWindowLeft=12\r\nMainWindowTop=34\r\n"
                                           "SafetyAdvisorLeft=56\r\n"
                                           "[Settings]\r\nLanguage=German\r\nUserName=Jana Novak\r\n"
                                           "PlaySound=1\r\nSSSpeed=12.5\r\nAutoReleaseDistance=250\r\n"
                                           "AutoReleaseBySpeed=1\r\nLastMachineID=Press 4\r\nLastNote=rear\r\n"
                                           "ArchiveUrl=  sqlite:///srv/zirk.sqlite  \r\nArchiveTrendPercent=7.5\r\n"
                                           "AddAnalysisPage=0\r\n"
                                           "[ListView]\r\nNumberColumnWidth=60\r\nTimeColumnWidth=0\r\n"
                                           "ChartSplitter=240,310\r\n");
    const SavedSettings s = readSettings(ini);
    EXPECT_EQ(s.windowPositions[0], QPoint(12, 34));
    EXPECT_EQ(s.windowPositions[int(PositionedWindow::SafetyAdvisor)], QPoint(56, 200));
    EXPECT_EQ(s.windowPositions[int(PositionedWindow::Calculator)], QPoint(200, 100));
    EXPECT_EQ(s.app.Language, QStringLiteral("German"));
    EXPECT_EQ(s.app.UserName, QStringLiteral("Jana Novak"));
    EXPECT_TRUE(s.app.SoundEnable);
    EXPECT_EQ(s.app.SSSpeed, 12.5);
    EXPECT_EQ(s.app.ArchiveUrl, QStringLiteral("sqlite:///srv/zirk.sqlite"));
    EXPECT_EQ(s.app.ArchiveTrendPercent, 7.5);
    EXPECT_FALSE(s.app.AddAnalysisPage);
    EXPECT_EQ(s.releaseDistance, QStringLiteral("250"));
    EXPECT_FALSE(s.releaseByDistance);
    EXPECT_TRUE(s.releaseBySpeed);
    EXPECT_EQ(s.numberColumnWidth, 60);
    EXPECT_EQ(s.timeColumnWidth, 140) << "a width of 0 is a damaged file";
    EXPECT_EQ(s.chartSplitter, (QList<int>{240, 310}));
    EXPECT_EQ(s.lastMachineId, QStringLiteral("Press 4"));
    EXPECT_EQ(s.lastNote, QStringLiteral("rear"));

    // Written and read again: the same values.
    IniFile written = IniFile::fromBytes(QByteArray());
    writeSettings(written, s);
    const SavedSettings again = readSettings(written);
    EXPECT_EQ(again.windowPositions, s.windowPositions);
    EXPECT_EQ(again.app.UserName, s.app.UserName);
    EXPECT_EQ(again.app.ArchiveUrl, s.app.ArchiveUrl);
    EXPECT_EQ(again.app.ArchiveTrendPercent, s.app.ArchiveTrendPercent);
    EXPECT_EQ(again.releaseDistance, s.releaseDistance);
    EXPECT_EQ(again.chartSplitter, s.chartSplitter);
    EXPECT_EQ(again.lastMachineId, s.lastMachineId);
    QLocale::setDefault(QLocale::c());
}

TEST(SettingsFile, AnEmptyFileGivesTheDefaultsAndNoArchiveKeys)
{
    const SavedSettings s = readSettings(IniFile::fromBytes(QByteArray()));
    EXPECT_EQ(s.windowPositions, kDefaultWindowPositions);
    EXPECT_EQ(s.app.Language, QStringLiteral("English"));
    EXPECT_EQ(s.app.SSSpeed, 10.0);
    EXPECT_TRUE(s.app.AddAnalysisPage);
    EXPECT_EQ(s.app.ArchiveTrendPercent, kDefaultTrendThresholdPercent);
    IniFile written = IniFile::fromBytes(QByteArray());
    writeSettings(written, s);
    // A program that never used the archive leaves its keys out.
    EXPECT_EQ(written.readString(QStringLiteral("Settings"), QLatin1String(kArchiveSettingsKey), QStringLiteral("-")),
              QStringLiteral("-"));
    EXPECT_EQ(s.app.ProjectCodePage, 0);
    EXPECT_EQ(written.readString(QStringLiteral("Settings"), QLatin1String(kProjectCodePageSettingsKey),
                                 QStringLiteral("-")),
              QStringLiteral("-"));
}

TEST(SettingsFile, TheProjectCodePageIsOneOfWindowsOrTheLocales)
{
    struct Case { const char *stored; int codePage; };
    const Case cases[] = {
        {"1250", 1250}, {" 1251 ", 1251}, {"1252", 1252}, {"1253", 1253}, {"1254", 1254},
        {"", 0}, {"0", 0}, {"437", 0}, {"65001", 0}, {"windows-1250", 0}, {"1250.0", 0},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.stored);
        const IniFile ini = IniFile::fromBytes(QByteArray("[Settings]\r\nProjectCodePage=") + c.stored + "\r\n");
        const SavedSettings s = readSettings(ini);
        EXPECT_EQ(s.app.ProjectCodePage, c.codePage);
        IniFile written = IniFile::fromBytes(QByteArray());
        writeSettings(written, s);
        EXPECT_EQ(readSettings(written).app.ProjectCodePage, c.codePage);
    }
    // Back to the locale's after a choice: the key stays, empty.
    SavedSettings chosen;
    chosen.app.ProjectCodePage = 1250;
    IniFile written = IniFile::fromBytes(QByteArray());
    writeSettings(written, chosen);
    chosen.app.ProjectCodePage = 0;
    writeSettings(written, chosen);
    EXPECT_EQ(written.readString(QStringLiteral("Settings"), QLatin1String(kProjectCodePageSettingsKey),
                                 QStringLiteral("-")),
              QString());
}

} // namespace
