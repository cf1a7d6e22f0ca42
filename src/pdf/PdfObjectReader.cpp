#include "pdf/PdfObjectReader.h"

#include <QRegularExpression>

namespace {

bool isRegular(char c)
{
    return !(c == ' ' || c == '\r' || c == '\n' || c == '\t' || c == '\f' || c == '\0' || c == '(' || c == ')'
             || c == '<' || c == '>' || c == '[' || c == ']' || c == '{' || c == '}' || c == '/' || c == '%');
}

// Where the value of key starts: the key as a whole name, blanks skipped.
qsizetype valueOf(const QByteArray &dict, const QByteArray &key)
{
    for (qsizetype at = dict.indexOf(key); at >= 0; at = dict.indexOf(key, at + 1)) {
        qsizetype end = at + key.size();
        if (end < dict.size() && isRegular(dict[end]))
            continue; // "/F" inside "/Filter"
        while (end < dict.size() && (dict[end] == ' ' || dict[end] == '\r' || dict[end] == '\n'))
            ++end;
        return end;
    }
    return -1;
}

int hexDigit(char c)
{
    if (c >= '0' && c <= '9')
        return c - '0';
    if (c >= 'a' && c <= 'f')
        return c - 'a' + 10;
    if (c >= 'A' && c <= 'F')
        return c - 'A' + 10;
    return -1;
}

} // namespace

PdfObjectReader::PdfObjectReader(const QByteArray &pdf) : m_pdf(pdf)
{
    static const QRegularExpression header(QStringLiteral("(?:^|[\\r\\n])(\\d{1,9}) 0 obj\\b"));
    // The bytes are Latin-1 to the expression: one character a byte.
    const QString text = QString::fromLatin1(pdf);
    for (auto it = header.globalMatch(text); it.hasNext();) {
        const QRegularExpressionMatch m = it.next();
        m_starts[m.captured(1).toInt()] = m.capturedEnd(0);
    }
}

QByteArray PdfObjectReader::object(int number) const
{
    const auto found = m_starts.find(number);
    if (found == m_starts.end())
        return {};
    const qsizetype start = found->second;
    // A stream may hold "endobj"; its length says where it ends.
    const qsizetype streamAt = m_pdf.indexOf("stream\r\n", start);
    const qsizetype endAt = m_pdf.indexOf("endobj", start);
    if (streamAt >= 0 && (endAt < 0 || streamAt < endAt)) {
        const std::optional<qint64> length = integer(m_pdf.mid(start, streamAt - start), "/Length");
        if (length && *length >= 0 && streamAt + 8 + *length <= m_pdf.size()) {
            const qsizetype after = m_pdf.indexOf("endobj", streamAt + 8 + *length);
            return m_pdf.mid(start, (after < 0 ? m_pdf.size() : after) - start);
        }
    }
    return m_pdf.mid(start, (endAt < 0 ? m_pdf.size() : endAt) - start);
}

std::optional<QByteArray> PdfObjectReader::stream(int number) const
{
    const QByteArray text = object(number);
    const qsizetype streamAt = text.indexOf("stream\r\n");
    if (streamAt < 0)
        return std::nullopt;
    const QByteArray dict = text.left(streamAt);
    std::optional<qint64> length = integer(dict, "/Length");
    if (const std::optional<int> ref = reference(dict, "/Length"))
        length = integer(" /V " + object(*ref).trimmed(), "/V");
    if (!length || *length < 0 || streamAt + 8 + *length > text.size())
        return std::nullopt;
    return text.mid(streamAt + 8, *length);
}

std::optional<qint64> PdfObjectReader::integer(const QByteArray &dict, const QByteArray &key)
{
    qsizetype at = valueOf(dict, key);
    if (at < 0)
        return std::nullopt;
    qsizetype end = at;
    while (end < dict.size() && dict[end] >= '0' && dict[end] <= '9')
        ++end;
    if (end == at)
        return std::nullopt;
    bool ok = false;
    const qint64 value = dict.mid(at, end - at).toLongLong(&ok);
    return ok ? std::optional<qint64>(value) : std::nullopt;
}

std::optional<int> PdfObjectReader::reference(const QByteArray &dict, const QByteArray &key)
{
    const qsizetype at = valueOf(dict, key);
    if (at < 0)
        return std::nullopt;
    static const QRegularExpression ref(QStringLiteral("^(\\d{1,9}) 0 R"));
    const QRegularExpressionMatch m = ref.match(QString::fromLatin1(dict.mid(at, 20)));
    if (!m.hasMatch())
        return std::nullopt;
    return m.captured(1).toInt();
}

std::optional<QByteArray> PdfObjectReader::string(const QByteArray &dict, const QByteArray &key)
{
    const qsizetype at = valueOf(dict, key);
    if (at < 0 || at >= dict.size())
        return std::nullopt;
    if (dict[at] == '(')
        return literal(dict, at);
    if (dict[at] == '<' && at + 1 < dict.size() && dict[at + 1] != '<') {
        QByteArray out;
        int high = -1;
        for (qsizetype i = at + 1; i < dict.size() && dict[i] != '>'; ++i) {
            const int d = hexDigit(dict[i]);
            if (d < 0)
                continue;
            if (high < 0) {
                high = d;
            } else {
                out.append(char(high * 16 + d));
                high = -1;
            }
        }
        if (high >= 0)
            out.append(char(high * 16));
        return out;
    }
    return std::nullopt;
}

std::optional<QByteArray> PdfObjectReader::name(const QByteArray &dict, const QByteArray &key)
{
    const qsizetype at = valueOf(dict, key);
    if (at < 0 || at >= dict.size() || dict[at] != '/')
        return std::nullopt;
    qsizetype end = at + 1;
    while (end < dict.size() && isRegular(dict[end]))
        ++end;
    return dict.mid(at + 1, end - at - 1);
}

QByteArray PdfObjectReader::literal(const QByteArray &text, qsizetype position, qsizetype *end)
{
    QByteArray out;
    int depth = 0;
    qsizetype i = position;
    for (; i < text.size(); ++i) {
        const char c = text[i];
        if (c == '\\' && i + 1 < text.size()) {
            const char n = text[++i];
            switch (n) {
            case 'n': out.append('\n'); break;
            case 'r': out.append('\r'); break;
            case 't': out.append('\t'); break;
            case 'b': out.append('\b'); break;
            case 'f': out.append('\f'); break;
            case '\r':
                if (i + 1 < text.size() && text[i + 1] == '\n')
                    ++i;
                break;
            case '\n': break;
            default:
                if (n >= '0' && n <= '7') {
                    int value = n - '0';
                    for (int k = 0; k < 2 && i + 1 < text.size() && text[i + 1] >= '0' && text[i + 1] <= '7'; ++k)
                        value = value * 8 + (text[++i] - '0');
                    out.append(char(value));
                } else {
                    out.append(n);
                }
            }
            continue;
        }
        if (c == '(') {
            if (depth++ == 0)
                continue;
        } else if (c == ')') {
            if (--depth == 0)
                break;
        }
        out.append(c);
    }
    if (end)
        *end = i;
    return out;
}
