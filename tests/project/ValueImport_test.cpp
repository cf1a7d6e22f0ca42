#include "project/ValueImport.h"

#include <QBuffer>
#include <QStringEncoder>
#include <gtest/gtest.h>

#include "QtPrinters.h"

#include <vector>

namespace {

std::vector<double> importFrom(QByteArray content, char separator = '.', ImportSummary *summary = nullptr)
{
    QBuffer buffer(&content);
    buffer.open(QIODevice::ReadOnly);
    std::vector<double> values;
    const ImportSummary s = readImportValues(buffer, separator, [&](double v) { values.push_back(v); });
    EXPECT_FALSE(s.readFailed);
    EXPECT_EQ(s.added, qint64(values.size()));
    if (summary)
        *summary = s;
    return values;
}

// Hands out its bytes a few at a time, as a pipe may.
class TrickleDevice : public QIODevice
{
public:
    TrickleDevice(QByteArray bytes, qint64 piece) : m_bytes(std::move(bytes)), m_piece(piece)
    {
        open(QIODevice::ReadOnly | QIODevice::Unbuffered);
    }
    bool isSequential() const override { return true; }

protected:
    qint64 readData(char *data, qint64 maxSize) override
    {
        const qint64 n = std::min({maxSize, m_piece, qint64(m_bytes.size()) - m_at});
        memcpy(data, m_bytes.constData() + m_at, size_t(n));
        m_at += n;
        return n;
    }
    qint64 writeData(const char *, qint64) override { return -1; }

private:
    QByteArray m_bytes;
    qint64 m_piece;
    qint64 m_at = 0;
};

QByteArray utf16(const QString &text, QStringConverter::Encoding encoding)
{
    QStringEncoder encoder(encoding, QStringConverter::Flag::WriteBom);
    return encoder.encode(text);
}

// Hands out its bytes, then fails like a pulled network drive.
class FailingDevice : public QIODevice
{
public:
    explicit FailingDevice(QByteArray bytes) : m_bytes(std::move(bytes)) { open(QIODevice::ReadOnly); }

protected:
    qint64 readData(char *data, qint64 maxSize) override
    {
        if (m_bytes.isEmpty())
            return -1;
        const qint64 n = std::min<qint64>(maxSize, m_bytes.size());
        memcpy(data, m_bytes.constData(), size_t(n));
        m_bytes.remove(0, n);
        return n;
    }
    qint64 writeData(const char *, qint64) override { return -1; }
    bool isSequential() const override { return true; }

private:
    QByteArray m_bytes;
};

} // namespace

TEST(ValueImport, LinesAcrossReadChunks)
{
    constexpr int chunk = 1 << 20;
    struct Case
    {
        const char *name;
        QByteArray content;
        std::vector<double> values;
    };
    QByteArray manyLines;
    std::vector<double> many;
    for (int i = 0; i < 300000; ++i) { // 7 bytes a line: lines straddle every chunk end
        manyLines += "12.375\n";
        many.push_back(12.375);
    }
    const Case cases[] = {
        {"lines straddle chunk ends", manyLines, many},
        {"carriage return last in a chunk, line feed first in the next",
         QByteArray(chunk - 3, ' ') + "\n5\r\n6", {5, 6}},
        // No number is that long: the line is skipped as it streams past.
        {"a line longer than a chunk", QByteArray(3 * chunk, ' ') + "7\n8", {8}},
        {"a line as long as a number may be", QByteArray(kMaxImportLineLength - 1, ' ') + "7\n8", {7, 8}},
        {"a line one byte longer", QByteArray(kMaxImportLineLength, ' ') + "7\n8", {8}},
        {"a lone carriage return before the end of the file", "1\n2\r", {1, 2}},
        {"carriage return inside a line", "3\r4\n", {}},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(importFrom(c.content), c.values);
    }
    EXPECT_EQ(importFrom("1,5\n2.5\n", ','), (std::vector<double>{1.5}));
}

TEST(ValueImport, AReadFailureKeepsTheValuesHandedOn)
{
    FailingDevice device("1\n2\n3");
    std::vector<double> values;
    const ImportSummary summary = readImportValues(device, '.', [&](double v) { values.push_back(v); });
    EXPECT_TRUE(summary.readFailed);
    EXPECT_EQ(summary.added, 2);
    EXPECT_EQ(values, (std::vector<double>{1, 2}));
}

// A lost maximum lowers the governing stop time and with it the safety
// distance: a byte-order mark must cost no value.
TEST(ValueImport, ByteOrderMarksAndUtf16)
{
    const QString lines = QStringLiteral("250.5\r\n12 \u00b5s\r\n13\r\n-4e1\r\n");
    const std::vector<double> values = {250.5, 13, -40};
    struct Case
    {
        const char *name;
        QByteArray bytes;
    };
    const Case cases[] = {
        {"UTF-8 with a byte-order mark", "\xEF\xBB\xBF" + lines.toUtf8()},
        {"UTF-8 without one", lines.toUtf8()},
        {"UTF-16 little-endian, as Notepad saves", utf16(lines, QStringConverter::Utf16LE)},
        {"UTF-16 big-endian", utf16(lines, QStringConverter::Utf16BE)},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.name);
        ImportSummary summary;
        EXPECT_EQ(importFrom(c.bytes, '.', &summary), values);
        EXPECT_EQ(summary.notNumbers, 1);
        EXPECT_EQ(summary.firstNotNumberLine, 2);
        EXPECT_EQ(summary.firstNotNumberText, QStringLiteral("12 \u00b5s"));
        // However the reads cut the mark and the characters.
        for (const qint64 piece : {1, 2, 3}) {
            TrickleDevice device(c.bytes, piece);
            std::vector<double> got;
            EXPECT_EQ(readImportValues(device, '.', [&](double v) { got.push_back(v); }).added, 3) << piece;
            EXPECT_EQ(got, values) << piece;
        }
    }
    // A mark alone, or a file shorter than a mark.
    EXPECT_EQ(importFrom("\xEF\xBB\xBF"), std::vector<double>{});
    EXPECT_EQ(importFrom("\xFF\xFE"), std::vector<double>{});
    EXPECT_EQ(importFrom("7"), std::vector<double>{7});
    EXPECT_EQ(importFrom("\xEF\xBB"), std::vector<double>{});
}

TEST(ValueImport, CountsTheLinesThatAreNotNumbersAndNamesTheFirst)
{
    struct Case
    {
        const char *name;
        QByteArray bytes;
        qint64 added;
        qint64 notNumbers;
        qint64 firstLine;
        QString firstText;
    };
    const QString longLine = QString(50, QLatin1Char('x'));
    const Case cases[] = {
        {"numbers only", "1\n2\n3\n", 3, 0, 0, QString()},
        {"empty and blank lines are not counted", "1\n\n  \t\r\n2\n\n", 2, 0, 0, QString()},
        {"units, headers, thousands separators", "Stop time\r\n100\r\n12 ms\r\n1,200\r\n", 1, 3, 1,
         QStringLiteral("Stop time")},
        {"the line number counts every line", "\n\n5\n \nabc\n", 1, 1, 5, QStringLiteral("abc")},
        {"a last line without a line feed", "5\n6x", 1, 1, 2, QStringLiteral("6x")},
        {"a long line is cut", "1\n" + longLine.toLatin1() + "\n", 1, 1, 2,
         QString(40, QLatin1Char('x')) + QChar(0x2026)},
        {"a line too long for a number", "1\n" + QByteArray(10 * kMaxImportLineLength, 'z') + "\n2\nq\n", 2, 2, 2,
         QString(40, QLatin1Char('z')) + QChar(0x2026)},
        {"Windows-1252 text", "\xB5s\n", 0, 1, 1, QStringLiteral("\u00b5s")},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.name);
        ImportSummary summary;
        importFrom(c.bytes, '.', &summary);
        EXPECT_EQ(summary.added, c.added);
        EXPECT_EQ(summary.notNumbers, c.notNumbers);
        EXPECT_EQ(summary.firstNotNumberLine, c.firstLine);
        EXPECT_EQ(summary.firstNotNumberText, c.firstText);
    }
}

TEST(ValueImport, SummaryText)
{
    struct Case
    {
        ImportSummary summary;
        const char *text;
    };
    const Case cases[] = {
        {{false, 0, 0, 0, QString()}, "0 values added"},
        {{false, 1, 0, 0, QString()}, "1 value added"},
        {{false, 12, 1, 4, QStringLiteral("12 ms")}, "12 values added; 1 line was not a number: line 4 \"12 ms\""},
        {{false, 3, 7, 1, QStringLiteral("%1 %2")},
         "3 values added; 7 lines were not numbers, the first: line 1 \"%1 %2\""},
    };
    for (const Case &c : cases)
        EXPECT_EQ(importSummaryText(c.summary), QLatin1String(c.text));
}
