#include "ReportTestTools.h"

#include "FakePlatform.h"
#include "QtPrinters.h"
#include "base/NumberFormat.h"
#include "pdf/zPdf.h"
#include "report/Report.h"
#include "series/SeriesResult.h"

#include <QTemporaryDir>
#include <gtest/gtest.h>

#include <cmath>

namespace {

const QLocale kEnglish(QLocale::English, QLocale::UnitedStates);

std::vector<double> series(int n)
{
    std::vector<double> v;
    for (int i = 0; i < n; ++i)
        v.push_back(180.0 + (i * 37 % 23) + (i == 17 ? 40.0 : 0.0) + 0.25 * (i % 4));
    return v;
}

class AnalysisPageTest : public ::testing::Test
{
protected:
    // The protocol as the window writes it for this series and device:
    // summary distance from the series result, analysis page on.
    PdfWords write(const std::vector<double> &values, const SafetyDevice &device,
                   const QString &caption = QStringLiteral("Vertical Light Curtain"), bool pictures = false,
                   const DistanceChoice &choice = {})
    {
        ReportContent c;
        c.when = QDateTime(QDate(2019, 7, 10), QTime(14, 30));
        c.calibrated = true;
        c.safetyDevice = caption;
        c.deviceParams = deviceParamsText(device, kEnglish);
        c.locale = kEnglish;
        setReportSeries(c, values, kEnglish);
        const SeriesResult result = computeSeriesResult(values, device, choice);
        c.safetyDistanceMm = result.distanceMm;
        c.standardName = result.standard->name();
        c.defaultStandard = result.standard == &defaultDistanceStandard();
        c.installedMm = choice.installedMm;
        c.verdict = result.distance.verdict;
        if (pictures) {
            QImage small(8, 6, QImage::Format_RGB888);
            small.fill(Qt::gray);
            c.pictures[0] = {true, QStringLiteral("Guard"), small};
        }
        c.analysis = ReportAnalysis{values, device, choice};
        file = dir.filePath(QStringLiteral("analysis.pdf"));
        writeReport(c, file, &clock);
        QByteArray complaint;
        EXPECT_TRUE(qpdfAccepts(file, &complaint)) << complaint.toStdString();
        PdfWords words = readWords(file);
        EXPECT_TRUE(words.ok);
        return words;
    }

    // The page whose first word is "Analysis".
    static int analysisPage(const PdfWords &words)
    {
        for (std::size_t i = 0; i < words.words.size(); ++i)
            if (words.words[i].text == QLatin1String("Analysis")
                && (i == 0 || words.words[i - 1].page != words.words[i].page))
                return words.words[i].page;
        return 0;
    }

    // The words of a page joined, so phrases can be looked for.
    static QString pageText(const PdfWords &words, int page)
    {
        QStringList out;
        for (const PdfWord &w : words.words)
            if (w.page == page)
                out << w.text;
        return out.join(QLatin1Char(' '));
    }

    QTemporaryDir dir;
    QString file;
    FakeClock clock;
};

} // namespace

TEST_F(AnalysisPageTest, StandsAfterTheSummaryAndBeforeThePictures)
{
    const PdfWords words = write(series(25), SafetyDevice::ofKind(KindVerticalLightCurtain, 14.0),
                                 QStringLiteral("Vertical Light Curtain"), true);
    // 25 rows: values on pages 1 and 2, summary and explanation on page 2.
    ASSERT_EQ(words.pages, 4);
    EXPECT_EQ(analysisPage(words), 3);
    EXPECT_TRUE(pageText(words, 2).contains(QStringLiteral("How to calculate")));
    EXPECT_TRUE(pageText(words, 4).contains(QStringLiteral("Guard")));
    EXPECT_EQ(words.textAt(3, 15, 270, QStringLiteral("Analysis")), QStringLiteral("Analysis"));
}

TEST_F(AnalysisPageTest, CalculationEndsAtTheWindowsDistance)
{
    struct Case
    {
        const char *what;
        SafetyDevice device;
        QStringList phrases; // formula and inputs as printed
    };
    SafetyDevice nonIndustrial = SafetyDevice::ofKind(KindVerticalLightCurtain, 14.0, true);
    const Case cases[] = {
        {"light curtain", SafetyDevice::ofKind(KindVerticalLightCurtain, 14.0),
         {"Formula: S = K × T + C, C = 8 × (d - 14 mm)", "d = 14.0 mm", "K = 2,000 mm/s"}},
        {"coarse light curtain", SafetyDevice::ofKind(KindVerticalLightCurtain, 50.0),
         {"Formula: S = K × T + C", "K = 1,600 mm/s", "C = 850.0 mm"}},
        {"non-industrial light curtain", nonIndustrial, {"+ 75 mm", "K = 2,000 mm/s"}},
        {"horizontal light curtain", SafetyDevice::ofKind(KindHorizontalLightCurtain, 300.0),
         {"H = 300.0 mm", "C = 1,080.0 mm"}},
        {"scanner", SafetyDevice::ofKind(KindSafetyScanner, 1000.0), {"C = 850.0 mm", "is below 850.0 mm"}},
        {"two-hand control", SafetyDevice::ofKind(KindTwoHandControl, std::nullopt), {"C = 250.0 mm"}},
        {"emergency stop", SafetyDevice::ofKind(KindEmergencyStop, std::nullopt), {"Formula: S = K × T"}},
        {"door", SafetyDevice::ofKind(KindDoor, 120.0), {"C = 120.0 mm", "ISO 13857:2008"}},
        {"mat", SafetyDevice::ofKind(KindPressureSensitiveMat, 0.0), {"h = 0.0 mm", "C = 1,200.0 mm"}},
    };
    const std::vector<double> values = series(25);
    for (const Case &c : cases) {
        SCOPED_TRACE(c.what);
        const PdfWords words = write(values, c.device);
        const int page = analysisPage(words);
        ASSERT_GT(page, 0);
        const QString text = pageText(words, page);
        EXPECT_TRUE(text.contains(QStringLiteral("Safety distance after ISO 13855:2010")));
        const SeriesResult result = computeSeriesResult(values, c.device);
        ASSERT_TRUE(result.distanceMm);
        const QString expected = QStringLiteral("Safety distance: ") + formatDistanceMm(*result.distanceMm, kEnglish).simplified()
            + QStringLiteral(" / ") + formatDistanceInch(*result.distanceInch, kEnglish).simplified();
        EXPECT_TRUE(text.contains(expected)) << expected.toStdString() << "\n" << text.toStdString();
        // The summary of the same protocol says the same millimetres.
        EXPECT_TRUE(words.allText().contains(QStringLiteral("Safety Distance: ")
                                             + formatDistanceMm(*result.distanceMm, kEnglish).simplified()));
        // T is the governing stop time, named as the statistic it is.
        EXPECT_TRUE(text.contains(QStringLiteral("T = ") + formatNumber(*result.governingMs, 3, 0, kEnglish)
                                  + QStringLiteral(" ms")));
        EXPECT_TRUE(text.contains(result.governing == GoverningStatistic::Maximum
                                      ? QStringLiteral("governing stop time: maximum of 25 values")
                                      : QStringLiteral("governing stop time: mean + 3 standard deviations of 25")));
        for (const QString &phrase : c.phrases)
            EXPECT_TRUE(text.contains(phrase)) << phrase.toStdString() << "\n" << text.toStdString();
    }
}

TEST_F(AnalysisPageTest, WritesOutTheChosenStandardWithOriginsWarningsAndTheComparison)
{
    // The published ANSI case: Ts + Tc 190 ms measured, Tr 59 ms, brake
    // monitor 225 ms, d 30 mm: 20.97 in.
    DistanceChoice ansi = DistanceChoice::of(QStringLiteral("ansi-b11.19"));
    ansi.trMs = 59.0;
    ansi.brakeMonitorMs = 225.0;
    ansi.installedMm = 500.0;
    DistanceChoice iso2024 = DistanceChoice::of(QStringLiteral("iso13855-2024"));
    iso2024.installedMm = 2000.0;
    iso2024.zMm = 10.0;
    SafetyDevice zone = SafetyDevice::ofKind(KindHorizontalLightCurtain, 300.0);
    zone.d = 40.0;
    struct Case
    {
        const char *what;
        SafetyDevice device;
        DistanceChoice choice;
        QStringList phrases;
    };
    const Case cases[] = {
        {"ANSI, closer",
         SafetyDevice::ofKind(KindVerticalLightCurtain, 30.0),
         ansi,
         {"Safety distance after ANSI B11.19 / CSA Z432", "Formula: Ds = K × (Ts + Tc + Tr + Tbm) + Dpf",
          "Tr = 59.000 ms", "entered", "measured", "Safety distance: 20.98 inch / 533 mm",
          // Both minimums rounded up; the installed distance as entered, its
          // inches rounded down; the verdict against the printed 533 mm.
          "Installed distance: 500 mm / 19.68 in: closer than the minimum distance by 33.0 mm"}},
        {"ISO 13855:2024 above 200 mm, meets",
         zone,
         iso2024,
         {"Safety distance after ISO 13855:2024", "Z = 10.0 mm", "Warning:", "meets the minimum distance"}},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.what);
        const PdfWords words = write(std::vector<double>(10, 190.0), c.device, QStringLiteral("Device"), false,
                                     c.choice);
        const int page = analysisPage(words);
        ASSERT_GT(page, 0);
        QString text;
        for (int p = page; p <= words.pages; ++p)
            text += pageText(words, p) + QLatin1Char(' ');
        for (const QString &phrase : c.phrases)
            EXPECT_TRUE(text.contains(phrase)) << phrase.toStdString() << "\n" << text.toStdString();
        // The summary names the standard and states the verdict.
        const QString summary = pageText(words, 1);
        EXPECT_TRUE(summary.contains(QStringLiteral("Safety Distance [") + c.choice.standard()->name()))
            << summary.toStdString();
        EXPECT_FALSE(summary.contains(QStringLiteral("Check for minimum safety Distance!")));
        EXPECT_TRUE(summary.contains(QStringLiteral("Installed ")));
    }
}

TEST_F(AnalysisPageTest, SaysWhyThereIsNoDistance)
{
    struct Case
    {
        const char *what;
        int values;
        SafetyDevice device;
        const char *reason;
    };
    const Case cases[] = {
        {"nine values", 9, SafetyDevice::ofKind(KindVerticalLightCurtain, 14.0),
         "No safety distance: ISO 13855 asks for at least 10 measurements of the stop time; the series holds 9."},
        {"empty series", 0, SafetyDevice::ofKind(KindVerticalLightCurtain, 14.0), "the series holds 0."},
        {"a distance beyond any double", -1, SafetyDevice::ofKind(KindDoor, 1e308),
         "No safety distance: the formula gives no finite value."},
        {"door without C", 12, SafetyDevice::ofKind(KindDoor, std::nullopt),
         "No safety distance: the safety device's input (d, H, C or h) is not a number."},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.what);
        // -1: twelve values of the largest double
        const PdfWords words = write(c.values < 0 ? std::vector<double>(12, 1.7e308) : series(c.values), c.device);
        const int page = analysisPage(words);
        ASSERT_GT(page, 0);
        // Numbers of that size take lines: the reason may stand on a page of
        // its own after the chart.
        QString text;
        for (int p = page; p <= words.pages; ++p)
            text += pageText(words, p) + QLatin1Char(' ');
        EXPECT_TRUE(text.contains(QLatin1String(c.reason))) << text.toStdString();
        EXPECT_FALSE(text.contains(QStringLiteral("Safety distance: "))) << text.toStdString();
    }
}

TEST_F(AnalysisPageTest, DeviceNameAsTypedOnBothPages)
{
    // Czech goes in Windows-1250 as on the first page; the Ω Windows-1250
    // lacks is printed in the embedded font there and here alike.
    const PdfWords words = write(series(12), SafetyDevice::ofKind(KindVerticalLightCurtain, 14.0),
                                 QStringLiteral("Světelná závora Ω"));
    const int page = analysisPage(words);
    EXPECT_TRUE(pageText(words, page).contains(QStringLiteral("Safety device: Světelná závora Ω, d=14 mm")));
    EXPECT_TRUE(pageText(words, 1).contains(QStringLiteral("Světelná závora Ω")));
}

TEST_F(AnalysisPageTest, ChartAxesAndTheBoldGoverningLine)
{
    for (const int n : {9, 25}) {
        SCOPED_TRACE(n);
        write(series(n), SafetyDevice::ofKind(KindVerticalLightCurtain, 14.0));
        const PdfWords words = readWords(file);
        const int page = analysisPage(words);
        const QString text = pageText(words, page);
        for (const char *word : {"ms", "Run", "Mean", "Maximum"})
            EXPECT_TRUE(text.contains(QLatin1String(word))) << word;
        // The only 2-point line runs across the plot: the governing one,
        // from ten values on.
        const QByteArray content = pageContent(readFile(file), page - 1);
        EXPECT_EQ(content.count("2 w\r\n[] 0 d\r\n91 "), n >= 10 ? 1 : 0);
        EXPECT_EQ(text.contains(QStringLiteral("distance from run 10")), n >= 10);
    }
}

TEST_F(AnalysisPageTest, HundredThousandValuesMakeASmallPage)
{
    std::vector<double> values(100000);
    for (std::size_t i = 0; i < values.size(); ++i)
        values[i] = 150.0 + double(i * 7919 % 1000) / 10.0;
    ReportContent c;
    c.when = QDateTime(QDate(2019, 7, 10), QTime(14, 30));
    c.analysis = ReportAnalysis{values, SafetyDevice::ofKind(KindVerticalLightCurtain, 14.0), {}};
    TzPdf pdf(&clock);
    composeReport(pdf, c);
    // Values table left empty: page 1 protocol, page 2 analysis.
    ASSERT_EQ(pdf.pageCount(), 2);
    // One column a millimetre: a few hundred strokes, not 100,000.
    EXPECT_LT(pageContent(pdf.data(), 1).size(), 100 * 1024);
}

TEST_F(AnalysisPageTest, ValuesOfADamagedFileStillMakeAPage)
{
    // A project file can carry any double; the page must come out readable
    // and say there is no distance rather than print one.
    const double nan = std::nan("");
    const std::vector<double> values = {100, 1e308, -1e308, nan, 120, 110, 105, 130, 101, 99, 1e300};
    const PdfWords words = write(values, SafetyDevice::ofKind(KindVerticalLightCurtain, 14.0));
    const int page = analysisPage(words);
    ASSERT_GT(page, 0);
    const QString text = pageText(words, page);
    EXPECT_TRUE(text.contains(QStringLiteral("Safety distance after ISO 13855:2010")));
    EXPECT_TRUE(text.contains(QStringLiteral("No safety distance: the series holds stop times that are no numbers")))
        << text.toStdString();
    EXPECT_FALSE(text.contains(QStringLiteral("Safety distance: "))) << text.toStdString();
}
