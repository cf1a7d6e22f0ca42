#pragma once

#include <QByteArrayView>
#include <QImage>

// Reads a Windows bitmap file (".bmp": the 14-byte file header beginning
// with "BM", then a core, info or V2 to V5 header).  Handles 1, 4 and 8 bits
// with a colour table, uncompressed or run-length encoded (RLE4, RLE8), and
// 16, 24 and 32 bits, uncompressed or with bit-field masks; rows may run
// bottom-up or top-down.  Alpha is ignored.
//
// The file is untrusted: every read is checked against the end of the data,
// and a header that claims more than the data holds (pixel rows, colour
// table, offsets), a size of zero, or a size beyond kMaxWindowsBitmapPixels
// makes the whole file invalid.  Returns a null image then; otherwise an
// image in QImage::Format_RGB32.
QImage decodeWindowsBitmap(QByteArrayView data);

// Largest picture accepted: a run-length encoded file is small for any size,
// so the size alone must not decide how much memory a file may claim.
inline constexpr qint64 kMaxWindowsBitmapPixels = qint64(1) << 26;
