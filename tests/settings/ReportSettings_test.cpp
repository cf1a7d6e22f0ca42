#include "settings/ReportSettings.h"

#include "QtPrinters.h"
#include "settings/IniFile.h"

#include <gtest/gtest.h>

TEST(ReportSettings, ReadWithDefaultsForFilesOfEarlierVersions)
{
    struct Case
    {
        const char *what;
        QByteArray file;
        bool analysis;
        const char *logo;
    };
    const Case cases[] = {
        {"no keys: the page is on, no logo", "[Settings]\nLanguage=English\n", true, ""},
        {"empty file", "", true, ""},
        {"page switched off", "[Settings]\nAddAnalysisPage=0\n", false, ""},
        {"any other number is on", "[Settings]\nAddAnalysisPage=7\n", true, ""},
        {"not a number: default", "[Settings]\nAddAnalysisPage=no\n", true, ""},
        {"a kept logo", "[Settings]\nLogoFile=logo.png\n", true, "logo.png"},
        {"a path is no kept logo", "[Settings]\nLogoFile=/etc/passwd\n", true, ""},
        {"nor a Windows path", "[Settings]\nLogoFile=..\\secret.png\n", true, ""},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.what);
        AppSettings s;
        s.AddAnalysisPage = !c.analysis;
        s.LogoFile = QStringLiteral("stale");
        readReportSettings(IniFile::fromBytes(c.file), s);
        EXPECT_EQ(s.AddAnalysisPage, c.analysis);
        EXPECT_EQ(s.LogoFile, QLatin1String(c.logo));
    }
}

TEST(ReportSettings, RoundTripKeepsOtherKeys)
{
    for (const bool analysis : {true, false}) {
        IniFile ini = IniFile::fromBytes("[Settings]\nColour=blue\n");
        AppSettings out;
        out.AddAnalysisPage = analysis;
        out.LogoFile = QStringLiteral("logo.jpg");
        writeReportSettings(ini, out);
        const IniFile back = IniFile::fromBytes(ini.toBytes());
        AppSettings in;
        readReportSettings(back, in);
        EXPECT_EQ(in.AddAnalysisPage, analysis);
        EXPECT_EQ(in.LogoFile, QStringLiteral("logo.jpg"));
        EXPECT_EQ(back.readString(QStringLiteral("Settings"), QStringLiteral("Colour"), QString()),
                  QStringLiteral("blue"));
    }
}
