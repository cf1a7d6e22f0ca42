// Windows bitmap files: every layout a user's picture may come in, and
// files whose headers lie about their contents.

#include "base/WindowsBitmap.h"

#include <QBuffer>
#include <QImage>

#include <gtest/gtest.h>

#include <random>
#include <vector>

namespace {

QByteArray bytesOf(std::initializer_list<int> values)
{
    QByteArray out;
    for (const int v : values)
        out.append(char(v));
    return out;
}

QByteArray le16(quint32 v)
{
    return bytesOf({int(v & 0xFF), int(v >> 8 & 0xFF)});
}

QByteArray le32(quint32 v)
{
    return bytesOf({int(v & 0xFF), int(v >> 8 & 0xFF), int(v >> 16 & 0xFF), int(v >> 24 & 0xFF)});
}

template <size_t N>
QByteArray raw(const char (&text)[N])
{
    return QByteArray(text, N - 1);
}

// What a bitmap file says about itself; bmpFile lays it out.
struct BmpSpec
{
    quint32 headerSize = 40;
    qint32 width = 1;
    qint32 height = 1;
    quint16 bitCount = 24;
    quint32 compression = 0;
    quint32 colorsUsed = 0;
    QByteArray palette = {}; // entries as stored: BGRx, or BGR in a core header
    QByteArray masks = {};   // red, green, blue; after a 40-byte header or inside a larger one
    QByteArray pixels = {};
    qint64 offBitsChange = 0;
};

QByteArray bmpFile(const BmpSpec &s)
{
    QByteArray header;
    if (s.headerSize == 12) {
        header = le32(12) + le16(quint32(s.width)) + le16(quint32(s.height)) + le16(1) + le16(s.bitCount);
    } else {
        header = le32(s.headerSize) + le32(quint32(s.width)) + le32(quint32(s.height)) + le16(1) + le16(s.bitCount)
                 + le32(s.compression) + le32(quint32(s.pixels.size())) + le32(2835) + le32(2835)
                 + le32(s.colorsUsed) + le32(0);
        if (s.headerSize > 40)
            header += s.masks.leftJustified(12, '\0');
        header = header.leftJustified(qsizetype(s.headerSize), '\0');
        if (s.headerSize == 40)
            header += s.masks;
    }
    const qint64 offBits = 14 + header.size() + s.palette.size() + s.offBitsChange;
    const qint64 fileSize = 14 + header.size() + s.palette.size() + s.pixels.size();
    return "BM" + le32(quint32(fileSize)) + le32(0) + le32(quint32(offBits)) + header + s.palette + s.pixels;
}

// Palette entries black, red, green, blue.
const QByteArray kFourColors = raw("\0\0\0\0" "\0\0\xff\0" "\0\xff\0\0" "\xff\0\0\0");

const QRgb black = qRgb(0, 0, 0), red = qRgb(255, 0, 0), green = qRgb(0, 255, 0), blue = qRgb(0, 0, 255),
           white = qRgb(255, 255, 255);

struct Case
{
    const char *name;
    BmpSpec spec;
    std::vector<std::vector<QRgb>> rows; // top row first
};

std::vector<Case> validCases()
{
    QByteArray coreGrey;
    for (int i = 0; i < 256; ++i)
        coreGrey += bytesOf({i, 0, 255 - i});
    return {
        {"4 bits, 4 colours used, bottom-up",
         {.width = 3, .height = 2, .bitCount = 4, .colorsUsed = 4, .palette = kFourColors,
          .pixels = raw("\x12\x30\0\0" "\x33\x00\0\0")},
         {{blue, blue, black}, {red, green, blue}}},
        {"1 bit",
         {.width = 10, .height = 1, .bitCount = 1, .palette = raw("\0\0\xff\0" "\0\xff\0\0"),
          .pixels = raw("\xa0\xc0\0\0")},
         {{green, red, green, red, red, red, red, red, green, green}}},
        {"8 bits, core header",
         {.headerSize = 12, .width = 2, .height = 2, .bitCount = 8, .palette = coreGrey,
          .pixels = raw("\x00\xff\0\0" "\x80\x01\0\0")},
         {{qRgb(127, 0, 128), qRgb(254, 0, 1)}, {qRgb(255, 0, 0), qRgb(0, 0, 255)}}},
        {"24 bits, top-down",
         {.width = 2, .height = -2, .pixels = raw("\0\0\xff\0\xff\0\0\0" "\xff\0\0\xff\xff\xff\0\0")},
         {{red, green}, {blue, white}}},
        {"24 bits, last row without padding",
         {.width = 1, .height = 2, .pixels = raw("\xff\0\0\0" "\0\0\xff")},
         {{red}, {blue}}},
        {"16 bits, 5-5-5",
         {.width = 3, .height = 1, .bitCount = 16, .pixels = raw("\x00\x7c\x10\x42\x1f\x00\0\0")},
         {{red, qRgb(132, 132, 132), blue}}},
        {"16 bits, 5-6-5 masks",
         {.width = 3, .height = 1, .bitCount = 16, .compression = 3, .masks = le32(0xF800) + le32(0x07E0) + le32(0x1F),
          .pixels = raw("\x00\xf8\xe0\x07\x10\x84\0\0")},
         {{red, green, qRgb(132, 130, 132)}}},
        {"32 bits",
         {.width = 1, .height = 1, .bitCount = 32, .pixels = raw("\x0a\x14\x1e\x63")},
         {{qRgb(30, 20, 10)}}},
        {"32 bits, masks in a V4 header",
         {.headerSize = 108, .width = 1, .height = 1, .bitCount = 32, .compression = 3,
          .masks = le32(0xFF) + le32(0xFF00) + le32(0xFF0000), .pixels = raw("\x0a\x14\x1e\x00")},
         {{qRgb(10, 20, 30)}}},
        {"RLE8: runs, literal, line end, move, bitmap end",
         {.width = 4, .height = 3, .bitCount = 8, .compression = 1, .colorsUsed = 4, .palette = kFourColors,
          .pixels = raw("\x04\x01\x00\x00" "\x00\x03\x02\x03\x02\x00\x00\x00" "\x00\x02\x02\x00\x02\x03\x00\x01")},
         {{black, black, blue, blue}, {green, blue, green, black}, {red, red, red, red}}},
        {"RLE4",
         {.width = 6, .height = 1, .bitCount = 4, .compression = 2, .colorsUsed = 4, .palette = kFourColors,
          .pixels = raw("\x03\x12\x00\x03\x31\x20\x00\x01")},
         {{red, green, red, blue, red, green}}},
        {"RLE8 run longer than the row is cut",
         {.width = 2, .height = 1, .bitCount = 8, .compression = 1, .colorsUsed = 4, .palette = kFourColors,
          .pixels = raw("\x09\x03\x00\x01")},
         {{blue, blue}}},
    };
}

std::vector<QRgb> pixelsOf(const QImage &image)
{
    std::vector<QRgb> pixels;
    for (int y = 0; y < image.height(); ++y)
        for (int x = 0; x < image.width(); ++x)
            pixels.push_back(image.pixel(x, y) | 0xFF000000u);
    return pixels;
}

TEST(WindowsBitmap, LayoutsDecodeToTheirPixels)
{
    for (const Case &c : validCases()) {
        const QImage image = decodeWindowsBitmap(bmpFile(c.spec));
        ASSERT_FALSE(image.isNull()) << c.name;
        ASSERT_EQ(image.height(), int(c.rows.size())) << c.name;
        ASSERT_EQ(image.width(), int(c.rows[0].size())) << c.name;
        for (int y = 0; y < image.height(); ++y)
            for (int x = 0; x < image.width(); ++x)
                EXPECT_EQ(QColor(image.pixel(x, y)), QColor(c.rows[size_t(y)][size_t(x)]))
                    << c.name << " at " << x << "," << y;
    }
}

TEST(WindowsBitmap, FilesOfAnotherWriterDecode)
{
    QImage picture(37, 23, QImage::Format_RGB32);
    for (int y = 0; y < picture.height(); ++y)
        for (int x = 0; x < picture.width(); ++x)
            picture.setPixel(x, y, qRgb(x * 7, y * 11, (x * y) & 0xFF));
    const QImage formats[] = {
        picture,
        picture.convertToFormat(QImage::Format_Indexed8),
        picture.convertToFormat(QImage::Format_Mono),
    };
    for (const QImage &original : formats) {
        QByteArray file;
        QBuffer buffer(&file);
        buffer.open(QIODevice::WriteOnly);
        ASSERT_TRUE(original.save(&buffer, "BMP"));
        const QImage decoded = decodeWindowsBitmap(file);
        ASSERT_FALSE(decoded.isNull()) << original.format();
        EXPECT_EQ(pixelsOf(decoded), pixelsOf(original.convertToFormat(QImage::Format_RGB32))) << original.format();
    }
}

TEST(WindowsBitmap, LyingOrForeignFilesAreRejected)
{
    const BmpSpec good = {.width = 2, .height = 2, .pixels = QByteArray(16, '\x7f')};
    const auto with = [&](auto change) {
        BmpSpec spec = good;
        change(spec);
        return bmpFile(spec);
    };
    const QByteArray tinyRle = with([](BmpSpec &s) {
        s.width = 4000;
        s.height = 4000;
        s.bitCount = 8;
        s.compression = 1;
        s.palette = kFourColors;
        s.colorsUsed = 4;
        s.pixels = raw("\x00\x01");
    });
    struct Reject { const char *name; QByteArray file; };
    const Reject rejects[] = {
        {"empty", QByteArray()},
        {"magic only", "BM"},
        {"wrong magic", "BA" + bmpFile(good).mid(2)},
        {"unknown header size", with([](BmpSpec &s) { s.headerSize = 64; })},
        {"header beyond the end", bmpFile(good).left(40)},
        {"width 0", with([](BmpSpec &s) { s.width = 0; })},
        {"negative width", with([](BmpSpec &s) { s.width = -2; })},
        {"height 0", with([](BmpSpec &s) { s.height = 0; })},
        {"smallest height", with([](BmpSpec &s) { s.height = INT32_MIN; })},
        {"2 bits", with([](BmpSpec &s) { s.bitCount = 2; })},
        {"JPEG inside", with([](BmpSpec &s) { s.compression = 4; })},
        {"masks with 24 bits", with([](BmpSpec &s) { s.compression = 3; s.masks = QByteArray(12, '\xff'); })},
        {"RLE8 top-down", with([](BmpSpec &s) {
             s.bitCount = 8; s.compression = 1; s.height = -2; s.palette = kFourColors; s.colorsUsed = 4;
             s.pixels = raw("\x00\x01");
         })},
        {"RLE8 without its end", with([](BmpSpec &s) {
             s.bitCount = 8; s.compression = 1; s.palette = kFourColors; s.colorsUsed = 4;
             s.pixels = raw("\x02\x01\x00\x00\x02");
         })},
        {"RLE8 literal beyond the end", with([](BmpSpec &s) {
             s.bitCount = 8; s.compression = 1; s.palette = kFourColors; s.colorsUsed = 4;
             s.pixels = raw("\x00\x05\x01\x02");
         })},
        {"RLE8 claims far more than it holds", tinyRle},
        {"pixel rows cut short", with([](BmpSpec &s) { s.pixels.chop(4); })},
        {"colour table beyond the end", with([](BmpSpec &s) {
             s.bitCount = 8; s.colorsUsed = 200; s.palette = kFourColors; s.pixels = QByteArray(8, '\0');
         })},
        {"pixel offset beyond the end", with([](BmpSpec &s) { s.offBitsChange = 1000; })},
        {"pixel offset inside the colour table", with([](BmpSpec &s) {
             s.bitCount = 8; s.colorsUsed = 4; s.palette = kFourColors; s.offBitsChange = -8;
             s.pixels = QByteArray(16, '\0');
         })},
        {"too wide", with([](BmpSpec &s) { s.width = 70000; s.pixels = QByteArray(2 * 210000, '\0'); })},
        {"too many pixels", with([](BmpSpec &s) {
             s.width = 9000; s.height = 9000; s.bitCount = 8; s.compression = 1;
             s.palette = kFourColors; s.colorsUsed = 4; s.pixels = raw("\x00\x01");
         })},
    };
    for (const Reject &r : rejects)
        EXPECT_TRUE(decodeWindowsBitmap(r.file).isNull()) << r.name;
}

// Every cut and many damaged copies of each valid file: whatever comes out,
// nothing is read outside the file (the sanitizer build checks every read).
TEST(WindowsBitmap, CutAndDamagedFilesAreReadSafely)
{
    std::mt19937 random(1234);
    for (const Case &c : validCases()) {
        const QByteArray file = bmpFile(c.spec);
        const qsizetype pixelsAt = file.size() - c.spec.pixels.size();
        for (qsizetype length = 0; length <= file.size(); ++length) {
            const std::vector<char> exact(file.begin(), file.begin() + length);
            const QImage image = decodeWindowsBitmap(QByteArrayView(exact.data(), length));
            if (length <= pixelsAt) {
                EXPECT_TRUE(image.isNull()) << c.name << " cut at " << length;
            }
        }
        for (int round = 0; round < 300; ++round) {
            std::vector<char> damaged(file.begin(), file.end());
            for (int flips = 0; flips < 3; ++flips)
                damaged[random() % damaged.size()] = char(random());
            decodeWindowsBitmap(QByteArrayView(damaged.data(), qsizetype(damaged.size())));
        }
    }
}

} // namespace
