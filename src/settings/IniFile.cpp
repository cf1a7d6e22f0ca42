#include "settings/IniFile.h"

#include "base/CodePage.h"
#include "base/RegularFile.h"
#include "base/SaveFile.h"

#include <QFile>
#include <QFileInfo>
#include <QStringDecoder>
#include <QStringEncoder>

#include <new>
#include <optional>


namespace {

QString fold(QStringView name)
{
    return name.trimmed().toString().toCaseFolded();
}

// The section name of a header line "[name]", or a null string.
QString headerName(QStringView line)
{
    const QStringView t = line.trimmed();
    if (!t.startsWith(u'['))
        return {};
    const qsizetype close = t.lastIndexOf(u']');
    if (close < 1)
        return {};
    QString name = t.mid(1, close - 1).trimmed().toString();
    if (name.isNull())
        name = QLatin1String(""); // "[]" is a section with an empty name
    return name;
}

// Splits "key = value"; false for comments and lines without '='.
bool splitKeyLine(QStringView line, QStringView *key, QStringView *value)
{
    const QStringView t = line.trimmed();
    if (t.isEmpty() || t.startsWith(u';') || t.startsWith(u'['))
        return false;
    const qsizetype eq = t.indexOf(u'=');
    if (eq < 0)
        return false;
    *key = t.left(eq).trimmed();
    *value = t.mid(eq + 1).trimmed();
    return true;
}

bool hasHighByte(const QByteArray &bytes)
{
    for (const char c : bytes) {
        if (static_cast<unsigned char>(c) >= 0x80)
            return true;
    }
    return false;
}

// Text in the code page hardly ever forms valid UTF-8 sequences, so bytes
// above ASCII that do are a UTF-8 file written on this system.
std::optional<QString> asUtf8File(const QByteArray &bytes)
{
    if (!hasHighByte(bytes))
        return std::nullopt;
    QStringDecoder utf8(QStringConverter::Utf8, QStringConverter::Flag::Stateless);
    QString decoded = utf8.decode(bytes);
    if (utf8.hasError())
        return std::nullopt;
    return decoded;
}

} // namespace

IniFile::IniFile(const char *singleByteCodePage)
    : m_codePage(singleByteCodePage)
{
    m_sections.emplace_back();
}

IniFile IniFile::load(const QString &fileName, const char *singleByteCodePage, QString *failure)
{
    QString why;
    auto refused = [&] {
        if (failure)
            *failure = why;
        return IniFile(singleByteCodePage);
    };
    QFile file;
    switch (openRegularFile(file, fileName, &why)) {
    case Opened::Missing:
        return IniFile(singleByteCodePage);
    case Opened::Refused:
        return refused();
    case Opened::Yes:
        break;
    }
    // A file of comments and unknown keys may be large; what matters is
    // that every byte of it is read, so that writing the settings keeps them.
    try {
        const QByteArray bytes = file.readAll();
        if (file.error() != QFileDevice::NoError) {
            why = file.errorString();
            return refused();
        }
        return fromBytes(bytes, singleByteCodePage);
    } catch (const std::bad_alloc &) {
        why = QStringLiteral("too large to be read");
        return refused();
    }
}

IniFile IniFile::fromBytes(const QByteArray &bytes, const char *singleByteCodePage)
{
    IniFile ini(singleByteCodePage);
    QString text;
    if (bytes.startsWith("\xFF\xFE")) {
        ini.m_encoding = Encoding::Utf16LE;
        text = QStringDecoder(QStringConverter::Utf16LE).decode(bytes.mid(2));
    } else if (bytes.startsWith("\xFE\xFF")) {
        ini.m_encoding = Encoding::Utf16BE;
        text = QStringDecoder(QStringConverter::Utf16BE).decode(bytes.mid(2));
    } else if (bytes.startsWith("\xEF\xBB\xBF")) {
        ini.m_encoding = Encoding::Utf8Bom;
        text = QStringDecoder(QStringConverter::Utf8).decode(bytes.mid(3));
    } else if (!bytes.isEmpty()) {
        if (std::optional<QString> decoded = asUtf8File(bytes)) {
            ini.m_encoding = Encoding::Utf8;
            text = std::move(*decoded);
        } else {
            ini.m_encoding = Encoding::SingleByte;
            text = decodeSingleByte(bytes, singleByteCodePage);
        }
    }
    ini.parse(text);
    return ini;
}

void IniFile::parse(const QString &text)
{
    if (text.isEmpty())
        return;
    if (text.contains(QLatin1String("\r\n")))
        m_lineEnd = QStringLiteral("\r\n");

    QStringList lines = text.split(u'\n');
    // The break after the last line ends it; it does not start another.
    if (lines.constLast().isEmpty())
        lines.removeLast();
    for (QString &line : lines) {
        if (line.endsWith(u'\r'))
            line.chop(1);
        const QString name = headerName(line);
        if (!name.isNull()) {
            const QString folded = fold(name);
            if (!m_sectionIndex.contains(folded))
                m_sectionIndex.insert(folded, int(m_sections.size()));
            Section s;
            s.lines.append(line);
            m_sections.push_back(std::move(s));
            continue;
        }
        Section &current = m_sections.back();
        current.lines.append(line);
        indexLine(current, int(current.lines.size() - 1));
    }
}

void IniFile::indexLine(Section &section, int line)
{
    QStringView key;
    QStringView value;
    if (!splitKeyLine(section.lines.at(line), &key, &value))
        return;
    const QString folded = fold(key);
    if (!section.keys.contains(folded))
        section.keys.insert(folded, line);
}

const QString *IniFile::findValueLine(const QString &section, const QString &key) const
{
    const auto s = m_sectionIndex.constFind(fold(section));
    if (s == m_sectionIndex.constEnd())
        return nullptr;
    const Section &sec = m_sections[std::size_t(*s)];
    const auto k = sec.keys.constFind(fold(key));
    if (k == sec.keys.constEnd())
        return nullptr;
    return &sec.lines.at(*k);
}

QString IniFile::readString(const QString &section, const QString &key, const QString &defaultValue) const
{
    const QString *line = findValueLine(section, key);
    if (!line)
        return defaultValue;
    QStringView k;
    QStringView value;
    splitKeyLine(*line, &k, &value);
    if (value.size() > kMaxValueLength) {
        value = value.left(kMaxValueLength);
        if (value.back().isHighSurrogate())
            value.chop(1);
    }
    return value.toString();
}

namespace {

// Whole decimal number with an optional sign; nothing else.
std::optional<int> parseInteger(const QString &value)
{
    const QString text = value.trimmed();
    qsizetype digits = 0;
    for (qsizetype i = 0; i < text.size(); ++i) {
        const QChar c = text.at(i);
        if (c >= u'0' && c <= u'9')
            ++digits;
        else if (i != 0 || (c != u'-' && c != u'+'))
            return std::nullopt;
    }
    if (digits == 0)
        return std::nullopt;
    bool ok = false;
    const int number = text.toInt(&ok);
    if (!ok)
        return std::nullopt;
    return number;
}

} // namespace

int IniFile::readInteger(const QString &section, const QString &key, int defaultValue) const
{
    return parseInteger(readString(section, key, QString())).value_or(defaultValue);
}

bool IniFile::readBool(const QString &section, const QString &key, bool defaultValue) const
{
    const std::optional<int> number = parseInteger(readString(section, key, QString()));
    return number ? *number != 0 : defaultValue;
}

void IniFile::writeString(const QString &section, const QString &key, const QString &value)
{
    QString flat = value;
    flat.replace(QLatin1String("\r\n"), QLatin1String(" "));
    flat.replace(u'\r', u' ');
    flat.replace(u'\n', u' ');

    const auto s = m_sectionIndex.constFind(fold(section));
    if (s == m_sectionIndex.constEnd()) {
        Section added;
        added.lines.append(u'[' + section + u']');
        added.lines.append(key + u'=' + flat);
        indexLine(added, 1);
        m_sectionIndex.insert(fold(section), int(m_sections.size()));
        m_sections.push_back(std::move(added));
        return;
    }
    Section &sec = m_sections[std::size_t(*s)];
    const auto k = sec.keys.constFind(fold(key));
    if (k != sec.keys.constEnd()) {
        QStringView oldKey;
        QStringView oldValue;
        QString &line = sec.lines[*k];
        splitKeyLine(line, &oldKey, &oldValue);
        line = oldKey.toString() + u'=' + flat;
        return;
    }
    // After the section's last non-blank line, so blank lines that part it
    // from the next section stay where they are.
    int at = int(sec.lines.size());
    while (at > 1 && sec.lines.at(at - 1).trimmed().isEmpty())
        --at;
    sec.lines.insert(at, key + u'=' + flat);
    for (auto it = sec.keys.begin(); it != sec.keys.end(); ++it) {
        if (*it >= at)
            ++*it;
    }
    indexLine(sec, at);
}

void IniFile::writeSingleByteString(const QString &section, const QString &key, const QString &value)
{
    const QString stored = readString(section, key, QString());
    if (findValueLine(section, key) && decodeSingleByte(encodeSingleByte(stored, m_codePage), m_codePage) == value)
        return;
    writeString(section, key, value);
}

void IniFile::writeInteger(const QString &section, const QString &key, int value)
{
    writeString(section, key, QString::number(value));
}

void IniFile::writeBool(const QString &section, const QString &key, bool value)
{
    writeString(section, key, value ? QStringLiteral("1") : QStringLiteral("0"));
}

QByteArray IniFile::toBytes() const
{
    QString text;
    for (const Section &s : m_sections) {
        for (const QString &line : s.lines) {
            text += line;
            text += m_lineEnd;
        }
    }
    switch (m_encoding) {
    case Encoding::Utf16LE:
        return QByteArray("\xFF\xFE", 2) + QStringEncoder(QStringConverter::Utf16LE).encode(text);
    case Encoding::Utf16BE:
        return QByteArray("\xFE\xFF", 2) + QStringEncoder(QStringConverter::Utf16BE).encode(text);
    case Encoding::Utf8Bom:
        return QByteArray("\xEF\xBB\xBF") + text.toUtf8();
    case Encoding::SingleByte: {
        // Written back, the file must read as it does now: neither without
        // characters the code page lacks nor as bytes that happen to form
        // UTF-8 (a new value "Ã©" in Windows-1252 is the UTF-8 of "é"), which
        // reading would take for a UTF-8 file.
        const QByteArray bytes = encodeSingleByte(text, m_codePage);
        if (decodeSingleByte(bytes, m_codePage) == text && !asUtf8File(bytes))
            return bytes;
        return text.toUtf8();
    }
    case Encoding::Utf8:
        break;
    }
    return text.toUtf8();
}

bool IniFile::save(const QString &fileName) const
{
    const QByteArray bytes = toBytes();
    return bool(saveWholeFile(fileName, [&bytes](QIODevice &file) { return file.write(bytes) == bytes.size(); }));
}
