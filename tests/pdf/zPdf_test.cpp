// The PDF writer: exact bytes of every operation and of the document
// frame, one whole document against a stored file, and real readers
// (qpdf, poppler, MuPDF) on the documents the report produces.

#include "pdf/zPdf.h"

#include "FakePlatform.h"
#include "PdfTestTools.h"
#include "base/CodePage.h"
#include "base/ErrorHandling.h"

#include <QColor>
#include <QDir>
#include <QImage>
#include <QTemporaryDir>
#include <QRegularExpression>

#include <gtest/gtest.h>

#include <cmath>
#include <functional>

namespace {

const QByteArray kFixedDate = "20261209103000"; // FakeClock's time

QByteArray bytes(const char *text)
{
    return QByteArray(text);
}

// A literal with NUL bytes in it.
template <size_t N>
QByteArray raw(const char (&text)[N])
{
    return QByteArray(text, N - 1);
}

// A document with one A4 page drawn by `draw`, finished.
QByteArray onePage(const std::function<void(TzPdf &)> &draw, const FakeClock &clock = FakeClock())
{
    TzPdf pdf(&clock);
    pdf.StartCreating();
    pdf.AddPage(210, 297);
    draw(pdf);
    pdf.FinishCreating();
    return pdf.data();
}

QByteArray informationObject(const QByteArray &pdf)
{
    const qsizetype start = pdf.indexOf("1 0 obj\r\n");
    const qsizetype end = pdf.indexOf("endobj\r\n", start);
    return start < 0 || end < 0 ? QByteArray() : pdf.mid(start, end + 8 - start);
}

QImage solidImage(int width, int height, QColor color)
{
    QImage image(width, height, QImage::Format_RGB32);
    image.fill(color);
    return image;
}

// Checks the frame every document shares: header, every cross-reference
// entry pointing at its object, /Size, startxref and the end marker.
void expectConsistentLayout(const QByteArray &pdf, int pages)
{
    const int objects = 21 + 3 * pages;
    ASSERT_TRUE(pdf.startsWith("%PDF-1.4\r\n\r\n1 0 obj\r\n"));
    ASSERT_TRUE(pdf.endsWith("%%EOF\r\n"));

    const QRegularExpression startxref(QStringLiteral("startxref\r\n(\\d+)\r\n%%EOF\r\n$"));
    const auto match = startxref.match(QString::fromLatin1(pdf.right(40)));
    ASSERT_TRUE(match.hasMatch());
    const qsizetype xrefAt = match.captured(1).toLongLong();
    const QByteArray xrefHead = "xref\r\n0 " + QByteArray::number(objects) + "\r\n0000000000 65535 f\r\n";
    ASSERT_EQ(pdf.mid(xrefAt, xrefHead.size()), xrefHead);

    qsizetype entry = xrefAt + xrefHead.size();
    for (int object = 1; object < objects; ++object, entry += 20) {
        const QByteArray line = pdf.mid(entry, 20);
        ASSERT_TRUE(line.endsWith(" 00000 n\r\n")) << "entry " << object << ": " << line.constData();
        const qsizetype offset = line.left(10).toLongLong();
        const QByteArray head = QByteArray::number(object) + " 0 obj\r\n";
        EXPECT_EQ(pdf.mid(offset, head.size()), head) << "object " << object;
    }
    const QByteArray trailer = "\r\ntrailer\r\n<< /Size " + QByteArray::number(objects)
                               + " /Root 19 0 R /Info 1 0 R >>\r\nstartxref\r\n";
    EXPECT_EQ(pdf.mid(entry, trailer.size()), trailer);
    for (int page = 0; page < pages; ++page) {
        bool ok = false;
        pageContent(pdf, page, &ok);
        EXPECT_TRUE(ok) << "length of page " << page;
    }
}

TEST(PdfNumbers, MillimetresBecomeTheNearestWholePoint)
{
    struct Case { qint64 mm; qint64 points; };
    const Case cases[] = {
        {0, 0}, {1, 3}, {15, 43}, {255, 723}, {210, 595}, {297, 842}, {127, 360},
        {-15, -43}, {-1, -3}, {100000, 283465},
    };
    for (const Case &c : cases)
        EXPECT_EQ(zpdf::mmToPoints(c.mm), c.points) << c.mm << " mm";
    // The same as dividing by 25.4 in extended precision and rounding, over
    // every size a page can take and far beyond.
    for (qint64 mm = -200000; mm <= 200000; ++mm) {
        const qint64 extended = qint64(std::nearbyint(static_cast<long double>(mm * 72) / 25.4L));
        ASSERT_EQ(zpdf::mmToPoints(mm), extended) << mm << " mm";
    }
}

TEST(PdfNumbers, RealsHaveThreeDecimalsAfterSixSignificantDigits)
{
    struct Case { long double value; const char *text; };
    const Case cases[] = {
        {595.27559L, "595.276"},   {841.88976L, "841.890"},     {1.0L, "1.000"},
        {0.5L, "0.500"},           {2.55L, "2.550"},            {0.0L, "0.000"},
        {0.0006L, "0.001"},        {0.0004L, "0.000"},          {-0.0001L, "0.000"},
        {-595.27559L, "-595.276"}, {1234.5678L, "1234.570"},    {123456.7L, "123457.000"},
        {99999.96L, "100000.000"}, {12345678.0L, "12345700.000"}, {999.9996L, "1000.000"},
    };
    for (const Case &c : cases)
        EXPECT_EQ(zpdf::formatReal(c.value), bytes(c.text)) << double(c.value);
}

TEST(PdfNumbers, RealsUseAPointWhateverTheLocale)
{
    const QLocale saved;
    QLocale::setDefault(QLocale(QLocale::German, QLocale::Germany));
    const char *savedC = setlocale(LC_NUMERIC, nullptr);
    const std::string restore = savedC ? savedC : "C";
    setlocale(LC_NUMERIC, "de_DE.UTF-8"); // may not exist; the default locale above does
    EXPECT_EQ(zpdf::formatReal(595.27559L), bytes("595.276"));
    const QByteArray pdf = onePage([](TzPdf &) {});
    EXPECT_TRUE(pdf.contains("/MediaBox [0 0 595.276 841.890]"));
    setlocale(LC_NUMERIC, restore.c_str());
    QLocale::setDefault(saved);
}

TEST(PdfNumbers, OffsetsHaveTenDigitsOrMore)
{
    EXPECT_EQ(zpdf::formatOffset(0), bytes("0000000000"));
    EXPECT_EQ(zpdf::formatOffset(12), bytes("0000000012"));
    EXPECT_EQ(zpdf::formatOffset(9999999999LL), bytes("9999999999"));
    EXPECT_EQ(zpdf::formatOffset(12345678901LL), bytes("12345678901"));
}

// Each operation on an empty A4 page and the exact content it leaves there.
TEST(PdfContent, OperationsWriteTheirExactOperators)
{
    QImage twoByTwo(2, 2, QImage::Format_RGB32);
    twoByTwo.setPixel(0, 0, qRgb(255, 0, 0));
    twoByTwo.setPixel(1, 0, qRgb(0, 255, 0));
    twoByTwo.setPixel(0, 1, qRgb(0, 0, 255));
    twoByTwo.setPixel(1, 1, qRgb(255, 255, 255));
    QImage indexed = twoByTwo.convertToFormat(QImage::Format_Indexed8);

    const QByteArray solid1 = "1 w\r\n[] 0 d\r\n";
    struct Case { const char *name; std::function<void(TzPdf &)> draw; QByteArray content; };
    const Case cases[] = {
        {"text", [](TzPdf &p) { p.TextXY(15, 255, 2, 10, "Date:"); },
         "BT\r\n/F2 10 Tf\r\n43 723 Td\r\n(Date:) Tj\r\nET\r\n"},
        {"font 0 is F1, size 0 stays", [](TzPdf &p) { p.TextXY(0, 0, 0, 0, "a"); },
         "BT\r\n/F1 0 Tf\r\n0 0 Td\r\n(a) Tj\r\nET\r\n"},
        {"font 15 is F14, negative position", [](TzPdf &p) { p.TextXY(10, -10, 15, 12, "z"); },
         "BT\r\n/F14 12 Tf\r\n28 -28 Td\r\n(z) Tj\r\nET\r\n"},
        {"parentheses escaped", [](TzPdf &p) { p.TextXY(1, 1, 99, 8, "Value (max)"); },
         "BT\r\n/F14 8 Tf\r\n3 3 Td\r\n(Value \\(max\\)) Tj\r\nET\r\n"},
        {"a lone parenthesis cannot end the string", [](TzPdf &p) { p.TextXY(1, 1, 1, 8, "a) b\\)("); },
         "BT\r\n/F1 8 Tf\r\n3 3 Td\r\n(a\\) b\\\\\\)\\() Tj\r\nET\r\n"},
        {"backslash doubled", [](TzPdf &p) { p.TextXY(1, 1, 5, 10, "C:\\"); },
         "BT\r\n/F5 10 Tf\r\n3 3 Td\r\n(C:\\\\) Tj\r\nET\r\n"},
        {"high bytes unchanged", [](TzPdf &p) { p.TextXY(1, 1, 1, 10, "\x8a\xe8\xff"); },
         "BT\r\n/F1 10 Tf\r\n3 3 Td\r\n(\x8a\xe8\xff) Tj\r\nET\r\n"},
        {"line, solid when dash off is 0", [](TzPdf &p) { p.Line(10, 20, 30, 40, 2, 3, 0); },
         "2 w\r\n[] 0 d\r\n28 57 m\r\n85 113 l\r\nS\r\n"},
        {"line, solid when dash on is 0", [](TzPdf &p) { p.Line(10, 20, 30, 40, 2, 0, 3); },
         "2 w\r\n[] 0 d\r\n28 57 m\r\n85 113 l\r\nS\r\n"},
        {"line, dashed", [](TzPdf &p) { p.Line(10, 20, 30, 40, 1, 3, 2); },
         "1 w\r\n[3 2] 0 d\r\n28 57 m\r\n85 113 l\r\nS\r\n"},
        {"rectangle of equal corners", [](TzPdf &p) { p.Rectangle(50, 50, 50, 50, 1, 0, 0); },
         (solid1 + "142 142 m\r\n142 142 l\r\nS\r\n").repeated(4)},
        {"rectangle", [](TzPdf &p) { p.Rectangle(10, 20, 30, 40, 1, 0, 0); },
         solid1 + "28 57 m\r\n85 57 l\r\nS\r\n" + solid1 + "85 57 m\r\n85 113 l\r\nS\r\n" + solid1
             + "85 113 m\r\n28 113 l\r\nS\r\n" + solid1 + "28 113 m\r\n28 57 l\r\nS\r\n"},
        {"polygon square", [](TzPdf &p) { p.Polygon(100, 100, 10, 0, 360, 4, 1, 0, 0); },
         solid1 + "283 312 m\r\n312 283 l\r\nS\r\n" + solid1 + "312 283 m\r\n283 255 l\r\nS\r\n" + solid1
             + "283 255 m\r\n255 283 l\r\nS\r\n" + solid1 + "255 283 m\r\n283 312 l\r\nS\r\n"},
        {"polygon with stop not above start", [](TzPdf &p) { p.Polygon(100, 100, 10, 90, 90, 4, 1, 0, 0); },
         solid1 + "312 283 m\r\n312 283 l\r\nS\r\n"},
        {"polygon of 0 corners is one segment", [](TzPdf &p) { p.Polygon(100, 100, 10, 0, 180, 0, 1, 0, 0); },
         solid1 + "283 312 m\r\n283 255 l\r\nS\r\n"},
        {"filled rectangle", [](TzPdf &p) { p.RectangleFilled(10, 10, 50, 20, {100, 0, 0}, {0, 0, 100}); },
         "1.000 0.000 0.000 RG\r\n0.000 0.000 1.000 rg\r\n28 28 142 57 re\r\nB\r\n"},
        {"colour above 100", [](TzPdf &p) { p.RectangleFilled(0, 0, 1, 1, {50, 255, 1}, {0, 0, 0}); },
         "0.500 2.550 0.010 RG\r\n0.000 0.000 0.000 rg\r\n0 0 3 3 re\r\nB\r\n"},
        {"bezier", [](TzPdf &p) { p.Bezier(10, 10, 50, 10, 20, 30, 40, 30); },
         "28 28 m\r\n57 85 113 85 142 28 c\r\nS\r\n"},
        {"one red pixel", [](TzPdf &p) { p.Image(solidImage(1, 1, Qt::red), 35, 180, 140, 105); },
         raw("q\r\n397 0 0 298 99 510 cm\r\nBI\r\n/W 1\r\n/H 1\r\n/CS /RGB\r\n/BPC 8\r\nID\n"
             "\xff\x00\x00\r\nEI\r\nQ\r\n")},
        {"image rows top first", [&](TzPdf &p) { p.Image(twoByTwo, 0, 0, 10, 10); },
         raw("q\r\n28 0 0 28 0 0 cm\r\nBI\r\n/W 2\r\n/H 2\r\n/CS /RGB\r\n/BPC 8\r\nID\n"
             "\xff\x00\x00\x00\xff\x00\x00\x00\xff\xff\xff\xff\r\nEI\r\nQ\r\n")},
        {"indexed image as RGB", [&](TzPdf &p) { p.Image(indexed, 0, 0, 10, 10); },
         raw("q\r\n28 0 0 28 0 0 cm\r\nBI\r\n/W 2\r\n/H 2\r\n/CS /RGB\r\n/BPC 8\r\nID\n"
             "\xff\x00\x00\x00\xff\x00\x00\x00\xff\xff\xff\xff\r\nEI\r\nQ\r\n")},
        {"empty image places nothing", [](TzPdf &p) { p.Image(QImage(), 35, 30, 140, 105); }, ""},
    };
    for (const Case &c : cases) {
        bool ok = false;
        const QByteArray pdf = onePage(c.draw);
        EXPECT_EQ(pageContent(pdf, 0, &ok), c.content) << c.name;
        EXPECT_TRUE(ok) << c.name;
    }
}

TEST(PdfContent, PolygonDrawsASegmentMoreWhenTheAngleFallsShort)
{
    // 360 / 6 degrees added six times stays just below 360: a seventh
    // segment retraces the first side.
    const QByteArray content = pageContent(onePage([](TzPdf &p) { p.Polygon(100, 100, 10, 0, 360, 6, 1, 0, 0); }), 0);
    ASSERT_EQ(content.count("S\r\n"), 7);
    const qsizetype firstSegment = content.indexOf("S\r\n") + 3;
    EXPECT_EQ(content.right(firstSegment), content.left(firstSegment));
}

TEST(PdfContent, PolygonWithAStepTooSmallToAdvanceEnds)
{
    // The accumulated angle would never reach the stop angle.
    const QByteArray content =
        pageContent(onePage([](TzPdf &p) { p.Polygon(50, 50, 10, 2000000000, 2000000001, 1 << 30, 1, 0, 0); }), 0);
    EXPECT_GE(content.count("S\r\n"), 1);
    EXPECT_LT(content.count("S\r\n"), 100);
}

TEST(PdfContent, DrawingStateStaysForWhatFollows)
{
    // Width, dash and fill colour are written once and left in force.
    const QByteArray content = pageContent(onePage([](TzPdf &p) {
        p.Line(0, 0, 10, 10, 4, 2, 1);
        p.RectangleFilled(0, 0, 1, 1, {0, 100, 0}, {0, 100, 0});
        p.TextXY(10, 10, 1, 10, "green");
    }), 0);
    EXPECT_EQ(content.count(" w\r\n"), 1);
    EXPECT_EQ(content.count(" d\r\n"), 1);
    EXPECT_FALSE(content.contains(" q\r\n") || content.contains("\r\nQ\r\n"));
}

TEST(PdfDocument, KontrolujTextEscapesParenthesesAndBackslashes)
{
    QByteArray text = "((a)b\\c)(";
    TzPdf::KontrolujText(text);
    EXPECT_EQ(text, bytes("\\(\\(a\\)b\\\\c\\)\\("));
}

TEST(PdfDocument, OutputBeforeTheFirstPageIsDropped)
{
    const FakeClock clock;
    TzPdf pdf(&clock);
    pdf.StartCreating();
    pdf.TextXY(10, 10, 1, 10, "lost");
    pdf.Line(0, 0, 1, 1, 1, 0, 0);
    pdf.AddPage(210, 297);
    pdf.TextXY(10, 10, 1, 10, "kept");
    pdf.FinishCreating();
    EXPECT_FALSE(pdf.data().contains("lost"));
    EXPECT_EQ(pageContent(pdf.data(), 0), bytes("BT\r\n/F1 10 Tf\r\n28 28 Td\r\n(kept) Tj\r\nET\r\n"));
}

TEST(PdfDocument, PagesHaveThreeObjectsEach)
{
    struct Case { int pages; };
    const Case cases[] = {{0}, {1}, {3}, {60}};
    for (const Case &c : cases) {
        const FakeClock clock;
        TzPdf pdf(&clock);
        pdf.StartCreating();
        for (int page = 0; page < c.pages; ++page) {
            pdf.AddPage(210, 297);
            pdf.TextXY(20, 20, 1, 10, "Page " + QByteArray::number(page + 1));
        }
        pdf.FinishCreating();
        const int pages = std::max(c.pages, 1);
        SCOPED_TRACE(c.pages);
        expectConsistentLayout(pdf.data(), pages);
        EXPECT_TRUE(pdf.data().contains("/Count " + QByteArray::number(pages) + " >>"));
    }
}

TEST(PdfDocument, ThreePagesGiveThirtyEntries)
{
    const QByteArray pdf = onePage([](TzPdf &p) { p.AddPage(210, 297); p.AddPage(100, 50); });
    EXPECT_TRUE(pdf.contains("\r\ntrailer\r\n<< /Size 30 /Root 19 0 R /Info 1 0 R >>\r\n"));
    EXPECT_TRUE(pdf.contains("\r\n29 0 obj\r\n0\r\nendobj\r\n"));
    EXPECT_TRUE(pdf.contains("20 0 obj\r\n<< /Type /Pages /Kids [\r\n21 0 R\r\n24 0 R\r\n27 0 R\r\n]\r\n/Count 3 >>\r\nendobj\r\n"));
    EXPECT_TRUE(pdf.contains("27 0 obj\r\n<< /Type /Page /Parent 20 0 R\r\n/MediaBox [0 0 283.465 141.732]\r\n"
                             "/Contents 28 0 R\r\n/Resources 18 0 R\r\n>>\r\nendobj\r\n"));
}

TEST(PdfDocument, NoPagesGiveOneEmptyA4Page)
{
    const FakeClock clock;
    TzPdf pdf(&clock);
    pdf.StartCreating();
    pdf.FinishCreating();
    const QByteArray &data = pdf.data();
    EXPECT_TRUE(data.contains("21 0 obj\r\n<< /Type /Page /Parent 20 0 R\r\n/MediaBox [0 0 595.276 841.890]\r\n"));
    EXPECT_TRUE(data.contains("22 0 obj\r\n<< /Length 23 0 R >>\r\nstream\r\nendstream\r\nendobj\r\n23 0 obj\r\n0\r\nendobj\r\n"));
    expectConsistentLayout(data, 1);
}

TEST(PdfDocument, StartCreatingBeginsAnew)
{
    const FakeClock clock;
    TzPdf pdf(&clock);
    pdf.StartCreating();
    pdf.AddPage(100, 100);
    pdf.TextXY(1, 1, 1, 1, "first");
    pdf.FinishCreating();
    pdf.FinishCreating(); // a finished document stays as it is
    expectConsistentLayout(pdf.data(), 1);
    pdf.StartCreating();
    pdf.FinishCreating();
    EXPECT_FALSE(pdf.data().contains("first"));
    EXPECT_EQ(pdf.data(), onePage([](TzPdf &) {}));
}

TEST(PdfDocument, InformationHoldsTheValuesSetAndTheDates)
{
    struct Case {
        const char *name;
        std::function<void(TzPdf &)> set;
        QByteArray dictionary;
    };
    const Case cases[] = {
        {"all empty", [](TzPdf &) {},
         "<< /CreationDate (D:" + kFixedDate + ") /ModDate (D:" + kFixedDate + ") >>"},
        {"report values",
         [](TzPdf &p) {
             p.setProducer("Orvel Pdf export library (zPdf)");
             p.setAuthor("Zirk");
             p.setCreator("Demo program");
             p.setTitle("Title");
             p.setSubject("Subject...");
             p.setKeywords("keyword1, keyword2, keyword 3...");
         },
         "<< /Producer (Orvel Pdf export library (zPdf)) /Author (Zirk) /Creator (Demo program) /Title (Title) "
         "/Subject (Subject...) /Keywords (keyword1, keyword2, keyword 3...) /CreationDate (D:" + kFixedDate
             + ") /ModDate (D:" + kFixedDate + ") >>"},
        {"14-character dates as given",
         [](TzPdf &p) {
             p.setTitle("T");
             p.setCreationDate("20190710143000");
             p.setModDate("20200101000000");
         },
         "<< /Title (T) /CreationDate (D:20190710143000) /ModDate (D:20200101000000) >>"},
        {"other lengths ignored",
         [](TzPdf &p) {
             p.setCreationDate("2019071014300");
             p.setModDate("201907101430000");
         },
         "<< /CreationDate (D:" + kFixedDate + ") /ModDate (D:" + kFixedDate + ") >>"},
        {"backslash and lone parentheses escaped",
         [](TzPdf &p) {
             p.setTitle("C:\\");
             p.setSubject("a)b(c(d)");
         },
         "<< /Title (C:\\\\) /Subject (a\\)b\\(c(d)) /CreationDate (D:" + kFixedDate + ") /ModDate (D:"
             + kFixedDate + ") >>"},
    };
    for (const Case &c : cases) {
        const QByteArray pdf = onePage(c.set);
        EXPECT_EQ(informationObject(pdf), "1 0 obj\r\n" + c.dictionary + "\r\nendobj\r\n") << c.name;
        expectConsistentLayout(pdf, 1);
    }
}

TEST(PdfDocument, EachDateReadsTheClock)
{
    class TickingClock : public Clock
    {
    public:
        mutable QDateTime time = QDateTime(QDate(2019, 7, 10), QTime(9, 5, 59));
        QDateTime now() const override
        {
            const QDateTime result = time;
            time = time.addSecs(1);
            return result;
        }
    } clock;
    TzPdf pdf(&clock);
    pdf.StartCreating();
    pdf.FinishCreating();
    EXPECT_TRUE(pdf.data().contains("<< /CreationDate (D:20190710090559) /ModDate (D:20190710090600) >>"));
}

TEST(PdfDocument, SavedFileHoldsTheDocument)
{
    QTemporaryDir dir;
    const QByteArray pdf = onePage([](TzPdf &p) { p.TextXY(10, 10, 1, 10, "saved"); });
    TzPdf writer;
    writer.StartCreating();
    writer.FinishCreating();
    const QString path = dir.filePath(QStringLiteral("Report_20261209_1030_.pdf"));
    ASSERT_TRUE(writeFile(path, QByteArray(5000, 'x'))); // replaced, not appended to
    writer.SaveToFile(path);
    EXPECT_EQ(readFile(path), writer.data());
    writer.SaveToFile(path); // a finished document may be saved again
    EXPECT_EQ(readFile(path), writer.data());
}

TEST(PdfDocument, UnwritableFileRaisesCannotCreate)
{
    QTemporaryDir dir;
    struct Case { QString path; QString reason; };
    const Case cases[] = {
        {dir.filePath(QStringLiteral("missing/folder/report.pdf")), QStringLiteral("No such file or directory")},
        {dir.path(), QStringLiteral("Is a directory")},
    };
    for (const Case &c : cases) {
        TzPdf pdf;
        pdf.StartCreating();
        pdf.FinishCreating();
        const QByteArray before = pdf.data();
        try {
            pdf.SaveToFile(c.path);
            ADD_FAILURE() << "no error for " << c.path.toStdString();
        } catch (const ZirkError &error) {
            EXPECT_EQ(error.message(), QStringLiteral("Cannot create file \"%1\". %2").arg(c.path, c.reason));
        }
        EXPECT_EQ(pdf.data(), before);
    }
}

TEST(PdfImageFile, BitmapFilePlacedInPoints)
{
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("picture.bmp"));
    ASSERT_TRUE(solidImage(200, 100, QColor(10, 20, 30)).save(path, "BMP"));

    struct Case { int width; int height; QByteArray matrix; };
    const Case cases[] = {
        {0, 50, "200 0 0 100 30 40 cm"},
        {70, 0, "200 0 0 100 30 40 cm"},
        {70, 50, "70 0 0 50 30 40 cm"},
    };
    for (const Case &c : cases) {
        const QByteArray content = pageContent(onePage([&](TzPdf &p) { p.ImageFromFile(path, 30, 40, c.width, c.height); }), 0);
        const QByteArray head = "q\r\n" + c.matrix + "\r\nBI\r\n/W 200\r\n/H 100\r\n/CS /RGB\r\n/BPC 8\r\nID\n";
        EXPECT_TRUE(content.startsWith(head)) << c.matrix.constData();
        EXPECT_EQ(content.size(), head.size() + 200 * 100 * 3 + 9);
        EXPECT_EQ(content.mid(head.size(), 6), bytes("\x0a\x14\x1e\x0a\x14\x1e"));
        EXPECT_TRUE(content.endsWith("\r\nEI\r\nQ\r\n"));
    }
}

TEST(PdfImageFile, UnreadableFilesRaiseAndLeaveThePage)
{
    QTemporaryDir dir;
    const QString missing = dir.filePath(QStringLiteral("missing.bmp"));
    const QString text = dir.filePath(QStringLiteral("notes.bmp"));
    const QString truncated = dir.filePath(QStringLiteral("truncated.bmp"));
    ASSERT_TRUE(writeFile(text, "This is not a picture."));
    QByteArray bmp;
    {
        const QString full = dir.filePath(QStringLiteral("full.bmp"));
        ASSERT_TRUE(solidImage(20, 20, Qt::blue).save(full, "BMP"));
        bmp = readFile(full);
    }
    ASSERT_TRUE(writeFile(truncated, bmp.left(bmp.size() / 2)));

    struct Case { QString path; QString message; };
    const Case cases[] = {
        {missing, QStringLiteral("Cannot open file \"%1\". No such file or directory").arg(missing)},
        {text, QStringLiteral("Bitmap image is not valid")},
        {truncated, QStringLiteral("Bitmap image is not valid")},
    };
    for (const Case &c : cases) {
        const QByteArray content = pageContent(onePage([&](TzPdf &p) {
            p.TextXY(1, 1, 1, 10, "before");
            try {
                p.ImageFromFile(c.path, 0, 0, 0, 0);
                ADD_FAILURE() << "no error for " << c.path.toStdString();
            } catch (const ZirkError &error) {
                EXPECT_EQ(error.message(), c.message);
            }
        }), 0);
        EXPECT_EQ(content, bytes("BT\r\n/F1 10 Tf\r\n3 3 Td\r\n(before) Tj\r\nET\r\n"));
    }
}

// The whole document a report-like run produces, against the stored file.
// Set ZIRK_UPDATE_GOLDEN=1 to write the stored file anew after a deliberate
// change, and look at the difference before committing it.
TEST(PdfGolden, DocumentMatchesTheStoredFileByteForByte)
{
    const FakeClock clock;
    TzPdf pdf(&clock);
    pdf.StartCreating();
    pdf.setProducer("Orvel Pdf export library (zPdf)");
    pdf.setAuthor("Zirk");
    pdf.setCreator("Demo program");
    pdf.setTitle("Title");
    pdf.setSubject("Subject...");
    pdf.setKeywords("keyword1, keyword2, keyword 3...");
    pdf.TextXY(1, 1, 1, 10, "dropped");
    pdf.AddPage(210, 297);
    pdf.TextXY(50, 270, 2, 18, "Stop time measurement protocol");
    pdf.TextXY(15, 255, 2, 10, "Date:");
    pdf.TextXY(50, 255, 5, 10, "09.12.2026");
    pdf.TextXY(15, 227, 2, 10, "Machine ID:");
    pdf.TextXY(50, 227, 5, 10, toWindows1250(QStringLiteral("Lis (č. 7) C:\\")));
    pdf.TextXY(15, 139, 5, 10, QByteArray(85, '-'));
    pdf.AddPage(210, 297);
    pdf.Line(10, 10, 200, 10, 1, 3, 2);
    pdf.Rectangle(20, 20, 60, 50, 2, 0, 0);
    pdf.Polygon(100, 100, 10, 0, 360, 6, 1, 0, 0);
    pdf.RectangleFilled(120, 20, 30, 15, {100, 0, 0}, {0, 50, 100});
    pdf.Bezier(10, 200, 100, 200, 30, 250, 80, 150);
    pdf.AddPage(148, 105);
    QImage picture(3, 2, QImage::Format_RGB32);
    const QRgb colors[6] = {qRgb(255, 0, 0), qRgb(0, 255, 0), qRgb(0, 0, 255),
                            qRgb(0, 0, 0),   qRgb(128, 128, 128), qRgb(255, 255, 255)};
    for (int i = 0; i < 6; ++i)
        picture.setPixel(i % 3, i / 3, colors[i]);
    pdf.Image(picture, 10, 10, 60, 40);
    pdf.Image(QImage(), 10, 60, 60, 40);
    pdf.TextXY(10, 5, 6, 14, "Image 1");
    pdf.FinishCreating();

    const QString stored = QStringLiteral(ZIRK_SOURCE_DIR "/tests/pdf/data/golden.pdf");
    if (qEnvironmentVariableIsSet("ZIRK_UPDATE_GOLDEN")) {
        ASSERT_TRUE(writeFile(stored, pdf.data()));
    }
    const QByteArray expected = readFile(stored);
    ASSERT_FALSE(expected.isEmpty()) << "missing " << stored.toStdString();
    if (pdf.data() != expected) {
        qsizetype at = 0;
        while (at < expected.size() && at < pdf.data().size() && expected[at] == pdf.data()[at])
            ++at;
        const QString actual = QDir::temp().filePath(QStringLiteral("zirk-golden-actual.pdf"));
        writeFile(actual, pdf.data());
        FAIL() << "first difference at byte " << at << "; written to " << actual.toStdString()
               << "\nexpected: " << expected.mid(at, 40).toStdString()
               << "\nactual:   " << pdf.data().mid(at, 40).toStdString();
    }
    expectConsistentLayout(pdf.data(), 3);
}

// Real readers on the documents the writer produces.
class PdfReaders : public ::testing::Test
{
protected:
    QTemporaryDir dir;

    QString save(const char *name, const std::function<void(TzPdf &)> &compose)
    {
        const FakeClock clock;
        TzPdf pdf(&clock);
        pdf.StartCreating();
        pdf.setProducer("Orvel Pdf export library (zPdf)");
        pdf.setTitle("Title");
        compose(pdf);
        pdf.FinishCreating();
        const QString path = dir.filePath(QString::fromLatin1(name) + QStringLiteral(".pdf"));
        pdf.SaveToFile(path);
        return path;
    }

    // The colour at a point given in millimetres from the lower-left corner
    // of an A4 page rendered by pdftoppm or mutool at 20 dpi.
    QColor renderedColor(const QString &pdf, const QString &tool, double xMm, double yMm)
    {
        const QString png = dir.filePath(QStringLiteral("render-%1.png").arg(tool));
        const ToolResult result = tool == QLatin1String("pdftoppm")
            ? runTool(QStringLiteral("pdftoppm"), {QStringLiteral("-r"), QStringLiteral("20"), QStringLiteral("-png"),
                                                   QStringLiteral("-singlefile"), pdf, png.chopped(4)})
            : runTool(QStringLiteral("mutool"), {QStringLiteral("draw"), QStringLiteral("-q"), QStringLiteral("-r"),
                                                 QStringLiteral("20"), QStringLiteral("-o"), png, pdf, QStringLiteral("1")});
        EXPECT_EQ(result.exitCode, 0) << tool.toStdString() << ": " << result.err.toStdString();
        // This MuPDF build says once per run that it has no colour management.
        QByteArray messages = result.err;
        messages.replace("warning: ICC support is not available\n", "");
        EXPECT_TRUE(messages.isEmpty()) << tool.toStdString() << ": " << result.err.toStdString();
        const QImage image(png);
        if (image.isNull())
            return {};
        return image.pixelColor(int(xMm / 25.4 * 20), int((297 - yMm) / 25.4 * 20));
    }
};

TEST_F(PdfReaders, DocumentsPassQpdfRenderAndHoldTheirText)
{
    QImage gradient(640, 480, QImage::Format_RGB32);
    for (int y = 0; y < 480; ++y)
        for (int x = 0; x < 640; ++x)
            gradient.setPixel(x, y, qRgb(x * 255 / 639, y * 255 / 479, (x ^ y) & 0xFF));

    struct Case {
        const char *name;
        std::function<void(TzPdf &)> compose;
        int pages;
        QStringList texts;
    };
    const Case cases[] = {
        {"fonts",
         [](TzPdf &p) {
             p.AddPage(210, 297);
             for (int font = 1; font <= 14; ++font)
                 p.TextXY(15, 280 - 10 * font, font, 12, "Font " + QByteArray::number(font) + " (sample)");
         },
         1, {"Font 1 (sample)", "Font 5 (sample)", "Font 9 (sample)", "Font 12 (sample)"}},
        {"drawing",
         [](TzPdf &p) {
             p.AddPage(210, 297);
             p.Line(10, 10, 200, 287, 2, 3, 2);
             p.Rectangle(20, 20, 100, 80, 1, 0, 0);
             p.Polygon(100, 150, 30, 0, 360, 6, 1, 2, 2);
             p.Polygon(100, 150, 20, 45, 270, 9, 1, 0, 0);
             p.RectangleFilled(120, 200, 60, 40, {0, 0, 100}, {100, 50, 0});
             p.Bezier(10, 250, 200, 250, 60, 290, 150, 210);
             p.TextXY(20, 280, 1, 10, "after drawing");
         },
         1, {"after drawing"}},
        {"pages",
         [](TzPdf &p) {
             for (int page = 1; page <= 3; ++page) {
                 p.AddPage(210, 297);
                 p.TextXY(15, 270, 2, 18, "Page " + QByteArray::number(page));
             }
         },
         3, {"Page 1", "Page 2", "Page 3"}},
        {"image",
         [&](TzPdf &p) {
             p.AddPage(210, 297);
             p.Image(gradient, 35, 180, 140, 105);
             p.TextXY(79, 159, 5, 14, "Image 1");
             p.Image(QImage(), 35, 30, 140, 105);
         },
         1, {"Image 1"}},
        {"no pages", [](TzPdf &) {}, 1, {}},
        {"windows-1250",
         [](TzPdf &p) {
             p.AddPage(210, 297);
             p.TextXY(15, 250, 1, 12, toWindows1250(QStringLiteral("Příliš žluťoučký kůň úpěl ďábelské ódy")));
             p.TextXY(15, 240, 5, 12, toWindows1250(QStringLiteral("Zażółć gęślą jaźń, ŐŰőű, Ĺĺ Ŕŕ, C:\\")));
         },
         1, {"Příliš žluťoučký kůň úpěl ďábelské ódy", "Zażółć gęślą jaźń, ŐŰőű, Ĺĺ Ŕŕ, C:\\"}},
    };

    for (const Case &c : cases) {
        SCOPED_TRACE(c.name);
        const QString path = save(c.name, c.compose);

        const ToolResult qpdf = runTool(QStringLiteral("qpdf"), {QStringLiteral("--check"), path});
        ASSERT_TRUE(qpdf.started) << "qpdf is not installed";
        EXPECT_EQ(qpdf.exitCode, 0) << qpdf.out.toStdString() << qpdf.err.toStdString();
        EXPECT_TRUE(qpdf.out.contains("No syntax or stream encoding errors found")) << qpdf.out.toStdString();

        const ToolResult text = runTool(QStringLiteral("pdftotext"), {QStringLiteral("-enc"), QStringLiteral("UTF-8"),
                                                                      path, QStringLiteral("-")});
        EXPECT_EQ(text.exitCode, 0);
        EXPECT_TRUE(text.err.isEmpty()) << text.err.toStdString();
        const QString found = QString::fromUtf8(text.out);
        for (const QString &expected : c.texts)
            EXPECT_TRUE(found.contains(expected)) << expected.toStdString() << " not in: " << text.out.toStdString();
        EXPECT_EQ(found.count(QChar(u'\f')), c.pages);

        const ToolResult render = runTool(QStringLiteral("pdftoppm"), {QStringLiteral("-r"), QStringLiteral("10"),
                                                                       path, dir.filePath(QString::fromLatin1(c.name))});
        EXPECT_EQ(render.exitCode, 0);
        EXPECT_TRUE(render.err.isEmpty()) << render.err.toStdString();
        const QStringList pages = QDir(dir.path()).entryList({QString::fromLatin1(c.name) + QStringLiteral("-*.ppm")});
        EXPECT_EQ(pages.size(), c.pages);
    }
}

TEST_F(PdfReaders, WindowsCodePageBytesShowAsTheirCharacters)
{
    // Every character that Windows-1250 defines above ASCII, through the
    // document's font encoding to the reader's Unicode.
    QByteArray all;
    for (int byte = 0x80; byte <= 0xFF; ++byte) {
        const QString character = fromWindows1250(QByteArray(1, char(byte)));
        if (character.at(0).unicode() < 0xA1 || character.at(0).category() == QChar::Other_Format)
            continue; // undefined, blank or invisible
        all.append(char(byte));
    }
    const QString path = save("encoding", [&](TzPdf &p) {
        p.AddPage(210, 297);
        for (qsizetype at = 0; at < all.size(); at += 20)
            p.TextXY(15, 280 - 10 * int(at / 20), 1, 12, all.mid(at, 20));
    });
    const ToolResult text = runTool(QStringLiteral("pdftotext"), {QStringLiteral("-enc"), QStringLiteral("UTF-8"),
                                                                  QStringLiteral("-raw"), path, QStringLiteral("-")});
    ASSERT_EQ(text.exitCode, 0) << text.err.toStdString();
    QString found = QString::fromUtf8(text.out);
    found.remove(QRegularExpression(QStringLiteral("\\s")));
    EXPECT_EQ(found, fromWindows1250(all));
}

TEST_F(PdfReaders, OneRedPixelRendersRed)
{
    const QString path = save("red", [](TzPdf &p) {
        p.AddPage(210, 297);
        p.Image(solidImage(1, 1, Qt::red), 50, 50, 100, 100);
    });
    for (const QString &tool : {QStringLiteral("pdftoppm"), QStringLiteral("mutool")}) {
        const QColor inside = renderedColor(path, tool, 100, 100);
        EXPECT_EQ(inside, QColor(255, 0, 0)) << tool.toStdString() << " " << inside.name().toStdString();
        const QColor outside = renderedColor(path, tool, 20, 20);
        EXPECT_EQ(outside, QColor(255, 255, 255)) << tool.toStdString() << " " << outside.name().toStdString();
    }
}

TEST_F(PdfReaders, BitmapFileColoursSurvive)
{
    const QString bmp = dir.filePath(QStringLiteral("green.bmp"));
    QImage picture = solidImage(40, 30, QColor(0, 200, 0));
    for (int x = 0; x < 20; ++x)
        for (int y = 0; y < 30; ++y)
            picture.setPixel(x, y, qRgb(0, 0, 200)); // left half blue
    ASSERT_TRUE(picture.save(bmp, "BMP"));
    const QString path = save("bitmap", [&](TzPdf &p) {
        p.AddPage(210, 297);
        p.ImageFromFile(bmp, 100, 200, 0, 0); // 40 x 30 points
    });
    const double pt = 25.4 / 72;
    struct Case { QString tool; double x; QColor color; };
    const Case cases[] = {
        {QStringLiteral("pdftoppm"), 110, QColor(0, 0, 200)}, {QStringLiteral("pdftoppm"), 130, QColor(0, 200, 0)},
        {QStringLiteral("mutool"), 110, QColor(0, 0, 200)},   {QStringLiteral("mutool"), 130, QColor(0, 200, 0)},
    };
    for (const Case &c : cases) {
        // Readers may round a level by one on its way through their colour
        // conversion; a shifted sample would be off by far more.
        const QColor seen = renderedColor(path, c.tool, c.x * pt, 215 * pt);
        EXPECT_NEAR(seen.red(), c.color.red(), 2) << c.tool.toStdString() << c.x;
        EXPECT_NEAR(seen.green(), c.color.green(), 2) << c.tool.toStdString() << c.x;
        EXPECT_NEAR(seen.blue(), c.color.blue(), 2) << c.tool.toStdString() << c.x;
    }
}

} // namespace
