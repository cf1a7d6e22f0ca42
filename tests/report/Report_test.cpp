#include "ReportTestTools.h"

#include "FakePlatform.h"
#include "base/ErrorHandling.h"
#include "pdf/UnicodeFont.h"
#include "pdf/zPdf.h"
#include "report/Report.h"
#include "report/ReportIdentity.h"

#include <QPainter>
#include <QTemporaryDir>
#include <gtest/gtest.h>

#include <limits>

namespace {

const QLocale kEnglish(QLocale::English, QLocale::UnitedStates);

std::vector<double> series(int n)
{
    std::vector<double> v;
    for (int i = 0; i < n; ++i)
        v.push_back(100.0 + (i * 37 % 50) / 10.0);
    return v;
}

ReportContent sampleContent(int values = 12)
{
    ReportContent c;
    c.when = QDateTime(QDate(2019, 7, 10), QTime(14, 30, 15));
    c.companyName = QStringLiteral("Acme Presses Ltd");
    c.userName = QStringLiteral("Jana Novak");
    c.machineId = QStringLiteral("Press 7");
    c.note = QStringLiteral("Left guard");
    c.safetyDevice = QStringLiteral("Vertical Light Curtain");
    c.deviceParams = QStringLiteral("d=14 mm");
    c.standstillSpeed = 10;
    c.serialNumber = QStringLiteral("ZK-00417");
    c.calibrationDay = 5;
    c.calibrationMonth = 3;
    c.calibrationYear = 2019;
    c.calibrated = true;
    c.locale = kEnglish;
    setReportSeries(c, series(values), kEnglish);
    c.safetyDistanceMm = 412.3;
    return c;
}

QImage solidPicture(QColor colour)
{
    QImage image(640, 480, QImage::Format_RGB888);
    image.fill(colour);
    return image;
}

// Rows in the list are numbered from 1; the row string puts the number's
// last digit in column 20 and the value's last character in column 50
// (Courier 10 pt: 6 points a column, starting at 15 mm = 43 points).
constexpr double kNumberEnd = 43 + 21 * 6;
constexpr double kValueEnd = 43 + 51 * 6;

class ReportTest : public ::testing::Test
{
protected:
    // Writes the protocol, checks it with qpdf and reads its words.
    PdfWords write(const ReportContent &content, std::vector<QString> *statuses = nullptr)
    {
        file = dir.filePath(QStringLiteral("report.pdf"));
        writeReport(content, file, &clock, [statuses](const QString &s) {
            if (statuses)
                statuses->push_back(s);
        });
        QByteArray complaint;
        EXPECT_TRUE(qpdfAccepts(file, &complaint)) << complaint.toStdString();
        PdfWords words = readWords(file);
        EXPECT_TRUE(words.ok);
        return words;
    }

    QTemporaryDir dir;
    QString file;
    FakeClock clock;
};

} // namespace

TEST_F(ReportTest, HeaderLinesStandAtTheirPlaces)
{
    ReportContent c = sampleContent();
    c.calibrated = false;
    const PdfWords w = write(c);
    struct Line
    {
        int x, y;
        QString text;
    };
    const Line lines[] = {
        {50, 270, "Stop time measurement protocol"},
        {15, 255, "Date:"}, {50, 255, "10.07.2019"},
        {15, 249, "Time:"}, {50, 249, "14:30"},
        {15, 243, "Company:"}, {50, 243, "Acme Presses Ltd"},
        {15, 237, "Measured by:"}, {50, 237, "Jana Novak"},
        {15, 227, "Machine ID:"}, {50, 227, "Press 7"},
        {15, 221, "Note:"}, {50, 221, "Left guard"},
        {15, 215, "Safety Device:"}, {50, 215, "Vertical Light Curtain"},
        {15, 209, "Device params:"}, {50, 209, "d=14 mm"},
        {15, 199, "Standstill Speed:"}, {50, 199, "10 mm/s"},
        {15, 193, "Device ID:"},
        {50, 193, QStringLiteral("Zirk device, Manufacturer: %1, %2")
                     .arg(QLatin1String(ReportIdentity::kManufacturerName),
                          QLatin1String(ReportIdentity::kManufacturerWeb))},
        {15, 187, "Device SN:"}, {50, 187, "ZK-00417"},
        {15, 181, "Last Calibration:"}, {50, 181, "5/3/2019"},
        {50, 175, "Device should be Calibrated!"},
        {70, 160, "Measured Values"},
        {15, 139, QString(85, QLatin1Char('-'))},
    };
    for (const Line &l : lines) {
        SCOPED_TRACE(l.text.toStdString());
        EXPECT_EQ(w.textAt(1, l.x, l.y, l.text), l.text);
    }
    // No header line runs past the right end of the rule (195 mm), the
    // Device ID line with our name and address included.
    const std::vector<PdfWord> rule = w.line(1, 139);
    ASSERT_EQ(rule.size(), 1u);
    for (const PdfWord &word : w.words) {
        if (word.page == 1 && word.yMax < rule[0].yMin) {
            EXPECT_LE(word.xMax, rule[0].xMax + 0.5) << word.text.toStdString();
        }
    }

    // The column heading: "#" in column 19, "Result" from column 41.
    const PdfWord *hash = w.find(QStringLiteral("#"));
    ASSERT_TRUE(hash);
    EXPECT_NEAR(hash->xMin, 43 + 19 * 6, 0.6);
    const PdfWord *result = w.find(QStringLiteral("Result"));
    ASSERT_TRUE(result);
    EXPECT_NEAR(result->xMin, 43 + 41 * 6, 0.6);
}

// A named safeguard stands under the machine ID; the lines below it move
// down by one and the values table stays where it was.
TEST_F(ReportTest, ANamedSafeguardStandsUnderTheMachineId)
{
    ReportContent c = sampleContent();
    c.calibrated = false;
    c.safeguard = QStringLiteral("Front light curtain");
    const PdfWords w = write(c);
    struct Line
    {
        int x, y;
        QString text;
    };
    const Line lines[] = {
        {15, 237, "Measured by:"}, {50, 237, "Jana Novak"},
        {15, 227, "Machine ID:"}, {50, 227, "Press 7"},
        {15, 221, "Safeguard:"}, {50, 221, "Front light curtain"},
        {15, 215, "Note:"}, {50, 215, "Left guard"},
        {15, 209, "Safety Device:"}, {50, 209, "Vertical Light Curtain"},
        {15, 203, "Device params:"}, {50, 203, "d=14 mm"},
        {15, 193, "Standstill Speed:"}, {50, 193, "10 mm/s"},
        {15, 187, "Device ID:"},
        {15, 181, "Device SN:"}, {50, 181, "ZK-00417"},
        {15, 175, "Last Calibration:"}, {50, 175, "5/3/2019"},
        {50, 169, "Device should be Calibrated!"},
        {70, 160, "Measured Values"},
        {15, 139, QString(85, QLatin1Char('-'))},
    };
    for (const Line &l : lines) {
        SCOPED_TRACE(l.text.toStdString());
        EXPECT_EQ(w.textAt(1, l.x, l.y, l.text), l.text);
    }
    // The warning that moved down stays clear of the heading below it.
    const PdfWord *warning = w.find(QStringLiteral("Calibrated!"));
    const PdfWord *heading = w.find(QStringLiteral("Values")); // "Measured Values"
    ASSERT_TRUE(warning && heading);
    EXPECT_LT(warning->yMax, heading->yMin);

    // Without a name the header is the one of always.
    c.safeguard.clear();
    const PdfWords unnamed = write(c);
    EXPECT_FALSE(unnamed.allText().contains(QStringLiteral("Safeguard")));
    EXPECT_EQ(unnamed.textAt(1, 15, 221, QStringLiteral("Note:")), QStringLiteral("Note:"));
}

// The font each fixed line of the first page is set in: 2 Helvetica-Bold,
// 5 Courier, 6 Courier-Bold.
TEST_F(ReportTest, FixedLinesAreSetInTheirFonts)
{
    ReportContent c = sampleContent();
    c.calibrated = false;
    write(c);
    bool ok = false;
    const QByteArray page = pageContent(readFile(file), 0, &ok);
    ASSERT_TRUE(ok);
    // The font operator of the text object that shows `text`.
    auto fontOf = [&page](const QByteArray &text) -> QByteArray {
        const qsizetype at = page.indexOf("(" + text + ") Tj");
        if (at < 0)
            return "missing";
        const qsizetype begin = page.lastIndexOf("BT\r\n", at);
        const qsizetype end = page.indexOf(" Tf", begin);
        return page.mid(begin + 4, end - begin - 4);
    };
    struct Case
    {
        QByteArray text;
        const char *font;
    };
    const Case cases[] = {
        {"Stop time measurement protocol", "/F2 18"},
        {"Company:", "/F2 10"},
        {"Acme Presses Ltd", "/F5 10"},
        {"Device should be Calibrated!", "/F6 12"},
        {"Measured Values", "/F6 18"},
        {QByteArray(19, ' ') + '#' + QByteArray(21, ' ') + "Result [ms]", "/F6 10"},
        {QByteArray(85, '-'), "/F5 10"},
    };
    for (const Case &k : cases)
        EXPECT_EQ(fontOf(k.text), k.font) << k.text.constData();
}

TEST_F(ReportTest, CalibratedDeviceHasNoWarningAndNothingElseMoves)
{
    ReportContent c = sampleContent();
    c.calibrated = false;
    const PdfWords warned = write(c);
    c.calibrated = true;
    const PdfWords calibrated = write(c);
    EXPECT_FALSE(calibrated.allText().contains(QStringLiteral("Calibrated!")));
    ASSERT_EQ(warned.words.size(), calibrated.words.size() + 4); // "Device should be Calibrated!"
    std::vector<PdfWord> rest;
    for (const PdfWord &word : warned.words) {
        if (std::abs(word.yMax - (warned.pageHeight - std::nearbyint(175 * 72 / 25.4))) > 4)
            rest.push_back(word);
    }
    ASSERT_EQ(rest.size(), calibrated.words.size());
    for (size_t i = 0; i < rest.size(); ++i) {
        EXPECT_EQ(rest[i].text, calibrated.words[i].text);
        EXPECT_EQ(rest[i].xMin, calibrated.words[i].xMin);
        EXPECT_EQ(rest[i].yMin, calibrated.words[i].yMin);
    }
}

TEST_F(ReportTest, ValuesTableBreaksPagesAndPlacesTheSummary)
{
    struct Case
    {
        int values;
        int pages;
        int summaryPage;
        int summaryY;
        int explanationPage;
        int explanationTop; // y of "ISO 13855:2010"
    };
    const Case cases[] = {
        {0, 1, 1, 133, 1, 83},
        {1, 1, 1, 128, 1, 78},
        {16, 2, 1, 53, 2, 262},   // the summary fits, the explanation does not
        {17, 2, 2, 277, 2, 227},  // y = 48 leaves no room for the summary
        {22, 2, 2, 277, 2, 227},
        {23, 2, 2, 277, 2, 227},  // the 23rd row at y = 23 fills the first page
        {24, 2, 2, 272, 2, 222},
        {75, 3, 3, 277, 3, 227},  // 23 + 52 rows
        {80, 3, 3, 252, 3, 202},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(testing::Message() << c.values << " values");
        const PdfWords w = write(sampleContent(c.values));
        EXPECT_EQ(w.pages, c.pages);
        const QString rule(85, QLatin1Char('-'));
        EXPECT_EQ(w.textAt(c.summaryPage, 15, c.summaryY, rule), rule);
        const int y = c.summaryY;
        const ReportContent content = sampleContent(c.values);
        const QString mean = QStringLiteral("Mean time: ") + content.mean;
        EXPECT_EQ(w.textAt(c.summaryPage, 15, y - 10, mean), mean.simplified());
        const QString maximum = QStringLiteral("Maximum time: ") + content.maximum;
        EXPECT_EQ(w.textAt(c.summaryPage, 15, y - 15, maximum), maximum.simplified());
        const QString sigma = QStringLiteral("+3 standard deviation: ") + content.meanPlus3Sigma;
        EXPECT_EQ(w.textAt(c.summaryPage, 15, y - 20, sigma), sigma.simplified());
        // 412.3 mm and 16.232 in, rounded up.
        EXPECT_EQ(w.textAt(c.summaryPage, 15, y - 30, "Safety Distance: 413 mm / 16.24 Inch"),
                  QStringLiteral("Safety Distance: 413 mm / 16.24 Inch"));
        EXPECT_EQ(w.textAt(c.summaryPage, 15, y - 35, "Check for minimum safety Distance!"),
                  QStringLiteral("Check for minimum safety Distance!"));

        const int e = c.explanationTop;
        const QString lines[] = {
            "ISO 13855:2010",
            "How to calculate the overall system stopping performance",
            "One measurement is not sufficient for calculating the minimum distance. At least 10 measurements are",
            "required.",
            "A statistical way of covering 99,7% of all individuals in a normally distrbuted population is to calculate the",
            "mean value +-3 standard deviations.",
            "The highest measured value or the mean plus three standard deviations, whichever is the greater, should be",
            "used in the calculation if the minimum distance.",
        };
        for (int i = 0; i < 8; ++i)
            EXPECT_EQ(w.textAt(c.explanationPage, 15, e - 5 * i, lines[i]), lines[i]) << i;
    }
}

TEST_F(ReportTest, RowsStandAtTheirPlacesRightAligned)
{
    const ReportContent content = sampleContent(80);
    const PdfWords w = write(content);
    struct Row
    {
        int number;
        int page;
        int y;
    };
    const Row rows[] = {{1, 1, 133}, {2, 1, 128}, {23, 1, 23}, {24, 2, 277}, {75, 2, 22}, {76, 3, 277}, {80, 3, 257}};
    for (const Row &r : rows) {
        SCOPED_TRACE(r.number);
        const std::vector<PdfWord> line = w.line(r.page, r.y);
        ASSERT_EQ(line.size(), 2u);
        EXPECT_EQ(line[0].text, QString::number(r.number));
        EXPECT_NEAR(line[0].xMax, kNumberEnd, 0.6);
        EXPECT_EQ(line[1].text, content.values[r.number - 1].trimmed());
        EXPECT_NEAR(line[1].xMax, kValueEnd, 0.6);
    }
}

TEST_F(ReportTest, LongValuesAreCutToFifteenCharacters)
{
    ReportContent c = sampleContent(0);
    c.values = {QStringLiteral("123456789012345"), QStringLiteral("1234567890123456789"), QStringLiteral("1,234.5")};
    const PdfWords w = write(c);
    const QString expected[] = {"123456789012345", "123456789012345", "1,234.5"};
    for (int i = 0; i < 3; ++i) {
        const PdfWord *number = w.find(QString::number(i + 1));
        ASSERT_TRUE(number);
        const PdfWord *value = nullptr;
        for (const PdfWord &word : w.words) {
            if (word.yMin == number->yMin && word.xMin > number->xMax)
                value = &word;
        }
        ASSERT_TRUE(value);
        EXPECT_EQ(value->text, expected[i]);
        EXPECT_NEAR(value->xMax, kValueEnd, 0.6);
    }
}

TEST_F(ReportTest, PicturePagesHoldTheIncludedSlots)
{
    const QColor colours[] = {QColor(255, 0, 0), QColor(0, 160, 0), QColor(0, 0, 255), QColor(0, 0, 0)};
    struct Case
    {
        std::array<bool, 4> include;
        int pictureLayouts; // picture pages after the protocol
        std::vector<QString> statuses;
    };
    const Case cases[] = {
        {{false, false, false, false}, 0, {}},
        {{false, false, false, true}, 1, {"Generating images 4/6..."}},
        {{true, false, true, false}, 2, {"Generating images 1/6...", "Generating images 3/6..."}},
        {{true, true, true, true}, 2,
         {"Generating images 1/6...", "Generating images 2/6...", "Generating images 3/6...",
          "Generating images 4/6..."}},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(testing::Message() << c.include[0] << c.include[1] << c.include[2] << c.include[3]);
        ReportContent content = sampleContent(0); // a protocol of one page
        for (int s = 0; s < 4; ++s) {
            content.pictures[size_t(s)].include = c.include[size_t(s)];
            content.pictures[size_t(s)].caption = QStringLiteral("Slot %1").arg(s + 1);
            content.pictures[size_t(s)].bitmap = solidPicture(colours[s]);
        }
        std::vector<QString> statuses;
        const PdfWords w = write(content, &statuses);
        EXPECT_EQ(w.pages, 1 + c.pictureLayouts);
        EXPECT_EQ(statuses, c.statuses);

        // Each picture page shows the upper slot of its pair at y 180 and
        // the lower one at y 30, 140 x 105 mm from x 35, as poppler draws it.
        int page = 1;
        for (int first : {0, 2}) {
            if (!c.include[size_t(first)] && !c.include[size_t(first + 1)])
                continue;
            ++page;
            const QImage rendered = renderPageMm(file, page);
            ASSERT_GE(rendered.height(), 297);
            for (int s : {first, first + 1}) {
                const int bottom = s == first ? 180 : 30;
                const QColor expected = c.include[size_t(s)] ? colours[s] : QColor(Qt::white);
                const QColor centre = rendered.pixelColor(105, 297 - (bottom + 52));
                EXPECT_LT(std::abs(centre.red() - expected.red()) + std::abs(centre.green() - expected.green())
                              + std::abs(centre.blue() - expected.blue()), 30)
                    << "slot " << s + 1 << " centre " << centre.name().toStdString();
                // Just outside the picture area the page is white.
                EXPECT_EQ(rendered.pixelColor(33, 297 - (bottom + 52)), QColor(Qt::white));
                EXPECT_EQ(rendered.pixelColor(105, 297 - (bottom - 2)), QColor(Qt::white));
                const QString caption = QStringLiteral("Slot %1").arg(s + 1);
                const int captionY = s == first ? 159 : 20;
                EXPECT_EQ(w.textAt(page, reportCaptionX(caption.size()), captionY, caption),
                          c.include[size_t(s)] ? caption : QString());
            }
        }
    }
}

TEST_F(ReportTest, CaptionsAreCentredByTheirLength)
{
    struct Case
    {
        qsizetype characters;
        int x;
    };
    const Case cases[] = {{0, 105}, {1, 104}, {7, 96}, {20, 79}, {48, 42}, {79, 0}, {80, -1}, {144, -86}};
    for (const Case &c : cases)
        EXPECT_EQ(reportCaptionX(c.characters), c.x) << c.characters;

    ReportContent content = sampleContent(0);
    content.pictures[0] = {true, QStringLiteral("Light curtain, left"), solidPicture(Qt::gray)};
    content.pictures[1] = {true, QStringLiteral("Hydraulic press P-07"), solidPicture(Qt::gray)};
    const PdfWords w = write(content);
    EXPECT_EQ(w.textAt(2, 80, 159, "Light curtain, left"), QStringLiteral("Light curtain, left"));
    EXPECT_EQ(w.textAt(2, 79, 20, "Hydraulic press P-07"), QStringLiteral("Hydraulic press P-07"));
}

TEST_F(ReportTest, NoPictureIsPlacedForAnEmptySlot)
{
    ReportContent content = sampleContent(0);
    content.pictures[2] = {true, QStringLiteral("After New"), QImage()};
    const PdfWords w = write(content);
    EXPECT_EQ(w.pages, 2);
    EXPECT_EQ(w.textAt(2, reportCaptionX(9), 159, "After New"), QStringLiteral("After New"));
    const QImage rendered = renderPageMm(file, 2);
    EXPECT_EQ(rendered.pixelColor(105, 297 - 232), QColor(Qt::white));
}

TEST_F(ReportTest, NamesPrintAsTyped)
{
    ReportContent c = sampleContent();
    c.companyName = QStringLiteral("Měřicí technika s.r.o.");
    c.userName = QStringLiteral("Łukasz Żółć ✓");
    c.machineId = QStringLiteral("Пресс № 4 — à");
    c.note = QStringLiteral("Brzda (levá) \\ C:\\");
    const PdfWords w = write(c);
    EXPECT_EQ(w.textAt(1, 50, 243, c.companyName), c.companyName);
    EXPECT_EQ(w.textAt(1, 50, 227, c.machineId), c.machineId);
    // A character no font of the protocol has prints as "?".
    EXPECT_EQ(w.textAt(1, 50, 237, "Łukasz Żółć ?"), QStringLiteral("Łukasz Żółć ?"));
    // Parentheses and backslashes print as typed.
    EXPECT_EQ(w.textAt(1, 50, 221, c.note), c.note);
}

TEST_F(ReportTest, AMissingFontIsNamedWhereTheProgressIsShown)
{
    QTemporaryDir noFonts;
    zpdf::setFontDirectory(noFonts.path());
    ReportContent c = sampleContent();
    c.machineId = QStringLiteral("Пресс № 4");
    std::vector<QString> statuses;
    const PdfWords w = write(c, &statuses);
    zpdf::setFontDirectory(QString());
    EXPECT_EQ(w.textAt(1, 50, 227, "????? ? 4"), QStringLiteral("????? ? 4"));
    ASSERT_FALSE(statuses.empty());
    EXPECT_TRUE(statuses.back().contains(QStringLiteral("fonts-liberation2"))) << statuses.back().toStdString();

    // With the fonts there, nothing is said.
    statuses.clear();
    write(c, &statuses);
    EXPECT_TRUE(statuses.empty());
}

TEST_F(ReportTest, SafetyDistanceUsesTheLocaleSeparators)
{
    struct Case
    {
        QLocale locale;
        std::optional<double> mm;
        QString line;
    };
    const Case cases[] = {
        // 1234.5 mm is 48.602 in: both figures rounded up.
        {kEnglish, 1234.5, "Safety Distance: 1,235 mm / 48.61 Inch"},
        {QLocale(QLocale::German, QLocale::Germany), 1234.5, "Safety Distance: 1.235 mm / 48,61 Inch"},
        {kEnglish, 0.0, "Safety Distance: 0 mm / 0.00 Inch"},
        // No distance, and one that is not finite, read as the window's
        // placeholder: never -1 mm or a number.
        {kEnglish, std::nullopt, "Safety Distance: -- --- mm"},
        {kEnglish, std::numeric_limits<double>::infinity(), "Safety Distance: -- --- mm"},
        {kEnglish, std::numeric_limits<double>::quiet_NaN(), "Safety Distance: -- --- mm"},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.line.toStdString());
        ReportContent content = sampleContent(0);
        content.locale = c.locale;
        content.safetyDistanceMm = c.mm;
        const PdfWords w = write(content);
        EXPECT_EQ(w.textAt(1, 15, 133 - 30, c.line), c.line);
        EXPECT_FALSE(w.allText().contains(QStringLiteral("Inch")) && !c.mm) << "no inch without a distance";
    }
}

// A fitter mounts at the printed figure: the minimum is printed rounded up,
// the installed distance as entered, and the verdict compares the two.
TEST_F(ReportTest, TheMinimumIsRoundedUpAndTheVerdictComparesWithIt)
{
    struct Case
    {
        double installed;
        QString installedLine;
    };
    const Case cases[] = {
        {200.0, "Installed 200 mm: closer than the minimum distance by 1.0 mm"},
        {200.4, "Installed 200.4 mm: closer than the minimum distance by 0.6 mm"},
        {201.0, "Installed 201 mm: meets the minimum distance"},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.installed);
        ReportContent content = sampleContent(0);
        content.safetyDistanceMm = 200.4;
        content.installedMm = c.installed;
        content.verdict = compareInstalled(200.4, c.installed);
        const PdfWords w = write(content);
        EXPECT_EQ(w.textAt(1, 15, 133 - 30, "Safety Distance: 201 mm / 7.89 Inch"),
                  "Safety Distance: 201 mm / 7.89 Inch");
        EXPECT_EQ(w.textAt(1, 15, 133 - 35, c.installedLine), c.installedLine);
    }
}

// Where there is no number the reason stands under it, and a standard that
// was not read from the project is said; under another standard the page
// about choosing the stop time says that is what it is about.
TEST_F(ReportTest, TheSummarySaysWhyThereIsNoDistanceAndWhatWasNotRead)
{
    ReportContent content = sampleContent(0);
    content.safetyDistanceMm.reset();
    content.noDistanceReason = QStringLiteral("K must be at least 1,600 mm/s (62.99 in/s)");
    content.standardProblem = QStringLiteral("the block of the standard fails its checksum");
    content.standardName = QStringLiteral("ANSI B11.19 / CSA Z432");
    content.defaultStandard = false;
    const PdfWords w = write(content);
    const QString reason = QStringLiteral("No safety distance: K must be at least 1,600 mm/s (62.99 in/s).");
    EXPECT_EQ(w.textAt(1, 15, 133 - 39, reason), reason);
    const QString problem =
        QStringLiteral("The standard stored in the project could not be read (the block of the standard fails its "
                       "checksum).");
    EXPECT_EQ(w.textAt(1, 15, 133 - 43, problem), problem);
    // A long reason is broken between words, never cut at the page's edge.
    ReportContent longer = content;
    longer.noDistanceReason = QStringLiteral("D_DS must be entered from the standard's tables for reaching through, "
                                             "over or under (ISO 13855:2010 added 128.0 mm)");
    const PdfWords wrapped = write(longer);
    EXPECT_TRUE(wrapped.allText().contains(QStringLiteral("No safety distance: ") + longer.noDistanceReason + "."))
        << wrapped.allText().toStdString();
    EXPECT_TRUE(w.allText().contains(QStringLiteral("Method of choosing the stop time: ISO 13855:2010")))
        << w.allText().toStdString();

    // Under the default standard the page keeps its heading.
    const PdfWords plain = write(sampleContent(0));
    EXPECT_FALSE(plain.allText().contains(QStringLiteral("Method of choosing")));
    EXPECT_FALSE(plain.allText().contains(QStringLiteral("No safety distance")));
    EXPECT_FALSE(plain.allText().contains(QStringLiteral("could not be read")));
}

TEST_F(ReportTest, DocumentInformationSaysWhatTheProtocolIs)
{
    write(sampleContent());
    const ToolResult info = runTool(QStringLiteral("pdfinfo"), {file});
    ASSERT_EQ(info.exitCode, 0);
    const QString text = QString::fromUtf8(info.out);
    const ReportContent c = sampleContent();
    const QString expected[] = {
        QStringLiteral("Title:           Stop time measurement protocol"),
        QStringLiteral("Subject:         ") + c.machineId,
        QStringLiteral("Keywords:        ") + c.safetyDevice + QStringLiteral(", ") + c.deviceParams
            + QStringLiteral(", ISO 13855:2010"),
        QStringLiteral("Author:          ") + c.userName,
        QStringLiteral("Creator:         Zirk ") + QLatin1String(ZIRK_VERSION),
        QStringLiteral("Producer:        Orvel Pdf export library (zPdf)"),
        QStringLiteral("Page size:       595.276 x 841.89 pts (A4)"),
    };
    for (const QString &line : expected)
        EXPECT_TRUE(text.contains(line)) << line.toStdString() << "\n" << text.toStdString();
    for (const char *placeholder : {"Demo program", "keyword1", "Subject...", "Title\n"})
        EXPECT_FALSE(text.contains(QLatin1String(placeholder))) << placeholder;
}

TEST_F(ReportTest, UnwritableFileRaisesCannotCreate)
{
    const QString target = dir.filePath(QStringLiteral("missing/report.pdf"));
    try {
        writeReport(sampleContent(), target, &clock);
        FAIL() << "no error";
    } catch (const ZirkError &e) {
        EXPECT_TRUE(e.message().startsWith(QStringLiteral("Cannot create file \"%1\". ").arg(target)))
            << e.message().toStdString();
    }
    EXPECT_FALSE(QFile::exists(target));
}

TEST(ReportFileProposal, IsDateAndTimeWithLeadingZeros)
{
    struct Case
    {
        QDateTime when;
        QString name;
    };
    const Case cases[] = {
        {QDateTime(QDate(2019, 7, 10), QTime(14, 30)), "Report_20190710_1430_"},
        {QDateTime(QDate(2026, 1, 2), QTime(3, 4, 59)), "Report_20260102_0304_"},
        {QDateTime(QDate(2030, 12, 31), QTime(23, 59)), "Report_20301231_2359_"},
    };
    for (const Case &c : cases)
        EXPECT_EQ(reportFileProposal(c.when), c.name);
}

TEST(RightAligned, PadsShortTextsAndCutsLongOnes)
{
    struct Case
    {
        QByteArray text;
        qsizetype width;
        QByteArray out;
    };
    const Case cases[] = {
        {"", 3, "   "}, {"7", 3, "  7"}, {"abc", 3, "abc"}, {"abcd", 3, "abc"}, {"12345678901", 10, "1234567890"},
    };
    for (const Case &c : cases)
        EXPECT_EQ(rightAligned(c.text, c.width), c.out) << c.text.constData();
}

// The whole protocol of a fixed series against the stored file: the pages
// the protocol always had, with nothing added where nothing is asked for.
// Set ZIRK_UPDATE_GOLDEN=1 to write the stored file anew after a deliberate
// change, and look at the difference before committing it.
TEST(ReportGolden, ProtocolMatchesTheStoredFileByteForByte)
{
    ReportContent c = sampleContent(30);
    c.calibrated = false;
    c.companyName = QStringLiteral("Měřicí technika s.r.o.");
    QImage small(8, 6, QImage::Format_RGB888);
    small.fill(QColor(40, 120, 200));
    c.pictures[0] = {true, QStringLiteral("Front guard"), small};
    c.pictures[3] = {true, QStringLiteral("Image 4"), small};
    const FakeClock clock;
    TzPdf pdf(&clock);
    composeReport(pdf, c);

    const QString stored = QStringLiteral(ZIRK_SOURCE_DIR "/tests/report/data/protocol.pdf");
    if (qEnvironmentVariableIsSet("ZIRK_UPDATE_GOLDEN")) {
        ASSERT_TRUE(writeFile(stored, pdf.data()));
    }
    const QByteArray expected = readFile(stored);
    ASSERT_FALSE(expected.isEmpty()) << "missing " << stored.toStdString();
    if (pdf.data() != expected) {
        qsizetype at = 0;
        while (at < expected.size() && at < pdf.data().size() && expected[at] == pdf.data()[at])
            ++at;
        FAIL() << "first difference at byte " << at << "\nexpected: " << expected.mid(at, 60).toStdString()
               << "\nactual:   " << pdf.data().mid(at, 60).toStdString();
    }
}

// A stored value that is no number (a project written by hand, a NaN that
// slipped into a file) reads "--" in the table, as the statistics say it.
TEST(ReportSeries, ValuesThatAreNoNumberReadAsNoNumber)
{
    ReportContent c;
    setReportSeries(c,
                    {212.4, std::numeric_limits<double>::quiet_NaN(), -std::numeric_limits<double>::quiet_NaN(),
                     std::numeric_limits<double>::infinity(), -std::numeric_limits<double>::infinity()},
                    kEnglish);
    ASSERT_EQ(c.values.size(), 5);
    EXPECT_EQ(c.values[0].trimmed(), QStringLiteral("212.4"));
    for (qsizetype i = 1; i < c.values.size(); ++i)
        EXPECT_EQ(c.values[i].trimmed(), QStringLiteral("--")) << i;
}
