#include "project/ProjectFile.h"

#include <QBuffer>
#include <QtEndian>
#include <gtest/gtest.h>

#include <bit>
#include <cmath>
#include <cstring>
#include <functional>
#include <limits>
#include <random>

namespace {

QImage testPicture(int width, int height, int seed = 0)
{
    QImage image(width, height, QImage::Format_RGB888);
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x)
            image.setPixelColor(x, y, QColor((x * 37 + seed) & 255, (y * 91 + seed) & 255, (x * y + seed) & 255));
    return image;
}

QByteArray writeToBytes(const std::vector<double> &values, const ProjectRecord &record,
                        const ProjectPictures &pictures)
{
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    EXPECT_TRUE(writeProjectFile(buffer, values, record, pictures));
    return bytes;
}

struct Target
{
    std::vector<double> stopTimes;
    ProjectRecord record;
    ProjectPictures pictures;
    ProjectFileRead read;
};

// A pipe: sequential, a few hundred bytes per read, and bytesAvailable()
// only what has arrived so far.
class PipeDevice : public QIODevice
{
public:
    explicit PipeDevice(QByteArray bytes) : m_bytes(std::move(bytes)) { open(QIODevice::ReadOnly); }
    bool isSequential() const override { return true; }

protected:
    qint64 readData(char *data, qint64 maxSize) override
    {
        const qint64 n = std::min({maxSize, qint64(300), qint64(m_bytes.size()) - m_at});
        std::memcpy(data, m_bytes.constData() + m_at, size_t(n));
        m_at += n;
        return n;
    }
    qint64 writeData(const char *, qint64) override { return -1; }

private:
    QByteArray m_bytes;
    qint64 m_at = 0;
};

enum class Source { File, Pipe };

void readFromBytes(QByteArray bytes, Target &t, Source source = Source::File)
{
    if (source == Source::Pipe) {
        PipeDevice pipe(bytes);
        t.read = readProjectFile(pipe, t.stopTimes, t.record, t.pictures);
        return;
    }
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::ReadOnly);
    t.read = readProjectFile(buffer, t.stopTimes, t.record, t.pictures);
}

template <typename T>
QByteArray le(T value)
{
    QByteArray b(sizeof(T), '\0');
    qToLittleEndian<T>(value, b.data());
    return b;
}

// A BMP file assembled field by field, so that every header value can lie.
struct BmpSpec
{
    qint32 width = 2;
    qint32 height = 2;
    quint16 bitsPerPixel = 24;
    quint32 coloursUsed = 0;
    quint32 compression = 0;
    quint32 fileSizeField = 0;
    quint32 infoHeaderSize = 40;
    qint64 pixelOffsetChange = 0; // makes the file header's pixel offset lie
    QByteArray colourTable = {};
    QByteArray pixels = {};
};

QByteArray bmp(const BmpSpec &s)
{
    QByteArray b = "BM" + le<quint32>(s.fileSizeField) + le<quint32>(0)
                   + le<quint32>(quint32(54 + s.colourTable.size() + s.pixelOffsetChange))
                   + le<quint32>(s.infoHeaderSize) + le<qint32>(s.width) + le<qint32>(s.height)
                   + le<quint16>(1) + le<quint16>(s.bitsPerPixel) + le<quint32>(s.compression)
                   + le<quint32>(s.pixels.size()) + le<qint32>(2835) + le<qint32>(2835)
                   + le<quint32>(s.coloursUsed) + le<quint32>(0);
    return b + s.colourTable + s.pixels;
}

QByteArray palette(std::initializer_list<QRgb> colours)
{
    QByteArray t;
    for (QRgb c : colours) {
        t += char(qBlue(c));
        t += char(qGreen(c));
        t += char(qRed(c));
        t += '\0';
    }
    return t;
}

QRgb pixel(const QImage &image, int x, int y)
{
    return image.pixel(x, y) & 0xffffff;
}

} // namespace

TEST(ProjectFile, EmptyProjectIsCountAndRecordOnly)
{
    ProjectRecord record;
    const QByteArray bytes = writeToBytes({}, record, {});
    ASSERT_EQ(bytes.size(), 1132);
    EXPECT_EQ(bytes, QByteArray(1132, '\0'));

    Target t;
    t.stopTimes = {1.0, 2.0};
    t.pictures.fill(testPicture(3, 3));
    readFromBytes(bytes, t);
    EXPECT_TRUE(t.read.complete);
    EXPECT_EQ(t.read.picturesRead, 4);
    EXPECT_TRUE(t.stopTimes.empty());
    for (const QImage &p : t.pictures)
        EXPECT_TRUE(p.isNull());
}

TEST(ProjectFile, RecordFieldsSitAtTheirOffsets)
{
    using T = ProjectRecord::Text;
    struct Case
    {
        const char *name;
        std::function<void(ProjectRecord &)> set;
        int offset;
        QByteArray bytes;
        std::function<bool(const ProjectRecord &)> readsBack;
    };
    const double d = 14.0;
    const double h = -1.0;
    const Case cases[] = {
        {"standstill speed", [](ProjectRecord &r) { r.setStandstillSpeed(0x1234); }, 0, le<quint16>(0x1234),
         [](const ProjectRecord &r) { return r.standstillSpeed() == 0x1234; }},
        {"serial number", [](ProjectRecord &r) { r.setText(T::SerialNumber, "SN7"); }, 2, "\x03SN7",
         [](const ProjectRecord &r) { return r.text(T::SerialNumber) == "SN7"; }},
        {"calibration year", [](ProjectRecord &r) { r.setCalibrationYear(2024); }, 54, le<quint16>(2024),
         [](const ProjectRecord &r) { return r.calibrationYear() == 2024; }},
        {"calibration month", [](ProjectRecord &r) { r.setCalibrationMonth(7); }, 56, "\x07",
         [](const ProjectRecord &r) { return r.calibrationMonth() == 7; }},
        {"calibration day", [](ProjectRecord &r) { r.setCalibrationDay(31); }, 57, "\x1f",
         [](const ProjectRecord &r) { return r.calibrationDay() == 31; }},
        {"calibrated", [](ProjectRecord &r) { r.setCalibrated(true); }, 58, "\x01",
         [](const ProjectRecord &r) { return r.calibrated(); }},
        {"note of picture 1", [](ProjectRecord &r) { r.setText(T::PictureNote1, "a"); }, 59, "\x01" "a",
         [](const ProjectRecord &r) { return r.text(ProjectRecord::pictureNote(1)) == "a"; }},
        {"note of picture 2", [](ProjectRecord &r) { r.setText(T::PictureNote2, "b"); }, 160, "\x01" "b",
         [](const ProjectRecord &r) { return r.text(ProjectRecord::pictureNote(2)) == "b"; }},
        {"note of picture 3", [](ProjectRecord &r) { r.setText(T::PictureNote3, "c"); }, 261, "\x01" "c",
         [](const ProjectRecord &r) { return r.text(ProjectRecord::pictureNote(3)) == "c"; }},
        {"note of picture 4", [](ProjectRecord &r) { r.setText(T::PictureNote4, "d"); }, 362, "\x01" "d",
         [](const ProjectRecord &r) { return r.text(ProjectRecord::pictureNote(4)) == "d"; }},
        {"include picture 1", [](ProjectRecord &r) { r.setIncludePicture(1, true); }, 463, "\x01",
         [](const ProjectRecord &r) { return r.includePicture(1); }},
        {"include picture 4", [](ProjectRecord &r) { r.setIncludePicture(4, true); }, 466, "\x01",
         [](const ProjectRecord &r) { return r.includePicture(4) && !r.includePicture(3); }},
        {"safety device caption", [](ProjectRecord &r) { r.setText(T::SafetyDeviceName, "Door"); }, 467, "\x04" "Door",
         [](const ProjectRecord &r) { return r.text(T::SafetyDeviceName) == "Door"; }},
        {"safety device parameters", [](ProjectRecord &r) { r.setText(T::SafetyDeviceParams, "d=14mm"); }, 568,
         "\x06" "d=14mm", [](const ProjectRecord &r) { return r.text(T::SafetyDeviceParams) == "d=14mm"; }},
        {"safety device kind", [](ProjectRecord &r) { r.setSafetyDeviceId(6); }, 672, le<qint32>(6),
         [](const ProjectRecord &r) { return r.safetyDeviceId() == 6; }},
        {"negative kind", [](ProjectRecord &r) { r.setSafetyDeviceId(-2); }, 672, le<qint32>(-2),
         [](const ProjectRecord &r) { return r.safetyDeviceId() == -2; }},
        {"resolution d", [](ProjectRecord &r) { r.setResolution(14.0); }, 680, le<quint64>(std::bit_cast<quint64>(d)),
         [](const ProjectRecord &r) { return r.resolution() == 14.0; }},
        {"height H", [](ProjectRecord &r) { r.setHeight(-1.0); }, 688, le<quint64>(std::bit_cast<quint64>(h)),
         [](const ProjectRecord &r) { return r.height() == -1.0; }},
        {"machine ID", [](ProjectRecord &r) { r.setText(T::MachineID, "Press 4"); }, 720, "\x07" "Press 4",
         [](const ProjectRecord &r) { return r.text(T::MachineID) == "Press 4"; }},
        {"note of the measurement", [](ProjectRecord &r) { r.setText(T::Note, "ok"); }, 821, "\x02" "ok",
         [](const ProjectRecord &r) { return r.text(T::Note) == "ok"; }},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.name);
        ProjectRecord record;
        c.set(record);
        QByteArray expected(ProjectRecord::kSize, '\0');
        expected.replace(c.offset, c.bytes.size(), c.bytes);
        EXPECT_EQ(QByteArray(record.bytes().data(), ProjectRecord::kSize), expected);
        EXPECT_TRUE(c.readsBack(record));
        // The record sits behind the values in the file.
        const QByteArray file = writeToBytes({1.0, 2.0}, record, {});
        EXPECT_EQ(file.mid(4 + 16 + c.offset, c.bytes.size()), c.bytes);
    }
}

TEST(ProjectFile, TextsAreCutToCapacityAndBytesBehindSurvive)
{
    using T = ProjectRecord::Text;
    struct Case
    {
        T field;
        int offset;
        int capacity;
    };
    const Case cases[] = {{T::SerialNumber, 2, 50}, {T::PictureNote2, 160, 100}, {T::Note, 821, 100}};
    for (const Case &c : cases) {
        SCOPED_TRACE(c.offset);
        ProjectRecord record;
        record.bytes().fill('\xee');
        record.setText(c.field, QByteArray(c.capacity + 20, 'a'));
        EXPECT_EQ(record.text(c.field), QByteArray(c.capacity, 'a'));
        EXPECT_EQ(quint8(record.bytes()[c.offset]), c.capacity);
        EXPECT_EQ(record.bytes()[c.offset + 1 + c.capacity], '\xee') << "the next field was touched";

        // A shorter text overwrites only its own bytes.
        record.setText(c.field, "xy");
        EXPECT_EQ(record.text(c.field), "xy");
        EXPECT_EQ(record.bytes()[c.offset + 3], 'a');

        // A damaged length byte never reads past the field.
        record.bytes()[c.offset] = char(255);
        EXPECT_EQ(record.text(c.field).size(), c.capacity);
    }
}

TEST(ProjectFile, AnyNonZeroByteReadsAsTrue)
{
    ProjectRecord record;
    record.bytes()[58] = char(0x80);
    record.bytes()[464] = char(0xff);
    EXPECT_TRUE(record.calibrated());
    EXPECT_TRUE(record.includePicture(2));
    EXPECT_FALSE(record.includePicture(1));
    record.setCalibrated(true);
    EXPECT_EQ(record.bytes()[58], 1);
}

TEST(ProjectFile, StopTimesAndRecordRoundTripBitForBit)
{
    const std::vector<double> values = {0.1, -0.0, 4.9e-324, 1e308, std::numeric_limits<double>::infinity(),
                                        std::bit_cast<double>(quint64(0x7ff8dead0000beefULL)), 123.456};
    ProjectRecord record;
    for (int i = 0; i < ProjectRecord::kSize; ++i)
        record.bytes()[size_t(i)] = char(i * 7 + 3);
    const ProjectPictures pictures = {testPicture(5, 3, 1), QImage(), testPicture(4, 4, 2), testPicture(1, 1, 3)};
    const QByteArray file = writeToBytes(values, record, pictures);

    EXPECT_EQ(qFromLittleEndian<qint32>(file.constData()), qint32(values.size()));
    for (size_t i = 0; i < values.size(); ++i)
        EXPECT_EQ(qFromLittleEndian<quint64>(file.constData() + 4 + 8 * i), std::bit_cast<quint64>(values[i]));

    Target t;
    readFromBytes(file, t);
    ASSERT_TRUE(t.read.complete);
    ASSERT_EQ(t.stopTimes.size(), values.size());
    EXPECT_EQ(std::memcmp(t.stopTimes.data(), values.data(), values.size() * 8), 0);
    EXPECT_EQ(t.record, record);
    // Pictures fill the slots in file order: the empty slot 2 moves to the end.
    EXPECT_EQ(t.pictures[0], pictures[0]);
    EXPECT_EQ(t.pictures[1], pictures[2]);
    EXPECT_EQ(t.pictures[2], pictures[3]);
    EXPECT_TRUE(t.pictures[3].isNull());
    EXPECT_EQ(writeToBytes(t.stopTimes, t.record, {pictures[0], pictures[2], pictures[3], QImage()}), file);
}

TEST(ProjectFile, PictureBlocksAre24BitBottomUpBmp)
{
    struct Case
    {
        int width;
        int height;
        qsizetype size;
    };
    const Case cases[] = {
        {270, 210, 170574}, // the images dialog's placeholder
        {640, 480, 921654}, // a loaded picture
        {5, 3, 54 + 16 * 3}, // rows padded to four bytes
        {1, 1, 58},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.width);
        const QImage picture = testPicture(c.width, c.height);
        const QByteArray block = encodeBmp(picture);
        ASSERT_EQ(block.size(), c.size);
        const char *h = block.constData();
        EXPECT_EQ(block.left(2), "BM");
        EXPECT_EQ(qFromLittleEndian<quint32>(h + 2), quint32(c.size));
        EXPECT_EQ(qFromLittleEndian<quint32>(h + 10), 54u);
        EXPECT_EQ(qFromLittleEndian<quint32>(h + 14), 40u);
        EXPECT_EQ(qFromLittleEndian<qint32>(h + 18), c.width);
        EXPECT_EQ(qFromLittleEndian<qint32>(h + 22), c.height);
        EXPECT_EQ(qFromLittleEndian<quint16>(h + 26), 1);
        EXPECT_EQ(qFromLittleEndian<quint16>(h + 28), 24);
        EXPECT_EQ(qFromLittleEndian<quint32>(h + 30), 0u);
        EXPECT_EQ(qFromLittleEndian<quint32>(h + 46), 0u);
        EXPECT_EQ(bmpBlockLength(block), c.size);
        // The first stored row is the bottom one, blue first.
        const QRgb bottomLeft = picture.pixel(0, c.height - 1);
        EXPECT_EQ(quint8(block[54]), qBlue(bottomLeft));
        EXPECT_EQ(quint8(block[56]), qRed(bottomLeft));

        EXPECT_EQ(decodeBmp(block), picture);
        // Another reader sees the same picture.
        EXPECT_EQ(QImage::fromData(block, "BMP").convertToFormat(QImage::Format_RGB888), picture);
    }
    EXPECT_TRUE(encodeBmp(QImage()).isEmpty());
}

TEST(ProjectFile, BlockLengthFollowsTheInformationHeader)
{
    struct Case
    {
        const char *name;
        BmpSpec spec;
        qint64 length;
    };
    const qint64 saturated = std::numeric_limits<qint64>::max();
    const Case cases[] = {
        {"24 bits", {.width = 270, .height = 210}, 170574},
        {"file size field ignored", {.width = 270, .height = 210, .fileSizeField = 12}, 170574},
        {"top-down rows", {.width = 3, .height = -2}, 54 + 12 * 2},
        {"8 bits, full colour table", {.width = 5, .height = 2, .bitsPerPixel = 8}, 54 + 1024 + 8 * 2},
        {"8 bits, 16 colours used", {.width = 5, .height = 2, .bitsPerPixel = 8, .coloursUsed = 16}, 54 + 64 + 8 * 2},
        {"4 bits", {.width = 9, .height = 1, .bitsPerPixel = 4}, 54 + 64 + 8},
        {"1 bit", {.width = 33, .height = 3, .bitsPerPixel = 1}, 54 + 8 + 8 * 3},
        {"32 bits with a colour table", {.width = 2, .height = 2, .bitsPerPixel = 32, .coloursUsed = 2}, 54 + 8 + 16},
        {"zero width", {.width = 0, .height = 5}, 54},
        {"enormous", {.width = 0x7fffffff, .height = -0x7fffffff - 1, .bitsPerPixel = 32, .coloursUsed = 0xffffffff},
         saturated},
        {"negative width", {.width = -4, .height = 2}, -1},
        {"larger information header", {.infoHeaderSize = 108}, -1},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(bmpBlockLength(bmp(c.spec)), c.length);
    }
    QByteArray notBm = bmp({});
    notBm[0] = 'X';
    EXPECT_EQ(bmpBlockLength(notBm), -1);
    EXPECT_EQ(bmpBlockLength(bmp({}).left(53)), -1);
}

// Rows are read right behind the colour table, where the block's length
// puts them, whatever the file header's pixel offset says.
TEST(ProjectFile, DecodesEveryUncompressedDepthFromBehindTheColourTable)
{
    const QRgb red = 0xff0000, green = 0x00ff00, blue = 0x0000ff, white = 0xffffff, black = 0;
    struct Case
    {
        const char *name;
        BmpSpec spec;
        // Expected pixels, top row first.
        std::vector<std::vector<QRgb>> rows;
        bool checkWithQt;
    };
    const Case cases[] = {
        {"1 bit",
         {.width = 3, .height = 2, .bitsPerPixel = 1, .colourTable = palette({red, blue}),
          .pixels = QByteArray("\xa0\0\0\0\x40\0\0\0", 8)}, // bottom row 101, top row 010
         {{red, blue, red}, {blue, red, blue}}, true},
        {"4 bits, 3 colours used",
         {.width = 3, .height = 1, .bitsPerPixel = 4, .coloursUsed = 3, .colourTable = palette({red, green, blue}),
          .pixels = QByteArray("\x21\x00\0\0", 4)},
         {{blue, green, red}}, true},
        {"8 bits, index past the table is black",
         {.width = 2, .height = 1, .bitsPerPixel = 8, .coloursUsed = 2, .colourTable = palette({white, green}),
          .pixels = QByteArray("\x01\x07\0\0", 4)},
         {{green, black}}, false},
        {"16 bits, five bits a channel",
         {.width = 2, .height = 1, .bitsPerPixel = 16, .pixels = le<quint16>(0x7fff) + le<quint16>(0x001f)},
         {{white, blue}}, false},
        {"24 bits, top-down",
         {.width = 1, .height = -2, .pixels = QByteArray("\xff\0\0\0\0\0\xff\0", 8)},
         {{blue}, {red}}, true},
        {"pixel offset beyond the rows",
         {.width = 1, .height = 1, .pixelOffsetChange = 4000, .pixels = QByteArray("\0\xff\0\0", 4)},
         {{green}}, false},
        {"pixel offset zero, 8 bits",
         {.width = 1, .height = 1, .bitsPerPixel = 8, .coloursUsed = 2, .pixelOffsetChange = -62,
          .colourTable = palette({red, blue}), .pixels = QByteArray("\x01\0\0\0", 4)},
         {{blue}}, false},
        {"32 bits, fourth byte ignored",
         {.width = 2, .height = 1, .bitsPerPixel = 32, .pixels = QByteArray("\0\xff\0\x55\xff\xff\xff\xaa", 8)},
         {{green, white}}, true},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.name);
        const QByteArray block = bmp(c.spec);
        ASSERT_EQ(bmpBlockLength(block), block.size());
        const QImage image = decodeBmp(block);
        ASSERT_FALSE(image.isNull());
        EXPECT_EQ(image.format(), QImage::Format_RGB888);
        ASSERT_EQ(image.size(), QSize(c.spec.width, int(c.rows.size())));
        for (int y = 0; y < image.height(); ++y)
            for (int x = 0; x < image.width(); ++x)
                EXPECT_EQ(pixel(image, x, y), c.rows[size_t(y)][size_t(x)]) << x << "," << y;
        if (c.checkWithQt) {
            EXPECT_EQ(QImage::fromData(block, "BMP").convertToFormat(QImage::Format_RGB888), image);
        }
    }
}

TEST(ProjectFile, RefusesBlocksThatAreNoValidBitmap)
{
    struct Case
    {
        const char *name;
        QByteArray block;
    };
    QByteArray notBm = bmp({.pixels = QByteArray(16, '\0')});
    notBm[1] = 'X';
    const Case cases[] = {
        {"no BM", notBm},
        {"zero width", bmp({.width = 0, .height = 2})},
        {"zero height", bmp({.width = 2, .height = 0})},
        {"rows missing", bmp({.width = 2, .height = 2, .pixels = QByteArray(13, '\0')})},
        {"enormous dimensions", bmp({.width = 100000, .height = 100000, .pixels = QByteArray(64, '\0')})},
        {"too large to hold though present", // 90 million pixels from 11 MB of one-bit rows
         bmp({.width = 10000, .height = 9000, .bitsPerPixel = 1, .colourTable = palette({0, 0xffffff}),
              .pixels = QByteArray(1252 * 9000, '\0')})},
        {"colour table missing", bmp({.width = 1, .height = 1, .bitsPerPixel = 8, .pixels = QByteArray(4, '\0')})},
        {"two bits a pixel", bmp({.width = 2, .height = 1, .bitsPerPixel = 2, .coloursUsed = 4,
                                  .colourTable = palette({0, 0, 0, 0}), .pixels = QByteArray(4, '\0')})},
        {"run-length compressed", bmp({.width = 2, .height = 1, .bitsPerPixel = 8, .coloursUsed = 1,
                                       .compression = 1, .colourTable = palette({0}), .pixels = QByteArray(4, '\0')})},
        {"larger information header", bmp({.infoHeaderSize = 108, .pixels = QByteArray(16, '\0')})},
        {"headers only", bmp({}).left(54)},
        {"nothing", QByteArray()},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_TRUE(decodeBmp(c.block).isNull());
    }
}

// A faulty file: what is read before the fault stays, nothing after it is
// touched, and nothing is allocated that the file could not fill.
TEST(ProjectFile, ReadingStopsAtTheFirstFault)
{
    const std::vector<double> values = {1.5, 2.5, 3.5};
    ProjectRecord fileRecord;
    fileRecord.bytes().fill('\x11');
    const QImage a = testPicture(3, 2, 1);
    const QImage b = testPicture(2, 2, 2);
    const QByteArray valid = writeToBytes(values, fileRecord, {a, b, QImage(), QImage()});
    const qsizetype recordAt = 4 + 24;
    const qsizetype blockA = recordAt + ProjectRecord::kSize;
    const qsizetype blockB = blockA + encodeBmp(a).size();

    auto withCount = [&](qint32 n) { return le<qint32>(n) + valid.mid(4); };
    auto withBlock = [&](const QByteArray &block) { return valid.left(blockA) + block; };

    enum class Series { Unchanged, Empty, FromFile };
    struct Case
    {
        const char *name;
        QByteArray file;
        bool complete;
        Series series;
        int recordBytesRead; // of the file's record
        int picturesRead;
    };
    const QByteArray fourPictures = writeToBytes(values, fileRecord, {a, b, b, a});
    const Case cases[] = {
        {"valid", valid, true, Series::FromFile, ProjectRecord::kSize, 4},
        {"bytes after the fourth block are ignored", fourPictures + "trailing", true, Series::FromFile,
         ProjectRecord::kSize, 4},
        {"bytes after the second block are a third block", valid + "trailing", false, Series::FromFile,
         ProjectRecord::kSize, 2},
        {"empty file", QByteArray(), false, Series::Unchanged, 0, 0},
        {"count cut short", valid.left(3), false, Series::Unchanged, 0, 0},
        {"negative count", withCount(-1), false, Series::Empty, 0, 0},
        {"count beyond the file", withCount(0x7fffffff), false, Series::Empty, 0, 0},
        {"values cut short", valid.left(4 + 8 * 2), false, Series::Empty, 0, 0},
        {"text file", "Stop times of press 4\r\n12.5\r\n13.1\r\n", false, Series::Empty, 0, 0},
        {"record cut short", valid.left(recordAt + 100), false, Series::FromFile, 100, 0},
        {"block without BM", valid.left(blockA) + "XM" + valid.mid(blockA + 2), false, Series::FromFile,
         ProjectRecord::kSize, 0},
        {"headers of a block cut short", valid.left(blockA + 30), false, Series::FromFile, ProjectRecord::kSize, 0},
        {"second block's rows cut short", valid.left(valid.size() - 3), false, Series::FromFile,
         ProjectRecord::kSize, 1},
        {"only the padding of the last row missing", valid.left(valid.size() - 2), true, Series::FromFile,
         ProjectRecord::kSize, 4},
        {"header lies about the height", withBlock(bmp({.width = 2, .height = 3, .pixels = QByteArray(16, '\0')})),
         false, Series::FromFile, ProjectRecord::kSize, 0},
        {"zero dimensions", withBlock(bmp({.width = 0, .height = 0})), false, Series::FromFile,
         ProjectRecord::kSize, 0},
        {"enormous dimensions", withBlock(bmp({.width = 30000, .height = -30000, .pixels = QByteArray(100, 'x')})),
         false, Series::FromFile, ProjectRecord::kSize, 0},
        {"file size field lies", withBlock(bmp({.width = 2, .height = 2, .fileSizeField = 0xffffffff,
                                                .pixels = QByteArray(16, '\0')})
                                           + valid.mid(blockB)),
         true, Series::FromFile, ProjectRecord::kSize, 4},
    };
    const QImage sentinel = testPicture(7, 7, 9);
    // A pipe is judged as the file is: by all it holds.
    for (const Source source : {Source::File, Source::Pipe}) {
        for (const Case &c : cases) {
            SCOPED_TRACE(c.name);
            SCOPED_TRACE(source == Source::Pipe ? "from a pipe" : "from a file");
            Target t;
            t.stopTimes = {9.0, 9.0};
            t.stopTimes.shrink_to_fit();
            t.record.bytes().fill('\xee');
            t.pictures.fill(sentinel);
            readFromBytes(c.file, t, source);

            EXPECT_EQ(t.read.complete, c.complete);
            switch (c.series) {
            case Series::Unchanged: EXPECT_EQ(t.stopTimes, (std::vector<double>{9.0, 9.0})); break;
            case Series::Empty: EXPECT_TRUE(t.stopTimes.empty()); break;
            case Series::FromFile: EXPECT_EQ(t.stopTimes, values); break;
            }
            EXPECT_LE(t.stopTimes.capacity() * 8, size_t(std::max<qsizetype>(c.file.size(), 16)));
            for (int i = 0; i < ProjectRecord::kSize; ++i)
                ASSERT_EQ(t.record.bytes()[size_t(i)], i < c.recordBytesRead ? '\x11' : '\xee') << "record byte " << i;
            EXPECT_EQ(t.read.picturesRead, c.picturesRead);
            for (int slot = c.picturesRead; slot < 4; ++slot)
                EXPECT_EQ(t.pictures[size_t(slot)], sentinel) << "slot " << slot + 1 << " was touched";
            if (c.file.startsWith(valid.left(blockB)) && c.picturesRead >= 1) {
                EXPECT_EQ(t.pictures[0], a);
            }
        }
    }
}

// cat p.zPRJ | zirk-cli project-info /dev/stdin: a project larger than a
// pipe holds at once is read whole, as from the file.
TEST(ProjectFile, AProjectFromAPipeReadsAsFromTheFile)
{
    std::vector<double> values;
    for (int i = 0; i < 4500; ++i) // 36 kB of stop times
        values.push_back(100.0 + i * 0.125);
    ProjectRecord record;
    record.setSafetyDeviceId(2);
    record.setHeight(300.0);
    const ProjectPictures pictures = {testPicture(40, 30, 1), QImage(), QImage(), QImage()};
    const QByteArray bytes = writeToBytes(values, record, pictures);

    Target fromPipe;
    readFromBytes(bytes, fromPipe, Source::Pipe);
    EXPECT_TRUE(fromPipe.read.complete);
    EXPECT_EQ(fromPipe.read.picturesRead, 4);
    EXPECT_EQ(fromPipe.stopTimes, values);
    EXPECT_EQ(fromPipe.record, record);
    EXPECT_EQ(fromPipe.pictures[0], pictures[0]);
    EXPECT_TRUE(fromPipe.pictures[1].isNull());
}

TEST(ProjectFile, RandomBytesNeverCrashOrOverAllocate)
{
    std::mt19937 random(20240611);
    const QByteArray valid =
        writeToBytes({1.0, 2.0}, ProjectRecord(), {testPicture(4, 3), testPicture(3, 4), QImage(), QImage()});
    for (int round = 0; round < 3000; ++round) {
        QByteArray file;
        if (round % 2 == 0) {
            file.resize(qsizetype(random() % 3000));
            for (char &ch : file)
                ch = char(random());
        } else {
            // A valid file with a few bytes changed, often in the headers.
            file = valid.left(qsizetype(random() % (valid.size() + 1)));
            for (int i = 0; i < 4 && !file.isEmpty(); ++i)
                file[qsizetype(random() % file.size())] = char(random());
        }
        for (const Source source : {Source::File, Source::Pipe}) {
            Target t;
            readFromBytes(file, t, source);
            ASSERT_LE(t.stopTimes.size() * 8, size_t(file.size()));
            for (const QImage &p : t.pictures)
                ASSERT_LE(p.sizeInBytes(), 4 * qsizetype(file.size()) + 64);
        }
    }
}
