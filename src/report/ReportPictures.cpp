#include "report/ReportPictures.h"

#include "base/ErrorHandling.h"

#include <QDir>
#include <QFile>
#include <QImageReader>
#include <QPainter>
#include <QPainterPath>
#include <QStringList>

namespace {

void drawCamera(QPainter &p)
{
    // Body with the viewfinder hump, a grip band, lens, flash and release.
    const QColor outline(40, 44, 52);
    QPainterPath body;
    body.setFillRule(Qt::WindingFill);
    body.addRoundedRect(QRectF(24, 62, 156, 108), 14, 14);
    body.addRoundedRect(QRectF(78, 44, 60, 30), 6, 6);
    p.setPen(QPen(outline, 3));
    QLinearGradient shade(0, 44, 0, 170);
    shade.setColorAt(0, QColor(112, 120, 134));
    shade.setColorAt(1, QColor(62, 68, 80));
    p.setBrush(shade);
    p.drawPath(body.simplified());

    p.setPen(Qt::NoPen);
    p.setBrush(QColor(46, 50, 58));
    p.drawRect(QRectF(26, 96, 152, 40));

    p.setBrush(QColor(200, 60, 50));
    p.setPen(QPen(outline, 2));
    p.drawRoundedRect(QRectF(146, 50, 24, 10), 3, 3);
    p.setBrush(QColor(235, 238, 242));
    p.drawRoundedRect(QRectF(40, 74, 24, 14), 3, 3);

    const QPointF lens(104, 116);
    p.setPen(QPen(outline, 3));
    p.setBrush(QColor(170, 176, 186));
    p.drawEllipse(lens, 40, 40);
    p.setBrush(QColor(30, 34, 40));
    p.drawEllipse(lens, 30, 30);
    QRadialGradient glass(lens - QPointF(8, 8), 26);
    glass.setColorAt(0, QColor(120, 170, 230));
    glass.setColorAt(1, QColor(20, 50, 110));
    p.setPen(Qt::NoPen);
    p.setBrush(glass);
    p.drawEllipse(lens, 20, 20);
    p.setBrush(QColor(255, 255, 255, 200));
    p.drawEllipse(lens - QPointF(8, 8), 5, 5);
}

void drawClickingPointer(QPainter &p)
{
    // The classic arrow with its tip at the click, and three short strokes
    // around the tip for the click itself.
    const QPointF tip(216, 118);
    p.setPen(QPen(QColor(230, 140, 0), 4, Qt::SolidLine, Qt::RoundCap));
    p.drawLine(tip + QPointF(-8, -8), tip + QPointF(-20, -20));
    p.drawLine(tip + QPointF(0, -11), tip + QPointF(0, -27));
    p.drawLine(tip + QPointF(-11, 0), tip + QPointF(-27, 0));

    QPainterPath arrow;
    const QPointF points[] = {{0, 0}, {0, 52}, {12, 41}, {21, 61}, {30, 57}, {21, 38}, {37, 37}};
    arrow.moveTo(tip + points[0]);
    for (const QPointF &pt : points)
        arrow.lineTo(tip + pt);
    arrow.closeSubpath();
    p.setPen(QPen(Qt::black, 2.5, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
    p.setBrush(Qt::white);
    p.drawPath(arrow);
}

QImage drawPlaceholder()
{
    QImage image(270, 210, QImage::Format_RGB32);
    image.fill(QColor(236, 241, 247));
    QPainter p(&image);
    p.setRenderHint(QPainter::Antialiasing);
    // A dashed frame: the slot is waiting for a picture.
    p.setPen(QPen(QColor(150, 165, 185), 2, Qt::DashLine));
    p.setBrush(Qt::NoBrush);
    p.drawRoundedRect(QRectF(6, 6, 258, 198), 12, 12);
    drawCamera(p);
    drawClickingPointer(p);
    p.end();
    return image.convertToFormat(QImage::Format_RGB888);
}

struct PictureFormat
{
    const char *description;
    QStringList extensions;
};

} // namespace

QImage slotPlaceholderPicture()
{
    static const QImage placeholder = drawPlaceholder();
    return placeholder;
}

QSize slotPictureArea(QSize picture)
{
    const qint64 gw = picture.width();
    const qint64 gh = picture.height();
    if (gw <= 0 || gh <= 0)
        return QSize(0, 0);
    if (gw > gh)
        return QSize(kSlotPictureWidth, int(kSlotPictureWidth * gh / gw));
    return QSize(int(kSlotPictureHeight * gw / gh), kSlotPictureHeight);
}

QImage loadAnyPicture(const QString &fileName)
{
    QFile file(fileName);
    if (!file.open(QIODevice::ReadOnly))
        throw ZirkError(QStringLiteral("Cannot open file \"%1\". %2")
                            .arg(QDir::toNativeSeparators(fileName), file.errorString()));

    QImageReader reader(&file);
    // Photos from phones and cameras carry their orientation in EXIF; the
    // report should show them the way up the user sees them elsewhere.
    reader.setAutoTransform(true);
    const QImage picture = reader.read();
    if (picture.isNull())
        throw ZirkError(QStringLiteral("Cannot load picture \"%1\". %2")
                            .arg(QDir::toNativeSeparators(fileName), reader.errorString()));

    QImage bitmap(kSlotPictureWidth, kSlotPictureHeight, QImage::Format_RGB32);
    bitmap.fill(Qt::white);
    const QSize area = slotPictureArea(picture.size());
    if (!area.isEmpty()) {
        // Area-averaged scaling: a bilinear draw would alias a large photo.
        QPainter p(&bitmap);
        p.drawImage(QPoint(0, 0),
                    picture.scaled(area, Qt::IgnoreAspectRatio, Qt::SmoothTransformation));
    }
    return bitmap.convertToFormat(QImage::Format_RGB888);
}

QString pictureFileFilter()
{
    // Linux file systems tell case apart: cameras write .JPG.
    const PictureFormat formats[] = {
        {"JPEG Image File", {"jpg", "jpeg", "jpe"}},
        {"PNG Image", {"png"}},
        {"Bitmaps", {"bmp"}},
        {"GIF Image", {"gif"}},
        {"Icons", {"ico"}},
    };
    auto patterns = [](const QStringList &extensions) {
        QStringList out;
        for (const QString &e : extensions)
            out << QStringLiteral("*.") + e;
        for (const QString &e : extensions)
            out << QStringLiteral("*.") + e.toUpper();
        return out;
    };
    QStringList all;
    QStringList entries;
    for (const PictureFormat &f : formats) {
        const QStringList p = patterns(f.extensions);
        all << p;
        entries << QStringLiteral("%1 (%2)").arg(QLatin1String(f.description), p.join(QLatin1Char(' ')));
    }
    entries.prepend(QStringLiteral("All pictures (%1)").arg(all.join(QLatin1Char(' '))));
    entries << QStringLiteral("All files (*)");
    return entries.join(QStringLiteral(";;"));
}

QString slotInitialNote(int slot)
{
    return QStringLiteral("Image %1").arg(slot);
}
