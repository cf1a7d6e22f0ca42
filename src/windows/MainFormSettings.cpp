// Settings file, language texts, settings dialog, help, about box and the
// driver installation in the main window.
#include "windows/MainForm.h"

#include "archive/FleetOverview.h"
#include "archive/ArchiveLocation.h"
#include "archive/Trend.h"
#include "base/ErrorHandling.h"
#include "base/NumberFormat.h"
#include "safety/DistanceStandard.h"
#include "project/ProjectMeasurement.h"
#include "state/ProgramState.h"
#include "windows/AboutForm.h"
#include "windows/CalcForm.h"
#include "windows/DevSelectForm.h"
#include "windows/ImagesForm.h"
#include "windows/SafetyAdvisorForm.h"
#include "settings/FileLocations.h"
#include "settings/IniFile.h"
#include "settings/RecentProjects.h"
#include "settings/ReportSettings.h"
#include "settings/SettingsFile.h"
#include "settings/LanguageTexts.h"
#include "windows/SettingsForm.h"
#include "windows/WindowPlacement.h"
#include <QSplitter>

#include <QCheckBox>

#include <array>
#include <QComboBox>
#include <QDir>
#include <QFileInfo>
#include <QLabel>
#include <QLineEdit>
#include <QTableView>

namespace {

QString unreadableSettingsText(const QString &fileName, const QString &reason)
{
    return QStringLiteral("The settings file %1 cannot be read (%2). Zirk runs on its default settings "
                          "this time and leaves the file as it is.")
        .arg(QDir::toNativeSeparators(QFileInfo(fileName).absoluteFilePath()), reason);
}

} // namespace

void TMainForm::NactiIni()
{
    const QString fileName = settingsFilePath();
    QString failure;
    const SavedSettings saved = readSettings(IniFile::load(fileName, settingsCodePage(), &failure));
    // The manual's name is the language's, not the file's.
    const QString helpFileName = m_state.appSettings.HelpFileName;
    m_state.appSettings = saved.app;
    m_state.appSettings.HelpFileName = helpFileName;
    m_state.appSettings.settingsFileUnreadable = !failure.isEmpty();
    setProjectCodePage(m_state.appSettings.ProjectCodePage);

    // A window not made yet goes there when it is made.
    m_windowPositions = saved.windowPositions;
    const auto windows = m_forms.positionedWindows();
    for (std::size_t i = 0; i < windows.size(); ++i) {
        if (windows[i])
            windows[i]->move(saved.windowPositions[i]);
    }
    Edit_Distance->setText(saved.releaseDistance);
    CheckBox_Distance->setChecked(saved.releaseByDistance);
    CheckBox_Speed->setChecked(saved.releaseBySpeed);
    LW_data->setColumnWidth(0, saved.numberColumnWidth);
    LW_data->setColumnWidth(1, saved.timeColumnWidth);
    if (!saved.chartSplitter.isEmpty())
        Splitter_Chart->setSizes(saved.chartSplitter);
    m_state.setMachine(saved.lastMachineId, saved.lastNote);
    // An id no standard carries (a newer program's) starts with the default.
    AppSettings &s = m_state.appSettings;
    if (!findDistanceStandard(s.Standard))
        s.Standard = defaultDistanceStandard().id();
    m_state.setDistanceChoice(DistanceChoice::of(s.Standard));

    if (!failure.isEmpty())
        m_platform.dialogs->error(this, kApplicationTitle, unreadableSettingsText(fileName, failure));
}

void TMainForm::ZapisIni()
{
    // The user was told at start that the file could not be read; it stays
    // as it is.
    if (m_state.appSettings.settingsFileUnreadable)
        return;
    const QString fileName = settingsFilePath();
    // Unknown keys and sections, comments and other lines stay as they are.
    // A file that has turned unreadable since the start is not written over.
    QString failure;
    IniFile ini = IniFile::load(fileName, settingsCodePage(), &failure);
    if (!failure.isEmpty())
        throw ZirkError(QStringLiteral("Unable to write to %1").arg(QFileInfo(fileName).absoluteFilePath()));

    SavedSettings saved;
    saved.app = m_state.appSettings;
    // Where a window has been, or where it would have gone.
    saved.windowPositions = m_windowPositions;
    const auto windows = m_forms.positionedWindows();
    for (std::size_t i = 0; i < windows.size(); ++i) {
        if (windows[i])
            saved.windowPositions[i] = windows[i]->pos();
    }
    saved.releaseDistance = Edit_Distance->text();
    saved.releaseByDistance = CheckBox_Distance->isChecked();
    saved.releaseBySpeed = CheckBox_Speed->isChecked();
    saved.numberColumnWidth = LW_data->columnWidth(0);
    saved.timeColumnWidth = LW_data->columnWidth(1);
    saved.chartSplitter = Splitter_Chart->sizes();
    saved.lastMachineId = m_state.machineId();
    saved.lastNote = m_state.note();
    writeSettings(ini, saved);

    // Written beside the old file and renamed over it: a full disk or a
    // read-only folder leaves the old settings whole.
    const QString folder = QFileInfo(fileName).absolutePath();
    if (!QDir().mkpath(folder) || !ini.save(fileName))
        throw ZirkError(QStringLiteral("Unable to write to %1").arg(QFileInfo(fileName).absoluteFilePath()));
}

void TMainForm::NactiTexty()
{
    const QString fileName = languageFilePath(m_state.appSettings.Language);
    // No file for the language: every text takes its English default.
    const IniFile texts = fileName.isEmpty() ? IniFile(settingsCodePage()) : IniFile::load(fileName, settingsCodePage());

    // Every window takes its captions from the state's texts.
    m_state.setTexts(LanguageTexts::read(texts));
}

void TMainForm::submenu_SettingsClick()
{
    TSettingsForm *form = m_forms.SettingsForm();
    if (m_platform.dialogs->showModal(form) != QDialog::Accepted)
        return;

    const bool languageChanged = form->storeSettings();
    setProjectCodePage(m_state.appSettings.ProjectCodePage);
    showLogo();
    if (!languageChanged)
        return;
    NactiTexty();
    // The device caption follows the new language, on screen and in what
    // is saved or reported from now on.
    if (const QString name = kindDisplayName(m_state.texts(), m_state.safetyDevice().ID); !name.isEmpty()) {
        SafetyDevice device = m_state.safetyDevice();
        device.Name = name;
        m_state.setSafetyDevice(device);
    }
}

void TMainForm::SB_SettingsClick()
{
    submenu_SettingsClick();
}

void TMainForm::submenu_helpClick()
{
    // Whether the manual exists and opens is the desktop's business.
    m_platform.shell->open(QDir(dataFolder(QStringLiteral("Docs"))).filePath(m_state.appSettings.HelpFileName));
}

void TMainForm::submenu_aboutClick()
{
    TAboutForm *about = m_forms.AboutForm();
    about->adjustSize();
    about->move(x() + (width() - about->width()) / 2, y() + (height() - about->height()) / 2);
    m_platform.dialogs->showModal(about);
}

void TMainForm::submenu_DriversinstallClick()
{
    if (MujMessageDlg(m_state.messageTexts.DriversInstall) != mrOk)
        return;
    // The installer runs on its own; the program neither waits nor reports.
    m_platform.shell->open(
        QDir(dataFolder(QStringLiteral("Drivers/Install"))).filePath(m_state.appSettings.DriversFilename));
}
