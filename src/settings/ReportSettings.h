#pragma once

#include "settings/AppSettings.h"

#include <QString>

class IniFile;

// The settings of the protocol's analysis page and company logo, in the
// "Settings" section: "AddAnalysisPage" (1 or 0, on when missing, so a
// settings file of an earlier version gets the page) and "LogoFile" (the
// kept copy's name in the settings folder, empty for none),
// "SigningCertificate" (a PKCS#12 file's path), "TimeStampAuthority" (a URL)
// and "AttachMeasurement" (1 or 0, off when missing).
void readReportSettings(const IniFile &ini, AppSettings &settings);
void writeReportSettings(IniFile &ini, const AppSettings &settings);

// The folder of the settings file, where the logo's copy is kept.
QString settingsFolder(const QString &settingsFile);
