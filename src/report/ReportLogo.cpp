#include "report/ReportLogo.h"

#include "base/ErrorHandling.h"
#include "base/RegularFile.h"
#include "base/SaveFile.h"

#include <QBuffer>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QImageReader>
#include <QPainter>

#include <cmath>

namespace {

constexpr int kBoxWidth = 40;  // mm
constexpr int kBoxHeight = 20; // mm
constexpr int kRight = 195;    // the right margin, as the left one 15 mm
constexpr int kTop = 282;
constexpr double kDotsPerMm = 300.0 / 25.4;

// A logo is a few hundred kilobytes at most; more is not a logo.
constexpr qint64 kMaxLogoFileSize = 32 * 1024 * 1024;

struct LogoType
{
    const char *format; // as QImageReader names it
    const char *fileName;
};
const LogoType kTypes[] = {{"png", "logo.png"}, {"jpeg", "logo.jpg"}, {"bmp", "logo.bmp"}};

} // namespace

LogoPlacement logoPlacement(QSize pixels)
{
    if (pixels.width() <= 0 || pixels.height() <= 0)
        return {};
    LogoPlacement p;
    // Wider than 2:1 fills the width, else the height; the other side
    // rounded to whole millimetres and never below one.
    if (qint64(pixels.width()) * kBoxHeight >= qint64(pixels.height()) * kBoxWidth) {
        p.width = kBoxWidth;
        p.height = std::max(1, int(std::lround(double(kBoxWidth) * pixels.height() / pixels.width())));
    } else {
        p.height = kBoxHeight;
        p.width = std::max(1, int(std::lround(double(kBoxHeight) * pixels.width() / pixels.height())));
    }
    p.x = kRight - p.width;
    p.y = kTop - p.height;
    return p;
}

QImage logoForReport(const QImage &logo)
{
    if (logo.isNull())
        return {};
    const LogoPlacement p = logoPlacement(logo.size());
    const QSize most(int(std::ceil(p.width * kDotsPerMm)), int(std::ceil(p.height * kDotsPerMm)));
    const QImage sized = logo.width() > most.width() || logo.height() > most.height()
        ? logo.scaled(most, Qt::KeepAspectRatio, Qt::SmoothTransformation)
        : logo;
    QImage page(sized.size(), QImage::Format_RGB888);
    page.fill(Qt::white);
    QPainter painter(&page);
    painter.drawImage(0, 0, sized);
    painter.end();
    return page;
}

namespace {

struct LogoBytes
{
    QByteArray bytes;
    const LogoType *type = nullptr;
};

// Only regular files: a FIFO would block the read until a writer comes (at
// the program's start, or in a report run by a script), a device may never
// end.  Throws the reason as the user reads it.
QByteArray readRegularFile(const QString &fileName)
{
    QFile file;
    openUserFile(file, fileName);
    if (file.size() > kMaxLogoFileSize)
        throw ZirkError(QStringLiteral("\"%1\" is too large for a logo.").arg(fileName));
    QByteArray bytes = file.readAll();
    if (file.error() != QFileDevice::NoError)
        throw ZirkError(QStringLiteral("Cannot read file \"%1\". %2").arg(fileName, file.errorString()));
    return bytes;
}

// Decodes a PNG, JPEG or BMP picture.  A picture whose pixels would take
// more memory than Qt decodes at all (its allocation limit) is refused by its
// size before Qt tries, so the user reads why instead of a Qt warning.
QImage decodeLogo(const QByteArray &bytes, const QString &fileName, const LogoType **type)
{
    QBuffer buffer;
    buffer.setData(bytes);
    buffer.open(QIODevice::ReadOnly);
    QImageReader reader(&buffer);
    const QByteArray format = reader.format();
    const LogoType *found = nullptr;
    for (const LogoType &t : kTypes)
        if (format == t.format)
            found = &t;
    if (!found)
        throw ZirkError(QStringLiteral("\"%1\" is not a PNG, JPEG or BMP picture.").arg(fileName));
    const QSize size = reader.size();
    const qint64 limit = qint64(QImageReader::allocationLimit()) * 1024 * 1024;
    const QImage::Format decoded = reader.imageFormat();
    const int bits = decoded == QImage::Format_Invalid ? 32 : QImage::toPixelFormat(decoded).bitsPerPixel();
    if (size.isValid() && limit > 0 && qint64(size.width()) * size.height() * bits / 8 > limit)
        throw ZirkError(QStringLiteral("\"%1\" is too large a picture for a logo: %2 x %3 pixels need more than "
                                       "%4 MB of memory. Choose a smaller copy of it.")
                            .arg(fileName)
                            .arg(size.width())
                            .arg(size.height())
                            .arg(QImageReader::allocationLimit()));
    QImage image = reader.read();
    if (image.isNull())
        throw ZirkError(QStringLiteral("\"%1\" is not a PNG, JPEG or BMP picture.").arg(fileName));
    if (type)
        *type = found;
    return image;
}

LogoBytes readLogoFile(const QString &sourceFile)
{
    LogoBytes logo;
    logo.bytes = readRegularFile(sourceFile);
    decodeLogo(logo.bytes, sourceFile, &logo.type);
    return logo;
}

} // namespace

void checkLogoFile(const QString &sourceFile)
{
    readLogoFile(sourceFile);
}

QString installLogo(const QString &sourceFile, const QString &folder)
{
    const LogoBytes logo = readLogoFile(sourceFile);
    const QByteArray &bytes = logo.bytes;
    const LogoType *type = logo.type;

    if (!QDir().mkpath(folder))
        throw ZirkError(QStringLiteral("Cannot create folder \"%1\".").arg(folder));
    const QString target = QDir(folder).filePath(QLatin1String(type->fileName));
    const SaveResult saved = saveWholeFile(target, [&bytes](QIODevice &file) {
        return file.write(bytes) == bytes.size();
    });
    if (!saved)
        throw ZirkError(QStringLiteral("Cannot create file \"%1\". %2").arg(target, saved.error));
    for (const LogoType &t : kTypes)
        if (&t != type)
            QFile::remove(QDir(folder).filePath(QLatin1String(t.fileName)));
    return QLatin1String(type->fileName);
}

bool isLogoCopyName(const QString &fileName)
{
    for (const LogoType &t : kTypes)
        if (fileName == QLatin1String(t.fileName))
            return true;
    return false;
}

bool removeLogo(const QString &folder, const QString &fileName)
{
    if (fileName.isEmpty())
        return true;
    // Whatever the settings file names, only Zirk's own copy is removed.
    if (!isLogoCopyName(fileName))
        return false;
    const QString path = QDir(folder).filePath(fileName);
    QFile::remove(path);
    return !QFileInfo::exists(path);
}

QImage loadLogo(const QString &folder, const QString &fileName, QString *problem)
{
    if (fileName.isEmpty())
        return {};
    try {
        if (!isLogoCopyName(fileName))
            throw ZirkError(QStringLiteral("\"%1\" is not Zirk's copy of a logo.").arg(fileName));
        const QString path = QDir(folder).filePath(fileName);
        return decodeLogo(readRegularFile(path), path, nullptr);
    } catch (const ZirkError &e) {
        if (problem)
            *problem = e.message();
        return {};
    }
}

QString logoLeftOutText(const QString &problem)
{
    return QStringLiteral("The company logo is left out: %1").arg(problem);
}
