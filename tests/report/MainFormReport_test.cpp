#include "ProgramFixture.h"
#include "ReportTestTools.h"

#include "pdf/SigningCertificates.h"

#include "base/NumberFormat.h"
#include "pdf/PdfSignature.h"
#include "project/ProjectMeasurement.h"
#include "project/ProtocolProject.h"
#include "state/ProgramState.h"
#include "windows/ImagesForm.h"
#include "report/Report.h"
#include "report/ReportPictures.h"
#include "series/StopTimesModel.h"

#include <QAction>
#include <QCheckBox>
#include <QDir>
#include <QFile>
#include <QLabel>
#include <QLineEdit>

#include <algorithm>
#include <cmath>

class MainFormReportTest : public ProgramFixture
{
protected:
    // A measured press: twelve stop times, an identified instrument, a
    // machine and a note, slot 4 included with a 20-character caption.
    TMainForm &startMeasured()
    {
        TMainForm &w = start();
        for (double v : {182.4, 190.1, 185.7, 188.0, 193.6, 179.9, 186.2, 191.3, 184.8, 187.5, 189.9, 183.0})
            w.ZpracujHodnotu_ms(v);
        state().setMachine(QStringLiteral("Hydraulic press P-07"), QStringLiteral("Front guard"));
        state().setInstrument({QStringLiteral("ZK-00417"), 12, 2025, 3, 5, true});
        state().appSettings.CompanyName = QStringLiteral("Acme Presses Ltd");
        state().appSettings.UserName = QStringLiteral("Jana Novak");
        Timagesform &images = *forms().imagesform();
        images.Edit4->setText(QStringLiteral("Hydraulic press P-07"));
        images.CheckBox4->setChecked(true);
        return w;
    }

    // The distance of the measured press worked out here on its own: mean
    // and sample standard deviation of the twelve values, the greater of
    // mean + 3 sigma and the maximum, the vertical light curtain with d = 14
    // at 2000 mm/s (the result stays below 500 mm).
    static double measuredPressMm()
    {
        const double v[] = {182.4, 190.1, 185.7, 188.0, 193.6, 179.9, 186.2, 191.3, 184.8, 187.5, 189.9, 183.0};
        double sum = 0, max = 0;
        for (double x : v) {
            sum += x;
            max = std::max(max, x);
        }
        const double mean = sum / 12;
        double squares = 0;
        for (double x : v)
            squares += (x - mean) * (x - mean);
        const double T = std::max(max, mean + 3 * std::sqrt(squares / 11)) / 1000;
        return 2000 * T + 8 * (14 - 14);
    }

    QString reportPath() const { return tempDir.filePath(QStringLiteral("Report_20261209_1030_.pdf")); }
};

TEST_F(MainFormReportTest, SaveDialogProposesTheReportNameAndCancelChangesNothing)
{
    TMainForm &w = startMeasured();
    state().appSettings.LastDirectory = QStringLiteral("/srv/reports/");
    w.setStatusText(QStringLiteral("Ready"));
    w.submenu_Report->trigger();

    ASSERT_EQ(fake.dialogs.fileRequests.size(), 1u);
    const FileDialogRequest &r = fake.dialogs.fileRequests[0];
    EXPECT_EQ(r.directory, QStringLiteral("/srv/reports/"));
    EXPECT_EQ(r.fileName, QStringLiteral("Report_20261209_1030_"));
    EXPECT_EQ(r.defaultSuffix, QStringLiteral("pdf"));
    EXPECT_TRUE(r.confirmOverwrite);
    EXPECT_EQ(r.filter.split(QStringLiteral(";;")).size(), 2);
    EXPECT_TRUE(r.filter.startsWith(QStringLiteral("All files (")));
    EXPECT_EQ(r.selectedFilter, r.filter.split(QStringLiteral(";;")).at(1));
    EXPECT_TRUE(r.selectedFilter.startsWith(QStringLiteral("PDF files (*.pdf")));

    EXPECT_EQ(state().appSettings.LastDirectory, QStringLiteral("/srv/reports/"));
    EXPECT_TRUE(fake.shell.calls.empty());
    EXPECT_TRUE(fake.dialogs.errors.empty());
    EXPECT_EQ(w.statusText(), QStringLiteral("Ready"));
}

TEST_F(MainFormReportTest, WritesWhatTheWindowShowsAndOpensIt)
{
    TMainForm &w = startMeasured();
    state().appSettings.AddAnalysisPage = false;
    fake.dialogs.fileAnswers.push_back(reportPath());
    w.submenu_Report->trigger();

    ASSERT_TRUE(fake.dialogs.errors.empty()) << fake.dialogs.errors[0].toStdString();
    EXPECT_EQ(state().appSettings.LastDirectory, tempDir.path() + QLatin1Char('/'));
    ASSERT_EQ(fake.shell.calls.size(), 1u);
    EXPECT_EQ(fake.shell.calls[0].target, reportPath());
    EXPECT_EQ(w.statusText(), QStringLiteral("Generating images 4/6..."));

    QByteArray complaint;
    ASSERT_TRUE(qpdfAccepts(reportPath(), &complaint)) << complaint.toStdString();
    const PdfWords words = readWords(reportPath());
    ASSERT_TRUE(words.ok);
    // Protocol on two pages (the explanation does not fit below twelve
    // rows), then one picture page for slot 4 alone.
    EXPECT_EQ(words.pages, 3);
    struct Line
    {
        int page, x, y;
        QString text;
    };
    const Line lines[] = {
        {1, 50, 255, "09.12.2026"},
        {1, 50, 249, "10:30"},
        {1, 50, 243, "Acme Presses Ltd"},
        {1, 50, 237, "Jana Novak"},
        {1, 50, 227, "Hydraulic press P-07"},
        {1, 50, 221, "Front guard"},
        {1, 50, 215, w.Label_SafetyDevice->text()},
        {1, 50, 209, w.Label_DeviceParams->text()},
        {1, 50, 199, "12 mm/s"},
        {1, 50, 187, "ZK-00417"},
        {1, 50, 181, "5/3/2025"},
        {1, 15, 73 - 10, "Mean time: " + w.Label_Mean->text()},
        {1, 15, 73 - 15, "Maximum time: " + w.Label_Maximum->text()},
        {1, 15, 73 - 20, "+3 standard deviation: " + w.Label_3Sigma->text()},
        {1, 15, 73 - 30,
         "Safety Distance: " + formatDistanceMm(measuredPressMm()) + " / " + formatNumber(measuredPressMm() / 25.4, 2, 5)
             + " Inch"},
        {2, 15, 262, "ISO 13855:2010"},
        {3, 79, 20, "Hydraulic press P-07"},
    };
    for (const Line &l : lines) {
        SCOPED_TRACE(l.text.toStdString());
        EXPECT_EQ(words.textAt(l.page, l.x, l.y, l.text), l.text.simplified());
    }
    EXPECT_FALSE(words.allText().contains(QStringLiteral("Calibrated!")));

    // Every row as the list shows it.
    for (int row = 0; row < 12; ++row) {
        const std::vector<PdfWord> line = words.line(1, 133 - 5 * row);
        ASSERT_EQ(line.size(), 2u) << row;
        EXPECT_EQ(line[0].text, QString::number(row + 1));
        EXPECT_EQ(line[1].text, w.stopTimesModel()->index(row, 1).data().toString().trimmed());
    }

    // The picture page holds the slot's placeholder at y 30 only.
    const QImage page = renderPageMm(reportPath(), 3);
    ASSERT_FALSE(page.isNull());
    EXPECT_EQ(page.pixelColor(105, 297 - 232), QColor(Qt::white));
    EXPECT_NE(page.pixelColor(105, 297 - 82), QColor(Qt::white));
}

TEST_F(MainFormReportTest, WindowAndToolWriteTheSameBytes)
{
    TMainForm &w = startMeasured();
    fake.dialogs.fileAnswers.push_back(reportPath());
    w.submenu_Report->trigger();
    ASSERT_TRUE(fake.dialogs.errors.empty());

    // What a tool without the window would assemble from the same records.
    ReportContent c;
    c.when = fake.clock.now();
    c.companyName = state().appSettings.CompanyName;
    c.userName = state().appSettings.UserName;
    c.machineId = QStringLiteral("Hydraulic press P-07");
    c.note = QStringLiteral("Front guard");
    c.safetyDevice = state().safetyDevice().Name;
    c.deviceParams = QStringLiteral("d=14 mm");
    c.standstillSpeed = 12;
    c.serialNumber = QStringLiteral("ZK-00417");
    c.calibrationDay = 5;
    c.calibrationMonth = 3;
    c.calibrationYear = 2025;
    c.calibrated = true;
    setReportSeries(c, state().stopTimes());
    c.safetyDistanceMm = measuredPressMm();
    for (int slot = 1; slot <= 4; ++slot)
        c.pictures[size_t(slot - 1)] = {slot == 4, QStringLiteral("Image %1").arg(slot), slotPlaceholderPicture()};
    c.pictures[3].caption = QStringLiteral("Hydraulic press P-07");
    c.analysis = ReportAnalysis{state().stopTimes(), state().safetyDevice(), state().distanceChoice()};
    const QString toolFile = tempDir.filePath(QStringLiteral("tool.pdf"));
    writeReport(c, toolFile, &fake.clock);

    EXPECT_EQ(readFile(toolFile), readFile(reportPath()));
}

TEST_F(MainFormReportTest, EmptySeriesWithoutDeviceStillMakesAProtocol)
{
    TMainForm &w = start();
    state().appSettings.AddAnalysisPage = false;
    fake.dialogs.fileAnswers.push_back(reportPath());
    w.submenu_Report->trigger();
    ASSERT_TRUE(fake.dialogs.errors.empty());
    const PdfWords words = readWords(reportPath());
    EXPECT_EQ(words.pages, 1);
    const QString rule(85, QLatin1Char('-'));
    EXPECT_EQ(words.textAt(1, 15, 133, rule), rule);
    EXPECT_EQ(words.textAt(1, 15, 123, "Mean time: -- --- ms"), QStringLiteral("Mean time: -- --- ms"));
    // No distance is no number: never 0 mm.
    EXPECT_EQ(words.textAt(1, 15, 103, "Safety Distance: -- --- mm"), QStringLiteral("Safety Distance: -- --- mm"));
    EXPECT_FALSE(words.allText().contains(QStringLiteral("Safety Distance: 0")));
    EXPECT_EQ(words.textAt(1, 50, 175, "Device should be Calibrated!"), QStringLiteral("Device should be Calibrated!"));
    EXPECT_EQ(fake.shell.calls.size(), 1u);
}

TEST_F(MainFormReportTest, FailedWriteIsShownAndTheViewerNotStarted)
{
    TMainForm &w = startMeasured();
    const QString folder = tempDir.filePath(QStringLiteral("gone"));
    const QString target = folder + QStringLiteral("/report.pdf");
    fake.dialogs.fileAnswers.push_back(target);
    w.submenu_Report->trigger();

    ASSERT_EQ(fake.dialogs.errors.size(), 1u);
    EXPECT_TRUE(fake.dialogs.errors[0].startsWith(QStringLiteral("Cannot create file \"%1\". ").arg(target)))
        << fake.dialogs.errors[0].toStdString();
    EXPECT_TRUE(fake.shell.calls.empty());
    EXPECT_FALSE(QFile::exists(target));
    // The folder chosen in the dialog is kept all the same.
    EXPECT_EQ(state().appSettings.LastDirectory, folder + QLatin1Char('/'));

    // The program goes on: the next report is written and opened.
    fake.dialogs.fileAnswers.push_back(reportPath());
    w.submenu_Report->trigger();
    EXPECT_EQ(fake.dialogs.errors.size(), 1u);
    ASSERT_EQ(fake.shell.calls.size(), 1u);
    EXPECT_EQ(fake.shell.calls[0].target, reportPath());
}

TEST_F(MainFormReportTest, AnalysisPageEndsAtTheWindowsDistanceAndCanBeLeftOut)
{
    struct Case
    {
        bool analysis;
        int pages;
    };
    for (const Case c : {Case{true, 4}, Case{false, 3}}) {
        SCOPED_TRACE(c.analysis);
        TMainForm &w = startMeasured();
        state().appSettings.AddAnalysisPage = c.analysis;
        fake.dialogs.fileAnswers.push_back(reportPath());
        w.submenu_Report->trigger();
        ASSERT_TRUE(fake.dialogs.errors.empty());
        const PdfWords words = readWords(reportPath());
        ASSERT_EQ(words.pages, c.pages);
        QStringList page3;
        for (const PdfWord &word : words.words)
            if (word.page == 3)
                page3 << word.text;
        const QString text = page3.join(QLatin1Char(' '));
        // The distance of the series, to the millimetre.
        const QString distance = QStringLiteral("Safety distance: ") + formatDistanceMm(measuredPressMm()).simplified();
        EXPECT_EQ(text.startsWith(QStringLiteral("Analysis")), c.analysis) << text.toStdString();
        EXPECT_EQ(text.contains(distance), c.analysis) << distance.toStdString() << "\n" << text.toStdString();
    }
}

// A stored logo that cannot be drawn leaves the protocol without it, and
// the status bar says so instead of Qt's warning on a console nobody sees.
TEST_F(MainFormReportTest, ALogoThatCannotBeDrawnIsLeftOutAndSaid)
{
    TMainForm &w = startMeasured();
    const quint32 side = sideOverTheDecodeLimit();
    QFile logo(tempDir.filePath(QStringLiteral("logo.png")));
    ASSERT_TRUE(logo.open(QIODevice::WriteOnly));
    logo.write(hugePngHeader(side, side));
    logo.close();
    state().appSettings.LogoFile = QStringLiteral("logo.png");
    fake.dialogs.fileAnswers.push_back(reportPath());
    w.submenu_Report->trigger();

    ASSERT_TRUE(fake.dialogs.errors.empty()) << fake.dialogs.errors[0].toStdString();
    EXPECT_TRUE(QFile::exists(reportPath()));
    EXPECT_TRUE(w.statusText().startsWith(QStringLiteral("The company logo is left out: ")))
        << w.statusText().toStdString();
    EXPECT_TRUE(w.statusText().contains(QStringLiteral("is too large a picture for a logo")))
        << w.statusText().toStdString();
}

// A long report shows its progress and can be cancelled: then no file is
// written (an earlier one of that name stays as it was) and no viewer opens.
TEST_F(MainFormReportTest, ACancelledReportLeavesNoFile)
{
    TMainForm &w = startMeasured();
    for (const bool earlier : {false, true}) {
        SCOPED_TRACE(earlier ? "over an earlier report" : "new file");
        if (earlier) {
            QFile f(reportPath());
            ASSERT_TRUE(f.open(QIODevice::WriteOnly));
            f.write("the earlier report");
        }
        for (const int cancelAt : {1, 2, 3}) {
            fake.progress.cancelAtStep = cancelAt;
            fake.dialogs.fileAnswers.push_back(reportPath());
            w.submenu_Report->trigger();
            EXPECT_TRUE(fake.dialogs.errors.empty());
            EXPECT_EQ(QFile::exists(reportPath()), earlier) << cancelAt;
            EXPECT_TRUE(fake.shell.calls.empty());
            EXPECT_EQ(w.statusText(), QStringLiteral("Report cancelled, no file written.")) << cancelAt;
        }
        if (earlier) {
            QFile f(reportPath());
            ASSERT_TRUE(f.open(QIODevice::ReadOnly));
            EXPECT_EQ(f.readAll(), QByteArray("the earlier report"));
        }
    }
    fake.progress.cancelAtStep = 0;
    fake.dialogs.fileAnswers.push_back(reportPath());
    w.submenu_Report->trigger();
    EXPECT_EQ(fake.shell.calls.size(), 1u);
    EXPECT_EQ(fake.progress.jobs.size(), 7u);
    EXPECT_EQ(fake.progress.ended, 7);
}

namespace {

const SigningCertificates &signingCertificates()
{
    static const SigningCertificates made;
    return made;
}

} // namespace

// The settings name a certificate: its password is asked, the protocol is
// signed and carries the measurement; a wrong password writes nothing.
TEST_F(MainFormReportTest, SignsWithTheSettingsCertificateAfterAskingItsPassword)
{
    ASSERT_TRUE(signingCertificates().ok());
    TMainForm &w = startMeasured();
    fake.clock.current = QDateTime::currentDateTime().addSecs(5);
    state().appSettings.SigningCertificate = signingCertificates().path("signer.p12");

    struct Case
    {
        const char *what;
        std::optional<QString> password;
        bool written;
    };
    const Case cases[] = {
        {"cancelled", std::nullopt, false},
        {"wrong password", QStringLiteral("wrong"), false},
        {"right password", SigningCertificates::password(), true},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.what);
        QFile::remove(reportPath());
        fake.dialogs.errors.clear();
        fake.dialogs.passwordQuestions.clear();
        fake.dialogs.fileAnswers.push_back(reportPath());
        if (c.password)
            fake.dialogs.passwordAnswers.push_back(*c.password);
        w.submenu_Report->trigger();
        ASSERT_EQ(fake.dialogs.passwordQuestions.size(), 1u);
        EXPECT_TRUE(fake.dialogs.passwordQuestions[0].contains(QLatin1String("signer.p12")));
        EXPECT_EQ(QFile::exists(reportPath()), c.written);
        EXPECT_EQ(fake.dialogs.errors.empty(), c.password != QStringLiteral("wrong"));
    }
    QFile file(reportPath());
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    const QByteArray pdf = file.readAll();
    const PdfSignatureCheck check = checkPdfSignature(pdf, signingCertificates().path("ca.pem"));
    EXPECT_TRUE(unchangedSinceSigning(check) && check.trusted);
    const AttachedMeasurement attached = attachedMeasurement(pdf);
    EXPECT_EQ(attached.projectBytes, projectFileBytes(state().measurement(), state().projectRecord));
    EXPECT_TRUE(verifyProtocol(pdf, signingCertificates().path("ca.pem")).matchesPrinted);
}
