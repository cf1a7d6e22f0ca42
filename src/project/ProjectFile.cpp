#include "project/ProjectFile.h"

#include "base/WindowsBitmap.h"

#include <QIODevice>
#include <QtEndian>

#include <algorithm>
#include <bit>
#include <cstring>
#include <limits>
#include <optional>

namespace {

struct TextField
{
    int offset;
    int capacity;
};

// Offsets of the texts within the record, in the order of ProjectRecord::Text.
constexpr TextField kTextFields[] = {
    {2, 50},    // serial number of the device
    {59, 100},  // picture notes 1 to 4
    {160, 100},
    {261, 100},
    {362, 100},
    {467, 100}, // safety device name as displayed
    {568, 100}, // safety device parameters as displayed
    {720, 100}, // machine ID
    {821, 100}, // note of the measurement
};

constexpr int kStandstillSpeedOffset = 0;
constexpr int kCalibrationYearOffset = 54;
constexpr int kCalibrationMonthOffset = 56;
constexpr int kCalibrationDayOffset = 57;
constexpr int kCalibratedOffset = 58;
constexpr int kIncludePictureOffset = 463; // four flags, slots 1 to 4
constexpr int kSafetyDeviceIdOffset = 672;
constexpr int kResolutionOffset = 680;
constexpr int kHeightOffset = 688;

// The reserved area at the end of the record and the extension block in it:
//
//   +0    4  marker "ZXSD"
//   +4    1  version, 1
//   +5    1  length of the block in bytes, 112
//   +6   16  standard id, ASCII, zero-padded
//   +22   2  which optional values are present, bit n for the value at +28 + 8 n
//   +24   1  choices: bit 0 encroachment excluded, bit 1 non-industrial use
//   +25   3  zero
//   +28   8  Tr, ms                 (bit 0)
//   +36   8  brake monitor, ms      (bit 1)
//   +44   8  K, mm/s                (bit 2)
//   +52   8  D_DS, mm               (bit 3)
//   +60   8  Z, mm                  (bit 4)
//   +68   8  Dpf, mm                (bit 5)
//   +76   8  installed distance, mm (bit 6)
//   +84   8  door C, mm             (bit 7)
//   +92   8  mat h, mm              (bit 8)
//   +100  8  last measured value, signed ms since 1970 UTC (bit 9)
//   +108  4  CRC-32 (IEEE) of bytes +0 to +107
//
// doubles are IEEE 754, everything little-endian; the rest of the area is
// zero.
constexpr int kReservedOffset = 922;
constexpr int kReservedSize = 206;
constexpr char kExtensionMarker[4] = {'Z', 'X', 'S', 'D'};
constexpr quint8 kExtensionVersion = 1;
constexpr int kExtensionSize = 112;
constexpr int kExtVersion = 4;
constexpr int kExtSize = 5;
constexpr int kExtStandard = 6;
constexpr int kExtPresent = 22;
constexpr int kExtChoices = 24;
constexpr int kExtValues = 28;
constexpr int kExtLastValue = 100;
constexpr int kExtChecksum = 108;
constexpr quint8 kChoiceNoEncroachment = 1;
constexpr quint8 kChoiceNonIndustrial = 2;
static_assert(kExtensionSize <= kReservedSize && kReservedOffset + kReservedSize == 1128);

// The safeguard block right after the extension block, so that a reader of
// the extension block alone (an older Zirk) reads it as before:
//
//   +0    4  marker "ZXSG"
//   +4    1  version, 1
//   +5    1  length of the block in bytes, 71
//   +6    1  length of the name in bytes, 1 to 60
//   +7   60  the name in the project files' code page, zero-padded
//   +67   4  CRC-32 (IEEE) of bytes +0 to +66
constexpr int kSafeguardOffset = kReservedOffset + kExtensionSize;
constexpr char kSafeguardMarker[4] = {'Z', 'X', 'S', 'G'};
constexpr quint8 kSafeguardVersion = 1;
constexpr int kSafeguardSize = 71;
constexpr int kSgVersion = 4;
constexpr int kSgSize = 5;
constexpr int kSgLength = 6;
constexpr int kSgName = 7;
constexpr int kSgChecksum = 67;
static_assert(kSgName + ProjectRecord::kSafeguardCapacity == kSgChecksum && kSgChecksum + 4 == kSafeguardSize);
static_assert(kExtensionSize + kSafeguardSize <= kReservedSize);

bool isControlByte(char c)
{
    return quint8(c) < 32 || quint8(c) == 127;
}

using ExtensionValue = std::optional<double> ProjectExtension::*;
constexpr ExtensionValue kExtensionValues[] = {
    &ProjectExtension::trMs,  &ProjectExtension::brakeMonitorMs, &ProjectExtension::kMmPerS,
    &ProjectExtension::ddsMm, &ProjectExtension::zMm,            &ProjectExtension::dpfMm,
    &ProjectExtension::installedMm, &ProjectExtension::doorC,    &ProjectExtension::matH,
};
constexpr int kLastValueBit = 9;

quint32 crc32(const char *data, int size)
{
    quint32 crc = 0xFFFFFFFFu;
    for (int i = 0; i < size; ++i) {
        crc ^= quint8(data[i]);
        for (int bit = 0; bit < 8; ++bit)
            crc = (crc >> 1) ^ (0xEDB88320u & (0u - (crc & 1u)));
    }
    return ~crc;
}

constexpr bool kLittleEndianHost = std::endian::native == std::endian::little;

template <typename T>
T load(const char *p)
{
    return qFromLittleEndian<T>(p);
}

template <typename T>
void store(char *p, T value)
{
    qToLittleEndian<T>(value, p);
}

double loadDouble(const char *p)
{
    return std::bit_cast<double>(load<quint64>(p));
}

void storeDouble(char *p, double value)
{
    store<quint64>(p, std::bit_cast<quint64>(value));
}

bool writeAll(QIODevice &file, const char *data, qint64 size)
{
    return file.write(data, size) == size;
}

// Reads up to `size` bytes into `dest`; what arrived stays there even when
// the device ends early.
bool readExactly(QIODevice &file, char *dest, qint64 size)
{
    while (size > 0) {
        const qint64 got = file.read(dest, size);
        if (got <= 0)
            return false;
        dest += got;
        size -= got;
    }
    return true;
}

// What a file still holds when its size is known; none for a pipe or a
// socket, whose bytesAvailable() is only what has arrived so far.
std::optional<qint64> bytesLeft(const QIODevice &file)
{
    if (file.isSequential())
        return std::nullopt;
    return std::max<qint64>(0, file.size() - file.pos());
}

constexpr qint64 kPieceSize = 1 << 20;

// Appends up to `size` bytes to `bytes`, a piece at a time, so that memory
// follows the bytes that arrive rather than a length the file claims.
// Returns false when the file ended (or failed) first; what arrived stays.
bool readInPieces(QIODevice &file, QByteArray &bytes, qint64 size)
{
    while (size > 0) {
        const qint64 piece = std::min(size, kPieceSize);
        const qsizetype at = bytes.size();
        bytes.resize(at + piece);
        const qint64 got = file.read(bytes.data() + at, piece);
        if (got <= 0) {
            bytes.resize(at);
            return false;
        }
        bytes.resize(at + got);
        size -= got;
    }
    return true;
}

// Reads up to `size` bytes, as many reads as it takes; fewer only where the
// file ends.  Returns the number read.
qint64 readUpTo(QIODevice &file, char *dest, qint64 size)
{
    qint64 have = 0;
    while (have < size) {
        const qint64 got = file.read(dest + have, size - have);
        if (got <= 0)
            break;
        have += got;
    }
    return have;
}

// Reads the rest of the picture block whose headers have been read, never
// more than the file still holds.  Returns an empty array when the headers
// are incomplete or do not describe a bitmap.
QByteArray readBmpBlock(QIODevice &file, const QByteArray &headers)
{
    if (headers.size() < kBmpHeadersSize)
        return {};
    const qint64 length = bmpBlockLength(headers);
    if (length < 0)
        return {};
    QByteArray block = headers;
    if (const std::optional<qint64> left = bytesLeft(file)) {
        const qint64 rest = std::min(length - kBmpHeadersSize, *left);
        block.resize(kBmpHeadersSize + rest);
        if (!readExactly(file, block.data() + kBmpHeadersSize, rest))
            return {};
    } else {
        // A block longer than the bytes that come is cut where the file ends.
        readInPieces(file, block, length - kBmpHeadersSize);
    }
    return block;
}

// --- BMP ---

constexpr qint64 kSaturated = std::numeric_limits<qint64>::max();

struct BmpInfo
{
    qint64 width = 0;
    qint64 height = 0; // negative: rows stored top-down
    quint16 bitsPerPixel = 0;
    quint32 compression = 0;
    quint32 coloursUsed = 0;

    qint64 rowSize() const { return ((width * bitsPerPixel + 31) / 32) * 4; }
    qint64 absoluteHeight() const { return height < 0 ? -height : height; }
    qint64 colourTableEntries() const
    {
        if (coloursUsed != 0)
            return coloursUsed;
        return bitsPerPixel <= 8 ? (qint64(1) << bitsPerPixel) : 0;
    }
};

// Parses the two headers; false unless "BM" and a 40-byte information header.
bool parseBmpHeaders(QByteArrayView headers, BmpInfo &info)
{
    if (headers.size() < kBmpHeadersSize || headers[0] != 'B' || headers[1] != 'M')
        return false;
    const char *h = headers.data() + 14;
    if (load<quint32>(h) != 40)
        return false;
    info.width = load<qint32>(h + 4);
    info.height = load<qint32>(h + 8);
    info.bitsPerPixel = load<quint16>(h + 14);
    info.compression = load<quint32>(h + 16);
    info.coloursUsed = load<quint32>(h + 32);
    return info.width >= 0;
}

qint64 saturatingMultiply(qint64 a, qint64 b)
{
    if (a != 0 && b > kSaturated / a)
        return kSaturated;
    return a * b;
}

qint64 saturatingAdd(qint64 a, qint64 b)
{
    return (b > kSaturated - a) ? kSaturated : a + b;
}

} // namespace

// --- ProjectRecord ---

ProjectRecord::Text ProjectRecord::pictureNote(int slot)
{
    return Text(int(Text::PictureNote1) + std::clamp(slot, 1, 4) - 1);
}

int ProjectRecord::capacity(Text field)
{
    if (field == Text::Safeguard)
        return kSafeguardCapacity;
    return kTextFields[int(field)].capacity;
}

QByteArray ProjectRecord::text(Text field) const
{
    if (field == Text::Safeguard)
        return safeguard().value_or(QByteArray());
    const TextField &f = kTextFields[int(field)];
    const int length = std::min<int>(quint8(m_bytes[f.offset]), f.capacity);
    return QByteArray(m_bytes.data() + f.offset + 1, length);
}

void ProjectRecord::setText(Text field, QByteArrayView text)
{
    if (field == Text::Safeguard) {
        const QByteArray name(text.data(), std::min<qsizetype>(text.size(), kSafeguardCapacity));
        setSafeguard(name.isEmpty() ? std::nullopt : std::optional<QByteArray>(name));
        return;
    }
    const TextField &f = kTextFields[int(field)];
    const int length = int(std::min<qsizetype>(text.size(), f.capacity));
    m_bytes[f.offset] = char(length);
    std::memcpy(m_bytes.data() + f.offset + 1, text.data(), size_t(length));
}

quint16 ProjectRecord::standstillSpeed() const { return load<quint16>(m_bytes.data() + kStandstillSpeedOffset); }
void ProjectRecord::setStandstillSpeed(quint16 speed) { store(m_bytes.data() + kStandstillSpeedOffset, speed); }
quint16 ProjectRecord::calibrationYear() const { return load<quint16>(m_bytes.data() + kCalibrationYearOffset); }
void ProjectRecord::setCalibrationYear(quint16 year) { store(m_bytes.data() + kCalibrationYearOffset, year); }
quint8 ProjectRecord::calibrationMonth() const { return quint8(m_bytes[kCalibrationMonthOffset]); }
void ProjectRecord::setCalibrationMonth(quint8 month) { m_bytes[kCalibrationMonthOffset] = char(month); }
quint8 ProjectRecord::calibrationDay() const { return quint8(m_bytes[kCalibrationDayOffset]); }
void ProjectRecord::setCalibrationDay(quint8 day) { m_bytes[kCalibrationDayOffset] = char(day); }
bool ProjectRecord::calibrated() const { return m_bytes[kCalibratedOffset] != 0; }
void ProjectRecord::setCalibrated(bool calibrated) { m_bytes[kCalibratedOffset] = calibrated ? 1 : 0; }

bool ProjectRecord::includePicture(int slot) const
{
    return slot >= 1 && slot <= 4 && m_bytes[kIncludePictureOffset + slot - 1] != 0;
}

void ProjectRecord::setIncludePicture(int slot, bool include)
{
    if (slot >= 1 && slot <= 4)
        m_bytes[kIncludePictureOffset + slot - 1] = include ? 1 : 0;
}

qint32 ProjectRecord::safetyDeviceId() const { return load<qint32>(m_bytes.data() + kSafetyDeviceIdOffset); }
void ProjectRecord::setSafetyDeviceId(qint32 id) { store(m_bytes.data() + kSafetyDeviceIdOffset, id); }
double ProjectRecord::resolution() const { return loadDouble(m_bytes.data() + kResolutionOffset); }
void ProjectRecord::setResolution(double d) { storeDouble(m_bytes.data() + kResolutionOffset, d); }
double ProjectRecord::height() const { return loadDouble(m_bytes.data() + kHeightOffset); }
void ProjectRecord::setHeight(double height) { storeDouble(m_bytes.data() + kHeightOffset, height); }

std::optional<ProjectExtension> ProjectRecord::extension(QString *problem) const
{
    auto fail = [problem](const QString &why) -> std::optional<ProjectExtension> {
        if (problem)
            *problem = why;
        return std::nullopt;
    };
    if (problem)
        problem->clear();
    const char *b = m_bytes.data() + kReservedOffset;
    if (std::all_of(b, b + kReservedSize, [](char c) { return c == 0; }))
        return std::nullopt;
    if (std::memcmp(b, kExtensionMarker, sizeof kExtensionMarker) != 0)
        return fail(QStringLiteral("the reserved bytes of the project hold no known block"));
    if (quint8(b[kExtVersion]) != kExtensionVersion)
        return fail(QStringLiteral("the block of the standard is of version %1, which this program does not read")
                        .arg(quint8(b[kExtVersion])));
    if (quint8(b[kExtSize]) != kExtensionSize)
        return fail(QStringLiteral("the block of the standard has a wrong length"));
    if (load<quint32>(b + kExtChecksum) != crc32(b, kExtChecksum))
        return fail(QStringLiteral("the block of the standard fails its checksum"));

    ProjectExtension e;
    const char *id = b + kExtStandard;
    const int idLength = int(std::find(id, id + ProjectExtension::kStandardIdCapacity, '\0') - id);
    e.standardId = QString::fromLatin1(id, idLength);
    const quint16 present = load<quint16>(b + kExtPresent);
    for (int i = 0; i < int(std::size(kExtensionValues)); ++i)
        if (present & (1u << i))
            e.*kExtensionValues[i] = loadDouble(b + kExtValues + 8 * i);
    if (present & (1u << kLastValueBit))
        e.lastValueUtcMs = load<qint64>(b + kExtLastValue);
    const quint8 choices = quint8(b[kExtChoices]);
    e.noEncroachment = choices & kChoiceNoEncroachment;
    e.nonIndustrial = choices & kChoiceNonIndustrial;
    return e;
}

bool ProjectRecord::setExtension(const std::optional<ProjectExtension> &extension)
{
    std::array<char, kReservedSize> area{};
    if (extension) {
        const QString &id = extension->standardId;
        if (id.isEmpty() || id.size() > ProjectExtension::kStandardIdCapacity
            || !std::all_of(id.begin(), id.end(), [](QChar c) { return c.unicode() > 32 && c.unicode() < 127; }))
            return false;
        char *b = area.data();
        std::memcpy(b, kExtensionMarker, sizeof kExtensionMarker);
        b[kExtVersion] = char(kExtensionVersion);
        b[kExtSize] = char(kExtensionSize);
        const QByteArray latin1 = id.toLatin1();
        std::memcpy(b + kExtStandard, latin1.constData(), size_t(latin1.size()));
        quint16 present = 0;
        for (int i = 0; i < int(std::size(kExtensionValues)); ++i) {
            if (const std::optional<double> &v = (*extension).*kExtensionValues[i]) {
                present |= quint16(1u << i);
                storeDouble(b + kExtValues + 8 * i, *v);
            }
        }
        if (extension->lastValueUtcMs) {
            present |= quint16(1u << kLastValueBit);
            store<qint64>(b + kExtLastValue, *extension->lastValueUtcMs);
        }
        store<quint16>(b + kExtPresent, present);
        b[kExtChoices] = char((extension->noEncroachment ? kChoiceNoEncroachment : 0)
                              | (extension->nonIndustrial ? kChoiceNonIndustrial : 0));
        store<quint32>(b + kExtChecksum, crc32(b, kExtChecksum));
    }
    std::memcpy(m_bytes.data() + kReservedOffset, area.data(), area.size());
    return true;
}

std::optional<QByteArray> ProjectRecord::safeguard(QString *problem) const
{
    auto fail = [problem](const QString &why) -> std::optional<QByteArray> {
        if (problem)
            *problem = why;
        return std::nullopt;
    };
    if (problem)
        problem->clear();
    const char *b = m_bytes.data() + kSafeguardOffset;
    if (std::all_of(b, b + kSafeguardSize, [](char c) { return c == 0; }))
        return std::nullopt;
    if (std::memcmp(b, kSafeguardMarker, sizeof kSafeguardMarker) != 0)
        return fail(QStringLiteral("the bytes after the block of the standard hold no known block"));
    if (quint8(b[kSgVersion]) != kSafeguardVersion)
        return fail(QStringLiteral("the block of the safeguard is of version %1, which this program does not read")
                        .arg(quint8(b[kSgVersion])));
    if (quint8(b[kSgSize]) != kSafeguardSize)
        return fail(QStringLiteral("the block of the safeguard has a wrong length"));
    if (load<quint32>(b + kSgChecksum) != crc32(b, kSgChecksum))
        return fail(QStringLiteral("the block of the safeguard fails its checksum"));
    const int length = quint8(b[kSgLength]);
    if (length < 1 || length > kSafeguardCapacity)
        return fail(QStringLiteral("the block of the safeguard has a name of a wrong length"));
    const QByteArray name(b + kSgName, length);
    if (std::any_of(name.begin(), name.end(), isControlByte))
        return fail(QStringLiteral("the name of the safeguard holds a control character"));
    return name;
}

bool ProjectRecord::setSafeguard(const std::optional<QByteArray> &name)
{
    std::array<char, kSafeguardSize> block{};
    if (name) {
        if (name->isEmpty() || name->size() > kSafeguardCapacity
            || std::any_of(name->begin(), name->end(), isControlByte))
            return false;
        char *b = block.data();
        std::memcpy(b, kSafeguardMarker, sizeof kSafeguardMarker);
        b[kSgVersion] = char(kSafeguardVersion);
        b[kSgSize] = char(kSafeguardSize);
        b[kSgLength] = char(name->size());
        std::memcpy(b + kSgName, name->constData(), size_t(name->size()));
        store<quint32>(b + kSgChecksum, crc32(b, kSgChecksum));
    }
    std::memcpy(m_bytes.data() + kSafeguardOffset, block.data(), block.size());
    return true;
}

// --- the file ---

bool writeProjectFile(QIODevice &file, const std::vector<double> &stopTimes,
                      const ProjectRecord &record, const ProjectPictures &pictures)
{
    if (stopTimes.size() > size_t(std::numeric_limits<qint32>::max()))
        return false;
    char count[4];
    store<qint32>(count, qint32(stopTimes.size()));
    if (!writeAll(file, count, sizeof count))
        return false;

    if constexpr (kLittleEndianHost) {
        if (!writeAll(file, reinterpret_cast<const char *>(stopTimes.data()),
                      qint64(stopTimes.size()) * 8))
            return false;
    } else {
        QByteArray values(qsizetype(stopTimes.size()) * 8, Qt::Uninitialized);
        for (size_t i = 0; i < stopTimes.size(); ++i)
            storeDouble(values.data() + 8 * i, stopTimes[i]);
        if (!writeAll(file, values.constData(), values.size()))
            return false;
    }

    if (!writeAll(file, record.bytes().data(), ProjectRecord::kSize))
        return false;
    for (const QImage &picture : pictures) {
        if (picture.isNull())
            continue;
        const QByteArray block = encodeBmp(picture);
        if (!writeAll(file, block.constData(), block.size()))
            return false;
    }
    return true;
}

ProjectFileRead readProjectFile(QIODevice &file, std::vector<double> &stopTimes,
                                ProjectRecord &record, ProjectPictures &pictures)
{
    ProjectFileRead result;

    char count[4];
    if (!readExactly(file, count, sizeof count))
        return result;
    const qint32 n = load<qint32>(count);
    stopTimes.clear();
    if (n < 0)
        return result;
    const qint64 valueBytes = qint64(n) * 8;
    if (const std::optional<qint64> left = bytesLeft(file)) {
        if (valueBytes > *left)
            return result;
        stopTimes.resize(size_t(n));
        if (!readExactly(file, reinterpret_cast<char *>(stopTimes.data()), valueBytes))
            return result;
    } else {
        // A pipe shows its length only at its end: the values are read as
        // they come, so a count the rest cannot hold costs no more memory
        // than the bytes that do arrive.
        QByteArray values;
        if (!readInPieces(file, values, valueBytes))
            return result;
        stopTimes.resize(size_t(n));
        std::memcpy(stopTimes.data(), values.constData(), size_t(valueBytes));
    }
    if constexpr (!kLittleEndianHost) {
        for (double &v : stopTimes)
            v = loadDouble(reinterpret_cast<const char *>(&v));
    }

    if (!readExactly(file, record.bytes().data(), ProjectRecord::kSize))
        return result;

    for (int slot = 0; slot < int(pictures.size()); ++slot) {
        // The end of the file, found by reading, also where its length is
        // not known beforehand.
        QByteArray headers(kBmpHeadersSize, Qt::Uninitialized);
        headers.resize(readUpTo(file, headers.data(), kBmpHeadersSize));
        if (headers.isEmpty()) {
            pictures[size_t(slot)] = QImage();
        } else {
            const QImage picture = decodeBmp(readBmpBlock(file, headers));
            if (picture.isNull())
                return result;
            pictures[size_t(slot)] = picture;
        }
        result.picturesRead = slot + 1;
    }
    result.complete = true;
    return result;
}

// --- BMP ---

QByteArray encodeBmp(const QImage &picture)
{
    if (picture.isNull())
        return {};
    const QImage rgb = picture.convertToFormat(QImage::Format_RGB888);
    const qint64 width = rgb.width();
    const qint64 height = rgb.height();
    const qint64 rowSize = (width * 3 + 3) & ~qint64(3);
    const qint64 pixelBytes = rowSize * height;
    const qint64 total = kBmpHeadersSize + pixelBytes;

    QByteArray block(total, '\0');
    char *h = block.data();
    h[0] = 'B';
    h[1] = 'M';
    store<quint32>(h + 2, quint32(std::min<qint64>(total, std::numeric_limits<quint32>::max())));
    store<quint32>(h + 10, kBmpHeadersSize); // pixel data right behind the headers
    store<quint32>(h + 14, 40);
    store<qint32>(h + 18, qint32(width));
    store<qint32>(h + 22, qint32(height)); // positive: rows bottom-up
    store<quint16>(h + 26, 1);
    store<quint16>(h + 28, 24);
    store<quint32>(h + 34, quint32(std::min<qint64>(pixelBytes, std::numeric_limits<quint32>::max())));

    uchar *rows = reinterpret_cast<uchar *>(block.data()) + kBmpHeadersSize;
    for (qint64 y = 0; y < height; ++y) {
        const uchar *src = rgb.constScanLine(int(height - 1 - y));
        uchar *dst = rows + y * rowSize;
        for (qint64 x = 0; x < width; ++x) {
            dst[3 * x] = src[3 * x + 2];
            dst[3 * x + 1] = src[3 * x + 1];
            dst[3 * x + 2] = src[3 * x];
        }
    }
    return block;
}

qint64 bmpBlockLength(QByteArrayView headers)
{
    BmpInfo info;
    if (!parseBmpHeaders(headers, info))
        return -1;
    const qint64 table = saturatingMultiply(info.colourTableEntries(), 4);
    const qint64 pixels = saturatingMultiply(info.rowSize(), info.absoluteHeight());
    return saturatingAdd(saturatingAdd(kBmpHeadersSize, table), pixels);
}

QImage decodeBmp(QByteArrayView block)
{
    BmpInfo info;
    if (!parseBmpHeaders(block, info) || info.compression != 0)
        return {};
    // The rows follow the colour table, which is also where the block's
    // length puts them; the offset in the file header is not trusted.
    const qint64 rowsAt = kBmpHeadersSize + info.colourTableEntries() * 4;
    if (rowsAt > block.size() || rowsAt > std::numeric_limits<quint32>::max())
        return {};
    QByteArray bitmap = block.toByteArray();
    store<quint32>(bitmap.data() + 10, quint32(rowsAt));
    return decodeWindowsBitmap(bitmap).convertToFormat(QImage::Format_RGB888);
}
