// Single-byte code pages of the report and of project files.

#include "base/CodePage.h"

#include <gtest/gtest.h>

#include <stdexcept>
#include <vector>

namespace {

TEST(CodePage, TextBecomesTheCodePagesBytes)
{
    struct Case { const char *name; QString text; const char *codePage; QByteArray bytes; };
    const Case cases[] = {
        {"ASCII", QStringLiteral("Stop time 12.5 ms (max)"), "WINDOWS-1250", "Stop time 12.5 ms (max)"},
        {"empty", QString(), "WINDOWS-1250", ""},
        {"Czech", QStringLiteral("Příliš žluťoučký kůň"), "WINDOWS-1250",
         "P\xf8\xedli\x9a \x9elu\x9dou\xe8k\xfd k\xf9\xf2"},
        {"Polish and Hungarian", QStringLiteral("Łódź Őr"), "WINDOWS-1250", "\xa3\xf3\x64\x9f \xd5r"},
        {"euro and quotes", QStringLiteral("€„“"), "WINDOWS-1250", "\x80\x84\x93"},
        {"Cyrillic is not there", QStringLiteral("Пресс 5"), "WINDOWS-1250", "????? 5"},
        {"one ? for a surrogate pair", QStringLiteral("a\U0001F600b"), "WINDOWS-1250", "a?b"},
        {"Western", QStringLiteral("Müller Ça coûte 5 €"), "WINDOWS-1252", "M\xfcller \xc7" "a co\xfbte 5 \x80"},
        {"Czech in Western", QStringLiteral("Šřě"), "WINDOWS-1252", "\x8a??"},
        {"any iconv name", QStringLiteral("Łódź"), "ISO-8859-2", "\xa3\xf3\x64\xbc"},
    };
    for (const Case &c : cases)
        EXPECT_EQ(encodeSingleByte(c.text, c.codePage), c.bytes) << c.name;
    EXPECT_EQ(toWindows1250(QStringLiteral("Měření")), QByteArray("M\xec\xf8" "en\xed"));
    EXPECT_EQ(toWindows1252(QStringLiteral("Größe")), QByteArray("Gr\xf6\xdf" "e"));
}

TEST(CodePage, EveryByteSurvivesARoundTrip)
{
    QByteArray all;
    for (int byte = 0; byte < 256; ++byte)
        all.append(char(byte));
    for (const char *codePage : {"WINDOWS-1250", "WINDOWS-1252", "ISO-8859-2"}) {
        const QString text = decodeSingleByte(all, codePage);
        ASSERT_EQ(text.size(), 256) << codePage;
        EXPECT_EQ(encodeSingleByte(text, codePage), all) << codePage;
    }
    EXPECT_EQ(fromWindows1252("\x80\x8a\xe9"), QStringLiteral("€Šé"));
    EXPECT_EQ(fromWindows1250("\x8a\xe8\xf8"), QStringLiteral("Ščř"));
    // Bytes the code page leaves undefined read as the same-numbered
    // character, as on Windows.
    EXPECT_EQ(fromWindows1252("\x81\x9d"), QStringLiteral("\u0081\u009d"));
    EXPECT_EQ(fromWindows1250("\x83"), QStringLiteral("\u0083"));
}

TEST(CodePage, OnlySingleByteCodePagesAreAccepted)
{
    for (const char *codePage : {"NO-SUCH-CODE-PAGE", "UTF-8", "UTF-16", "SHIFT_JIS"}) {
        EXPECT_THROW(encodeSingleByte(QStringLiteral("a"), codePage), std::invalid_argument) << codePage;
        EXPECT_THROW(decodeSingleByte("a", codePage), std::invalid_argument) << codePage;
    }
}

} // namespace

namespace {

TEST(WindowsAnsiCodePage, FollowsTheLanguageOfTheLocaleAsWindowsDoes)
{
    struct Case { const char *locale; int codePage; };
    const Case cases[] = {
        {"cs_CZ.UTF-8", 1250}, {"pl_PL", 1250}, {"sk_SK.UTF-8", 1250}, {"hu_HU.ISO-8859-2", 1250},
        {"sl_SI", 1250}, {"hr_HR.UTF-8", 1250}, {"cs", 1250}, {"cs-CZ", 1250},
        {"ru_RU.UTF-8", 1251}, {"uk_UA", 1251}, {"bg_BG.CP1251", 1251},
        {"el_GR.UTF-8", 1253}, {"tr_TR.UTF-8@euro", 1254},
        {"de_DE.UTF-8", 1252}, {"en_US", 1252}, {"fr_FR@euro", 1252}, {"ja_JP.UTF-8", 1252},
        {"C", 1252}, {"C.UTF-8", 1252}, {"POSIX", 1252}, {"", 1252}, {"xx_YY", 1252},
    };
    for (const Case &c : cases)
        EXPECT_EQ(windowsAnsiCodePage(QString::fromLatin1(c.locale)), c.codePage) << c.locale;

    for (const int codePage : kWindowsAnsiCodePages) {
        ASSERT_NE(windowsCodePageName(codePage), nullptr) << codePage;
        // Each is a single-byte code page iconv knows.
        EXPECT_EQ(decodeSingleByte("a", windowsCodePageName(codePage)), QStringLiteral("a")) << codePage;
    }
    EXPECT_EQ(windowsCodePageName(437), nullptr);
    EXPECT_EQ(windowsCodePageName(0), nullptr);
    EXPECT_EQ(encodeSingleByte(QStringLiteral("Пресс"), windowsCodePageName(1251)), QByteArray("\xcf\xf0\xe5\xf1\xf1"));
}

TEST(WindowsAnsiCodePage, TheEnvironmentIsReadAsPosixOrdersIt)
{
    struct Saved
    {
        const char *name;
        QByteArray value;
        bool set;
    };
    std::vector<Saved> saved;
    for (const char *name : {"LC_ALL", "LC_CTYPE", "LANG"})
        saved.push_back({name, qgetenv(name), qEnvironmentVariableIsSet(name)});
    struct Case { const char *all; const char *ctype; const char *lang; int codePage; };
    const Case cases[] = {
        {"cs_CZ.UTF-8", "ru_RU.UTF-8", "el_GR.UTF-8", 1250},
        {"", "ru_RU.UTF-8", "el_GR.UTF-8", 1251},
        {"", "", "el_GR.UTF-8", 1253},
        {"", "", "", 1252},
    };
    for (const Case &c : cases) {
        qputenv("LC_ALL", c.all);
        qputenv("LC_CTYPE", c.ctype);
        qputenv("LANG", c.lang);
        EXPECT_EQ(windowsAnsiCodePageOfEnvironment(), c.codePage) << c.all << "/" << c.ctype << "/" << c.lang;
    }
    for (const Saved &s : saved) {
        if (s.set)
            qputenv(s.name, s.value);
        else
            qunsetenv(s.name);
    }
}

} // namespace
