// Import of values from a text file: whatever the file holds and however
// the reads come in pieces, the values handed on are exactly the lines that
// read as a number on their own, in file order.
#include "FuzzTarget.h"

#include "base/NumberFormat.h"
#include "project/ValueImport.h"

#include <QIODevice>

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

    std::vector<double> expected;
    for (QByteArray line : text.split('\n')) {
        if (line.endsWith('\r'))
            line.chop(1);
        if (const std::optional<double> v = parseDecimal(line.constData(), line.constData() + line.size(), separator))
            expected.push_back(*v);
    }

    std::vector<double> values;
    TrickleDevice file(text, piece);
    FUZZ_CHECK(readImportValues(file, separator, [&](double v) { values.push_back(v); }));
    for (const double v : values)
        FUZZ_CHECK(std::isfinite(v));
    FUZZ_CHECK(values == expected);
    return 0;
}
