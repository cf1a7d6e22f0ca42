#include "project/ValueImport.h"

#include <QBuffer>
#include <gtest/gtest.h>

#include <vector>

namespace {

std::vector<double> importFrom(QByteArray content, char separator = '.')
{
    QBuffer buffer(&content);
    buffer.open(QIODevice::ReadOnly);
    std::vector<double> values;
    EXPECT_TRUE(readImportValues(buffer, separator, [&](double v) { values.push_back(v); }));
    return values;
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
        {"a line longer than a chunk", QByteArray(3 * chunk, ' ') + "7\n8", {7, 8}},
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
    EXPECT_FALSE(readImportValues(device, '.', [&](double v) { values.push_back(v); }));
    EXPECT_EQ(values, (std::vector<double>{1, 2}));
}
