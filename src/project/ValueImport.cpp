#include "project/ValueImport.h"

#include "base/NumberFormat.h"

#include <QByteArray>

#include <cstring>

namespace {

constexpr qint64 kChunkSize = 1 << 20;

} // namespace

bool readImportValues(QIODevice &file, char decimalSeparator, const std::function<void(double)> &value)
{
    auto handleLine = [&](const char *begin, const char *end) {
        if (end > begin && end[-1] == '\r')
            --end;
        if (const std::optional<double> v = parseDecimal(begin, end, decimalSeparator))
            value(*v);
    };

    // The unfinished last line of a chunk moves to the front of the buffer
    // and the next chunk is read behind it.
    QByteArray buffer(kChunkSize, Qt::Uninitialized);
    qint64 kept = 0;
    for (;;) {
        if (buffer.size() - kept < kChunkSize)
            buffer.resize(kept + kChunkSize);
        const qint64 got = file.read(buffer.data() + kept, kChunkSize);
        if (got < 0)
            return false;
        if (got == 0)
            break;
        const char *p = buffer.constData();
        const char *const end = p + kept + got;
        while (const char *lf = static_cast<const char *>(std::memchr(p, '\n', size_t(end - p)))) {
            handleLine(p, lf);
            p = lf + 1;
        }
        kept = end - p;
        std::memmove(buffer.data(), p, size_t(kept));
    }
    if (kept > 0)
        handleLine(buffer.constData(), buffer.constData() + kept);
    return true;
}
