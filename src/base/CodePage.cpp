#include "base/CodePage.h"

#include <iconv.h>

#include <QLocale>
#include <QRegularExpression>

#include <array>
#include <cerrno>
#include <map>
#include <memory>
#include <mutex>
#include <stdexcept>
#include <string>
#include <unordered_map>

namespace {

// Both directions of one code page.  iconv is asked once per byte value, so
// converting text is a table look-up and never depends on iconv's handling
// of errors in the middle of a string.
struct CodePageTables
{
    std::array<char32_t, 256> toUnicode {};
    std::unordered_map<char32_t, char> fromUnicode;
};

CodePageTables buildTables(const char *codePage)
{
    iconv_t cd = iconv_open("UTF-32LE", codePage);
    if (cd == reinterpret_cast<iconv_t>(-1))
        throw std::invalid_argument(std::string("Unknown code page: ") + codePage);

    CodePageTables tables;
    for (int byte = 0; byte < 256; ++byte) {
        iconv(cd, nullptr, nullptr, nullptr, nullptr);
        char in = char(byte);
        unsigned char out[16] = {};
        char *inPtr = &in;
        char *outPtr = reinterpret_cast<char *>(out);
        size_t inLeft = 1;
        size_t outLeft = sizeof out;
        const size_t rc = iconv(cd, &inPtr, &inLeft, &outPtr, &outLeft);
        const size_t produced = sizeof out - outLeft;
        char32_t unicode = char32_t(byte);
        if (rc != size_t(-1) && inLeft == 0 && produced == 4) {
            unicode = char32_t(out[0]) | char32_t(out[1]) << 8 | char32_t(out[2]) << 16
                      | char32_t(out[3]) << 24;
        } else if ((rc != size_t(-1) && inLeft == 0) || (rc == size_t(-1) && errno == EINVAL)) {
            // A byte that stands for more than one character, a shift state
            // or the start of a multi-byte sequence: not a single-byte code
            // page.
            iconv_close(cd);
            throw std::invalid_argument(std::string("Not a single-byte code page: ") + codePage);
        }
        tables.toUnicode[byte] = unicode;
    }
    iconv_close(cd);

    // Where two bytes read as the same character, the lower byte wins.
    for (int byte = 255; byte >= 0; --byte)
        tables.fromUnicode[tables.toUnicode[byte]] = char(byte);
    return tables;
}

const CodePageTables &tablesFor(const char *codePage)
{
    static std::mutex mutex;
    static std::map<std::string, std::unique_ptr<CodePageTables>> cache;
    const std::lock_guard lock(mutex);
    auto &slot = cache[codePage];
    if (!slot)
        slot = std::make_unique<CodePageTables>(buildTables(codePage));
    return *slot;
}

} // namespace

QByteArray encodeSingleByte(const QString &text, const char *codePage)
{
    const CodePageTables &tables = tablesFor(codePage);
    QByteArray result;
    result.reserve(text.size());
    const QChar *p = text.constData();
    const QChar *end = p + text.size();
    while (p < end) {
        char32_t c = p->unicode();
        if (p->isHighSurrogate() && p + 1 < end && p[1].isLowSurrogate()) {
            c = QChar::surrogateToUcs4(p[0], p[1]);
            ++p;
        }
        ++p;
        if (c < 0x80 && tables.toUnicode[c] == c) {
            result.append(char(c));
            continue;
        }
        const auto found = tables.fromUnicode.find(c);
        result.append(found != tables.fromUnicode.end() ? found->second : '?');
    }
    return result;
}

QString decodeSingleByte(const QByteArray &bytes, const char *codePage)
{
    const CodePageTables &tables = tablesFor(codePage);
    QString result;
    result.reserve(bytes.size());
    for (const char byte : bytes) {
        const char32_t c = tables.toUnicode[static_cast<unsigned char>(byte)];
        if (QChar::requiresSurrogates(c)) {
            result.append(QChar(QChar::highSurrogate(c)));
            result.append(QChar(QChar::lowSurrogate(c)));
        } else {
            result.append(QChar(char16_t(c)));
        }
    }
    return result;
}

QByteArray toWindows1250(const QString &text)
{
    return encodeSingleByte(text, "WINDOWS-1250");
}

QString fromWindows1250(const QByteArray &bytes)
{
    return decodeSingleByte(bytes, "WINDOWS-1250");
}

QByteArray toWindows1252(const QString &text)
{
    return encodeSingleByte(text, "WINDOWS-1252");
}

QString fromWindows1252(const QByteArray &bytes)
{
    return decodeSingleByte(bytes, "WINDOWS-1252");
}

const char *windowsCodePageName(int codePage)
{
    switch (codePage) {
    case 1250: return "Windows-1250";
    case 1251: return "Windows-1251";
    case 1252: return "Windows-1252";
    case 1253: return "Windows-1253";
    case 1254: return "Windows-1254";
    default: return nullptr;
    }
}

int windowsAnsiCodePage(const QString &localeName)
{
    // "cs_CZ.UTF-8@euro" names the language before '_', '-', '.' or '@';
    // "C" and "POSIX" name none.
    static const QRegularExpression languagePart(QStringLiteral("^([A-Za-z]{2,3})(?:[_\\-.@]|$)"));
    const QRegularExpressionMatch match = languagePart.match(localeName.trimmed());
    if (!match.hasMatch())
        return 1252;
    switch (QLocale::codeToLanguage(match.captured(1).toLower())) {
    case QLocale::Czech:
    case QLocale::Polish:
    case QLocale::Slovak:
    case QLocale::Hungarian:
    case QLocale::Slovenian:
    case QLocale::Croatian:
        return 1250;
    case QLocale::Russian:
    case QLocale::Ukrainian:
    case QLocale::Bulgarian:
        return 1251;
    case QLocale::Greek:
        return 1253;
    case QLocale::Turkish:
        return 1254;
    default:
        return 1252;
    }
}

int windowsAnsiCodePageOfEnvironment()
{
    for (const char *variable : {"LC_ALL", "LC_CTYPE", "LANG"}) {
        const QString value = qEnvironmentVariable(variable);
        if (!value.isEmpty())
            return windowsAnsiCodePage(value);
    }
    return windowsAnsiCodePage(QString());
}
