#include "settings/ReportSettings.h"

#include "settings/IniFile.h"

#include <QFileInfo>

namespace {

const QString kSettings = QStringLiteral("Settings");
const QString kAddAnalysisPage = QStringLiteral("AddAnalysisPage");
const QString kLogoFile = QStringLiteral("LogoFile");
const QString kSigningCertificate = QStringLiteral("SigningCertificate");
const QString kTimeStampUrl = QStringLiteral("TimeStampAuthority");
const QString kAttachMeasurement = QStringLiteral("AttachMeasurement");

} // namespace

void readReportSettings(const IniFile &ini, AppSettings &settings)
{
    settings.AddAnalysisPage = ini.readBool(kSettings, kAddAnalysisPage, true);
    // Only a name inside the settings folder: a path from a hand-edited
    // file would have the protocol read any file on the machine.
    const QString logo = ini.readString(kSettings, kLogoFile, QString());
    settings.LogoFile = logo.contains(QLatin1Char('/')) || logo.contains(QLatin1Char('\\')) ? QString() : logo;
    settings.SigningCertificate = ini.readString(kSettings, kSigningCertificate, QString());
    settings.TimeStampUrl = ini.readString(kSettings, kTimeStampUrl, QString());
    settings.AttachMeasurement = ini.readBool(kSettings, kAttachMeasurement, false);
}

void writeReportSettings(IniFile &ini, const AppSettings &settings)
{
    ini.writeBool(kSettings, kAddAnalysisPage, settings.AddAnalysisPage);
    ini.writeString(kSettings, kLogoFile, settings.LogoFile);
    ini.writeString(kSettings, kSigningCertificate, settings.SigningCertificate);
    ini.writeString(kSettings, kTimeStampUrl, settings.TimeStampUrl);
    ini.writeBool(kSettings, kAttachMeasurement, settings.AttachMeasurement);
}

QString settingsFolder(const QString &settingsFile)
{
    return QFileInfo(settingsFile).absolutePath();
}
