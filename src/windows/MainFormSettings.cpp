// Settings file, language texts, settings dialog, help, about box and the
// driver installation in the main window.
#include "windows/MainForm.h"

#include "archive/FleetOverview.h"
#include "archive/ArchiveLocation.h"
#include "archive/Trend.h"
#include "base/ErrorHandling.h"
#include "base/NumberFormat.h"
#include "state/ProgramState.h"
#include "windows/AboutForm.h"
#include "windows/CalcForm.h"
#include "windows/DevSelectForm.h"
#include "windows/ImagesForm.h"
#include "windows/SafetyAdvisorForm.h"
#include "settings/FileLocations.h"
#include "settings/IniFile.h"
#include "settings/ReportSettings.h"
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

const QString kPositions = QStringLiteral("Windows Positions");
const QString kSettings = QStringLiteral("Settings");
const QString kListView = QStringLiteral("ListView");

// The file that used to ship with the Windows driver package; on Linux the
// instrument needs no driver, only access rights, which a udev rule grants.
#ifdef Q_OS_WIN
const QString kDefaultDriversFile = QStringLiteral("CDM20814_Setup.exe");
#else
const QString kDefaultDriversFile = QStringLiteral("install-udev-rule.sh");
#endif

struct WindowKeys
{
    const char *left;
    const char *top;
    int defaultLeft;
    int defaultTop;
};

// Order of the settings file: main window, calculator, device selection,
// settings, images, safety advisor.
constexpr WindowKeys kWindowKeys[] = {
    {"MainWindowLeft", "MainWindowTop", 100, 100},
    {"CalculatorWindowLeft", "CalculatorWindowTop", 200, 100},
    {"DeviceSelectWindowLeft", "DeviceSelectWindowTop", 200, 200},
    {"SettingsWindowLeft", "SettingsWindowTop", 200, 200},
    {"ImagesWindowLeft", "ImagesWindowTop", 200, 200},
    {"SafetyAdvisorLeft", "SafetyAdvisorTop", 200, 200},
};

// A column narrower than a pixel is gone for good, and one wider than any
// screen would push the other off the list: either means the file is damaged.
constexpr int kMaxColumnWidth = 4000;

// The windows whose positions the settings file keeps, in the order of kWindowKeys.
std::array<QWidget *, std::size(kWindowKeys)> positionedWindows(TMainForm *main, const Forms &forms)
{
    return {main, forms.CalcForm, forms.devselectform, forms.SettingsForm, forms.imagesform,
            forms.SafetyAdvisorForm};
}

int readColumnWidth(const IniFile &ini, const char *key, int defaultWidth)
{
    const int width = ini.readInteger(kListView, QLatin1String(key), defaultWidth);
    return width >= 1 && width <= kMaxColumnWidth ? width : defaultWidth;
}

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
    const IniFile ini = IniFile::load(fileName, kSystemCodePage, &failure);
    m_state.appSettings.settingsFileUnreadable = !failure.isEmpty();

    const auto windows = positionedWindows(this, m_forms);
    for (std::size_t i = 0; i < std::size(kWindowKeys); ++i) {
        const WindowKeys &k = kWindowKeys[i];
        const int left = ini.readInteger(kPositions, QLatin1String(k.left), k.defaultLeft);
        const int top = ini.readInteger(kPositions, QLatin1String(k.top), k.defaultTop);
        if (windows[i])
            windows[i]->move(left, top);
    }

    AppSettings &s = m_state.appSettings;
    s.Language = ini.readString(kSettings, QStringLiteral("Language"), QStringLiteral("English"));
    s.SoundFile = ini.readString(kSettings, QStringLiteral("SoundFile"), QString());
    s.SoundEnable = ini.readBool(kSettings, QStringLiteral("PlaySound"), false);
    s.UserName = toSingleByteText(ini.readString(kSettings, QStringLiteral("UserName"), QString()));
    s.CompanyName = toSingleByteText(ini.readString(kSettings, QStringLiteral("CompanyName"), QString()));
    s.DirectionChangeDetection = ini.readBool(kSettings, QStringLiteral("DirectionChangeDetection"), false);
    s.SSSpeed = parseDecimal(ini.readString(kSettings, QStringLiteral("SSSpeed"), QString())).value_or(10.0);
    // A folder that is gone (or "C:\" from a Windows installation) would
    // open the file dialogs nowhere.
    s.LastDirectory = existingFolderOr(ini.readString(kSettings, QStringLiteral("LastDir"), QString()),
                                       defaultFileFolder());
    s.LastPictureDirectory = existingFolderOr(ini.readString(kSettings, QStringLiteral("LastPicturesDir"), QString()),
                                              defaultPictureFolder());
    Edit_Distance->setText(ini.readString(kSettings, QStringLiteral("AutoReleaseDistance"), QStringLiteral("100")));
    CheckBox_Distance->setChecked(ini.readBool(kSettings, QStringLiteral("AutoReleaseByDistance"), false));
    CheckBox_Speed->setChecked(ini.readBool(kSettings, QStringLiteral("AutoReleaseBySpeed"), false));
    s.DriversFilename = ini.readString(kSettings, QStringLiteral("DriversFileName"), kDefaultDriversFile);

    LW_data->setColumnWidth(0, readColumnWidth(ini, "NumberColumnWidth", 50));
    LW_data->setColumnWidth(1, readColumnWidth(ini, "TimeColumnWidth", 140));
    const QList<int> chartAndList = splitterSizes(ini.readString(kListView, QStringLiteral("ChartSplitter"), QString()));
    if (!chartAndList.isEmpty())
        Splitter_Chart->setSizes(chartAndList);

    m_state.setMachine(ini.readString(kSettings, QStringLiteral("LastMachineID"), QString()),
                       ini.readString(kSettings, QStringLiteral("LastNote"), QString()));
    readReportSettings(ini, s);

    s.ArchiveUrl = ini.readString(kSettings, QLatin1String(kArchiveSettingsKey), QString()).trimmed();
    s.ArchiveTrendPercent =
        trendThresholdFromSetting(ini.readString(kSettings, QLatin1String(kTrendThresholdSettingsKey), QString()));
    s.ArchiveIntervalMonths = measurementIntervalFromSetting(
        ini.readString(kSettings, QLatin1String(kMeasurementIntervalSettingsKey), QString()));
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
    IniFile ini = IniFile::load(fileName, kSystemCodePage, &failure);
    if (!failure.isEmpty())
        throw ZirkError(QStringLiteral("Unable to write to %1").arg(QFileInfo(fileName).absoluteFilePath()));

    const auto windows = positionedWindows(this, m_forms);
    for (std::size_t i = 0; i < std::size(kWindowKeys); ++i) {
        const WindowKeys &k = kWindowKeys[i];
        const QPoint at = windows[i] ? windows[i]->pos() : QPoint(k.defaultLeft, k.defaultTop);
        ini.writeInteger(kPositions, QLatin1String(k.left), at.x());
        ini.writeInteger(kPositions, QLatin1String(k.top), at.y());
    }

    const AppSettings &s = m_state.appSettings;
    ini.writeString(kSettings, QStringLiteral("Language"), s.Language);
    ini.writeString(kSettings, QStringLiteral("SoundFile"), s.SoundFile);
    ini.writeBool(kSettings, QStringLiteral("PlaySound"), s.SoundEnable);
    ini.writeString(kSettings, QStringLiteral("UserName"), s.UserName);
    ini.writeString(kSettings, QStringLiteral("CompanyName"), s.CompanyName);
    ini.writeBool(kSettings, QStringLiteral("DirectionChangeDetection"), s.DirectionChangeDetection);
    ini.writeString(kSettings, QStringLiteral("SSSpeed"), formatGeneral(s.SSSpeed));
    ini.writeString(kSettings, QStringLiteral("LastDir"), s.LastDirectory);
    ini.writeString(kSettings, QStringLiteral("LastPicturesDir"), s.LastPictureDirectory);
    ini.writeString(kSettings, QStringLiteral("AutoReleaseDistance"), Edit_Distance->text());
    ini.writeBool(kSettings, QStringLiteral("AutoReleaseByDistance"), CheckBox_Distance->isChecked());
    ini.writeBool(kSettings, QStringLiteral("AutoReleaseBySpeed"), CheckBox_Speed->isChecked());
    ini.writeString(kSettings, QStringLiteral("DriversFileName"), s.DriversFilename);

    ini.writeInteger(kListView, QStringLiteral("NumberColumnWidth"), LW_data->columnWidth(0));
    ini.writeInteger(kListView, QStringLiteral("TimeColumnWidth"), LW_data->columnWidth(1));
    ini.writeString(kListView, QStringLiteral("ChartSplitter"), splitterText(Splitter_Chart->sizes()));

    ini.writeString(kSettings, QStringLiteral("LastMachineID"), m_state.machineId());
    ini.writeString(kSettings, QStringLiteral("LastNote"), m_state.note());
    writeReportSettings(ini, s);

    // The archive's keys join the file once they are set, so that a file of
    // a program that never used the archive stays as it was.
    auto present = [&ini](const char *key) {
        return ini.readString(kSettings, QLatin1String(key), QStringLiteral("\x01")) != QStringLiteral("\x01");
    };
    if (!s.ArchiveUrl.isEmpty() || present(kArchiveSettingsKey))
        ini.writeString(kSettings, QLatin1String(kArchiveSettingsKey), s.ArchiveUrl);
    if (s.ArchiveTrendPercent != kDefaultTrendThresholdPercent || present(kTrendThresholdSettingsKey))
        ini.writeString(kSettings, QLatin1String(kTrendThresholdSettingsKey), formatGeneral(s.ArchiveTrendPercent));
    if (s.ArchiveIntervalMonths != kDefaultMeasurementIntervalMonths || present(kMeasurementIntervalSettingsKey))
        ini.writeString(kSettings, QLatin1String(kMeasurementIntervalSettingsKey),
                        QString::number(s.ArchiveIntervalMonths));

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
    const IniFile texts = fileName.isEmpty() ? IniFile(kSystemCodePage) : IniFile::load(fileName, kSystemCodePage);

    // Every window takes its captions from the state's texts.
    m_state.setTexts(LanguageTexts::read(texts));
}

void TMainForm::submenu_SettingsClick()
{
    TSettingsForm *form = m_forms.SettingsForm;
    if (m_platform.dialogs->showModal(form) != QDialog::Accepted)
        return;

    const bool languageChanged = form->storeSettings();
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
    TAboutForm *about = m_forms.AboutForm;
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
