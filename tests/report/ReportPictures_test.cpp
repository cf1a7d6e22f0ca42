#include "base/ErrorHandling.h"
#include "report/ReportPictures.h"

#include <QFile>
#include <QPainter>
#include <QTemporaryDir>
#include <gtest/gtest.h>

namespace {

QImage solid(int w, int h, QColor colour, QImage::Format format = QImage::Format_RGB32)
{
    QImage image(w, h, format);
    image.fill(colour);
    return image;
}

bool near(QColor a, QColor b, int tolerance)
{
    return std::abs(a.red() - b.red()) <= tolerance && std::abs(a.green() - b.green()) <= tolerance
        && std::abs(a.blue() - b.blue()) <= tolerance;
}

class LoadAnyPictureTest : public ::testing::Test
{
protected:
    QString save(const QImage &image, const char *name, const char *format = nullptr)
    {
        const QString path = dir.filePath(QString::fromLatin1(name));
        EXPECT_TRUE(image.save(path, format)) << name;
        return path;
    }
    QTemporaryDir dir;
};

} // namespace

TEST(SlotPictureArea, FillsWidthOrHeightAndTruncates)
{
    struct Case
    {
        QSize picture;
        QSize area;
    };
    const Case cases[] = {
        {{1000, 500}, {640, 320}},
        {{300, 600}, {240, 480}},
        {{500, 500}, {480, 480}},
        {{640, 480}, {640, 480}},
        {{641, 480}, {640, 479}},  // 479.25
        {{480, 641}, {359, 480}},  // 359.43
        {{3, 2}, {640, 426}},      // 426.67: truncated, not rounded
        {{1000, 1}, {640, 0}},
        {{12000, 9000}, {640, 480}},
        {{0, 0}, {0, 0}},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(testing::Message() << c.picture.width() << "x" << c.picture.height());
        EXPECT_EQ(slotPictureArea(c.picture), c.area);
    }
}

TEST_F(LoadAnyPictureTest, DrawsAgainstTopAndLeftEdgesOnWhite)
{
    const QColor red(255, 0, 0);
    struct Case
    {
        QSize picture;
        QSize filled;
    };
    const Case cases[] = {
        {{1000, 500}, {640, 320}},
        {{300, 600}, {240, 480}},
        {{200, 200}, {480, 480}},
        {{640, 480}, {640, 480}},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(testing::Message() << c.picture.width() << "x" << c.picture.height());
        const QImage bitmap = loadAnyPicture(save(solid(c.picture.width(), c.picture.height(), red), "p.png"));
        ASSERT_EQ(bitmap.size(), QSize(640, 480));
        EXPECT_EQ(bitmap.format(), QImage::Format_RGB888);
        const int fw = c.filled.width();
        const int fh = c.filled.height();
        EXPECT_EQ(bitmap.pixelColor(0, 0), red);
        EXPECT_EQ(bitmap.pixelColor(fw - 1, fh - 1), red);
        EXPECT_EQ(bitmap.pixelColor(fw / 2, fh / 2), red);
        if (fw < 640) {
            EXPECT_EQ(bitmap.pixelColor(fw, 0), QColor(Qt::white));
        }
        if (fh < 480) {
            EXPECT_EQ(bitmap.pixelColor(0, fh), QColor(Qt::white));
        }
        EXPECT_EQ(bitmap.pixelColor(639, 479), fw == 640 && fh == 480 ? red : QColor(Qt::white));
    }
}

TEST_F(LoadAnyPictureTest, ReadsEveryOfferedFormat)
{
    // A landscape picture with a dark left half and a light right half, so
    // a reader that mirrors or shifts shows up too.
    QImage picture = solid(200, 100, QColor(0, 0, 200));
    {
        QPainter p(&picture);
        p.fillRect(100, 0, 100, 100, QColor(250, 250, 0));
    }
    const char *names[] = {"a.jpg", "a.JPG", "a.png", "a.bmp", "a.gif", "a.ico"};
    for (const char *name : names) {
        SCOPED_TRACE(name);
        const QString file = dir.filePath(QString::fromLatin1(name));
        // Qt has no GIF writer: a 2 x 1 GIF of the same two colours, by hand.
        if (QByteArray(name).endsWith(".gif")) {
            static const unsigned char gif[] = {
                'G', 'I', 'F', '8', '9', 'a', 2, 0, 1, 0, 0x80, 0, 0, 0, 0, 200, 250, 250, 0,
                0x2c, 0, 0, 0, 0, 2, 0, 1, 0, 0, 2, 2, 0x44, 0x0a, 0, 0x3b};
            QFile f(file);
            ASSERT_TRUE(f.open(QIODevice::WriteOnly));
            f.write(reinterpret_cast<const char *>(gif), sizeof gif);
        } else {
            ASSERT_TRUE(picture.save(file, QByteArray(name).endsWith(".JPG") ? "JPG" : nullptr));
        }
        const QImage bitmap = loadAnyPicture(file);
        ASSERT_EQ(bitmap.size(), QSize(640, 480));
        EXPECT_TRUE(near(bitmap.pixelColor(100, 100), QColor(0, 0, 200), 24));
        EXPECT_TRUE(near(bitmap.pixelColor(540, 100), QColor(250, 250, 0), 24));
        EXPECT_EQ(bitmap.pixelColor(320, 400), QColor(Qt::white)); // below the 640 x 320 picture
    }
}

TEST_F(LoadAnyPictureTest, TransparentPartsStayWhite)
{
    QImage picture = solid(100, 100, Qt::transparent, QImage::Format_ARGB32);
    {
        QPainter p(&picture);
        p.fillRect(0, 0, 50, 100, Qt::black);
    }
    const QImage bitmap = loadAnyPicture(save(picture, "t.png"));
    EXPECT_EQ(bitmap.pixelColor(10, 10), QColor(Qt::black));
    EXPECT_EQ(bitmap.pixelColor(400, 10), QColor(Qt::white));
}

TEST_F(LoadAnyPictureTest, UnreadableFilesRaiseTheirMessages)
{
    QFile text(dir.filePath(QStringLiteral("notes.jpg")));
    ASSERT_TRUE(text.open(QIODevice::WriteOnly));
    text.write("this is no picture\n");
    text.close();
    QFile empty(dir.filePath(QStringLiteral("empty.png")));
    ASSERT_TRUE(empty.open(QIODevice::WriteOnly));
    empty.close();

    struct Case
    {
        QString file;
        QString messageStart;
    };
    const Case cases[] = {
        {dir.filePath(QStringLiteral("missing.png")),
         QStringLiteral("Cannot open file \"%1\". ").arg(dir.filePath(QStringLiteral("missing.png")))},
        {dir.path(), QStringLiteral("Cannot open file \"%1\". ").arg(dir.path())},
        {text.fileName(), QStringLiteral("Cannot load picture \"%1\". ").arg(text.fileName())},
        {empty.fileName(), QStringLiteral("Cannot load picture \"%1\". ").arg(empty.fileName())},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.file.toStdString());
        try {
            loadAnyPicture(c.file);
            ADD_FAILURE() << "no error";
        } catch (const ZirkError &e) {
            EXPECT_TRUE(e.message().startsWith(c.messageStart)) << e.message().toStdString();
            EXPECT_GT(e.message().size(), c.messageStart.size()) << "reason missing";
        }
    }
}

TEST(SlotPlaceholderPicture, IsA270By210PictureWithArtwork)
{
    const QImage p = slotPlaceholderPicture();
    EXPECT_EQ(p.size(), QSize(270, 210));
    EXPECT_EQ(p.format(), QImage::Format_RGB888);
    // Not a blank rectangle: the camera's dark body and the pointer's white
    // face are there.
    EXPECT_LT(qGray(p.pixel(60, 150)), 100);
    EXPECT_EQ(p.pixelColor(224, 148), QColor(Qt::white));
}

TEST(PictureFileFilter, OffersTheFormatsInBothCases)
{
    const QString filter = pictureFileFilter();
    for (const char *pattern : {"*.jpg", "*.JPG", "*.jpeg", "*.png", "*.PNG", "*.bmp", "*.gif", "*.ico"})
        EXPECT_TRUE(filter.contains(QLatin1String(pattern))) << pattern;
    EXPECT_TRUE(filter.startsWith(QStringLiteral("All pictures (")));
    EXPECT_TRUE(filter.contains(QStringLiteral("JPEG Image File (")));
    EXPECT_TRUE(filter.endsWith(QStringLiteral(";;All files (*)")));
}
