#pragma once

#include "settings/AppSettings.h"

#include <QList>
#include <QPoint>
#include <QString>

#include <array>

class IniFile;

// The program's settings file as data: one reader and one writer, and the
// key names in one place, for the main window and zirk-cli alike.  What a
// run changes only for itself (the demo switch, a suspended sound) is no
// part of it.

// The windows whose positions the file keeps, in the file's order.
enum class PositionedWindow { Main, Calculator, DeviceSelect, Settings, Images, SafetyAdvisor };
inline constexpr int kPositionedWindowCount = 6;
using WindowPositions = std::array<QPoint, kPositionedWindowCount>;
inline const WindowPositions kDefaultWindowPositions = {QPoint(100, 100), QPoint(200, 100), QPoint(200, 200),
                                                        QPoint(200, 200), QPoint(200, 200), QPoint(200, 200)};

// The archive's keys and the threshold of its trend warning.
inline constexpr const char *kArchiveSettingsKey = "ArchiveUrl";
inline constexpr const char *kTrendThresholdSettingsKey = "ArchiveTrendPercent";
inline constexpr double kDefaultTrendThresholdPercent = 10.0;

// The interval between measurements of a machine, in months, and its
// default; anything but a whole number from 1 to 120 is the default.
inline constexpr const char *kMeasurementIntervalSettingsKey = "ArchiveIntervalMonths";
inline constexpr int kDefaultMeasurementIntervalMonths = 12;
int measurementIntervalFromSetting(const QString &text);

// The code page of project files: the number of a Windows code page
// ("1250"), anything else the locale's (0).
inline constexpr const char *kProjectCodePageSettingsKey = "ProjectCodePage";
int projectCodePageFromSetting(const QString &text);

// The threshold as the settings file holds it: a decimal number of percent
// not below 0, else the default.
double trendThresholdFromSetting(const QString &text);

struct SavedSettings
{
    AppSettings app;
    WindowPositions windowPositions = kDefaultWindowPositions;
    // The main window's release settings, list columns and chart divider.
    QString releaseDistance = QStringLiteral("100");
    bool releaseByDistance = false;
    bool releaseBySpeed = false;
    int numberColumnWidth = 50;
    int timeColumnWidth = 140;
    QList<int> chartSplitter; // empty: as laid out
    // The machine ID and note of the last measurement.
    QString lastMachineId;
    QString lastNote;
};

// Every value, or its default where the file has none or a damaged one.
SavedSettings readSettings(const IniFile &ini);
// Writes every value; keys the program does not know stay as they are.
void writeSettings(IniFile &ini, const SavedSettings &settings);

// "a,b" of a splitter's sizes, and back; empty for anything else.
QList<int> splitterSizes(const QString &text);
QString splitterText(const QList<int> &sizes);
