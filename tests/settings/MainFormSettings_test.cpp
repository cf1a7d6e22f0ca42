#include "SettingsProgram.h"
#include "UnwrittenFifo.h"

#include "state/ProgramState.h"
#include "windows/ImagesForm.h"
#include "windows/CalcForm.h"
#include "windows/DevSelectForm.h"
#include "windows/SafetyAdvisorForm.h"
#include "series/StopTimesModel.h"
#include "windows/AboutForm.h"
#include "settings/IniFile.h"
#include "settings/LanguageTexts.h"
#include "windows/SettingsForm.h"

#include <QAction>
#include <QCheckBox>
#include <QComboBox>
#include <QGroupBox>
#include <QGuiApplication>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QSplitter>
#include <QScreen>
#include <QStringEncoder>
#include <QTableView>
#include <QTextDocument>
#include <QTabWidget>
#include <QToolButton>

namespace {

// Every key of the settings file as a new file holds them: written in the
// order window positions, first "Settings" block, "ListView", second
// "Settings" block, so the second block joins its section.
const QStringList kAllKeys = {
    "Windows Positions/MainWindowLeft", "Windows Positions/MainWindowTop",
    "Windows Positions/CalculatorWindowLeft", "Windows Positions/CalculatorWindowTop",
    "Windows Positions/DeviceSelectWindowLeft", "Windows Positions/DeviceSelectWindowTop",
    "Windows Positions/SettingsWindowLeft", "Windows Positions/SettingsWindowTop",
    "Windows Positions/ImagesWindowLeft", "Windows Positions/ImagesWindowTop",
    "Windows Positions/SafetyAdvisorLeft", "Windows Positions/SafetyAdvisorTop",
    "Settings/Language", "Settings/SoundFile", "Settings/PlaySound", "Settings/UserName",
    "Settings/CompanyName", "Settings/DirectionChangeDetection", "Settings/SSSpeed", "Settings/LastDir",
    "Settings/LastPicturesDir", "Settings/AutoReleaseDistance", "Settings/AutoReleaseByDistance",
    "Settings/AutoReleaseBySpeed", "Settings/DriversFileName", "Settings/LastMachineID", "Settings/LastNote",
    "Settings/AddAnalysisPage", "Settings/LogoFile", "Settings/SigningCertificate", "Settings/TimeStampAuthority",
    "Settings/AttachMeasurement", "ListView/NumberColumnWidth", "ListView/TimeColumnWidth",
    "ListView/ChartSplitter",
};

// "Section/Key=value" for every key line, in file order.
QStringList keyLines(const QByteArray &bytes)
{
    QStringList out;
    QString section;
    for (QString line : QString::fromUtf8(bytes).split(u'\n')) {
        line = line.trimmed();
        if (line.startsWith(u'['))
            section = line.mid(1, line.size() - 2);
        else if (line.contains(u'=') && !line.startsWith(u';'))
            out << section + u'/' + line;
    }
    return out;
}

QStringList keysOnly(const QStringList &lines)
{
    QStringList out;
    for (const QString &l : lines)
        out << l.left(l.indexOf(u'='));
    return out;
}

} // namespace

class MainFormSettings : public SettingsProgram
{
protected:
    // The six windows whose positions the settings file keeps, in its order.
    std::array<QWidget *, 6> positionedWindows()
    {
        return {program->mainForm(), forms().CalcForm(), forms().devselectform(), forms().SettingsForm(),
                forms().imagesform(), forms().SafetyAdvisorForm()};
    }
};

TEST_F(MainFormSettings, WithoutASettingsFileEveryKeyHasItsDefaultAndClosingWritesThemAll)
{
    TMainForm &main = start();
    const AppSettings &s = state().appSettings;
    EXPECT_EQ(main.pos(), QPoint(100, 100));
    EXPECT_EQ(forms().CalcForm()->pos(), QPoint(200, 100));
    EXPECT_EQ(forms().SafetyAdvisorForm()->pos(), QPoint(200, 200));
    EXPECT_EQ(s.Language, QStringLiteral("English"));
    EXPECT_FALSE(s.SoundEnable);
    EXPECT_TRUE(s.SoundFile.isEmpty());
    EXPECT_EQ(s.LastDirectory, defaultFileFolder());
    EXPECT_EQ(s.LastPictureDirectory, defaultPictureFolder());
    EXPECT_EQ(s.DriversFilename, QStringLiteral("install-udev-rule.sh"));
    EXPECT_EQ(main.Edit_Distance->text(), QStringLiteral("100"));
    EXPECT_FALSE(main.CheckBox_Distance->isChecked());
    EXPECT_FALSE(main.CheckBox_Speed->isChecked());
    EXPECT_EQ(main.LW_data->columnWidth(0), 50);
    EXPECT_EQ(main.LW_data->columnWidth(1), 140);
    EXPECT_TRUE(main.Label_MachineID->text().isEmpty());
    EXPECT_TRUE(main.Label_Note->text().isEmpty());
    EXPECT_EQ(state().messageTexts.NoDeviceFound, QStringLiteral("No Zirk device found!"));
    EXPECT_EQ(s.HelpFileName, QStringLiteral("user_manual_en.pdf"));

    EXPECT_TRUE(main.close());
    const QStringList lines = keyLines(settingsBytes());
    EXPECT_EQ(keysOnly(lines), kAllKeys);
    EXPECT_TRUE(lines.contains(QStringLiteral("Settings/SSSpeed=10")));
    EXPECT_TRUE(lines.contains(QStringLiteral("Settings/PlaySound=0")));
    EXPECT_TRUE(lines.contains(QStringLiteral("Settings/LastDir=") + defaultFileFolder()));
    EXPECT_TRUE(lines.contains(QStringLiteral("Settings/LastMachineID=")));
    EXPECT_TRUE(s.AddAnalysisPage);
    EXPECT_TRUE(lines.contains(QStringLiteral("Settings/AddAnalysisPage=1")));
    EXPECT_TRUE(lines.contains(QStringLiteral("Settings/LogoFile=")));
}

TEST_F(MainFormSettings, EveryKeySurvivesARoundTrip)
{
    QList<int> splitter;
    const QString measurements = tempDir.filePath(QStringLiteral("Messungen"));
    const QString pictures = tempDir.filePath(QStringLiteral("Bilder"));
    ASSERT_TRUE(QDir().mkpath(measurements));
    ASSERT_TRUE(QDir().mkpath(pictures));
    {
        TMainForm &main = start();
        const auto windows = positionedWindows();
        for (int i = 0; i < 6; ++i)
            windows[i]->move(11 + i, 21 + i);
        AppSettings &s = state().appSettings;
        s.Language = QStringLiteral("Deutsch");
        s.SoundFile = QStringLiteral("/home/anna/Sounds/gong.wav");
        s.SoundEnable = true;
        s.UserName = QStringLiteral("Jürgen Müller");
        s.CompanyName = QStringLiteral("Sicherheit & Prüfung GmbH");
        s.DirectionChangeDetection = true;
        s.SSSpeed = 12.5;
        s.LastDirectory = measurements;
        s.LastPictureDirectory = pictures;
        s.DriversFilename = QStringLiteral("other-installer.sh");
        main.Edit_Distance->setText(QStringLiteral("250"));
        main.CheckBox_Distance->setChecked(true);
        main.CheckBox_Speed->setChecked(true);
        main.LW_data->setColumnWidth(0, 61);
        main.LW_data->setColumnWidth(1, 171);
        state().setMachine(QStringLiteral("Press 7 = hall B"), QStringLiteral("  after repair; brake 2  "));
        s.AddAnalysisPage = false;
        s.LogoFile = QStringLiteral("logo.png");
        s.SigningCertificate = QStringLiteral("/home/jm/Zertifikate/Jürgen Müller.p12");
        s.TimeStampUrl = QStringLiteral("http://timestamp.example/tsa");
        s.AttachMeasurement = true;
        // The divider between chart and list moved well up.
        const QList<int> before = main.Splitter_Chart->sizes();
        main.Splitter_Chart->setSizes({130, before[0] + before[1] - 130});
        splitter = main.Splitter_Chart->sizes();
        EXPECT_TRUE(main.close());
    }
    const QStringList lines = keyLines(settingsBytes());
    EXPECT_EQ(keysOnly(lines), kAllKeys);
    EXPECT_TRUE(lines.contains(QStringLiteral("Settings/SSSpeed=12.5")));
    EXPECT_TRUE(lines.contains(QStringLiteral("Settings/DirectionChangeDetection=1")));
    EXPECT_TRUE(lines.contains(QStringLiteral("Settings/PlaySound=1")));

    TMainForm &main = start();
    const auto windows = positionedWindows();
    for (int i = 0; i < 6; ++i)
        EXPECT_EQ(windows[i]->pos(), QPoint(11 + i, 21 + i)) << i;
    const AppSettings &s = state().appSettings;
    EXPECT_FALSE(s.AddAnalysisPage);
    EXPECT_EQ(s.LogoFile, QStringLiteral("logo.png"));
    EXPECT_EQ(s.SigningCertificate, QStringLiteral("/home/jm/Zertifikate/Jürgen Müller.p12"));
    EXPECT_EQ(s.TimeStampUrl, QStringLiteral("http://timestamp.example/tsa"));
    EXPECT_TRUE(s.AttachMeasurement);
    EXPECT_EQ(splitter.value(0), 130);
    EXPECT_EQ(main.Splitter_Chart->sizes(), splitter);
    EXPECT_EQ(s.Language, QStringLiteral("Deutsch"));
    EXPECT_EQ(s.SoundFile, QStringLiteral("/home/anna/Sounds/gong.wav"));
    EXPECT_TRUE(s.SoundEnable);
    EXPECT_EQ(s.UserName, QStringLiteral("Jürgen Müller"));
    EXPECT_EQ(s.CompanyName, QStringLiteral("Sicherheit & Prüfung GmbH"));
    EXPECT_EQ(s.LastDirectory, measurements);
    EXPECT_EQ(s.LastPictureDirectory, pictures);
    EXPECT_EQ(s.DriversFilename, QStringLiteral("other-installer.sh"));
    EXPECT_EQ(main.Edit_Distance->text(), QStringLiteral("250"));
    EXPECT_TRUE(main.CheckBox_Distance->isChecked());
    EXPECT_TRUE(main.CheckBox_Speed->isChecked());
    EXPECT_EQ(main.LW_data->columnWidth(0), 61);
    EXPECT_EQ(main.LW_data->columnWidth(1), 171);
    // Blanks around a value do not survive an INI file.
    EXPECT_EQ(main.Label_MachineID->text(), QStringLiteral("Press 7 = hall B"));
    EXPECT_EQ(main.Label_Note->text(), QStringLiteral("after repair; brake 2"));
    EXPECT_EQ(forms().devselectform()->Edit_MachineID->text(), QStringLiteral("Press 7 = hall B"));
    EXPECT_EQ(forms().devselectform()->Edit_Note->text(), QStringLiteral("after repair; brake 2"));
}

// On Linux the file dialogs start in the user's folders, not in "C:\", and
// a folder that is gone since the last run is not where they open.
TEST_F(MainFormSettings, FoldersDefaultToHomeAndPicturesAndFallBackWhenGone)
{
    const QString home = tempDir.filePath(QStringLiteral("home"));
    const QString kept = tempDir.filePath(QStringLiteral("projects"));
    ASSERT_TRUE(QDir().mkpath(kept));
    const QByteArray oldHome = qgetenv("HOME");
    const QByteArray oldConfig = qgetenv("XDG_CONFIG_HOME");
    qputenv("HOME", home.toLocal8Bit());
    qunsetenv("XDG_CONFIG_HOME");

    struct Case
    {
        const char *name;
        bool picturesFolder; // the home folder has "Pictures"
        QByteArray settings;
        QString lastDir;
        QString lastPicturesDir;
    };
    const Case cases[] = {
        {"no settings", true, QByteArray(), home + u'/', home + QStringLiteral("/Pictures/")},
        {"no pictures folder", false, QByteArray(), home + u'/', home + u'/'},
        {"a Windows default", true, "[Settings]\nLastDir=C:\\\nLastPicturesDir=C:\\\n", home + u'/',
         home + QStringLiteral("/Pictures/")},
        {"folders that are gone", true,
         "[Settings]\nLastDir=" + tempDir.filePath(QStringLiteral("gone")).toUtf8() + "\nLastPicturesDir="
             + tempDir.filePath(QStringLiteral("gone too/")).toUtf8() + "\n",
         home + u'/', home + QStringLiteral("/Pictures/")},
        {"folders that are there", false,
         "[Settings]\nLastDir=" + kept.toUtf8() + "\nLastPicturesDir=" + kept.toUtf8() + "/\n", kept,
         kept + u'/'},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.name);
        QDir(home).removeRecursively();
        ASSERT_TRUE(QDir().mkpath(c.picturesFolder ? home + QStringLiteral("/Pictures") : home));
        writeSettings(c.settings);
        TMainForm &main = start();
        EXPECT_EQ(state().appSettings.LastDirectory, c.lastDir);
        EXPECT_EQ(state().appSettings.LastPictureDirectory, c.lastPicturesDir);
        EXPECT_TRUE(main.close());
        EXPECT_TRUE(settingsBytes().contains(("LastDir=" + c.lastDir).toUtf8())) << settingsBytes().constData();
        program.reset();
    }
    qputenv("HOME", oldHome);
    if (!oldConfig.isNull())
        qputenv("XDG_CONFIG_HOME", oldConfig);
}

TEST_F(MainFormSettings, StartUpResetsDirectionChangeDetectionAndStandstillSpeed)
{
    writeSettings("[Settings]\nDirectionChangeDetection=1\nSSSpeed=25\n");
    TMainForm &main = start();
    EXPECT_FALSE(state().appSettings.DirectionChangeDetection);
    EXPECT_EQ(state().appSettings.SSSpeed, 10.0);

    // Switched on in the settings dialog, the option reaches the file.
    fake.dialogs.onModal = [](QDialog *d) {
        d->show();
        static_cast<TSettingsForm *>(d)->CHB_DirectionChangeDetection->setChecked(true);
        return int(QDialog::Accepted);
    };
    main.submenu_SettingsClick();
    EXPECT_TRUE(main.close());
    EXPECT_TRUE(keyLines(settingsBytes()).contains(QStringLiteral("Settings/DirectionChangeDetection=1")));
}

TEST_F(MainFormSettings, StandstillSpeedIsWrittenWithTheLocalesSeparator)
{
    QLocale::setDefault(QLocale(QLocale::German, QLocale::Germany));
    writeSettings("[Settings]\nSSSpeed=12,5\n");
    TMainForm &main = start();
    state().appSettings.SSSpeed = 12.5;
    EXPECT_TRUE(main.close());
    EXPECT_TRUE(keyLines(settingsBytes()).contains(QStringLiteral("Settings/SSSpeed=12,5")));
}

TEST_F(MainFormSettings, UnknownKeysAndSectionsStayWhereTheyWere)
{
    const QByteArray before = "; written by hand\r\n"
                              "[Settings]\r\n"
                              "Colour=blue\r\n"
                              "language=German\r\n"
                              "; keep me\r\n"
                              "\r\n"
                              "[Calibration lab]\r\n"
                              "Phone=+49 30 1234\r\n"
                              "[ListView]\r\n"
                              "NumberColumnWidth=abc\r\n";
    writeSettings(before);
    TMainForm &main = start();
    EXPECT_EQ(main.LW_data->columnWidth(0), 50); // not a number: default
    EXPECT_TRUE(main.close());

    const QString after = QString::fromUtf8(settingsBytes());
    EXPECT_TRUE(after.startsWith(QStringLiteral("; written by hand\r\n[Settings]\r\nColour=blue\r\nlanguage=German\r\n")))
        << after.toStdString();
    // New keys join the end of their section, before the blank line that
    // parts it from the next; new sections go to the end of the file.
    EXPECT_TRUE(after.contains(QStringLiteral("; keep me\r\nSoundFile=\r\n"))) << after.toStdString();
    EXPECT_TRUE(after.contains(QStringLiteral("LastNote=\r\nAddAnalysisPage=1\r\nLogoFile=\r\nSigningCertificate=\r\n"
                                              "TimeStampAuthority=\r\nAttachMeasurement=0\r\n\r\n[Calibration lab]\r\nPhone=+49 30 1234\r\n"
                                              "[ListView]\r\nNumberColumnWidth=50\r\nTimeColumnWidth=140\r\n"
                                              "ChartSplitter=")))
        << after.toStdString();
    EXPECT_TRUE(after.contains(QStringLiteral("\r\n[Windows Positions]\r\nMainWindowLeft=100\r\n"))) << after.toStdString();
    EXPECT_EQ(after.count(QStringLiteral("[Settings]")), 1);
}

TEST_F(MainFormSettings, ASettingsFileOverAMegabyteIsReadAndKeptWhole)
{
    QByteArray before = "[Settings]\r\nUserName=Jana Novak\r\nCompanyName=Acme Presses\r\n"
                        "LastMachineID=Press 7\r\nColour=blue\r\n";
    while (before.size() < 1'088'663)
        before += "; a note the user keeps beside the settings\r\n";
    writeSettings(before);
    TMainForm &main = start();
    EXPECT_EQ(state().appSettings.UserName, QStringLiteral("Jana Novak"));
    EXPECT_EQ(state().appSettings.CompanyName, QStringLiteral("Acme Presses"));
    EXPECT_EQ(main.Label_MachineID->text(), QStringLiteral("Press 7"));
    EXPECT_TRUE(fake.dialogs.errors.empty());

    EXPECT_TRUE(main.close());
    const QByteArray after = settingsBytes();
    EXPECT_GT(after.size(), before.size());
    EXPECT_TRUE(after.contains("Colour=blue\r\n"));
    EXPECT_EQ(after.count("; a note the user keeps beside the settings\r\n"),
              before.count("; a note the user keeps beside the settings\r\n"));
}

TEST_F(MainFormSettings, ASettingsFileThatCannotBeReadIsToldOnceAndNeverWrittenOver)
{
    struct Case
    {
        const char *name;
        bool fifo; // else a folder
    };
    const Case cases[] = {{"a FIFO nobody writes to", true}, {"a folder", false}};
    for (const Case &c : cases) {
        SCOPED_TRACE(c.name);
        const QString fileName = settingsFilePath();
        QFile::remove(fileName);
        QDir(fileName).removeRecursively();
        std::unique_ptr<UnwrittenFifo> fifo;
        if (c.fifo) {
            fifo = std::make_unique<UnwrittenFifo>(fileName);
            ASSERT_TRUE(fifo->made());
        } else {
            ASSERT_TRUE(QDir().mkpath(fileName));
        }
        fake.dialogs.errors.clear();

        TMainForm &main = start();
        EXPECT_EQ(state().appSettings.Language, QStringLiteral("English"));
        EXPECT_EQ(main.pos(), QPoint(100, 100));
        ASSERT_EQ(fake.dialogs.errors.size(), 1u);
        EXPECT_TRUE(fake.dialogs.errors[0].contains(QDir::toNativeSeparators(fileName)))
            << fake.dialogs.errors[0].toStdString();

        // Closing neither writes nor complains again.
        EXPECT_TRUE(main.close());
        EXPECT_EQ(fake.dialogs.errors.size(), 1u);
        if (c.fifo) {
            EXPECT_FALSE(fifo->rescued()) << "the FIFO was opened";
            EXPECT_TRUE(fifo->stillFifo());
        } else {
            EXPECT_TRUE(QFileInfo(fileName).isDir());
        }
        program.reset();
    }
}

TEST_F(MainFormSettings, BadSettingsFilesGiveDefaults)
{
    QByteArray garbage;
    for (int i = 0; i < 4096; ++i)
        garbage.append(char((i * 131) ^ (i >> 3)));
    struct Case { const char *name; QByteArray bytes; };
    const Case cases[] = {
        {"empty", QByteArray()},
        {"garbage", garbage},
        {"UTF-16 without BOM", QByteArray("[\0S\0e\0t\0t\0i\0n\0g\0s\0]\0\n\0", 22)},
        {"absurd values", "[Windows Positions]\nMainWindowLeft=1e9\n[ListView]\nNumberColumnWidth=-5\n"
                          "TimeColumnWidth=2147483647\n[Settings]\nPlaySound=yes\nSSSpeed=fast\n"},
    };
    for (const Case &c : cases) {
        writeSettings(c.bytes);
        TMainForm &main = start();
        EXPECT_EQ(main.pos(), QPoint(100, 100)) << c.name;
        EXPECT_EQ(main.LW_data->columnWidth(0), 50) << c.name;
        EXPECT_EQ(main.LW_data->columnWidth(1), 140) << c.name;
        EXPECT_FALSE(state().appSettings.SoundEnable) << c.name;
        EXPECT_EQ(state().appSettings.Language, QStringLiteral("English")) << c.name;
        EXPECT_TRUE(main.close()) << c.name;
        EXPECT_EQ(keysOnly(keyLines(settingsBytes())).size() >= kAllKeys.size(), true) << c.name;
        program.reset();
    }
}

TEST_F(MainFormSettings, WindowsBeyondTheRightOrBottomEdgeComeBackOnScreen)
{
    const QSize screen = QGuiApplication::primaryScreen()->geometry().size();
    const int w = screen.width();
    const int h = screen.height();
    writeSettings(QStringLiteral("[Windows Positions]\n"
                                 "MainWindowLeft=%1\nMainWindowTop=%2\n"
                                 "CalculatorWindowLeft=%3\nCalculatorWindowTop=%4\n"
                                 "DeviceSelectWindowLeft=-500\nDeviceSelectWindowTop=-300\n"
                                 "SettingsWindowLeft=%5\nSettingsWindowTop=%6\n")
                      .arg(w - 50).arg(h - 50).arg(w - 49).arg(h - 49).arg(w * 3).arg(h * 3)
                      .toLatin1());
    TMainForm &main = start();
    EXPECT_EQ(main.pos(), QPoint(w - 50, h - 50));
    EXPECT_EQ(forms().CalcForm()->pos(), QPoint(w / 2, h / 2));
    EXPECT_EQ(forms().devselectform()->pos(), QPoint(-500, -300));
    EXPECT_EQ(forms().SettingsForm()->pos(), QPoint(w / 2, h / 2));
}

// The other windows are made at their first use: until then the settings
// keep their places as read, and once made they stand there.
TEST_F(MainFormSettings, AWindowNotYetMadeKeepsItsPlaceInTheSettings)
{
    writeSettings("[Windows Positions]\nCalculatorWindowLeft=310\nCalculatorWindowTop=220\n"
                  "ImagesWindowLeft=99999\nImagesWindowTop=40\n");
    {
        TMainForm &main = start();
        const auto made = forms().positionedWindows();
        EXPECT_EQ(made[0], &main);
        for (std::size_t i = 1; i < made.size(); ++i)
            EXPECT_EQ(made[i], nullptr) << i;
        EXPECT_TRUE(main.close());
    }
    QStringList lines = keyLines(settingsBytes());
    EXPECT_TRUE(lines.contains(QStringLiteral("Windows Positions/CalculatorWindowLeft=310")));
    EXPECT_TRUE(lines.contains(QStringLiteral("Windows Positions/CalculatorWindowTop=220")));
    // Clamped at start, as a window that is made then would be.
    const int half = QGuiApplication::primaryScreen()->geometry().width() / 2;
    EXPECT_TRUE(lines.contains(QStringLiteral("Windows Positions/ImagesWindowLeft=%1").arg(half)));

    TMainForm &main = start();
    main.submenu_Calculator->trigger();
    ASSERT_NE(forms().positionedWindows()[1], nullptr);
    EXPECT_EQ(forms().CalcForm()->pos(), QPoint(310, 220));
    forms().CalcForm()->move(330, 240);
    EXPECT_TRUE(main.close());
    lines = keyLines(settingsBytes());
    EXPECT_TRUE(lines.contains(QStringLiteral("Windows Positions/CalculatorWindowLeft=330")));
}

TEST_F(MainFormSettings, AFailedWriteIsReportedAndKeepsTheProgramOpen)
{
    // The settings folder would have to be made inside a file.
    const QString blocker = tempDir.filePath(QStringLiteral("blocker"));
    writeFile(blocker, "x");
    qputenv("ZIRK_CONFIG_DIR", QDir(blocker).filePath(QStringLiteral("zirk")).toLocal8Bit());
    TMainForm &main = start();
    EXPECT_FALSE(main.close());
    ASSERT_EQ(fake.dialogs.errors.size(), 1u);
    EXPECT_EQ(fake.dialogs.errors[0], QStringLiteral("Unable to write to ") + settingsFilePath());
}

// With a settings folder the user cannot write to, every close used to fail
// the same way: only killing the program ended it.
TEST_F(MainFormSettings, AfterAFailedWriteASecondCloseRequestClosesWithoutTheSettings)
{
    const QString blocker = tempDir.filePath(QStringLiteral("blocker"));
    writeFile(blocker, "x");
    qputenv("ZIRK_CONFIG_DIR", QDir(blocker).filePath(QStringLiteral("zirk")).toLocal8Bit());
    TMainForm &main = start();
    main.ZpracujHodnotu_ms(120.0);

    fake.dialogs.confirmAnswers = {mrOk};
    EXPECT_FALSE(main.close());
    ASSERT_EQ(fake.dialogs.errors.size(), 1u);

    // The series still asks first; Cancel keeps the program open.
    fake.dialogs.confirmAnswers = {mrCancel};
    EXPECT_FALSE(main.close());
    fake.dialogs.confirmAnswers = {mrOk};
    EXPECT_TRUE(main.close());
    EXPECT_EQ(fake.dialogs.errors.size(), 1u);
    EXPECT_EQ(fake.dialogs.questions.size(), 3u);
    EXPECT_FALSE(QFileInfo::exists(settingsFilePath()));
}

TEST_F(MainFormSettings, ALanguageFileWithOneKeyChangesOnlyThatText)
{
    writeLanguage(QStringLiteral("Custom"), "[HMI]\r\nInvalidFileText=Datei kaputt\r\n");
    writeSettings("[Settings]\nLanguage=Custom\n");
    TMainForm &main = start();
    EXPECT_EQ(state().messageTexts.InvalidFile, QStringLiteral("Datei kaputt"));
    EXPECT_EQ(state().messageTexts.NoDeviceFound, QStringLiteral("No Zirk device found!"));
    EXPECT_EQ(main.submenu_Exit->text(), QStringLiteral("Exit"));
    EXPECT_EQ(main.Label_SafetyDevice->text(), QStringLiteral("Vertical Light Curtain"));
    EXPECT_EQ(state().appSettings.HelpFileName, QStringLiteral("user_manual_en.pdf"));
}

// A language file is text: a caption, a message or a hint that looks like
// markup shows as it was typed, in every window, also where the program
// copies it (the device kind's name on the main window, the status bar).
TEST_F(MainFormSettings, TextsFromALanguageFileAreNeverMarkup)
{
    QByteArray file;
    QString section;
    for (const LanguageKey &k : languageKeys()) {
        if (k.target == TextTarget::HelpFileName)
            continue;
        if (section != QLatin1String(k.section)) {
            section = QLatin1String(k.section);
            file += "[" + QByteArray(k.section) + "]\n";
        }
        file += QByteArray(k.key) + "=<b>x</b>\n";
    }
    writeLanguage(QStringLiteral("Markup"), file);
    writeSettings("[Settings]\nLanguage=Markup\n");
    TMainForm &main = start();
    main.setStatusText(state().messageTexts.DeviceReady);

    const QString typed = QStringLiteral("<b>x</b>");
    // What a tool tip shows of its text.
    const auto shownTip = [](const QString &tip) {
        if (!Qt::mightBeRichText(tip))
            return tip;
        QTextDocument document;
        document.setHtml(tip);
        return document.toPlainText();
    };
    QList<QWidget *> windows = {&main};
    for (QWidget *w : positionedWindows())
        windows << w;
    windows << forms().AboutForm();
    int labels = 0;
    int tips = 0;
    for (QWidget *window : windows) {
        QList<QWidget *> widgets = window->findChildren<QWidget *>();
        widgets << window;
        for (QWidget *widget : widgets) {
            if (auto *label = qobject_cast<QLabel *>(widget); label && label->text() == typed) {
                ++labels;
                EXPECT_EQ(label->textFormat(), Qt::PlainText) << label->objectName().toStdString();
            }
            if (!widget->toolTip().isEmpty() && shownTip(widget->toolTip()).contains(u'x')) {
                ++tips;
                EXPECT_EQ(shownTip(widget->toolTip()), typed) << widget->objectName().toStdString();
            }
        }
    }
    EXPECT_GT(labels, 40);
    EXPECT_GT(tips, 10);
    EXPECT_EQ(main.Label_SafetyDevice->text(), typed);
    EXPECT_EQ(main.StatusBar1->text(), typed);
}

TEST_F(MainFormSettings, AnEmptyValueIsAnEmptyCaption)
{
    writeLanguage(QStringLiteral("Custom"), "[MainMenu]\nExit=\n");
    writeSettings("[Settings]\nLanguage=Custom\n");
    TMainForm &main = start();
    EXPECT_EQ(main.submenu_Exit->text(), QString());
    EXPECT_EQ(main.submenu_Open->text(), QStringLiteral("Open"));
}

TEST_F(MainFormSettings, ALanguageFileInUtf16WithBomIsRead)
{
    writeLanguage(QStringLiteral("Polski"),
                  QByteArray("\xFF\xFE", 2)
                      + QStringEncoder(QStringConverter::Utf16LE)
                            .encode(QStringLiteral("[DevicesWindow]\r\nVLCText=Kurtyna \u015bwietlna pionowa\r\n")));
    writeSettings("[Settings]\nLanguage=Polski\n");
    TMainForm &main = start();
    EXPECT_EQ(main.Label_SafetyDevice->text(), QStringLiteral("Kurtyna \u015bwietlna pionowa"));
    EXPECT_EQ(state().safetyDevice().Name, QStringLiteral("Kurtyna \u015bwietlna pionowa"));
}

TEST_F(MainFormSettings, SwitchingBackToEnglishRestoresEveryTextAlsoInClosedWindows)
{
    installShippedLanguage("German");
    writeSettings("[Settings]\nLanguage=German\n");
    TMainForm &main = start();
    Tdevselectform *sel = forms().devselectform();
    TSettingsForm *settings = forms().SettingsForm();
    struct Caption { const char *name; std::function<QString()> text; const char *german; const char *english; };
    const Caption captions[] = {
        {"menu", [&] { return main.menu_file->title(); }, "Datei", "File"},
        {"about item", [&] { return main.submenu_about->text(); }, "Über...", "About..."},
        {"group box", [&] { return main.GroupBox2->title(); }, "Statistik", "Statistics"},
        {"hint", [&] { return main.SB_Start->toolTip(); }, "Messung starten", "Start Measurement"},
        {"column", [&] { return main.stopTimesModel()->headerData(1, Qt::Horizontal, Qt::DisplayRole).toString(); },
         "Nachlaufzeit [ms]", "Stop Time [ms]"},
        {"message", [&] { return state().messageTexts.CloseQuery; },
         "Möchten Sie das Programm wirklich beenden? Alle Daten gehen verloren!",
         "Are you sure you want to quit? All data will be lost!"},
        {"device select title", [&] { return sel->windowTitle(); }, "Schutzeinrichtung wählen", "Device Select"},
        {"device select tab", [&] { return sel->PageControl1->tabText(4); }, "Not-Halt", "E-stop"},
        {"device select heading", [&] { return sel->Label25->text(); }, "Schaltmatte", "Preassure Sensitive Mat"},
        {"device select cancel", [&] { return sel->Button_Cancel->text(); }, "Abbrechen", "Cancel"},
        {"settings label", [&] { return settings->Label_NameCaption->text(); }, "Name:", "Use Name:"},
        {"settings hint", [&] { return settings->Button2->toolTip(); }, "Ton testen", "Sound Test"},
        {"about title", [&] { return forms().AboutForm()->windowTitle(); }, "Über...", "About..."},
        {"calculator title", [&] { return forms().CalcForm()->windowTitle(); }, "Sicherheitsabstandsrechner",
         "Calculator"},
        {"calculator tab", [&] { return forms().CalcForm()->PageControl1->tabText(4); }, "Not-Halt", "E-stop"},
        {"calculator label", [&] { return forms().CalcForm()->Label26->text(); }, "Nachlaufzeit t:", "Stop Time t:"},
        {"calculator button", [&] { return forms().CalcForm()->Button1->text(); }, "Schließen", "Close"},
        {"images check box", [&] { return forms().imagesform()->CheckBox1->text(); }, "In den PDF-Bericht aufnehmen",
         "Include in pdf Report"},
        {"device caption", [&] { return main.Label_SafetyDevice->text(); }, "Vertikaler Lichtvorhang",
         "Vertical Light Curtain"},
    };
    for (const Caption &c : captions)
        EXPECT_EQ(c.text(), QString::fromUtf8(c.german)) << c.name;

    // No English.ini in the Languages folder: the built-in texts apply.
    fake.dialogs.onModal = [](QDialog *d) {
        d->show();
        static_cast<TSettingsForm *>(d)->ComboBox_Language->setEditText(QStringLiteral("English"));
        return int(QDialog::Accepted);
    };
    main.submenu_SettingsClick();
    EXPECT_EQ(state().appSettings.Language, QStringLiteral("English"));
    for (const Caption &c : captions)
        EXPECT_EQ(c.text(), QString::fromUtf8(c.english)) << c.name;
    // The device's name follows, so that what is saved or reported next
    // names it as the window does.
    EXPECT_EQ(state().safetyDevice().Name, QStringLiteral("Vertical Light Curtain"));
}

TEST_F(MainFormSettings, HelpOpensTheManualOfTheLanguage)
{
    QDir(dataDir.path()).mkdir(QStringLiteral("Docs"));
    TMainForm &main = start();
    main.submenu_help->trigger();
    ASSERT_EQ(fake.shell.calls.size(), 1u);
    EXPECT_EQ(fake.shell.calls[0].target, dataDir.filePath(QStringLiteral("Docs/user_manual_en.pdf")));

    writeLanguage(QStringLiteral("Custom"), "[HMI]\nHelpFileName=handbuch.pdf\n");
    state().appSettings.Language = QStringLiteral("Custom");
    main.NactiTexty();
    main.submenu_help->trigger();
    ASSERT_EQ(fake.shell.calls.size(), 2u);
    EXPECT_TRUE(fake.shell.calls[1].target.endsWith(QStringLiteral("/Docs/handbuch.pdf")));
}

TEST_F(MainFormSettings, DriversInstallationAsksFirstAndStartsTheInstaller)
{
    writeSettings("[Settings]\nDriversFileName=setup-zirk.sh\n");
    TMainForm &main = start();
    fake.dialogs.confirmAnswers = {mrCancel};
    main.submenu_Driversinstall->trigger();
    ASSERT_EQ(fake.dialogs.questions.size(), 1u);
    EXPECT_EQ(fake.dialogs.questions[0], state().messageTexts.DriversInstall);
    EXPECT_TRUE(fake.shell.calls.empty());

    fake.dialogs.confirmAnswers = {mrOk};
    main.submenu_Driversinstall->trigger();
    ASSERT_EQ(fake.shell.calls.size(), 1u);
    EXPECT_TRUE(fake.shell.calls[0].target.endsWith(QStringLiteral("/Drivers/Install/setup-zirk.sh")));
}

TEST_F(MainFormSettings, AboutBoxIsCentredOverTheMainWindowAndOpensTheWebAddress)
{
    TMainForm &main = start();
    TAboutForm *about = forms().AboutForm();
    main.submenu_about->trigger();
    ASSERT_EQ(fake.dialogs.modalShown.size(), 1u);
    EXPECT_EQ(fake.dialogs.modalShown[0], about);
    EXPECT_EQ(about->x(), main.x() + (main.width() - about->width()) / 2);
    EXPECT_EQ(about->y(), main.y() + (main.height() - about->height()) / 2);
    EXPECT_TRUE(about->Memo2->toPlainText().isEmpty());

    // Once an instrument has been identified, the box shows its lines.
    state().AboutDeviceLines = {QStringLiteral("SS Speed: 10 mm/s"), QStringLiteral("SN: 00A1B2C3D4E5F6")};
    fake.dialogs.onModal = [](QDialog *d) {
        d->show();
        d->hide();
        return int(QDialog::Accepted);
    };
    main.submenu_about->trigger();
    EXPECT_EQ(about->Memo2->toPlainText(), QStringLiteral("SS Speed: 10 mm/s\nSN: 00A1B2C3D4E5F6"));
    EXPECT_TRUE(about->Memo1->toPlainText().contains(QStringLiteral("Ver 5.01 Build 190710")));

    about->Label1MouseEnter();
    EXPECT_EQ(about->Label1->palette().color(QPalette::WindowText), QColor(Qt::blue));
    about->Label1MouseLeave();
    EXPECT_EQ(about->Label1->palette().color(QPalette::WindowText), QColor(Qt::black));
    about->Label1Click();
    ASSERT_EQ(fake.shell.calls.size(), 1u);
    EXPECT_EQ(fake.shell.calls[0].target, kMakerWebAddress);
}

// The locale of one test, as LC_ALL names it, and the one before after it.
class LocaleScope
{
public:
    explicit LocaleScope(const char *locale) : m_before(qgetenv("LC_ALL")) { qputenv("LC_ALL", locale); }
    ~LocaleScope() { qputenv("LC_ALL", m_before); }
    LocaleScope(const LocaleScope &) = delete;
    LocaleScope &operator=(const LocaleScope &) = delete;

private:
    QByteArray m_before;
};

// The user name and company come back as typed, and the settings file keeps
// its encoding: UTF-8 stays UTF-8, a single-byte file (an older version, the
// Windows program) is read and written in the locale's Windows code page,
// and a name that code page cannot hold turns the file into UTF-8.
TEST_F(MainFormSettings, NamesAreKeptWholeAndTheFileKeepsItsEncoding)
{
    struct Case
    {
        const char *what;
        const char *locale;
        QByteArray before;   // the file's bytes at start
        QString userName;    // as read
        QString companyName;
        QString typedName;   // the user's new name; empty: unchanged
        QByteArray expected; // the file's first lines after closing
    };
    const Case cases[] = {
        {"UTF-8 stays UTF-8", "C.UTF-8",
         QStringLiteral("[Settings]\nUserName=José Ω\nCompanyName=Ωmega Prüf GmbH\n").toUtf8(),
         QStringLiteral("José Ω"), QStringLiteral("Ωmega Prüf GmbH"), QString(),
         QStringLiteral("[Settings]\nUserName=José Ω\nCompanyName=Ωmega Prüf GmbH\n").toUtf8()},
        {"Czech Windows-1250 stays Windows-1250", "cs_CZ.UTF-8",
         "[Settings]\nUserName=Ji\xF8\xED Dvo\xF8\xE1k\nCompanyName=\x8Akoda Plze\xF2\n",
         QStringLiteral("Jiří Dvořák"), QStringLiteral("Škoda Plzeň"), QStringLiteral("Jiří Dvořák ml."),
         "[Settings]\nUserName=Ji\xF8\xED Dvo\xF8\xE1k ml.\nCompanyName=\x8Akoda Plze\xF2\n"},
        {"Western Windows-1252 stays Windows-1252", "fr_FR.UTF-8",
         "[Settings]\nUserName=H\xE9l\xE8ne Br\xE8ves\nCompanyName=Presses \xE0 chaud\n",
         QStringLiteral("Hélène Brèves"), QStringLiteral("Presses à chaud"), QString(),
         "[Settings]\nUserName=H\xE9l\xE8ne Br\xE8ves\nCompanyName=Presses \xE0 chaud\n"},
        {"a name Windows-1252 lacks makes it UTF-8", "fr_FR.UTF-8",
         "[Settings]\nUserName=H\xE9l\xE8ne\nCompanyName=Presses \xE0 chaud\n", QStringLiteral("Hélène"),
         QStringLiteral("Presses à chaud"), QStringLiteral("Пресс № 4"),
         QStringLiteral("[Settings]\nUserName=Пресс № 4\nCompanyName=Presses à chaud\n").toUtf8()},
        {"Russian Windows-1251", "ru_RU.UTF-8",
         "[Settings]\nUserName=\xC8\xE2\xE0\xED\nCompanyName=\xCF\xF0\xE5\xF1\xF1\n",
         QStringLiteral("Иван"), QStringLiteral("Пресс"), QString(),
         "[Settings]\nUserName=\xC8\xE2\xE0\xED\nCompanyName=\xCF\xF0\xE5\xF1\xF1\n"},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.what);
        const LocaleScope locale(c.locale);
        writeSettings(c.before);
        {
            TMainForm &main = start();
            EXPECT_EQ(state().appSettings.UserName, c.userName);
            EXPECT_EQ(state().appSettings.CompanyName, c.companyName);
            if (!c.typedName.isEmpty())
                state().appSettings.UserName = c.typedName;
            EXPECT_TRUE(main.close());
        }
        const QByteArray after = settingsBytes();
        EXPECT_TRUE(after.startsWith(c.expected)) << after.toStdString();
    }
}

TEST_F(MainFormSettings, TheStandardOfTheSettingsStartsEveryNewMeasurement)
{
    struct Case
    {
        const char *written;  // "Standard=" in the file; nullptr: no such key
        const char *standard; // what a new measurement starts with
        bool keyWritten;      // the key is in the file after closing
    };
    const Case cases[] = {
        {nullptr, "iso13855-2010", false}, // a file of before stays as it was
        {"ansi-b11.19", "ansi-b11.19", true},
        {"iso13855-2031", "iso13855-2010", true}, // a newer program's id: the default
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.written ? c.written : "none");
        writeSettings(c.written ? QByteArray("[Settings]\nStandard=") + c.written + "\n" : QByteArray());
        TMainForm &main = start();
        EXPECT_EQ(state().appSettings.Standard, QLatin1String(c.standard));
        EXPECT_EQ(state().distanceChoice().standardId, QLatin1String(c.standard));
        // File > New starts over with the settings' standard and no entries.
        DistanceChoice entered = DistanceChoice::of(QStringLiteral("iso13855-2024"));
        entered.installedMm = 700;
        state().setDistanceChoice(entered);
        fake.dialogs.confirmAnswers.push_back(mrOk);
        fake.dialogs.onModal = [](QDialog *) { return int(QDialog::Rejected); };
        main.submenu_New->trigger();
        EXPECT_EQ(state().distanceChoice(), DistanceChoice::of(QLatin1String(c.standard)));
        EXPECT_TRUE(main.close());
        EXPECT_EQ(keyLines(settingsBytes()).contains(QStringLiteral("Settings/Standard=") + QLatin1String(c.standard)),
                  c.keyWritten);
        program.reset();
    }
}
