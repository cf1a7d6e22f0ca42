// What zirk-cli writes is what the window writes: a project saved after New,
// device selection and import, and the protocol written after Open.
#include "CliRunner.h"
#include "ProgramFixture.h"
#include "ProjectFiles.h"

#include "base/NumberFormat.h"
#include "state/ProgramState.h"
#include "windows/DevSelectForm.h"
#include "safety/SafetyDevice.h"

#include <QLabel>
#include <QLineEdit>
#include <QTabWidget>

#include <algorithm>
#include <cmath>
#include <optional>

namespace {

// The lines of a PDF's text that do not depend on when it was written.
QByteArrayList timelessText(const QString &fileName)
{
    QProcess p;
    p.start(QStringLiteral("pdftotext"), {QStringLiteral("-layout"), fileName, QStringLiteral("-")});
    EXPECT_TRUE(p.waitForFinished(30000));
    QByteArrayList lines;
    for (const QByteArray &line : p.readAllStandardOutput().split('\n')) {
        if (!line.startsWith("Date:") && !line.startsWith("Time:"))
            lines.append(line);
    }
    return lines;
}

QByteArray imageList(const QString &fileName)
{
    QProcess p;
    p.start(QStringLiteral("pdfimages"), {QStringLiteral("-list"), fileName});
    EXPECT_TRUE(p.waitForFinished(30000));
    return p.readAllStandardOutput();
}

class ZirkCliSameAsTheWindow : public ProgramFixture
{
protected:
    QString path(const char *name) const { return tempDir.filePath(QLatin1String(name)); }
};

TEST_F(ZirkCliSameAsTheWindow, NewProjectHoldsTheBytesOfSaveAs)
{
    writeBytes(path("a.txt"), "100\n112.5\nabc\n");
    writeBytes(path("b.txt"), "98\r\n\r\n104\r\n");
    const struct
    {
        int kind;
        const char *parameter; // typed into the kind's field
        QStringList options;
    } cases[] = {
        {KindSafetyScanner, "350.5", {"--kind", "scanner", "--height", "350.5"}},
        {KindVerticalLightCurtain, "14", {}},
        {KindVerticalLightCurtain, "30", {"--kind", "vlc", "--d", "30"}},
        // The door's field C holds 0 until typed over; project files keep it.
        {KindDoor, nullptr, {"--kind", "door", "--c", "0"}},
    };
    for (const auto &c : cases) {
        // A program of its own for each: a saved record keeps the bytes
        // behind shorter texts from the last save.
        program.reset();
        TMainForm &window = start();
        Tdevselectform *selection = forms().devselectform();
        fake.dialogs.onModal = [&](QDialog *dialog) {
            if (dialog != selection)
                return int(QDialog::Rejected);
            selection->PageControl1->setCurrentIndex(c.kind);
            if (c.kind == KindVerticalLightCurtain)
                selection->Edit_VLC_d->setText(QLatin1String(c.parameter));
            if (c.kind == KindSafetyScanner)
                selection->Edit_ScannerHeight->setText(QLatin1String(c.parameter));
            selection->Edit_MachineID->setText(QStringLiteral("Press 4"));
            selection->Edit_Note->setText(QString::fromUtf8("Süd, after repair"));
            return int(QDialog::Accepted);
        };
        fake.dialogs.confirmAnswers.push_back(mrOk);
        window.submenu_NewClick();
        fake.dialogs.fileAnswers = {path("a.txt"), path("b.txt"), path("window.zPRJ")};
        window.Import1Click();
        window.Import1Click();
        window.submenu_SaveAsClick();
        ASSERT_TRUE(fake.dialogs.errors.empty()) << fake.dialogs.errors.front().toStdString();

        const QStringList call = QStringList{"new-project", "-o", path("cli.zPRJ"), "--import", path("a.txt"),
                                             "--import", path("b.txt"), "--machine-id", "Press 4", "--note",
                                             QString::fromUtf8("Süd, after repair")}
                                 + c.options;
        const CliRun run = runCli(call);
        ASSERT_EQ(run.exitCode, 0) << run.err.constData();
        EXPECT_EQ(readBytes(path("cli.zPRJ")), readBytes(path("window.zPRJ"))) << callText(call);
    }
}

TEST_F(ZirkCliSameAsTheWindow, ReportIsTheProtocolOfTheOpenedProject)
{
    TestProject p = lightCurtainProject({100, 120, 110, 105, 98, 131.5, 102, 99, 101, 140, 97, 103});
    p.record.setStandstillSpeed(10);
    setAscii(p.record, ProjectRecord::Text::SerialNumber, "ZK-00042");
    p.record.setCalibrationYear(2024);
    p.record.setCalibrationMonth(11);
    p.record.setCalibrationDay(2);
    setAscii(p.record, ProjectRecord::Text::MachineID, "Press 4");
    p.record.setText(ProjectRecord::Text::Note, QByteArray("S\xFC" "d"));
    setAscii(p.record, ProjectRecord::Text::PictureNote1, "Light curtain, operator side");
    setAscii(p.record, ProjectRecord::Text::PictureNote2, "not printed");
    setAscii(p.record, ProjectRecord::Text::PictureNote4, "Rear guard");
    p.record.setIncludePicture(1, true);
    p.record.setIncludePicture(4, true);
    p.pictures[0] = testPicture(64, 48);
    p.pictures[1] = testPicture(32, 24);
    p.pictures[2] = testPicture(40, 30);
    writeProject(path("press.zPRJ"), p);

    TMainForm &window = start();
    state().appSettings.CompanyName = QStringLiteral("ACME");
    state().appSettings.UserName = QStringLiteral("J. Doe");
    fake.dialogs.fileAnswers = {path("press.zPRJ"), path("window.pdf")};
    window.submenu_OpenClick();
    window.Generuj_Report();
    ASSERT_TRUE(fake.dialogs.errors.empty()) << fake.dialogs.errors.front().toStdString();

    const CliRun run = runCli({"report", path("press.zPRJ"), "-o", path("cli.pdf"), "--company", "ACME", "--user",
                               "J. Doe", "--json"});
    ASSERT_EQ(run.exitCode, 0) << run.err.constData();
    // Protocol, analysis page and two picture pages.
    EXPECT_EQ(run.json().value("pages").toInt(), 5);
    EXPECT_EQ(timelessText(path("cli.pdf")), timelessText(path("window.pdf")));
    EXPECT_EQ(imageList(path("cli.pdf")), imageList(path("window.pdf")));
    EXPECT_TRUE(imageList(path("cli.pdf")).contains(" 64    48 ")) << imageList(path("cli.pdf")).constData();
}

// The distance line of a protocol, spaces folded.
QString distanceLine(const QString &fileName)
{
    for (const QByteArray &line : timelessText(fileName)) {
        if (line.contains("Safety Distance:"))
            return QString::fromUtf8(line).simplified();
    }
    return QStringLiteral("(no distance line)");
}

// One measurement, the window and zirk-cli side by side: the window's
// result, its protocol's distance line, and zirk-cli's stats and report
// on the project the window saved, all agree, and where the series gives
// no distance every one of them says so.
TEST_F(ZirkCliSameAsTheWindow, WindowAndToolAgreeOnTheDistance)
{
    enum class Series { Measured, TwelveThenFive };
    struct Case
    {
        const char *name;
        int kind;
        const char *typed;     // the kind's field on OK; nullptr: none
        const char *cancelled; // typed afterwards, then Cancel; nullptr: not reopened
        int values;
        Series series;
        std::optional<double> expected;
    };
    // Values 100, 107, 114, 121, 128, 100, ...: the greater of mean + 3
    // sigma and the maximum governs; the expected numbers are worked out
    // below from the formula of the kind.
    const Case cases[] = {
        {"no values", KindVerticalLightCurtain, "14", nullptr, 0, Series::Measured, std::nullopt},
        {"five values", KindVerticalLightCurtain, "14", nullptr, 5, Series::Measured, std::nullopt},
        {"nine values", KindVerticalLightCurtain, "14", nullptr, 9, Series::Measured, std::nullopt},
        {"ten values", KindVerticalLightCurtain, "14", nullptr, 10, Series::Measured, 0},
        {"twelve values", KindVerticalLightCurtain, "14", nullptr, 12, Series::Measured, 0},
        {"twelve, then a project of five", KindVerticalLightCurtain, "14", nullptr, 12, Series::TwelveThenFive,
         std::nullopt},
        {"resolution not a number", KindVerticalLightCurtain, "abc", nullptr, 12, Series::Measured, std::nullopt},
        {"horizontal light curtain", KindHorizontalLightCurtain, "300", nullptr, 12, Series::Measured, 0},
        {"scanner", KindSafetyScanner, "1000", nullptr, 12, Series::Measured, 0},
        {"two-hand control", KindTwoHandControl, nullptr, nullptr, 12, Series::Measured, 0},
        {"emergency stop", KindEmergencyStop, nullptr, nullptr, 12, Series::Measured, 0},
        // The project keeps a door's C and a mat's h.
        {"door", KindDoor, "250", nullptr, 12, Series::Measured, 0},
        {"mat", KindPressureSensitiveMat, "100", nullptr, 12, Series::Measured, 0},
        {"cancel after typing", KindHorizontalLightCurtain, "300", "800", 12, Series::Measured, 0},
    };
    auto value = [](int i) { return 100.0 + 7.0 * (i % 5); };

    for (const Case &c : cases) {
        SCOPED_TRACE(c.name);
        program.reset();
        TMainForm &window = start();
        Tdevselectform *selection = forms().devselectform();
        auto choose = [&](const char *typed, QDialog::DialogCode answer) {
            fake.dialogs.onModal = [&, typed, answer](QDialog *dialog) {
                if (dialog != selection)
                    return int(QDialog::Rejected);
                selection->PageControl1->setCurrentIndex(c.kind);
                if (QLineEdit *edit = selection->parameterEdit(c.kind); edit && typed)
                    edit->setText(QLatin1String(typed));
                return int(answer);
            };
            window.submenu_DeviceSelectClick();
        };
        choose(c.typed, QDialog::Accepted);
        if (c.cancelled)
            choose(c.cancelled, QDialog::Rejected);
        for (int i = 0; i < c.values; ++i)
            window.ZpracujHodnotu_ms(value(i));

        QString project = path("window.zPRJ");
        if (c.series == Series::TwelveThenFive) {
            fake.dialogs.fileAnswers = {path("twelve.zPRJ")};
            window.submenu_SaveAsClick();
            TestProject five = lightCurtainProject({100, 107, 114, 121, 128});
            writeProject(path("five.zPRJ"), five);
            fake.dialogs.fileAnswers = {path("twelve.zPRJ"), path("five.zPRJ")};
            window.submenu_OpenClick();
            window.submenu_OpenClick();
            project = path("five.zPRJ");
        } else {
            fake.dialogs.fileAnswers = {project};
            window.submenu_SaveAsClick();
        }
        fake.dialogs.fileAnswers = {path("window.pdf")};
        window.Generuj_Report();
        ASSERT_TRUE(fake.dialogs.errors.empty()) << fake.dialogs.errors.front().toStdString();

        // The expected distance, worked out here from the kind's formula.
        std::optional<double> expected = c.expected;
        if (expected) {
            std::vector<double> v;
            for (int i = 0; i < c.values; ++i)
                v.push_back(value(i));
            double sum = 0, max = 0, squares = 0;
            for (double x : v) {
                sum += x;
                max = std::max(max, x);
            }
            const double mean = sum / double(v.size());
            for (double x : v)
                squares += (x - mean) * (x - mean);
            const double T = std::max(max, mean + 3 * std::sqrt(squares / double(v.size() - 1))) / 1000;
            switch (c.kind) {
            case KindVerticalLightCurtain: expected = std::max(100.0, 2000 * T); break; // d = 14, below 500 mm
            case KindHorizontalLightCurtain: expected = 1600 * T + 1200 - 0.4 * 300; break;
            case KindSafetyScanner: expected = 1600 * T + 100 + 850; break; // 1200 - 0.4 H raised to 850
            case KindTwoHandControl: expected = 1600 * T + 250; break;
            case KindEmergencyStop: expected = 1600 * T; break;
            case KindDoor: expected = 1600 * T + 250; break;
            case KindPressureSensitiveMat: expected = 1600 * T + 1200 - 0.4 * 100; break;
            }
        }

        // The window.
        const std::optional<double> shown = state().result().distanceMm;
        ASSERT_EQ(shown.has_value(), expected.has_value());
        if (expected) {
            EXPECT_NEAR(*shown, *expected, 1e-9);
        }
        EXPECT_EQ(window.Label_SafetyDistanceValue->text(), shown ? formatDistanceMm(*shown) : kNoValueMm);
        const QString line = shown ? QStringLiteral("Safety Distance: ") + formatDistanceMm(*shown).trimmed()
                + QStringLiteral(" / ") + formatNumber(roundUpTo(*shown / 25.4, 2), 2, 5).trimmed() + QStringLiteral(" Inch")
                                   : QStringLiteral("Safety Distance: -- --- mm");
        EXPECT_EQ(distanceLine(path("window.pdf")), line);

        // zirk-cli on the project the window saved (or opened last).
        const CliRun stats = runCli({"stats", project, "--json"});
        ASSERT_EQ(stats.exitCode, 0) << stats.err.constData();
        const QJsonValue cliMm = stats.json().value("distance_mm");
        ASSERT_EQ(!cliMm.isNull(), shown.has_value()) << stats.out.constData();
        if (shown) {
            EXPECT_DOUBLE_EQ(cliMm.toDouble(), *shown);
        }
        const CliRun report = runCli({"report", project, "-o", path("cli.pdf"), "--no-analysis"});
        ASSERT_EQ(report.exitCode, 0) << report.err.constData();
        EXPECT_EQ(distanceLine(path("cli.pdf")), line);
    }
}

} // namespace
