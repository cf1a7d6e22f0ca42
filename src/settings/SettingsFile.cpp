#include "settings/SettingsFile.h"

#include "base/NumberFormat.h"
#include "settings/FileLocations.h"
#include "settings/IniFile.h"
#include "settings/RecentProjects.h"
#include "settings/ReportSettings.h"

#include <QStringList>

#include <cmath>

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
};

// In the order of PositionedWindow, which is the file's.
constexpr WindowKeys kWindowKeys[kPositionedWindowCount] = {
    {"MainWindowLeft", "MainWindowTop"},
    {"CalculatorWindowLeft", "CalculatorWindowTop"},
    {"DeviceSelectWindowLeft", "DeviceSelectWindowTop"},
    {"SettingsWindowLeft", "SettingsWindowTop"},
    {"ImagesWindowLeft", "ImagesWindowTop"},
    {"SafetyAdvisorLeft", "SafetyAdvisorTop"},
};

// A column narrower than a pixel is gone for good, and one wider than any
// screen would push the other off the list: either means the file is damaged.
constexpr int kMaxColumnWidth = 4000;

int readColumnWidth(const IniFile &ini, const char *key, int defaultWidth)
{
    const int width = ini.readInteger(kListView, QLatin1String(key), defaultWidth);
    return width >= 1 && width <= kMaxColumnWidth ? width : defaultWidth;
}

QString text(const IniFile &ini, const char *key, const QString &defaultValue = QString())
{
    return ini.readString(kSettings, QLatin1String(key), defaultValue);
}

} // namespace

double trendThresholdFromSetting(const QString &text)
{
    const std::optional<double> percent = parseDecimal(text.trimmed());
    if (!percent || !std::isfinite(*percent) || *percent < 0.0)
        return kDefaultTrendThresholdPercent;
    return *percent;
}

int measurementIntervalFromSetting(const QString &text)
{
    bool ok = false;
    const int months = text.trimmed().toInt(&ok);
    if (!ok || months < 1 || months > 120)
        return kDefaultMeasurementIntervalMonths;
    return months;
}

int projectCodePageFromSetting(const QString &text)
{
    bool ok = false;
    const int codePage = text.trimmed().toInt(&ok);
    return ok && windowsCodePageName(codePage) ? codePage : 0;
}

SavedSettings readSettings(const IniFile &ini)
{
    SavedSettings saved;
    for (int i = 0; i < kPositionedWindowCount; ++i) {
        const WindowKeys &k = kWindowKeys[i];
        const QPoint at = kDefaultWindowPositions[std::size_t(i)];
        saved.windowPositions[std::size_t(i)] = QPoint(ini.readInteger(kPositions, QLatin1String(k.left), at.x()),
                                                       ini.readInteger(kPositions, QLatin1String(k.top), at.y()));
    }

    AppSettings &s = saved.app;
    s.Language = text(ini, "Language", QStringLiteral("English"));
    s.SoundFile = text(ini, "SoundFile");
    s.SoundEnable = ini.readBool(kSettings, QStringLiteral("PlaySound"), false);
    s.UserName = text(ini, "UserName");
    s.CompanyName = text(ini, "CompanyName");
    s.DirectionChangeDetection = ini.readBool(kSettings, QStringLiteral("DirectionChangeDetection"), false);
    s.SSSpeed = parseDecimal(text(ini, "SSSpeed")).value_or(10.0);
    // A folder that is gone (or "C:\" from a Windows installation) would
    // open the file dialogs nowhere.
    s.LastDirectory = existingFolderOr(text(ini, "LastDir"), defaultFileFolder());
    s.LastPictureDirectory = existingFolderOr(text(ini, "LastPicturesDir"), defaultPictureFolder());
    s.DriversFilename = text(ini, "DriversFileName", kDefaultDriversFile);
    readReportSettings(ini, s);
    readRecentProjects(ini, s);
    s.ArchiveUrl = text(ini, kArchiveSettingsKey).trimmed();
    s.ArchiveTrendPercent = trendThresholdFromSetting(text(ini, kTrendThresholdSettingsKey));
    s.ArchiveIntervalMonths = measurementIntervalFromSetting(text(ini, kMeasurementIntervalSettingsKey));
    s.ProjectCodePage = projectCodePageFromSetting(text(ini, kProjectCodePageSettingsKey));
    // As written; whether a standard of that id exists the window decides.
    s.Standard = text(ini, "Standard", AppSettings().Standard).trimmed();

    saved.releaseDistance = text(ini, "AutoReleaseDistance", QStringLiteral("100"));
    saved.releaseByDistance = ini.readBool(kSettings, QStringLiteral("AutoReleaseByDistance"), false);
    saved.releaseBySpeed = ini.readBool(kSettings, QStringLiteral("AutoReleaseBySpeed"), false);
    saved.numberColumnWidth = readColumnWidth(ini, "NumberColumnWidth", 50);
    saved.timeColumnWidth = readColumnWidth(ini, "TimeColumnWidth", 140);
    saved.chartSplitter = splitterSizes(ini.readString(kListView, QStringLiteral("ChartSplitter"), QString()));
    saved.lastMachineId = text(ini, "LastMachineID");
    saved.lastNote = text(ini, "LastNote");
    return saved;
}

void writeSettings(IniFile &ini, const SavedSettings &saved)
{
    for (int i = 0; i < kPositionedWindowCount; ++i) {
        const WindowKeys &k = kWindowKeys[i];
        ini.writeInteger(kPositions, QLatin1String(k.left), saved.windowPositions[std::size_t(i)].x());
        ini.writeInteger(kPositions, QLatin1String(k.top), saved.windowPositions[std::size_t(i)].y());
    }

    const AppSettings &s = saved.app;
    ini.writeString(kSettings, QStringLiteral("Language"), s.Language);
    ini.writeString(kSettings, QStringLiteral("SoundFile"), s.SoundFile);
    ini.writeBool(kSettings, QStringLiteral("PlaySound"), s.SoundEnable);
    ini.writeString(kSettings, QStringLiteral("UserName"), s.UserName);
    ini.writeString(kSettings, QStringLiteral("CompanyName"), s.CompanyName);
    ini.writeBool(kSettings, QStringLiteral("DirectionChangeDetection"), s.DirectionChangeDetection);
    ini.writeString(kSettings, QStringLiteral("SSSpeed"), formatGeneral(s.SSSpeed));
    ini.writeString(kSettings, QStringLiteral("LastDir"), s.LastDirectory);
    ini.writeString(kSettings, QStringLiteral("LastPicturesDir"), s.LastPictureDirectory);
    ini.writeString(kSettings, QStringLiteral("AutoReleaseDistance"), saved.releaseDistance);
    ini.writeBool(kSettings, QStringLiteral("AutoReleaseByDistance"), saved.releaseByDistance);
    ini.writeBool(kSettings, QStringLiteral("AutoReleaseBySpeed"), saved.releaseBySpeed);
    ini.writeString(kSettings, QStringLiteral("DriversFileName"), s.DriversFilename);

    ini.writeInteger(kListView, QStringLiteral("NumberColumnWidth"), saved.numberColumnWidth);
    ini.writeInteger(kListView, QStringLiteral("TimeColumnWidth"), saved.timeColumnWidth);
    ini.writeString(kListView, QStringLiteral("ChartSplitter"), splitterText(saved.chartSplitter));

    ini.writeString(kSettings, QStringLiteral("LastMachineID"), saved.lastMachineId);
    ini.writeString(kSettings, QStringLiteral("LastNote"), saved.lastNote);
    writeReportSettings(ini, s);
    writeRecentProjects(ini, s);

    // The newer keys (standard, archive, code page) join the file once they
    // are set, so that a file of a program that never used them stays as it
    // was.
    auto present = [&ini](const char *key) {
        return ini.readString(kSettings, QLatin1String(key), QStringLiteral("\x01")) != QStringLiteral("\x01");
    };
    if (s.Standard != AppSettings().Standard || present("Standard"))
        ini.writeString(kSettings, QStringLiteral("Standard"), s.Standard);
    if (!s.ArchiveUrl.isEmpty() || present(kArchiveSettingsKey))
        ini.writeString(kSettings, QLatin1String(kArchiveSettingsKey), s.ArchiveUrl);
    if (s.ArchiveTrendPercent != kDefaultTrendThresholdPercent || present(kTrendThresholdSettingsKey))
        ini.writeString(kSettings, QLatin1String(kTrendThresholdSettingsKey), formatGeneral(s.ArchiveTrendPercent));
    if (s.ArchiveIntervalMonths != kDefaultMeasurementIntervalMonths || present(kMeasurementIntervalSettingsKey))
        ini.writeString(kSettings, QLatin1String(kMeasurementIntervalSettingsKey),
                        QString::number(s.ArchiveIntervalMonths));
    if (s.ProjectCodePage != 0 || present(kProjectCodePageSettingsKey))
        ini.writeString(kSettings, QLatin1String(kProjectCodePageSettingsKey),
                        s.ProjectCodePage != 0 ? QString::number(s.ProjectCodePage) : QString());
}

QList<int> splitterSizes(const QString &text)
{
    const QStringList parts = text.split(QLatin1Char(','));
    if (parts.size() != 2)
        return {};
    QList<int> sizes;
    for (const QString &part : parts) {
        bool ok = false;
        const int size = part.trimmed().toInt(&ok);
        // More than any screen is tall: not a size this program wrote.
        if (!ok || size <= 0 || size > 100000)
            return {};
        sizes << size;
    }
    return sizes;
}

QString splitterText(const QList<int> &sizes)
{
    QStringList parts;
    for (const int size : sizes)
        parts << QString::number(size);
    return parts.join(QLatin1Char(','));
}
