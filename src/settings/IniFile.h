#pragma once

#include <QByteArray>
#include <QHash>
#include <QString>
#include <QStringList>

#include <vector>

// An INI text file as the settings and language files use it, read and
// rewritten the way the Windows profile functions treat such files:
// - section and key names match without regard to case; the first section
//   and the first key of a name count;
// - a missing file, section or key gives the caller's default, while a key
//   with nothing after '=' gives an empty text;
// - a value is read up to 2047 characters;
// - writing a key replaces its value where it stands, or adds the key at the
//   end of its section, or adds the section at the end of the file; every
//   other line (comments, unknown keys and sections, garbage) stays as it was.
// Files in UTF-16 or UTF-8 with a byte-order mark are read, as is UTF-8
// without one; any other file is read in a single-byte code page.
class IniFile
{
public:
    enum class Encoding { SingleByte, Utf8, Utf8Bom, Utf16LE, Utf16BE };

    static constexpr qsizetype kMaxValueLength = 2047;

    // An empty file, written as UTF-8 when saved.
    explicit IniFile(const char *singleByteCodePage = "windows-1252");

    // Reads a file of any size that fits in memory.  A missing file gives an
    // empty one.  So does a file that is there but cannot be read: one that
    // is not a regular file (a folder, a FIFO or a device, which is never
    // opened, so a FIFO cannot block the program), one without read rights,
    // one too large for memory; then *failure, when given, says why, and
    // the caller must not write over the file, which may hold the user's
    // settings.  *failure stays empty when the file was read or is missing.
    static IniFile load(const QString &fileName, const char *singleByteCodePage = "windows-1252",
                        QString *failure = nullptr);
    static IniFile fromBytes(const QByteArray &bytes, const char *singleByteCodePage = "windows-1252");

    QString readString(const QString &section, const QString &key, const QString &defaultValue) const;
    // Whole decimal numbers with an optional sign and blanks around; anything
    // else (or a number beyond 32 bits) gives the default.
    int readInteger(const QString &section, const QString &key, int defaultValue) const;
    // Read as an integer: non-zero is true.
    bool readBool(const QString &section, const QString &key, bool defaultValue) const;

    // Line breaks inside a value would start new lines of the file; they are
    // written as blanks.
    void writeString(const QString &section, const QString &key, const QString &value);
    // For a value the program keeps as single-byte text: a stored value that
    // reads as `value` once reduced to the code page ("José Ω", which the
    // program holds as "José ?") is the one the user wrote and has not
    // changed, and stays in the file as it is.
    void writeSingleByteString(const QString &section, const QString &key, const QString &value);
    void writeInteger(const QString &section, const QString &key, int value);
    void writeBool(const QString &section, const QString &key, bool value);

    // The file's text in its encoding.  A single-byte file that now holds
    // characters its code page lacks is written as UTF-8 instead.
    QByteArray toBytes() const;
    // Writes a temporary file beside fileName and renames it over the old
    // one, so a failed write leaves the old file whole.  False on failure.
    bool save(const QString &fileName) const;

    Encoding encoding() const { return m_encoding; }

private:
    struct Section
    {
        QStringList lines;            // first line is the header, except for the preamble
        QHash<QString, int> keys;     // folded key name -> line index (first occurrence)
    };

    void parse(const QString &text);
    void indexLine(Section &section, int line);
    const QString *findValueLine(const QString &section, const QString &key) const;

    const char *m_codePage;
    Encoding m_encoding = Encoding::Utf8;
    QString m_lineEnd = QStringLiteral("\n");
    std::vector<Section> m_sections;       // [0] holds the lines before the first header
    QHash<QString, int> m_sectionIndex;    // folded section name -> index (first occurrence)
};
