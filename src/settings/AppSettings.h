#pragma once

#include "base/CodePage.h"

#include <QString>
#include <QStringList>

// User and program settings between the settings file and the dialogs.
struct AppSettings
{
    QString HelpFileName;
    QString LastDirectory;
    QString LastPictureDirectory;
    QString DriversFilename;
    QString UserName;
    QString CompanyName;
    QString Language;
    bool DirectionChangeDetection = false;
    double SSSpeed = 10.0;
    bool SoundEnable = false;
    QString SoundFile;
    // The machine archive: its URL (empty: the default file) and the growth
    // of the governing stop time, in percent, above which its trend warns.
    QString ArchiveUrl;
    double ArchiveTrendPercent = 10.0;
    // Months from one measurement of a machine to the next one due.
    int ArchiveIntervalMonths = 12;
    // The protocol's analysis page and company logo (a file name in the
    // settings folder, empty for none).
    bool AddAnalysisPage = true;
    QString LogoFile;
    // The PKCS#12 file protocols are signed with (only its path: the
    // password is asked at every signing), the RFC 3161 time-stamp
    // authority's URL (empty: none), and whether an unsigned protocol
    // carries its measurement too.
    QString SigningCertificate;
    QString TimeStampUrl;
    bool AttachMeasurement = false;
    // File > Open Recent, newest first.
    QStringList RecentProjects;
    // The code page of project files' texts: 0 for the one of the user's
    // locale, else one of kWindowsAnsiCodePages.
    int ProjectCodePage = 0;
    // The id of the standard a new measurement starts with.
    QString Standard = QStringLiteral("iso13855-2010");

    // The settings file was there but could not be read (not a regular
    // file, no read rights, too large for memory).  The program then runs on
    // the defaults and leaves the file as it is: writing the defaults over
    // it would lose the user's settings.
    bool settingsFileUnreadable = false;
};

// --- settings: single-byte text ---
// The code page of a settings or language file that is neither UTF-8 nor
// UTF-16, as an older version or the Windows program wrote it: the Windows
// code page of the user's locale, as project files have it.  A value such a
// file cannot hold turns it into UTF-8 when it is written (IniFile), so the
// user name and company are always kept as typed.
inline const char *settingsCodePage()
{
    return windowsCodePageName(windowsAnsiCodePageOfEnvironment());
}
