// The bitmap reader behind TzPdf::ImageFromFile on any file contents: no
// read outside the data, no picture beyond the size limit, and a picture it
// accepts goes into a page as the file would.
#include "FuzzTarget.h"

#include "base/WindowsBitmap.h"
#include "pdf/zPdf.h"

#include <QByteArrayView>
#include <QImage>

ZIRK_FUZZ_TARGET(windows_bitmap)
{
    const QImage image = decodeWindowsBitmap(QByteArrayView(data, qsizetype(size)));
    if (image.isNull())
        return 0;
    FUZZ_CHECK(image.format() == QImage::Format_RGB32);
    FUZZ_CHECK(image.width() > 0 && image.height() > 0);
    FUZZ_CHECK(qint64(image.width()) * image.height() <= kMaxWindowsBitmapPixels);

    // Placing a huge picture only repeats the copy the reader already made.
    if (qint64(image.width()) * image.height() <= 256 * 256) {
        TzPdf pdf;
        pdf.StartCreating();
        pdf.AddPage(210, 297);
        pdf.Image(image, 10, 10, 50, 50);
        pdf.FinishCreating();
        FUZZ_CHECK(pdf.data().contains("\r\nEI\r\nQ\r\n"));
    }
    return 0;
}
