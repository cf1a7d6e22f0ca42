#include "app/CodePage.h"

#include <gtest/gtest.h>

#include "QtPrinters.h"

TEST(CodePage, MapsTheWindowsCodePages)
{
    struct Case { const char *codePage; QByteArray bytes; QString text; };
    const Case cases[] = {
        {"windows-1250", "\x8A\x9A\xC8\xE8\xD8\xF8\xA3\xB3", QStringLiteral("ŠšČčŘřŁł")},
        {"windows-1252", "\x80\x85\x96\xC4\xDF\xFC\xE9", QStringLiteral("€…–Äßüé")},
        {"WINDOWS-1252", "Zirk 5.01", QStringLiteral("Zirk 5.01")},
        {"iso-8859-1", "\xE4\x80", QStringLiteral("ä\u0080")},
    };
    for (const Case &c : cases) {
        EXPECT_EQ(decodeSingleByte(c.bytes, c.codePage), c.text) << c.codePage;
        EXPECT_EQ(encodeSingleByte(c.text, c.codePage), c.bytes) << c.codePage;
    }
}

TEST(CodePage, EveryByteSurvivesDecodingAndEncoding)
{
    QByteArray all;
    for (int b = 0; b < 256; ++b)
        all.append(char(b));
    for (const char *cp : {"windows-1250", "windows-1252"})
        EXPECT_EQ(encodeSingleByte(decodeSingleByte(all, cp), cp), all) << cp;
}

TEST(CodePage, CharactersTheCodePageLacksBecomeQuestionMarks)
{
    EXPECT_EQ(encodeSingleByte(QStringLiteral("Dvořák"), "windows-1252"), QByteArray("Dvo?\xE1k"));
    EXPECT_EQ(encodeSingleByte(QStringLiteral("Dvořák"), "windows-1250"), QByteArray("Dvo\xF8\xE1k"));
    // A character outside the basic plane is one character, one '?'.
    EXPECT_EQ(encodeSingleByte(QStringLiteral("a\U0001F600b"), "windows-1250"), QByteArray("a?b"));
}
