#pragma once

#include <QString>

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
};
