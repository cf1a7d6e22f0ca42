#include "ReportTestTools.h"

#include "FakePlatform.h"
#include "QtPrinters.h"
#include "UnwrittenFifo.h"
#include "base/ErrorHandling.h"
#include "pdf/zPdf.h"
#include "report/Report.h"
#include "report/ReportLogo.h"

#include <QDir>
#include <QFile>
#include <QImageReader>
#include <QPainter>
#include <QtEndian>

#include <cmath>
#include <QTemporaryDir>
#include <gtest/gtest.h>

namespace {

QImage picture(int width, int height, QColor colour = QColor(0, 60, 160))
{
    QImage image(width, height, QImage::Format_ARGB32);
    image.fill(colour);
    return image;
}

void writeBytes(const QString &fileName, const QByteArray &bytes)
{
    QFile f(fileName);
    ASSERT_TRUE(f.open(QIODevice::WriteOnly | QIODevice::Truncate));
    f.write(bytes);
}

} // namespace

TEST(ReportLogo, FitsFortyByTwentyMillimetresAtTheTopRight)
{
    struct Case
    {
        QSize pixels;
        int x, y, width, height;
    };
    const Case cases[] = {
        {{400, 100}, 155, 272, 40, 10}, // wide: the full width
        {{200, 100}, 155, 262, 40, 20}, // exactly the box
        {{100, 100}, 175, 262, 20, 20}, // square: the full height
        {{300, 400}, 180, 262, 15, 20}, // upright
        {{331, 100}, 155, 270, 40, 12}, // 12.08 mm rounds to 12
        {{1000, 1}, 155, 281, 40, 1},   // a hairline stays visible
        {{1, 1000}, 194, 262, 1, 20},
        {{0, 0}, 0, 0, 0, 0},           // nothing to place
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(testing::Message() << c.pixels.width() << " x " << c.pixels.height());
        const LogoPlacement p = logoPlacement(c.pixels);
        EXPECT_EQ(p.x, c.x);
        EXPECT_EQ(p.y, c.y);
        EXPECT_EQ(p.width, c.width);
        EXPECT_EQ(p.height, c.height);
        if (p.width > 0) {
            EXPECT_EQ(p.x + p.width, 195);
            EXPECT_EQ(p.y + p.height, 282);
        }
    }
}

TEST(ReportLogo, PageImageIsOpaqueAndNoLargerThanThePrintNeeds)
{
    struct Case
    {
        QImage logo;
        QSize size;
    };
    QImage transparent = picture(100, 50, Qt::transparent);
    const Case cases[] = {
        {picture(4000, 2000), {473, 236}}, // 300 dpi of 40 x 20 mm, in proportion
        {picture(120, 60), {120, 60}},     // small pictures keep their pixels
        {transparent, {100, 50}},
    };
    for (const Case &c : cases) {
        const QImage page = logoForReport(c.logo);
        EXPECT_EQ(page.size(), c.size);
        EXPECT_FALSE(page.hasAlphaChannel());
    }
    // A transparent logo shows the white page, not black.
    EXPECT_EQ(logoForReport(transparent).pixelColor(10, 10), QColor(Qt::white));
}

TEST(ReportLogo, KeptAsACopyInTheSettingsFolder)
{
    QTemporaryDir source, settings;
    struct Case
    {
        const char *name;
        const char *format;
        const char *kept;
    };
    const Case cases[] = {
        {"company.png", "PNG", "logo.png"},
        {"company.JPG", "JPEG", "logo.jpg"},
        {"company.bmp", "BMP", "logo.bmp"},
        {"no-suffix", "PNG", "logo.png"}, // the contents count, not the name
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.name);
        const QString file = source.filePath(QLatin1String(c.name));
        ASSERT_TRUE(picture(60, 30).save(file, c.format));
        const QString kept = installLogo(file, settings.path());
        EXPECT_EQ(kept, QLatin1String(c.kept));
        QFile::remove(file); // the original may go away
        EXPECT_EQ(loadLogo(settings.path(), kept).size(), QSize(60, 30));
        // Only the last logo stays in the folder.
        EXPECT_EQ(QDir(settings.path()).entryList({QStringLiteral("logo.*")}, QDir::Files),
                  QStringList{QLatin1String(c.kept)});
    }
    EXPECT_TRUE(removeLogo(settings.path(), QStringLiteral("logo.png")));
    EXPECT_TRUE(loadLogo(settings.path(), QStringLiteral("logo.png")).isNull());
    EXPECT_TRUE(loadLogo(settings.path(), QString()).isNull());
}

TEST(ReportLogo, RefusesWhatIsNoPictureAndKeepsTheEarlierLogo)
{
    QTemporaryDir source, settings;
    const QString good = source.filePath(QStringLiteral("good.png"));
    ASSERT_TRUE(picture(60, 30).save(good, "PNG"));
    ASSERT_EQ(installLogo(good, settings.path()), QStringLiteral("logo.png"));

    const QString text = source.filePath(QStringLiteral("notes.png"));
    QFile f(text);
    ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    f.write("not a picture at all");
    f.close();
    const QString gif = source.filePath(QStringLiteral("anim.gif"));
    const bool haveGif = picture(10, 10).save(gif, "GIF");
    struct Case
    {
        QString file;
        QString message;
    };
    std::vector<Case> cases = {
        {text, QStringLiteral("\"%1\" is not a PNG, JPEG or BMP picture.").arg(text)},
        {source.filePath(QStringLiteral("gone.png")),
         QStringLiteral("Cannot open file \"%1\".").arg(source.filePath(QStringLiteral("gone.png")))},
    };
    if (haveGif)
        cases.push_back({gif, QStringLiteral("\"%1\" is not a PNG, JPEG or BMP picture.").arg(gif)});
    for (const Case &c : cases) {
        try {
            installLogo(c.file, settings.path());
            ADD_FAILURE() << "accepted " << c.file.toStdString();
        } catch (const ZirkError &e) {
            EXPECT_TRUE(e.message().startsWith(c.message)) << e.message().toStdString();
        }
        EXPECT_EQ(loadLogo(settings.path(), QStringLiteral("logo.png")).size(), QSize(60, 30));
    }
}

TEST(ReportLogo, DrawnAtTheTopRightOfTheFirstPageOnly)
{
    QTemporaryDir dir;
    ReportContent c;
    c.when = QDateTime(QDate(2019, 7, 10), QTime(14, 30));
    c.calibrated = true;
    for (int i = 0; i < 30; ++i)
        c.values << QStringLiteral("100.0");
    // Red, with a 1-pixel green frame so that its edges show in the render.
    QImage logo = picture(400, 200, QColor(220, 0, 0));
    {
        QPainter p(&logo);
        p.setPen(QColor(0, 200, 0));
        p.drawRect(0, 0, 399, 199);
    }
    c.logo = logo;
    const FakeClock clock;
    const QString file = dir.filePath(QStringLiteral("logo.pdf"));
    writeReport(c, file, &clock);
    QByteArray complaint;
    EXPECT_TRUE(qpdfAccepts(file, &complaint)) << complaint.toStdString();

    // At one pixel a millimetre: red inside 155..195 x 262..282 mm, white
    // around it, and nothing of it on the second page.
    const QImage first = renderPageMm(file, 1);
    ASSERT_FALSE(first.isNull());
    auto at = [&first](int xMm, int yMm) { return first.pixelColor(xMm, 297 - yMm); };
    const QColor inside = at(175, 272);
    EXPECT_GT(inside.red(), 180);
    EXPECT_LT(inside.green(), 60);
    for (const auto &[x, y] : {std::pair{153, 272}, {197, 272}, {175, 284}, {175, 259}})
        EXPECT_EQ(at(x, y), QColor(Qt::white)) << x << "," << y;
    const QImage second = renderPageMm(file, 2);
    ASSERT_FALSE(second.isNull());
    EXPECT_EQ(second.pixelColor(175, 297 - 272), QColor(Qt::white));
}

TEST(ReportLogo, OnlyZirksOwnCopiesAreReadOrRemoved)
{
    // A damaged or hand-edited settings file may name any file beside it.
    QTemporaryDir settings;
    const char *const others[] = {"victim.txt", "Project_important.zPRJ", "zirk", "zirk.ini", "logo.gif",
                                  "LOGO.PNG", "logo.png.bak"};
    for (const char *name : others) {
        SCOPED_TRACE(name);
        const QString file = settings.filePath(QLatin1String(name));
        ASSERT_TRUE(picture(20, 10).save(file, "PNG"));
        EXPECT_FALSE(isLogoCopyName(QLatin1String(name)));
        EXPECT_FALSE(removeLogo(settings.path(), QLatin1String(name)));
        EXPECT_TRUE(QFile::exists(file));
        QString problem;
        EXPECT_TRUE(loadLogo(settings.path(), QLatin1String(name), &problem).isNull());
        EXPECT_TRUE(problem.contains(QStringLiteral("is not Zirk's copy of a logo"))) << problem.toStdString();
    }
    for (const char *name : {"logo.png", "logo.jpg", "logo.bmp"})
        EXPECT_TRUE(isLogoCopyName(QLatin1String(name))) << name;
}

TEST(ReportLogo, OnlyRegularFilesAreRead)
{
    QTemporaryDir dir;
    const QString fifoPath = dir.filePath(QStringLiteral("logo.png"));
    UnwrittenFifo fifo(fifoPath);
    ASSERT_TRUE(fifo.made());
    QString problem;
    EXPECT_TRUE(loadLogo(dir.path(), QStringLiteral("logo.png"), &problem).isNull());
    EXPECT_TRUE(problem.contains(QStringLiteral("not a regular file"))) << problem.toStdString();
    try {
        checkLogoFile(fifoPath);
        ADD_FAILURE() << "a FIFO was taken as a logo";
    } catch (const ZirkError &e) {
        EXPECT_TRUE(e.message().contains(QStringLiteral("not a regular file"))) << e.message().toStdString();
    }
    EXPECT_FALSE(fifo.rescued()) << "the FIFO was opened for reading";
    EXPECT_TRUE(fifo.stillFifo());

    // A folder of that name is no logo either.
    QTemporaryDir other;
    ASSERT_TRUE(QDir(other.path()).mkdir(QStringLiteral("logo.bmp")));
    problem.clear();
    EXPECT_TRUE(loadLogo(other.path(), QStringLiteral("logo.bmp"), &problem).isNull());
    EXPECT_FALSE(problem.isEmpty());
}

TEST(ReportLogo, PictureOverTheDecodeLimitIsRefusedWithTheReason)
{
    QTemporaryDir source, settings;
    const quint32 side = sideOverTheDecodeLimit();
    const QString huge = source.filePath(QStringLiteral("poster.png"));
    writeBytes(huge, hugePngHeader(side, side));
    const QString reason = QStringLiteral("is too large a picture for a logo: %1 x %1 pixels").arg(side);
    try {
        checkLogoFile(huge);
        ADD_FAILURE() << "accepted";
    } catch (const ZirkError &e) {
        EXPECT_TRUE(e.message().contains(reason)) << e.message().toStdString();
    }

    // Kept from an earlier version or copied in by hand: left out, and why.
    writeBytes(settings.filePath(QStringLiteral("logo.png")), hugePngHeader(side, side));
    QString problem;
    EXPECT_TRUE(loadLogo(settings.path(), QStringLiteral("logo.png"), &problem).isNull());
    EXPECT_TRUE(problem.contains(reason)) << problem.toStdString();

    // A missing copy is said too; no logo chosen is no problem.
    problem.clear();
    EXPECT_TRUE(loadLogo(settings.path(), QStringLiteral("logo.jpg"), &problem).isNull());
    EXPECT_TRUE(problem.contains(QStringLiteral("Cannot open file"))) << problem.toStdString();
    problem.clear();
    EXPECT_TRUE(loadLogo(settings.path(), QString(), &problem).isNull());
    EXPECT_TRUE(problem.isEmpty());
}
