// Opening a project file someone sent: the count, the stop times, the
// 1128-byte record and up to four BMP picture blocks, any of which may be
// damaged.  Reading never overruns the file or allocates for a count the
// file cannot hold; a file read completely saves again to one that reads
// back to the same series, record and pictures, and saves identically.
#include "FuzzTarget.h"

#include "project/ProjectFile.h"

#include <QBuffer>

#include <cstring>

namespace {

struct Project
{
    std::vector<double> stopTimes;
    ProjectRecord record;
    ProjectPictures pictures;
    ProjectFileRead read;
};

Project readProject(const QByteArray &bytes)
{
    Project p;
    QBuffer buffer;
    buffer.setData(bytes);
    buffer.open(QIODevice::ReadOnly);
    p.read = readProjectFile(buffer, p.stopTimes, p.record, p.pictures);
    return p;
}

QByteArray writeProject(const Project &p)
{
    QBuffer buffer;
    buffer.open(QIODevice::WriteOnly);
    FUZZ_CHECK(writeProjectFile(buffer, p.stopTimes, p.record, p.pictures));
    return buffer.data();
}

bool sameBits(const std::vector<double> &a, const std::vector<double> &b)
{
    return a.size() == b.size() && (a.empty() || std::memcmp(a.data(), b.data(), a.size() * 8) == 0);
}

bool samePictures(const ProjectPictures &a, const ProjectPictures &b)
{
    for (std::size_t i = 0; i < a.size(); ++i) {
        if (a[i].isNull() != b[i].isNull())
            return false;
        if (!a[i].isNull()
            && a[i].convertToFormat(QImage::Format_RGB888) != b[i].convertToFormat(QImage::Format_RGB888))
            return false;
    }
    return true;
}

} // namespace

ZIRK_FUZZ_TARGET(project_file)
{
    const QByteArray bytes(reinterpret_cast<const char *>(data), qsizetype(size));
    const Project first = readProject(bytes);
    FUZZ_CHECK(first.read.picturesRead >= 0 && first.read.picturesRead <= 4);
    FUZZ_CHECK(qint64(first.stopTimes.size()) * 8 <= qint64(size));
    for (int slot = 1; slot <= 4; ++slot)
        FUZZ_CHECK(first.record.text(ProjectRecord::pictureNote(slot)).size()
                   <= ProjectRecord::capacity(ProjectRecord::pictureNote(slot)));
    if (!first.read.complete)
        return 0;
    FUZZ_CHECK(first.read.picturesRead == 4);

    const QByteArray saved = writeProject(first);
    const Project second = readProject(saved);
    FUZZ_CHECK(second.read.complete);
    FUZZ_CHECK(sameBits(second.stopTimes, first.stopTimes));
    FUZZ_CHECK(second.record == first.record);
    // Saving keeps the pictures' order but closes up empty slots.
    ProjectPictures packed;
    std::size_t next = 0;
    for (const QImage &picture : first.pictures) {
        if (!picture.isNull())
            packed[next++] = picture;
    }
    FUZZ_CHECK(samePictures(second.pictures, packed));
    FUZZ_CHECK(writeProject(second) == saved);
    return 0;
}
