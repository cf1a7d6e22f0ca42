#include "report/ReportLogo.h"

#include "base/ErrorHandling.h"
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

LogoBytes readLogoFile(const QString &sourceFile)
{
    QFile source(sourceFile);
    if (!source.open(QIODevice::ReadOnly))
        throw ZirkError(QStringLiteral("Cannot open file \"%1\". %2").arg(sourceFile, source.errorString()));
    if (source.size() > kMaxLogoFileSize)
        throw ZirkError(QStringLiteral("\"%1\" is too large for a logo.").arg(sourceFile));
    LogoBytes logo;
    logo.bytes = source.readAll();
    source.close();

    QBuffer buffer;
    buffer.setData(logo.bytes);
    buffer.open(QIODevice::ReadOnly);
    QImageReader reader(&buffer);
    const QByteArray format = reader.format();
    for (const LogoType &t : kTypes)
        if (format == t.format)
            logo.type = &t;
    if (!logo.type || reader.read().isNull())
        throw ZirkError(QStringLiteral("\"%1\" is not a PNG, JPEG or BMP picture.").arg(sourceFile));
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

bool removeLogo(const QString &folder, const QString &fileName)
{
    if (fileName.isEmpty())
        return true;
    const QString path = QDir(folder).filePath(fileName);
    QFile::remove(path);
    return !QFileInfo::exists(path);
}

QImage loadLogo(const QString &folder, const QString &fileName)
{
    if (fileName.isEmpty())
        return {};
    const QString path = QDir(folder).filePath(fileName);
    if (QFileInfo(path).size() > kMaxLogoFileSize)
        return {};
    QImageReader reader(path);
    return reader.read();
}
