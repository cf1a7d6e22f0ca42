#include "SettingsProgram.h"
#include "UnwrittenFifo.h"

#include "ProjectCodePageScope.h"
#include "state/ProgramState.h"
#include "windows/SettingsForm.h"

#include <QAction>
#include <QCheckBox>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QToolButton>

class SettingsDialog : public SettingsProgram
{
protected:
    // Shows the dialog as the real modal loop would, lets the test edit it
    // and closes it with `result`.
    void answer(int result, std::function<void(TSettingsForm &)> edit = {})
    {
        fake.dialogs.onModal = [result, edit](QDialog *d) {
            d->show();
            if (edit)
                edit(*static_cast<TSettingsForm *>(d));
            d->hide();
            return result;
        };
    }
};

TEST_F(SettingsDialog, ShowsTheSettingsAndTheLanguagesThereAre)
{
    writeLanguage(QStringLiteral("German"), "[MainMenu]\n");
    writeLanguage(QStringLiteral("Czech"), "[MainMenu]\n");
    TMainForm &main = start();
    AppSettings &s = state().appSettings;
    s.UserName = QStringLiteral("Anna");
    s.CompanyName = QStringLiteral("ACME");
    s.DirectionChangeDetection = true;
    s.SSSpeed = 12.5;
    s.SoundFile = QStringLiteral("/x/beep.wav");
    s.SoundEnable = true;
    s.Language = QStringLiteral("Klingon");

    TSettingsForm *form = forms().SettingsForm();
    answer(QDialog::Rejected, [](TSettingsForm &f) {
        EXPECT_EQ(f.Edit_Name->text(), QStringLiteral("Anna"));
        EXPECT_EQ(f.Edit_Company->text(), QStringLiteral("ACME"));
        EXPECT_TRUE(f.CHB_DirectionChangeDetection->isChecked());
        EXPECT_EQ(f.Edit_SSSpeed->text(), QStringLiteral("12.5"));
        EXPECT_FALSE(f.Edit_SSSpeed->isEnabled());
        EXPECT_EQ(f.Edit_SoundFile->text(), QStringLiteral("/x/beep.wav"));
        EXPECT_TRUE(f.CHB_SoundEnable->isChecked());
        EXPECT_EQ(f.ComboBox_Language->currentText(), QStringLiteral("Klingon"));
        QStringList items;
        for (int i = 0; i < f.ComboBox_Language->count(); ++i)
            items << f.ComboBox_Language->itemText(i);
        EXPECT_EQ(items, (QStringList{QStringLiteral("Czech"), QStringLiteral("German")}));
    });
    main.SB_Settings->click();
    EXPECT_EQ(fake.dialogs.modalShown.back(), form);
}

TEST_F(SettingsDialog, CancelChangesNothingAndOkTakesEveryField)
{
    TMainForm &main = start();
    const AppSettings before = state().appSettings;
    auto edit = [](TSettingsForm &f) {
        f.Edit_Name->setText(QStringLiteral("Dvořák"));
        f.Edit_Company->setText(QStringLiteral("Prüf-Service"));
        f.CHB_DirectionChangeDetection->setChecked(true);
        f.Edit_SoundFile->setText(QStringLiteral("/sounds/gong.wav"));
        f.CHB_SoundEnable->setChecked(true);
    };
    answer(QDialog::Rejected, edit);
    main.submenu_Settings->trigger();
    EXPECT_EQ(state().appSettings.UserName, before.UserName);
    EXPECT_EQ(state().appSettings.SoundFile, before.SoundFile);
    EXPECT_EQ(state().appSettings.DirectionChangeDetection, before.DirectionChangeDetection);

    answer(QDialog::Accepted, edit);
    main.submenu_Settings->trigger();
    const AppSettings &s = state().appSettings;
    // Name and company are kept as typed, whatever the code page.
    EXPECT_EQ(s.UserName, QStringLiteral("Dvořák"));
    EXPECT_EQ(s.CompanyName, QStringLiteral("Prüf-Service"));
    EXPECT_TRUE(s.DirectionChangeDetection);
    EXPECT_EQ(s.SSSpeed, 10.0);
    EXPECT_EQ(s.SoundFile, QStringLiteral("/sounds/gong.wav"));
    EXPECT_TRUE(s.SoundEnable);
}

TEST_F(SettingsDialog, TheCodePageOfProjectFilesIsTheLocalesUnlessChosen)
{
    // The tests run under LC_ALL=C.UTF-8: Windows would give 1252.
    const ProjectCodePageScope localeAfterwards(0);
    writeSettings("[Settings]\r\nProjectCodePage=1250\r\n");
    TMainForm &main = start();
    EXPECT_EQ(state().appSettings.ProjectCodePage, 1250);
    EXPECT_EQ(projectCodePage(), 1250);

    answer(QDialog::Accepted, [](TSettingsForm &f) {
        EXPECT_EQ(f.ComboBox_CodePage->currentData().toInt(), 1250);
        EXPECT_EQ(f.ComboBox_CodePage->currentText(), QStringLiteral("Windows-1250 (Central European)"));
        EXPECT_EQ(f.ComboBox_CodePage->itemText(0), QStringLiteral("As the system: Windows-1252 (Western European)"));
        f.ComboBox_CodePage->setCurrentIndex(f.ComboBox_CodePage->findData(1251));
    });
    main.submenu_Settings->trigger();
    EXPECT_EQ(state().appSettings.ProjectCodePage, 1251);
    EXPECT_EQ(projectCodePage(), 1251);

    answer(QDialog::Accepted, [](TSettingsForm &f) { f.ComboBox_CodePage->setCurrentIndex(0); });
    main.submenu_Settings->trigger();
    EXPECT_EQ(state().appSettings.ProjectCodePage, 0);
    EXPECT_EQ(projectCodePage(), 1252);
}

TEST_F(SettingsDialog, TextsAreReloadedOnlyWhenTheLanguageChanges)
{
    writeLanguage(QStringLiteral("German"), "[MainMenu]\nExit=Beenden\n");
    TMainForm &main = start();
    main.submenu_Exit->setText(QStringLiteral("marker"));

    answer(QDialog::Accepted); // language text left as it is
    main.submenu_Settings->trigger();
    EXPECT_EQ(main.submenu_Exit->text(), QStringLiteral("marker"));

    // The comparison is exact: another letter case is another language.
    answer(QDialog::Accepted, [](TSettingsForm &f) { f.ComboBox_Language->setEditText(QStringLiteral("german")); });
    main.submenu_Settings->trigger();
    EXPECT_EQ(state().appSettings.Language, QStringLiteral("german"));
    EXPECT_EQ(main.submenu_Exit->text(), QStringLiteral("Beenden"));
}

TEST_F(SettingsDialog, TheSafetyDeviceCaptionFollowsTheLanguage)
{
    writeLanguage(QStringLiteral("German"), "[DevicesWindow]\nTwoHandText=Zweihandschaltung\n");
    TMainForm &main = start();
    acceptDevice(KindTwoHandControl, std::nullopt, QStringLiteral("Two Hand Control"));
    answer(QDialog::Accepted, [](TSettingsForm &f) { f.ComboBox_Language->setEditText(QStringLiteral("German")); });
    main.submenu_Settings->trigger();
    // On screen and in what is saved or reported from now on.
    EXPECT_EQ(main.Label_SafetyDevice->text(), QStringLiteral("Zweihandschaltung"));
    EXPECT_EQ(state().safetyDevice().Name, QStringLiteral("Zweihandschaltung"));
}

TEST_F(SettingsDialog, SoundTestPlaysTheTypedFileAndBrowseProposesTheSoundsFolder)
{
    QDir(dataDir.path()).mkdir(QStringLiteral("Sounds"));
    TMainForm &main = start();
    state().appSettings.LastDirectory = QStringLiteral("/projects");
    TSettingsForm *form = forms().SettingsForm();
    form->FormShow();
    form->CHB_SoundEnable->setChecked(false);
    form->Edit_SoundFile->setText(QStringLiteral("/typed/ding.wav"));
    form->Button2->click();
    ASSERT_EQ(fake.sound.played.size(), 1u);
    EXPECT_EQ(fake.sound.played[0], QStringLiteral("/typed/ding.wav"));

    fake.dialogs.fileAnswers = {QStringLiteral("/chosen/gong.wav")};
    form->Button1->click();
    ASSERT_EQ(fake.dialogs.fileRequests.size(), 1u);
    const FileDialogRequest &r = fake.dialogs.fileRequests[0];
    EXPECT_EQ(r.directory, dataDir.filePath(QStringLiteral("Sounds")));
    EXPECT_EQ(r.filter, QStringLiteral("All files (*.*);;Wav files (*.wav)"));
    EXPECT_EQ(r.selectedFilter, QStringLiteral("Wav files (*.wav)"));
    EXPECT_EQ(form->Edit_SoundFile->text(), QStringLiteral("/chosen/gong.wav"));
    // Cancelling the file dialog keeps the field.
    form->Button1->click();
    EXPECT_EQ(form->Edit_SoundFile->text(), QStringLiteral("/chosen/gong.wav"));
    EXPECT_EQ(state().appSettings.LastDirectory, QStringLiteral("/projects"));
    Q_UNUSED(main);
}

// A damaged or hand-edited settings file that names another file as the
// logo: the dialog neither shows it nor removes it, whatever the user does.
TEST_F(SettingsDialog, ALogoNameThatIsNoCopyOfZirksIsNeitherShownNorRemoved)
{
    for (const char *name : {"victim.txt", "Project_important.zPRJ", "zirk"}) {
        SCOPED_TRACE(name);
        const QString victim = QDir(tempDir.path()).filePath(QLatin1String(name));
        writeFile(victim, "the user's own file\n");
        writeSettings(QByteArray("[Settings]\nLogoFile=") + name + "\n");
        TMainForm &main = start();
        // Said once, at the start.
        EXPECT_TRUE(main.statusText().contains(QStringLiteral("is not Zirk's copy of a logo")))
            << main.statusText().toStdString();
        answer(QDialog::Accepted, [](TSettingsForm &f) {
            EXPECT_EQ(f.Label_LogoFile->text(), QStringLiteral("-"));
            EXPECT_FALSE(f.Button_LogoRemove->isEnabled());
            f.Button_LogoRemove->click(); // disabled: nothing; enabled: must not remove
            f.Button_LogoRemoveClick();
        });
        main.SB_Settings->click();
        EXPECT_TRUE(QFile::exists(victim));
        EXPECT_TRUE(fake.dialogs.errors.empty());
        program.reset(); // writes the settings
        EXPECT_TRUE(QFile::exists(victim));
    }
}

// A FIFO where the logo's copy should be: the start neither hangs nor opens
// it, and the status bar says why there is no logo.
TEST_F(SettingsDialog, AFifoAsTheLogoIsNeverOpened)
{
    writeSettings("[Settings]\nLogoFile=logo.png\n");
    UnwrittenFifo fifo(QDir(tempDir.path()).filePath(QStringLiteral("logo.png")));
    ASSERT_TRUE(fifo.made());
    TMainForm &main = start();
    EXPECT_FALSE(fifo.rescued()) << "the FIFO was opened";
    EXPECT_TRUE(main.statusText().contains(QStringLiteral("not a regular file"))) << main.statusText().toStdString();
    EXPECT_TRUE(main.Image1->pixmap().isNull());
}
