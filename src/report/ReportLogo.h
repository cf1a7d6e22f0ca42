#pragma once

#include <QImage>
#include <QSize>
#include <QString>

// The user's company logo: chosen once in the settings dialog, kept as a
// copy in the settings folder (the original may sit on a stick or a share
// that is gone by the next protocol), shown in the main window's header and
// printed at the top right of the protocol's first page.

// Where the logo goes on the first page, whole millimetres from the lower
// left corner: scaled to fit 40 x 20 mm with its proportions, against the
// right margin (x = 195) and the top margin (y = 282), clear of the title.
struct LogoPlacement
{
    int x = 0;
    int y = 0;
    int width = 0;
    int height = 0;
};
LogoPlacement logoPlacement(QSize pixels);

// The picture as the protocol places it: transparency laid onto the white
// page, and no more pixels than 300 dpi of the 40 x 20 mm box, since the
// writer stores every pixel uncompressed.
QImage logoForReport(const QImage &logo);

// Only Zirk's own copies are ever read or removed: "logo.png", "logo.jpg"
// and "logo.bmp" in the settings folder.  A settings file damaged or edited
// by hand may name any file there (the settings file itself, a project).
bool isLogoCopyName(const QString &fileName);

// Throws the ZirkError installLogo would for a file that is no PNG, JPEG or
// BMP picture, is not a regular file, cannot be read, or is too large a
// picture to decode; copies nothing.
void checkLogoFile(const QString &sourceFile);

// Copies a PNG, JPEG or BMP picture into folder as "logo.png", "logo.jpg"
// or "logo.bmp" and returns that file name; an earlier logo of another type
// is removed.  Throws ZirkError when the file is not such a picture or the
// copy cannot be written; the logo kept before then stays.
QString installLogo(const QString &sourceFile, const QString &folder);

// Removes the kept logo file; false when it is still there afterwards or
// fileName is not one of Zirk's copies (which is then left alone).
bool removeLogo(const QString &folder, const QString &fileName);

// The kept logo, or a null image when none is chosen (fileName empty) or it
// cannot be drawn; then problem, if given, says why for the user.
QImage loadLogo(const QString &folder, const QString &fileName, QString *problem = nullptr);

// The note for the user when the chosen logo cannot be drawn (problem as
// loadLogo says it).
QString logoLeftOutText(const QString &problem);
