// Import of values from a text file: whatever the file holds and however
// the reads come in pieces, the values handed on are exactly the lines that
// read as a number on their own and are no longer than a line can be, in
// file order, after a UTF-8 byte-order mark or decoded from UTF-16 after
// its mark; every other line with text is counted as not a number.
#include "FuzzTarget.h"

#include "base/NumberFormat.h"
#include "project/ValueImport.h"

#include <QIODevice>
#include <QStringDecoder>

#include <algorithm>
#include <cmath>
#include <cstring>

namespace {

// A file that gives at most `piece` bytes per read, as a pipe or a slow
// network share may.
class TrickleDevice : public QIODevice
{
public:
    TrickleDevice(QByteArray data, qint64 piece) : m_data(std::move(data)), m_piece(piece)
    {
        open(QIODevice::ReadOnly | QIODevice::Unbuffered);
    }
    bool isSequential() const override { return true; }

protected:
    qint64 readData(char *out, qint64 max) override
    {
        const qint64 n = std::min({max, m_piece, qint64(m_data.size()) - m_at});
        std::memcpy(out, m_data.constData() + m_at, size_t(n));
        m_at += n;
        return n;
    }
    qint64 writeData(const char *, qint64) override { return -1; }

private:
    QByteArray m_data;
    qint64 m_piece;
    qint64 m_at = 0;
};

} // namespace

ZIRK_FUZZ_TARGET(value_import)
{
    fuzz::Input in(data, size);
    const quint8 control = in.byte();
    const char separator = control & 1 ? ',' : '.';
    const qint64 piece = 1 + (control >> 1);
    const QByteArray text(reinterpret_cast<const char *>(in.rest()), qsizetype(in.restSize()));

    QByteArray lines = text;
    if (text.startsWith("\xEF\xBB\xBF"))
        lines = text.mid(3);
    else if (text.startsWith("\xFF\xFE"))
        lines = QString(QStringDecoder(QStringConverter::Utf16LE).decode(text.mid(2))).toUtf8();
    else if (text.startsWith("\xFE\xFF"))
        lines = QString(QStringDecoder(QStringConverter::Utf16BE).decode(text.mid(2))).toUtf8();
    std::vector<double> expected;
    qint64 notNumbers = 0;
    const QList<QByteArray> split = lines.split('\n');
    for (qsizetype i = 0; i < split.size(); ++i) {
        QByteArray line = split[i];
        if (i == split.size() - 1 && line.isEmpty())
            break;
        const bool fits = line.size() <= kMaxImportLineLength;
        if (line.endsWith('\r'))
            line.chop(1);
        const std::optional<double> v = parseDecimal(line.constData(), line.constData() + line.size(), separator);
        if (v && fits)
            expected.push_back(*v);
        else if (!line.trimmed().isEmpty() || !fits)
            ++notNumbers;
    }

    std::vector<double> values;
    TrickleDevice file(text, piece);
    const ImportSummary summary = readImportValues(file, separator, [&](double v) { values.push_back(v); });
    FUZZ_CHECK(!summary.readFailed);
    for (const double v : values)
        FUZZ_CHECK(std::isfinite(v));
    FUZZ_CHECK(values == expected);
    FUZZ_CHECK(summary.added == qint64(values.size()));
    FUZZ_CHECK(summary.notNumbers == notNumbers);
    FUZZ_CHECK((summary.notNumbers == 0) == (summary.firstNotNumberLine == 0));
    return 0;
}
