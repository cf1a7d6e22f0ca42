// What zirk-cli writes is what the window writes: a project saved after New,
// device selection and import, and the protocol written after Open.
#include "CliRunner.h"
#include "ProgramFixture.h"
#include "ProjectFiles.h"

#include "state/ProgramState.h"
#include "windows/DevSelectForm.h"
#include "safety/SafetyDevice.h"

#include <QLineEdit>
#include <QTabWidget>

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
        {KindDoor, nullptr, {"--kind", "door"}},
    };
    for (const auto &c : cases) {
        // A program of its own for each: a saved record keeps the bytes
        // behind shorter texts from the last save.
        program.reset();
        TMainForm &window = start();
        Tdevselectform *selection = forms().devselectform;
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

} // namespace
