#include "base/SaveFile.h"

#include <QFile>
#include <QFileInfo>
#include <QSaveFile>

#include <cerrno>
#include <cstring>

namespace {

template <typename File, typename Finish>
SaveResult writeThrough(File &file, const std::function<bool(QIODevice &)> &write, Finish finish)
{
    // Unbuffered: QSaveFile notices only failed writes, not a failed flush
    // of its buffer when committing, and would put a cut file in place.
    if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate | QIODevice::Unbuffered))
        return {SaveResult::NotCreated, file.errorString()};
    // A write that stops short (the disk filled up during it) is no error to
    // Qt; the system's reason is still in errno then.
    errno = 0;
    const bool written = write(file);
    const int reason = errno;
    if (!written || file.error() != QFileDevice::NoError || !finish()) {
        if (file.error() == QFileDevice::NoError && reason != 0)
            return {SaveResult::NotWritten, QString::fromLocal8Bit(std::strerror(reason))};
        return {SaveResult::NotWritten, file.errorString()};
    }
    return {};
}

} // namespace

SaveResult saveWholeFile(const QString &fileName, const std::function<bool(QIODevice &)> &write)
{
    const QFileInfo target(fileName);
    if (target.exists() && !target.isFile()) {
        QFile file(fileName);
        return writeThrough(file, write, [&file] {
            file.close();
            return file.error() == QFileDevice::NoError;
        });
    }
    QSaveFile file(fileName);
    return writeThrough(file, write, [&file] { return file.commit(); });
}
