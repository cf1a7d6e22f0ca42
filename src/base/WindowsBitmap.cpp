#include "base/WindowsBitmap.h"

#include <bit>
#include <cstdint>
#include <cstdlib>
#include <vector>

namespace {

enum Compression : quint32 { BiRgb = 0, BiRle8 = 1, BiRle4 = 2, BiBitfields = 3 };

constexpr qint64 kFileHeaderSize = 14;
constexpr quint32 kCoreHeaderSize = 12;
constexpr quint32 kInfoHeaderSize = 40;

// Little-endian reads; the caller has checked the range.
quint16 u16(QByteArrayView d, qint64 at)
{
    return quint16(quint8(d[at]) | quint8(d[at + 1]) << 8);
}

quint32 u32(QByteArrayView d, qint64 at)
{
    return quint32(quint8(d[at])) | quint32(quint8(d[at + 1])) << 8
           | quint32(quint8(d[at + 2])) << 16 | quint32(quint8(d[at + 3])) << 24;
}

// One colour channel described by a bit mask, scaled to 0..255.
struct Channel
{
    quint32 mask = 0;
    int shift = 0;
    quint64 max = 0;

    explicit Channel(quint32 m) : mask(m)
    {
        if (mask == 0)
            return;
        shift = std::countr_zero(mask);
        const int bits = 32 - std::countl_zero(mask >> shift);
        max = (quint64(1) << bits) - 1;
    }

    int operator()(quint32 pixel) const
    {
        if (max == 0)
            return 0;
        const quint64 value = (pixel & mask) >> shift;
        return int((value * 255 + max / 2) / max);
    }
};

struct Header
{
    qint64 width = 0;
    qint64 height = 0; // absolute
    bool topDown = false;
    int bitCount = 0;
    quint32 compression = BiRgb;
    quint32 masks[3] = {};
    bool hasMasks = false;
    qint64 paletteOffset = 0;
    qint64 paletteCount = 0;
    int paletteEntrySize = 4;
    qint64 pixelOffset = 0;
};

bool readHeader(QByteArrayView d, Header &h)
{
    if (d.size() < kFileHeaderSize + 4 || d[0] != 'B' || d[1] != 'M')
        return false;
    const quint32 headerSize = u32(d, 14);
    if (headerSize != kCoreHeaderSize && headerSize != kInfoHeaderSize && headerSize != 52
        && headerSize != 56 && headerSize != 108 && headerSize != 124)
        return false;
    if (kFileHeaderSize + headerSize > d.size())
        return false;

    qint64 tablesStart = kFileHeaderSize + headerSize;
    quint32 colorsUsed = 0;
    if (headerSize == kCoreHeaderSize) {
        h.width = u16(d, 18);
        h.height = u16(d, 20);
        h.bitCount = u16(d, 24);
        h.paletteEntrySize = 3;
    } else {
        const qint32 width = qint32(u32(d, 18));
        const qint32 height = qint32(u32(d, 22));
        if (width <= 0 || height == 0 || height == INT32_MIN)
            return false;
        h.width = width;
        h.height = std::abs(qint64(height));
        h.topDown = height < 0;
        h.bitCount = u16(d, 28);
        h.compression = u32(d, 30);
        colorsUsed = u32(d, 46);
        if (h.compression == BiBitfields) {
            qint64 masksAt = kFileHeaderSize + kInfoHeaderSize;
            if (headerSize == kInfoHeaderSize) {
                // The three masks follow the header, before the colour table.
                tablesStart += 12;
                if (tablesStart > d.size())
                    return false;
            }
            for (int i = 0; i < 3; ++i)
                h.masks[i] = u32(d, masksAt + 4 * i);
            h.hasMasks = true;
        }
    }

    if (h.width <= 0 || h.height <= 0)
        return false;
    if (h.width > 65535 || h.height > 65535 || h.width * h.height > kMaxWindowsBitmapPixels)
        return false;

    switch (h.compression) {
    case BiRgb:
        if (h.bitCount != 1 && h.bitCount != 4 && h.bitCount != 8 && h.bitCount != 16
            && h.bitCount != 24 && h.bitCount != 32)
            return false;
        break;
    case BiRle8:
        if (h.bitCount != 8 || h.topDown)
            return false;
        break;
    case BiRle4:
        if (h.bitCount != 4 || h.topDown)
            return false;
        break;
    case BiBitfields:
        if (h.bitCount != 16 && h.bitCount != 32)
            return false;
        break;
    default:
        return false; // JPEG or PNG inside, or unknown
    }

    h.paletteOffset = tablesStart;
    if (h.bitCount <= 8) {
        const qint64 full = qint64(1) << h.bitCount;
        h.paletteCount = (colorsUsed == 0 || colorsUsed > full) ? full : colorsUsed;
    }
    const qint64 paletteEnd = h.paletteOffset + h.paletteCount * h.paletteEntrySize;
    if (paletteEnd > d.size())
        return false;

    // The pixels start where the file header says; an offset of 0 (some
    // old writers) means right after the colour table.
    const quint32 offBits = u32(d, 10);
    h.pixelOffset = offBits == 0 ? paletteEnd : qint64(offBits);
    if (h.pixelOffset < paletteEnd || h.pixelOffset > d.size())
        return false;
    return true;
}

QRgb paletteColor(QByteArrayView d, const Header &h, int index)
{
    if (index >= h.paletteCount)
        return qRgb(0, 0, 0);
    const qint64 at = h.paletteOffset + qint64(index) * h.paletteEntrySize;
    return qRgb(quint8(d[at + 2]), quint8(d[at + 1]), quint8(d[at]));
}

bool decodeUncompressed(QByteArrayView d, const Header &h, QImage &image)
{
    const qint64 rowBits = h.width * h.bitCount;
    const qint64 rowSize = (rowBits + 31) / 32 * 4;
    // The last row may lack its padding; anything shorter is cut off.
    const qint64 need = rowSize * (h.height - 1) + (rowBits + 7) / 8;
    if (h.pixelOffset + need > d.size())
        return false;

    std::vector<QRgb> palette(size_t(h.paletteCount));
    for (qint64 i = 0; i < h.paletteCount; ++i)
        palette[size_t(i)] = paletteColor(d, h, int(i));
    const auto lookUp = [&](unsigned index) {
        return index < palette.size() ? palette[index] : qRgb(0, 0, 0);
    };

    quint32 masks[3] = {0x7C00, 0x03E0, 0x001F};
    if (h.bitCount == 32) {
        masks[0] = 0xFF0000;
        masks[1] = 0xFF00;
        masks[2] = 0xFF;
    }
    if (h.hasMasks) {
        for (int i = 0; i < 3; ++i)
            masks[i] = h.masks[i];
    }
    const Channel red(masks[0]), green(masks[1]), blue(masks[2]);

    const auto *base = reinterpret_cast<const quint8 *>(d.data()) + h.pixelOffset;
    for (qint64 row = 0; row < h.height; ++row) {
        const quint8 *src = base + row * rowSize;
        const qint64 y = h.topDown ? row : h.height - 1 - row;
        auto *dst = reinterpret_cast<QRgb *>(image.scanLine(int(y)));
        for (qint64 x = 0; x < h.width; ++x) {
            switch (h.bitCount) {
            case 1:
                dst[x] = lookUp((src[x >> 3] >> (7 - (x & 7))) & 1);
                break;
            case 4:
                dst[x] = lookUp((x & 1) ? (src[x >> 1] & 0x0F) : (src[x >> 1] >> 4));
                break;
            case 8:
                dst[x] = lookUp(src[x]);
                break;
            case 16: {
                const quint32 p = quint32(src[2 * x]) | quint32(src[2 * x + 1]) << 8;
                dst[x] = qRgb(red(p), green(p), blue(p));
                break;
            }
            case 24:
                dst[x] = qRgb(src[3 * x + 2], src[3 * x + 1], src[3 * x]);
                break;
            case 32: {
                const quint32 p = quint32(src[4 * x]) | quint32(src[4 * x + 1]) << 8
                                  | quint32(src[4 * x + 2]) << 16 | quint32(src[4 * x + 3]) << 24;
                dst[x] = qRgb(red(p), green(p), blue(p));
                break;
            }
            }
        }
    }
    return true;
}

// RLE4 and RLE8: runs and literal groups of palette indices, rows bottom-up.
// Pixels the stream never reaches keep colour 0 of the table.  Reads and
// writes are checked one by one: the counts come from the file.
bool decodeRunLength(QByteArrayView d, const Header &h, QImage &image)
{
    const bool four = h.compression == BiRle4;
    // A two-byte run paints at most 255 pixels: a file far smaller than its
    // picture cannot be honest.
    if (h.width * h.height > (d.size() - h.pixelOffset + 2) * 128)
        return false;

    image.fill(paletteColor(d, h, 0));
    const auto put = [&](qint64 x, qint64 y, quint8 index) {
        if (x < h.width && y < h.height)
            reinterpret_cast<QRgb *>(image.scanLine(int(h.height - 1 - y)))[x] = paletteColor(d, h, index);
    };

    qint64 at = h.pixelOffset;
    const qint64 end = d.size();
    qint64 x = 0;
    qint64 y = 0; // from the bottom
    while (y < h.height) {
        if (at + 2 > end)
            return false; // no end-of-bitmap marker
        const quint8 count = quint8(d[at]);
        const quint8 value = quint8(d[at + 1]);
        at += 2;
        if (count > 0) {
            for (int i = 0; i < count; ++i, ++x)
                put(x, y, four ? ((i & 1) ? (value & 0x0F) : (value >> 4)) : value);
            continue;
        }
        if (value == 0) { // end of line
            x = 0;
            ++y;
        } else if (value == 1) { // end of bitmap
            break;
        } else if (value == 2) { // move right and up
            if (at + 2 > end)
                return false;
            x += quint8(d[at]);
            y += quint8(d[at + 1]);
            at += 2;
        } else { // literal group of `value` indices, padded to 16 bits
            const qint64 bytes = four ? (value + 1) / 2 : value;
            const qint64 padded = (bytes + 1) & ~qint64(1);
            if (at + padded > end)
                return false;
            for (int i = 0; i < value; ++i, ++x) {
                const quint8 b = quint8(d[at + (four ? i / 2 : i)]);
                put(x, y, four ? ((i & 1) ? (b & 0x0F) : (b >> 4)) : b);
            }
            at += padded;
        }
    }

    return true;
}

} // namespace

QImage decodeWindowsBitmap(QByteArrayView data)
{
    Header header;
    if (!readHeader(data, header))
        return {};
    QImage image(int(header.width), int(header.height), QImage::Format_RGB32);
    if (image.isNull())
        return {};
    const bool ok = header.compression == BiRle8 || header.compression == BiRle4
                        ? decodeRunLength(data, header, image)
                        : decodeUncompressed(data, header, image);
    return ok ? image : QImage();
}
