// Single-byte code pages of the report and of project files.

#include "base/CodePage.h"

#include <gtest/gtest.h>

#include <stdexcept>

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
