#pragma once

#include "CommandLine.h"

#include "project/ProjectFile.h"
#include "project/ProjectMeasurement.h"
#include "settings/AppSettings.h"
#include "safety/SafetyDevice.h"
#include "series/DistanceChoice.h"
#include "series/SeriesResult.h"

#include <QString>

#include <optional>
#include <vector>

class JsonWriter;

// One zirk-cli command: its interface and what runs it.  A command writes
// its result to standard output and throws CliError for anything it cannot
// do; it has no logic of its own beyond reading its arguments and writing
// its output, so that every number is the one the windows show.
struct Command
{
    CommandSpec spec;
    void (*run)(const Arguments &arguments);
};

const std::vector<Command> &commands();

// The commands of each group, in the order --help lists them.
std::vector<Command> distanceCommands(); // distance, reflective, table
std::vector<Command> seriesCommands();   // stats, export
std::vector<Command> projectCommands();  // project-info, new-project, report
std::vector<Command> archiveCommands();  // archive add, list, trend
std::vector<Command> protocolCommands(); // verify

// --- shared by the commands --------------------------------------------------

// --kind, --d, --height, --c, --step and --non-industrial.
std::vector<OptionSpec> deviceOptions();

// The kinds of safety device by the names the command line uses.
struct KindName
{
    const char *name;             // "vlc"
    int kind;                     // SafetyDeviceKind
    const char *parameterOption;  // "--d"; nullptr when the formula needs none
    const char *parameterSymbol;  // "d", "H", "C", "h"
    const char *nameKey;          // its display name in the language files
};
const std::vector<KindName> &kindNames();
const KindName *kindByName(const QString &name);
const KindName *kindById(int kind); // nullptr outside 0..6
QString kindList();                 // "vlc, hlc, ..."

// A safety device as a distance command needs it.
struct DeviceChoice
{
    const KindName *kind = nullptr;  // nullptr: no kind with a formula
    std::optional<double> parameter; // empty: the formula has no input
    bool nonIndustrial = false;
    // d of a horizontal light curtain or a scanner, which ISO 13855:2024
    // reads besides H.
    std::optional<double> zoneResolution;
};

// --kind and the parameter options over a default device.  An explicit
// --kind needs its parameter (for a distance; for a project file only the
// stored d and H); a parameter option the kind does not use, or
// --non-industrial for anything but a vertical light curtain, is bad input.
enum class DeviceUse { Distance, ProjectFile };
DeviceChoice deviceFromOptions(const Arguments &arguments, const DeviceChoice &defaults,
                               DeviceUse use = DeviceUse::Distance);

// The choice as the safety-device record the series result reads.
SafetyDevice safetyDevice(const DeviceChoice &device);

// --standard, --tr, --brake-monitor, --k, --dds, --z, --dpf,
// --no-encroachment and --installed.
std::vector<OptionSpec> standardOptions();

// The standard and its entries from the options over a stored choice (a
// project's): --standard starts a new choice (the stored one's installed
// distance stays), every other option replaces its one entry.  An unknown
// standard is bad input.
DistanceChoice choiceFromOptions(const Arguments &arguments, const DistanceChoice &stored = {});

// The distance of one stop time in ms by the chosen standard, with its
// steps and the verdict.
DistanceResult deviceDistance(const DeviceChoice &device, const DistanceChoice &choice, double stopTimeMs);

// "standard", "distance_in", "minimum_mm" (the whole-mm figure the verdict
// compares with), "installed_mm", "verdict" and, where the standard gives no
// distance, "refused" with its reason, of the JSON output.
void writeStandardMembers(JsonWriter &json, const DistanceChoice &choice, const DistanceResult &result);

// "Standard:", "Installed distance:" and "Verdict:" lines of the text
// output, and the standard's warnings; width is the column of the values.
QString standardLines(const DistanceChoice &choice, const DistanceResult &result, int width);

// The device as people read it: "vlc, d = 14 mm, non-industrial".
QString deviceText(const DeviceChoice &device);

// A number in the user's locale, read as the windows read typed numbers.
double numberOption(const Arguments &arguments, const char *option);
std::optional<double> optionalNumber(const Arguments &arguments, const char *option);
// The same, bad input unless finite.
double finiteOption(const Arguments &arguments, const char *option);
// A length in mm: finite and not beyond kLargestDistanceMm (100 m) either way.
double distanceOption(const Arguments &arguments, const char *option);

// --- project files ---

// A file name ending in ".zPRJ" or ".pdf" (a protocol carrying its
// project file), in any letter case.
bool isProjectFile(const QString &fileName);

struct OpenedProject
{
    std::vector<double> stopTimes;
    ProjectRecord record;
    ProjectPictures pictures;
    // Why the standard stored in the project was not read; empty when it
    // was, or when the project holds none.
    QString standardProblem;
    QByteArray bytes; // the project file's, also when a protocol carried it
};

// Makes project texts use the code page of the settings (or the locale's).
void useProjectCodePage();

// Reads a whole project file.  Bad input where the window's Open reports
// an invalid or corrupted file; the window then goes on with what it read,
// a script must not.  A stored standard that cannot be read is said on
// standard error at once and kept for the "warnings" of the JSON output.
OpenedProject openProject(const QString &fileName);

// The warnings of this run so far (a project's standard that was not read),
// one line each, as the JSON output carries them.
const QStringList &runWarnings();
// "warnings": [...] in the current object, when there are any.
void writeWarningsMember(JsonWriter &json);

// A command that computes a distance from a project whose stored standard
// was not read, with no --standard of its own, would compute it by another
// standard than the one chosen: bad input, naming the problem.
void refuseUnreadStandard(const Arguments &arguments, const QString &fileName, const QString &problem);

// Appends the stop times of a text file as File > Import Values reads them.
// Returns the line for standard error that says what the window's status
// bar says after an import: how many values were added, how many lines were
// not numbers.  The command writes these lines once it has succeeded, so
// that a failure stays the one line that names it.
QString importValues(const QString &fileName, std::vector<double> &values);


// d or H as stored; -1 marks "not applicable" (or a field that was not a
// number when the device was chosen).
std::optional<double> storedLength(double mm);

// The kind and its input stored in a project: d and H in the record, a
// door's C, a mat's h and the non-industrial choice in its extension block.
DeviceChoice projectDevice(const ProjectRecord &record);

// The standard, its entries and the installed distance a project keeps;
// the default standard without a block.
DistanceChoice projectChoice(const ProjectRecord &record);

// The safeguard a project names; empty for none (no safeguard block, or
// one that fails its check: then *problem says why).
QString projectSafeguard(const ProjectRecord &record, QString *problem = nullptr);

// The name an unnamed safeguard of that device goes by in English:
// "Vertical Light Curtain, d=14 mm", whatever the settings' language, so
// that a script names it alike everywhere.
QString englishSafeguardName(int kind, std::optional<double> parameter);
QString englishSafeguardName(const SafetyDevice &device);

// --- settings ---

// The program's settings as the window reads them from its settings file,
// which zirk-cli beside it shares.
const AppSettings &programSettings();

// A kind's display name in the language of the settings, as the device
// selection dialog and the main window show it.
QString kindDisplayName(int kind);

// The minimum as zirk-cli's text prints it where there is one, else
// "-- --- mm (no distance: REASON)".
QString refusedDistanceText(const DistanceResult &result);
class LanguageTexts;
// The texts of the settings' language.
const LanguageTexts &programTexts();

// The password of a signing certificate: the first line of --password-file,
// else asked on the terminal without echo.  Never an option's value.
QByteArray signingPassword(const Arguments &arguments, const QString &certificate);

void writeText(const QString &text);
// A line on standard error that does not stop the command.
void writeWarning(const QString &text);
// What a command that writes a file reports: {"file", countKey} with --json,
// else the text.
void writeFileResult(const Arguments &arguments, const QString &fileName, const char *countKey,
                     long long count, const QString &text);
void writeJson(const JsonWriter &json);
