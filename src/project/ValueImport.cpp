#include "project/ValueImport.h"

#include "base/CodePage.h"
#include "base/NumberFormat.h"

#include <QByteArray>
#include <QStringDecoder>

#include <cstring>
#include <optional>

namespace {

constexpr qint64 kChunkSize = 64 * 1024;
// Enough of a line to recognise it in a status bar, and the bytes that can
// hold as many characters.
constexpr qsizetype kShownLength = 40;
constexpr qsizetype kShownBytes = 4 * kShownLength + 4;

// A line as the user wrote it: UTF-8 where its bytes are valid UTF-8 (a
// text file written on Linux), else the Windows code page.
QString lineText(const QByteArray &bytes, bool utf8)
{
    QStringDecoder decoder(QStringConverter::Utf8);
    // Not stateless: a character cut off at the end is held back, not an error.
    QString text = decoder.decode(bytes);
    if (utf8 || !decoder.hasError())
        return text;
    return decodeSingleByte(bytes, "windows-1252");
}

bool isBlank(const char *begin, const char *end)
{
    for (; begin != end; ++begin) {
        if (*begin != ' ' && (*begin < '\t' || *begin > '\r'))
            return false;
    }
    return true;
}

// Cuts the lines out of the file's bytes as they arrive and hands each whole
// line on once.  Only the unfinished line is kept, and only up to
// kMaxImportLineLength bytes: beyond that the line is marked as not a number
// and the rest of it passes unseen up to its line feed.
class LineSplitter
{
public:
    LineSplitter(char decimalSeparator, bool utf8, const std::function<void(double)> &value, ImportSummary &summary)
        : m_separator(decimalSeparator), m_utf8(utf8), m_value(value), m_summary(summary)
    {
        m_line.reserve(kMaxImportLineLength);
    }

    void feed(const char *p, const char *const end)
    {
        while (p < end) {
            const char *const lf = static_cast<const char *>(std::memchr(p, '\n', size_t(end - p)));
            const char *const stop = lf ? lf : end;
            if (!m_overlong) {
                if (m_line.size() + (stop - p) > kMaxImportLineLength) {
                    m_line.append(p, std::min<qsizetype>(stop - p, kShownBytes));
                    notANumber(m_line.constData(), m_line.constData() + m_line.size(), true);
                    m_line.clear();
                    m_overlong = true;
                } else if (lf && m_line.isEmpty()) {
                    line(p, lf); // the usual case: the whole line is in this piece
                    p = lf + 1;
                    continue;
                } else {
                    m_line.append(p, stop - p);
                }
            }
            if (!lf)
                return;
            endLine();
            p = lf + 1;
        }
    }

    // The end of the file ends its last line, if it has one.
    void finish()
    {
        if (m_overlong || !m_line.isEmpty())
            endLine();
    }

private:
    void endLine()
    {
        if (m_overlong) {
            m_overlong = false;
            ++m_lineNumber;
        } else {
            line(m_line.constData(), m_line.constData() + m_line.size());
            m_line.clear();
        }
    }

    void line(const char *begin, const char *end)
    {
        if (end > begin && end[-1] == '\r')
            --end;
        if (const std::optional<double> v = parseDecimal(begin, end, m_separator)) {
            ++m_lineNumber;
            ++m_summary.added;
            m_value(*v);
        } else if (isBlank(begin, end)) {
            ++m_lineNumber;
        } else {
            notANumber(begin, end, false);
            ++m_lineNumber;
        }
    }

    // Counts the line being read (number m_lineNumber + 1) as not a number.
    void notANumber(const char *begin, const char *end, bool cut)
    {
        if (m_summary.notNumbers++ > 0)
            return;
        m_summary.firstNotNumberLine = m_lineNumber + 1;
        QString text = lineText(QByteArray(begin, std::min<qsizetype>(end - begin, kShownBytes)), m_utf8);
        if (cut || text.size() > kShownLength) {
            text.truncate(kShownLength);
            if (!text.isEmpty() && text.back().isHighSurrogate())
                text.chop(1);
            text += QChar(0x2026); // ellipsis
        }
        m_summary.firstNotNumberText = text;
    }

    const char m_separator;
    const bool m_utf8;
    const std::function<void(double)> &m_value;
    ImportSummary &m_summary;
    QByteArray m_line; // the unfinished line, never longer than kMaxImportLineLength
    bool m_overlong = false;
    qint64 m_lineNumber = 0; // lines ended so far
};

// Reads up to `size` bytes, more than one read if the device gives less
// (a pipe); fewer only at the end.  -1 when reading failed.
qint64 readUpTo(QIODevice &file, char *data, qint64 size)
{
    qint64 have = 0;
    while (have < size) {
        const qint64 got = file.read(data + have, size - have);
        if (got < 0)
            return -1;
        if (got == 0)
            break;
        have += got;
    }
    return have;
}

} // namespace

ImportSummary readImportValues(QIODevice &file, char decimalSeparator, const std::function<void(double)> &value,
                               const std::function<bool(qint64)> &keepGoing)
{
    ImportSummary summary;
    QByteArray chunk(kChunkSize, Qt::Uninitialized);

    // The byte-order mark, however few bytes the first read gives.
    qint64 got = readUpTo(file, chunk.data(), 3);
    if (got < 0) {
        summary.readFailed = true;
        return summary;
    }
    const QByteArrayView start(chunk.constData(), got);
    std::optional<QStringDecoder> utf16;
    qint64 skip = 0;
    bool utf8 = false;
    if (start.startsWith("\xEF\xBB\xBF")) {
        skip = 3;
        utf8 = true;
    } else if (start.startsWith("\xFF\xFE")) {
        skip = 2;
        utf16.emplace(QStringConverter::Utf16LE);
    } else if (start.startsWith("\xFE\xFF")) {
        skip = 2;
        utf16.emplace(QStringConverter::Utf16BE);
    }
    // UTF-16 text is cut into lines as UTF-8: its numbers are the same ASCII.
    LineSplitter lines(decimalSeparator, utf8 || utf16.has_value(), value, summary);
    auto feed = [&](const char *data, qint64 size) {
        if (utf16) {
            const QByteArray text = QString(utf16->decode(QByteArrayView(data, size))).toUtf8();
            lines.feed(text.constData(), text.constData() + text.size());
        } else {
            lines.feed(data, data + size);
        }
    };
    feed(chunk.constData() + skip, got - skip);
    qint64 read = got;
    for (;;) {
        if (keepGoing && !keepGoing(read)) {
            summary.cancelled = true;
            return summary;
        }
        got = file.read(chunk.data(), kChunkSize);
        if (got < 0) {
            summary.readFailed = true;
            return summary;
        }
        if (got == 0)
            break;
        read += got;
        feed(chunk.constData(), got);
    }
    lines.finish();
    return summary;
}

QString importSummaryText(const ImportSummary &summary)
{
    QString text = summary.added == 1 ? QStringLiteral("1 value added")
                                      : QStringLiteral("%1 values added").arg(summary.added);
    if (summary.notNumbers == 1) {
        text += QStringLiteral("; 1 line was not a number: line %1 \"%2\"")
                    .arg(summary.firstNotNumberLine)
                    .arg(summary.firstNotNumberText);
    } else if (summary.notNumbers > 1) {
        text += QStringLiteral("; %1 lines were not numbers, the first: line %2 \"%3\"")
                    .arg(summary.notNumbers)
                    .arg(summary.firstNotNumberLine)
                    .arg(summary.firstNotNumberText);
    }
    return text;
}

QString importCancelledText()
{
    return QStringLiteral("import cancelled, no value added");
}
