#include "settings/IniFile.h"

#include <QFile>
#include <QStringEncoder>
#include <QTemporaryDir>
#include <gtest/gtest.h>

#include "QtPrinters.h"
#include "UnwrittenFifo.h"

namespace {

QByteArray utf16le(const QString &text, bool bom)
{
    QByteArray bytes = QStringEncoder(QStringConverter::Utf16LE).encode(text);
    return bom ? QByteArray("\xFF\xFE", 2) + bytes : bytes;
}

const QByteArray kSample = "; settings of the Zirk program\r\n"
                           "[Settings]\r\n"
                           "Language = German \r\n"
                           "Empty=\r\n"
                           "Language=Czech\r\n"
                           "NoEquals line\r\n"
                           "\r\n"
                           "[settings]\r\n"
                           "Language=Polish\r\n"
                           "[Windows Positions]\r\n"
                           "MainWindowLeft=  -12 \r\n";

} // namespace

TEST(IniFile, LooksUpSectionsAndKeysLikeTheProfileFunctions)
{
    const IniFile ini = IniFile::fromBytes(kSample);
    struct Case { const char *section; const char *key; const char *expected; };
    const Case cases[] = {
        {"Settings", "Language", "German"},      // blanks around the value go
        {"SETTINGS", "language", "German"},      // names ignore letter case
        {"Settings", "Empty", ""},               // an empty value is a value
        {"Settings", "Missing", "default"},      // missing key
        {"Nowhere", "Language", "default"},      // missing section
        {"Settings", "NoEquals line", "default"}, // a line without '=' is no key
        {"Windows Positions", "MainWindowLeft", "-12"},
    };
    for (const Case &c : cases) {
        EXPECT_EQ(ini.readString(QLatin1String(c.section), QLatin1String(c.key), QStringLiteral("default")),
                  QLatin1String(c.expected))
            << c.section << "/" << c.key;
    }
    EXPECT_EQ(ini.readInteger(QStringLiteral("windows positions"), QStringLiteral("MAINWINDOWLEFT"), 7), -12);
}

TEST(IniFile, ReadsNumbersAndBooleansOrGivesTheDefault)
{
    struct Case { const char *value; int integer; bool boolean; };
    // Default 42 for the integer, true for the boolean.
    const Case cases[] = {
        {"0", 0, false},  {"1", 1, true},    {"-3", -3, true},    {"+5", 5, true},
        {" 17 ", 17, true}, {"", 42, true},  {"yes", 42, true},   {"12abc", 42, true},
        {"1.5", 42, true}, {"-", 42, true},  {"99999999999", 42, true},
    };
    for (const Case &c : cases) {
        const IniFile ini = IniFile::fromBytes(QByteArray("[S]\nK=") + c.value + "\n");
        EXPECT_EQ(ini.readInteger(QStringLiteral("S"), QStringLiteral("K"), 42), c.integer) << c.value;
        EXPECT_EQ(ini.readBool(QStringLiteral("S"), QStringLiteral("K"), true), c.boolean) << c.value;
    }
}

TEST(IniFile, ReadsValuesUpTo2047Characters)
{
    const QByteArray value(5000, 'x');
    const IniFile ini = IniFile::fromBytes("[S]\nK=" + value + "\n");
    EXPECT_EQ(ini.readString(QStringLiteral("S"), QStringLiteral("K"), {}).size(), 2047);
}

TEST(IniFile, WritingReplacesInPlaceAppendsToTheSectionOrAddsTheSection)
{
    IniFile ini = IniFile::fromBytes(kSample);
    ini.writeString(QStringLiteral("settings"), QStringLiteral("language"), QStringLiteral("English"));
    ini.writeString(QStringLiteral("Settings"), QStringLiteral("SoundFile"), QStringLiteral("beep.wav"));
    ini.writeInteger(QStringLiteral("ListView"), QStringLiteral("NumberColumnWidth"), 50);
    ini.writeBool(QStringLiteral("Windows Positions"), QStringLiteral("Flag"), true);

    const QByteArray expected = "; settings of the Zirk program\r\n"
                                "[Settings]\r\n"
                                "Language=English\r\n"
                                "Empty=\r\n"
                                "Language=Czech\r\n"
                                "NoEquals line\r\n"
                                "SoundFile=beep.wav\r\n"
                                "\r\n"
                                "[settings]\r\n"
                                "Language=Polish\r\n"
                                "[Windows Positions]\r\n"
                                "MainWindowLeft=  -12 \r\n"
                                "Flag=1\r\n"
                                "[ListView]\r\n"
                                "NumberColumnWidth=50\r\n";
    EXPECT_EQ(ini.toBytes(), expected);
    // Keys added after an insertion are still found where they are.
    ini.writeString(QStringLiteral("Settings"), QStringLiteral("Empty"), QStringLiteral("now"));
    EXPECT_TRUE(ini.toBytes().contains("Empty=now\r\nLanguage=Czech"));
}

TEST(IniFile, LineBreaksInAValueCannotStartNewKeys)
{
    IniFile ini;
    ini.writeString(QStringLiteral("Settings"), QStringLiteral("LastNote"),
                    QStringLiteral("press 3\n[Windows Positions]\r\nMainWindowLeft=99999"));
    const IniFile back = IniFile::fromBytes(ini.toBytes());
    EXPECT_EQ(back.readInteger(QStringLiteral("Windows Positions"), QStringLiteral("MainWindowLeft"), 100), 100);
    EXPECT_EQ(back.readString(QStringLiteral("Settings"), QStringLiteral("LastNote"), {}),
              QStringLiteral("press 3 [Windows Positions] MainWindowLeft=99999"));
}

TEST(IniFile, ReadsAndKeepsTheFileEncoding)
{
    const QString text = QStringLiteral("[HMI]\r\nInvalidFileText=Ungültige Datei – \u0141\u00f3d\u017a\r\n");
    struct Case { const char *name; QByteArray bytes; IniFile::Encoding encoding; QString expected; };
    const Case cases[] = {
        {"UTF-16 LE with BOM", utf16le(text, true), IniFile::Encoding::Utf16LE, QStringLiteral("Ungültige Datei – \u0141\u00f3d\u017a")},
        {"UTF-16 BE with BOM", QByteArray("\xFE\xFF", 2) + QStringEncoder(QStringConverter::Utf16BE).encode(text),
         IniFile::Encoding::Utf16BE, QStringLiteral("Ungültige Datei – \u0141\u00f3d\u017a")},
        {"UTF-8 with BOM", "\xEF\xBB\xBF" + text.toUtf8(), IniFile::Encoding::Utf8Bom, QStringLiteral("Ungültige Datei – \u0141\u00f3d\u017a")},
        {"UTF-8", text.toUtf8(), IniFile::Encoding::Utf8, QStringLiteral("Ungültige Datei – \u0141\u00f3d\u017a")},
        {"Windows-1252", "[HMI]\r\nInvalidFileText=Ung\xFCltige Datei \x96 \x80\r\n", IniFile::Encoding::SingleByte,
         QStringLiteral("Ungültige Datei – €")},
    };
    for (const Case &c : cases) {
        IniFile ini = IniFile::fromBytes(c.bytes);
        EXPECT_EQ(ini.encoding(), c.encoding) << c.name;
        EXPECT_EQ(ini.readString(QStringLiteral("hmi"), QStringLiteral("InvalidFileText"), {}), c.expected) << c.name;
        // Rewritten unchanged, the file comes back byte for byte.
        EXPECT_EQ(ini.toBytes(), c.bytes) << c.name;
    }
}

TEST(IniFile, ASingleByteFileTurnsUtf8WhenAValueNeedsIt)
{
    IniFile ini = IniFile::fromBytes("[Settings]\nUserName=M\xFCller\n");
    ini.writeString(QStringLiteral("Settings"), QStringLiteral("LastNote"), QStringLiteral("Lis \u0141\u00f3d\u017a"));
    const QByteArray bytes = ini.toBytes();
    EXPECT_EQ(bytes, QStringLiteral("[Settings]\nUserName=Müller\nLastNote=Lis \u0141\u00f3d\u017a\n").toUtf8());
    EXPECT_EQ(IniFile::fromBytes(bytes).readString(QStringLiteral("Settings"), QStringLiteral("UserName"), {}),
              QStringLiteral("Müller"));
}

// Windows-1252 bytes that happen to form UTF-8 ("\xC3\xA9" is "Ã©" there and
// "é" in UTF-8) would read back as another text: such a file is written as
// UTF-8, and every value reads back as it was.
TEST(IniFile, ASingleByteFileStaysReadableWhenItsBytesWouldLookLikeUtf8)
{
    // The \xAF of the old user name alone keeps the file from being UTF-8.
    IniFile ini = IniFile::fromBytes("[Set\xC3\xA9ngs]\nKey=kept\n[Settings]\nUserName=old \xAF\n");
    ASSERT_EQ(ini.encoding(), IniFile::Encoding::SingleByte);
    ini.writeString(QStringLiteral("Settings"), QStringLiteral("UserName"), QStringLiteral("new"));
    const IniFile again = IniFile::fromBytes(ini.toBytes());
    EXPECT_EQ(again.readString(QStringLiteral("Set\u00c3\u00a9ngs"), QStringLiteral("Key"), {}), QStringLiteral("kept"));
    EXPECT_EQ(again.readString(QStringLiteral("Settings"), QStringLiteral("UserName"), {}), QStringLiteral("new"));

    IniFile ascii = IniFile::fromBytes("[Settings]\nUserName=old\n");
    ascii.writeString(QStringLiteral("Settings"), QStringLiteral("UserName"), QStringLiteral("\u00c3\u00a9mile"));
    EXPECT_EQ(IniFile::fromBytes(ascii.toBytes()).readString(QStringLiteral("Settings"), QStringLiteral("UserName"), {}),
              QStringLiteral("\u00c3\u00a9mile"));
}

// The program holds the user's name as single-byte text; a name written by
// hand with characters the code page lacks is not the program's to replace.
TEST(IniFile, ASingleByteSettingTheUserDidNotChangeStaysAsWritten)
{
    const QString section = QStringLiteral("Settings");
    const QString key = QStringLiteral("UserName");
    struct Case
    {
        const char *what;
        QByteArray file;
        QString written;
        QString readBack;
        IniFile::Encoding encoding; // of the file written back
    };
    using E = IniFile::Encoding;
    const Case cases[] = {
        {"UTF-8 by hand, unchanged", "[Settings]\nUserName=Jos\xC3\xA9 \xCE\xA9\n", QStringLiteral("José ?"),
         QStringLiteral("José Ω"), E::Utf8},
        {"UTF-8 by hand, changed", "[Settings]\nUserName=Jos\xC3\xA9 \xCE\xA9\n", QStringLiteral("Josef"),
         QStringLiteral("Josef"), E::SingleByte}, // plain ASCII now
        {"a real question mark", "[Settings]\nUserName=Who?\n", QStringLiteral("Who?"), QStringLiteral("Who?"), E::SingleByte},
        {"missing key", "[Settings]\n", QStringLiteral("?"), QStringLiteral("?"), E::SingleByte},
        {"Windows-1252", "[Settings]\nUserName=M\xFCller\n", QStringLiteral("Müller"), QStringLiteral("Müller"), E::SingleByte},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.what);
        IniFile ini = IniFile::fromBytes(c.file);
        ini.writeSingleByteString(section, key, c.written);
        const IniFile back = IniFile::fromBytes(ini.toBytes());
        EXPECT_EQ(back.readString(section, key, QStringLiteral("missing")), c.readBack);
        EXPECT_EQ(back.encoding(), c.encoding);
    }
}

TEST(IniFile, BadFilesGiveDefaultsAndNeverCrash)
{
    QByteArray garbage;
    for (int i = 0; i < 100000; ++i)
        garbage.append(char((i * 7919 + i / 3) & 0xFF));
    QByteArray overlong = "[Settings]\n" + QByteArray(3'000'000, 'A') + "\nLanguage=German\n" + QByteArray(1'000'000, '[') + "\n";
    struct Case { const char *name; QByteArray bytes; const char *language; };
    const Case cases[] = {
        {"empty", QByteArray(), "English"},
        {"only a break", "\n", "English"},
        {"binary garbage", garbage, "English"},
        {"UTF-16 without BOM", utf16le(QStringLiteral("[Settings]\r\nLanguage=German\r\n"), false), "English"},
        {"overlong lines", overlong, "German"},
        {"NULs and a header without end", QByteArray("[Settings\0\nLanguage=German\n", 27), "English"},
        {"key before any section", "Language=German\n[Settings]\n", "English"},
        {"odd-length UTF-16", QByteArray("\xFF\xFE[\0S\0]\0\n", 9), "English"},
    };
    for (const Case &c : cases) {
        IniFile ini = IniFile::fromBytes(c.bytes);
        EXPECT_EQ(ini.readString(QStringLiteral("Settings"), QStringLiteral("Language"), QStringLiteral("English")),
                  QLatin1String(c.language))
            << c.name;
        // Writing keeps every line that was there.
        ini.writeString(QStringLiteral("Settings"), QStringLiteral("Extra"), QStringLiteral("1"));
        EXPECT_GE(ini.toBytes().size(), c.bytes.size() - 3) << c.name;
    }
}

TEST(IniFile, LoadReadsFilesOfAnySizeAndSaysWhichCannotBeRead)
{
    QTemporaryDir dir;
    // A user's file grown past a megabyte with comments: the keys behind
    // them count and every line stays for the next write.
    QByteArray bigBytes;
    while (bigBytes.size() < 1'088'663 - 50)
        bigBytes += "; a comment the user keeps beside the settings\r\n";
    bigBytes += "[Settings]\r\nUserName=Jana Novak\r\nLanguage=German\r\n";
    const QString big = dir.filePath(QStringLiteral("big.ini"));
    {
        QFile f(big);
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
        f.write(bigBytes);
    }
    const QString fifoName = dir.filePath(QStringLiteral("fifo.ini"));
    UnwrittenFifo fifo(fifoName);
    ASSERT_TRUE(fifo.made());

    struct Case
    {
        const char *name;
        QString file;
        const char *language; // read with the default "English"
        bool unreadable;
    };
    const Case cases[] = {
        {"a file over a megabyte", big, "German", false},
        {"a missing file", dir.filePath(QStringLiteral("missing.ini")), "English", false},
        {"a file in a missing folder", dir.filePath(QStringLiteral("no/such/zirk.ini")), "English", false},
        {"a folder", dir.path(), "English", true},
        {"a FIFO nobody writes to", fifoName, "English", true},
        {"a character device", QStringLiteral("/dev/zero"), "English", true},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.name);
        QString failure;
        const IniFile ini = IniFile::load(c.file, "windows-1252", &failure);
        EXPECT_EQ(ini.readString(QStringLiteral("Settings"), QStringLiteral("Language"), QStringLiteral("English")),
                  QLatin1String(c.language));
        EXPECT_EQ(!failure.isEmpty(), c.unreadable) << failure.toStdString();
    }
    EXPECT_FALSE(fifo.rescued()) << "the FIFO was opened";
    EXPECT_TRUE(fifo.stillFifo());

    QString failure;
    const IniFile whole = IniFile::load(big, "windows-1252", &failure);
    EXPECT_EQ(whole.readString(QStringLiteral("Settings"), QStringLiteral("UserName"), {}), QStringLiteral("Jana Novak"));
    EXPECT_EQ(whole.toBytes(), bigBytes);
}

TEST(IniFile, SaveReplacesTheFileWholeOrLeavesItAlone)
{
    QTemporaryDir dir;
    const QString name = dir.filePath(QStringLiteral("zirk.ini"));
    IniFile ini;
    ini.writeString(QStringLiteral("Settings"), QStringLiteral("Language"), QStringLiteral("German"));
    ASSERT_TRUE(ini.save(name));
    EXPECT_EQ(IniFile::load(name).readString(QStringLiteral("Settings"), QStringLiteral("Language"), {}),
              QStringLiteral("German"));
    // A folder that does not exist cannot take the file.
    EXPECT_FALSE(ini.save(dir.filePath(QStringLiteral("no/such/folder/zirk.ini"))));
    // No temporary file is left behind.
    EXPECT_EQ(QDir(dir.path()).entryList(QDir::Files), QStringList{QStringLiteral("zirk.ini")});
}
