#include "Commands.h"

#include "JsonWriter.h"

#include "base/CodePage.h"
#include "base/ErrorHandling.h"
#include "base/NumberFormat.h"
#include "project/ProtocolProject.h"
#include "project/ValueImport.h"
#include "safety/MinimumDistance.h"
#include "safety/SafetyDevice.h"
#include "settings/AppSettings.h"
#include "settings/FileLocations.h"
#include "settings/IniFile.h"
#include "settings/SettingsFile.h"
#include "settings/ReportSettings.h"
#include "settings/LanguageTexts.h"

#include <QBuffer>
#include <QFile>

#include <algorithm>
#include <cmath>
#include <cstdio>

const std::vector<Command> &commands()
{
    static const std::vector<Command> all = [] {
        std::vector<Command> list = distanceCommands();
        for (auto group : {seriesCommands(), projectCommands(), protocolCommands(), archiveCommands()})
            list.insert(list.end(), group.begin(), group.end());
        return list;
    }();
    return all;
}

const std::vector<KindName> &kindNames()
{
    static const std::vector<KindName> names = {
        {"vlc", KindVerticalLightCurtain, "--d", "d", "VLCText"},
        {"hlc", KindHorizontalLightCurtain, "--height", "H", "HLCText"},
        {"scanner", KindSafetyScanner, "--height", "H", "ScannerText"},
        {"twohand", KindTwoHandControl, nullptr, nullptr, "TwoHandText"},
        {"estop", KindEmergencyStop, nullptr, nullptr, "EStopText"},
        {"door", KindDoor, "--c", "C", "DoorText"},
        {"mat", KindPressureSensitiveMat, "--step", "h", "MatText"},
    };
    return names;
}

const KindName *kindByName(const QString &name)
{
    for (const KindName &k : kindNames()) {
        if (name == QLatin1String(k.name))
            return &k;
    }
    return nullptr;
}

const KindName *kindById(int kind)
{
    for (const KindName &k : kindNames()) {
        if (k.kind == kind)
            return &k;
    }
    return nullptr;
}

QString kindList()
{
    QStringList names;
    for (const KindName &k : kindNames())
        names.append(QLatin1String(k.name));
    return names.join(QStringLiteral(", "));
}

DeviceChoice deviceFromOptions(const Arguments &arguments, const DeviceChoice &defaults, DeviceUse use)
{
    DeviceChoice device = defaults;
    if (const std::optional<QString> name = arguments.value("--kind")) {
        device.kind = kindByName(*name);
        if (!device.kind)
            throw badInput(QStringLiteral("--kind: unknown kind '%1' (one of %2)").arg(*name, kindList()));
        device.parameter.reset();
        device.zoneResolution.reset();
        device.nonIndustrial = false;
        // A new project needs d or H; a door's C and a mat's h may stay
        // unknown there, as the window's fields may.
        const bool stored = kindParameterIsStored(device.kind->kind);
        const bool needed = use == DeviceUse::Distance || stored;
        if (needed && device.kind->parameterOption && !arguments.has(device.kind->parameterOption))
            throw badInput(QStringLiteral("kind %1 needs %2 MM")
                               .arg(QLatin1String(device.kind->name), QLatin1String(device.kind->parameterOption)));
        // ISO 13855:2024 reads a horizontal zone's d besides H: as required.
        const bool zone = device.kind->kind == KindHorizontalLightCurtain || device.kind->kind == KindSafetyScanner;
        if (use == DeviceUse::Distance && zone && arguments.value("--standard") == QStringLiteral("iso13855-2024")
            && !arguments.has("--d"))
            throw badInput(QStringLiteral("kind %1 needs --d MM under iso13855-2024").arg(QLatin1String(device.kind->name)));
    }

    for (const char *option : {"--d", "--height", "--c", "--step"}) {
        if (!arguments.has(option))
            continue;
        // A horizontal zone's d, which only ISO 13855:2024 reads.
        if (qstrcmp(option, "--d") == 0 && device.kind
            && (device.kind->kind == KindHorizontalLightCurtain || device.kind->kind == KindSafetyScanner)
            && arguments.value("--standard") == QStringLiteral("iso13855-2024")) {
            device.zoneResolution = distanceOption(arguments, option);
            continue;
        }
        if (!device.kind || !device.kind->parameterOption || qstrcmp(device.kind->parameterOption, option) != 0)
            throw badInput(QStringLiteral("%1 does not apply to kind %2")
                               .arg(QLatin1String(option),
                                    device.kind ? QLatin1String(device.kind->name) : QStringLiteral("unknown")));
        device.parameter = distanceOption(arguments, option);
    }
    if (arguments.has("--non-industrial")) {
        if (!device.kind || device.kind->kind != KindVerticalLightCurtain)
            throw badInput(QStringLiteral("--non-industrial applies to kind vlc only"));
        device.nonIndustrial = true;
    }
    return device;
}

SafetyDevice safetyDevice(const DeviceChoice &device)
{
    SafetyDevice safety = SafetyDevice::ofKind(device.kind ? device.kind->kind : -1, device.parameter, device.nonIndustrial);
    if (device.zoneResolution)
        safety.d = *device.zoneResolution;
    return safety;
}

DistanceResult deviceDistance(const DeviceChoice &device, const DistanceChoice &choice, double stopTimeMs)
{
    const DistanceStandard *standard = choice.standard();
    if (!standard)
        return {};
    return standard->calculate(distanceInputs(safetyDevice(device), choice, stopTimeMs));
}

std::vector<OptionSpec> standardOptions()
{
    return {
        {"--standard", "ID", "iso13855-2010 (default), iso13855-2024, ansi-b11.19 or osha-1910.217"},
        {"--tr", "MS", "response time of the device and its interface, when the measurement left it out (ANSI, OSHA)"},
        {"--brake-monitor", "MS", "setting of the brake monitor (ANSI); without it Tbm is 20 % of the stop time"},
        {"--k", "MM_PER_S", "a larger approach speed than 1600 mm/s (ANSI)"},
        {"--dds", "MM", "D_DS from the standard's tables (ISO 13855:2024: vlc, estop, door, mat)"},
        {"--z", "MM", "supplement Z, for example for measurement uncertainty (ISO 13855:2024)"},
        {"--dpf", "MM", "depth penetration factor Dpf (ANSI: estop, door)"},
        {"--no-encroachment", nullptr, "two-hand control: reaching in is excluded (ISO 13855:2024)"},
        {"--installed", "MM", "the distance at which the device is mounted, to compare with the minimum"},
    };
}

QString standardIdList()
{
    QStringList ids;
    for (const DistanceStandard *s : distanceStandards())
        ids.append(s->id());
    return ids.join(QStringLiteral(", "));
}

DistanceChoice choiceFromOptions(const Arguments &arguments, const DistanceChoice &stored)
{
    DistanceChoice choice = stored;
    if (const std::optional<QString> id = arguments.value("--standard")) {
        if (!findDistanceStandard(*id))
            throw badInput(QStringLiteral("--standard: unknown standard '%1' (one of %2)").arg(*id, standardIdList()));
        // Another standard's entries mean something else: they go.
        if (*id != choice.standardId) {
            const std::optional<double> installed = choice.installedMm;
            choice = DistanceChoice{};
            choice.installedMm = installed;
        }
        choice.standardId = *id;
    }
    const struct
    {
        const char *option;
        std::optional<double> DistanceChoice::*field;
    } entries[] = {
        {"--tr", &DistanceChoice::trMs},   {"--brake-monitor", &DistanceChoice::brakeMonitorMs},
        {"--k", &DistanceChoice::kMmPerS}, {"--dds", &DistanceChoice::ddsMm},
        {"--z", &DistanceChoice::zMm},     {"--dpf", &DistanceChoice::dpfMm},
        {"--installed", &DistanceChoice::installedMm},
    };
    for (const auto &e : entries) {
        if (!arguments.has(e.option))
            continue;
        const bool length = e.field == &DistanceChoice::ddsMm || e.field == &DistanceChoice::zMm
            || e.field == &DistanceChoice::dpfMm || e.field == &DistanceChoice::installedMm;
        choice.*e.field = length ? distanceOption(arguments, e.option) : finiteOption(arguments, e.option);
    }
    if (arguments.has("--no-encroachment"))
        choice.noEncroachment = true;
    if (choice.standardId.isEmpty())
        choice.standardId = defaultDistanceStandard().id();
    return choice;
}

void writeStandardMembers(JsonWriter &json, const DistanceChoice &choice, const DistanceResult &result)
{
    json.member("standard", choice.standardId.isEmpty() ? defaultDistanceStandard().id() : choice.standardId);
    json.member("distance_in", result.distanceInch);
    json.member("minimum_mm", result.distanceMm ? std::optional<double>(minimumWholeMm(*result.distanceMm))
                                                : std::nullopt);
    json.member("installed_mm", choice.installedMm);
    json.key("verdict");
    if (result.verdict)
        json.value(verdictKey(*result.verdict));
    else
        json.null();
    if (!result.distanceMm && !result.noDistanceReason.isEmpty())
        json.member("refused", result.noDistanceReason.render());
}

QString refusedDistanceText(const DistanceResult &result)
{
    if (result.noDistanceReason.isEmpty())
        return kNoValueMm;
    return kNoValueMm + QStringLiteral(" (no distance: ") + result.noDistanceReason.render() + QLatin1Char(')');
}

QString standardLines(const DistanceChoice &choice, const DistanceResult &result, int width)
{
    // A caption longer than the column keeps a blank before its value.
    auto row = [width](const QString &caption, const QString &value) {
        return caption.leftJustified(std::max<qsizetype>(width, caption.size() + 1)) + value + QLatin1Char('\n');
    };
    const DistanceStandard *standard = choice.standard();
    // The default standard's output is the output of before.
    QString text = standard == &defaultDistanceStandard()
        ? QString()
        : row(QStringLiteral("Standard:"), standard ? standard->name() : choice.standardId);
    for (const DistanceText &w : result.warnings)
        text += row(QStringLiteral("Warning:"), w.render());
    if (choice.installedMm) {
        text += row(QStringLiteral("Installed distance:"), formatInstalledMm(*choice.installedMm));
        text += row(QStringLiteral("Verdict:"), result.verdict ? verdictText(*result.verdict)
                                                               : QStringLiteral("none without a safety distance"));
    }
    return text;
}

QString deviceText(const DeviceChoice &device)
{
    if (!device.kind)
        return QStringLiteral("unknown kind");
    QString text = QLatin1String(device.kind->name);
    if (device.kind->parameterSymbol) {
        text += QStringLiteral(", %1 = ").arg(QLatin1String(device.kind->parameterSymbol));
        text += device.parameter ? formatGeneral(*device.parameter) + QStringLiteral(" mm") : QStringLiteral("?");
    }
    if (device.nonIndustrial)
        text += QStringLiteral(", non-industrial");
    return text;
}

std::optional<double> optionalNumber(const Arguments &arguments, const char *option)
{
    const std::optional<QString> text = arguments.value(option);
    if (!text)
        return std::nullopt;
    const std::optional<double> number = parseDecimal(*text);
    if (!number)
        throw badInput(QStringLiteral("%1: '%2' is not a number").arg(QLatin1String(option), *text));
    return number;
}

double numberOption(const Arguments &arguments, const char *option)
{
    const std::optional<double> number = optionalNumber(arguments, option);
    if (!number)
        throw usageError(QStringLiteral("%1 missing").arg(QLatin1String(option)));
    return *number;
}

double finiteOption(const Arguments &arguments, const char *option)
{
    const double v = numberOption(arguments, option);
    if (!std::isfinite(v))
        throw badInput(QStringLiteral("%1: '%2' is not a finite number").arg(QLatin1String(option), *arguments.value(option)));
    return v;
}

double distanceOption(const Arguments &arguments, const char *option)
{
    const double v = finiteOption(arguments, option);
    // No guard is mounted, and no measure of one lies, beyond 100 m: a
    // number like 1e308 is a slip, not a distance.
    if (std::fabs(v) > kLargestDistanceMm)
        throw badInput(QStringLiteral("%1: %2 mm is beyond 100 m, more than any safety distance")
                           .arg(QLatin1String(option), *arguments.value(option)));
    return v;
}

bool isProjectFile(const QString &fileName)
{
    // A protocol that carries its project file reads as that file.
    return fileName.endsWith(QLatin1String(".zPRJ"), Qt::CaseInsensitive)
           || fileName.endsWith(QLatin1String(".pdf"), Qt::CaseInsensitive);
}

void useProjectCodePage()
{
    setProjectCodePage(programSettings().ProjectCodePage);
}

namespace {

QStringList &warningList()
{
    static QStringList warnings;
    return warnings;
}

} // namespace

const QStringList &runWarnings()
{
    return warningList();
}

void writeWarningsMember(JsonWriter &json)
{
    if (warningList().isEmpty())
        return;
    json.key("warnings");
    json.beginArray();
    for (const QString &w : warningList())
        json.value(w);
    json.endArray();
}

OpenedProject openProject(const QString &fileName)
{
    useProjectCodePage();
    OpenedProject project;
    QFile file(fileName);
    if (!file.open(QIODevice::ReadOnly))
        throw badInput(QStringLiteral("%1: %2").arg(fileName, file.errorString()));
    const QByteArray read = file.readAll();
    if (file.error() != QFileDevice::NoError)
        throw badInput(QStringLiteral("%1: %2").arg(fileName, file.errorString()));
    QByteArray bytes;
    try {
        bytes = projectFileContent(fileName, read);
    } catch (const ZirkError &e) {
        throw badInput(e.message());
    }
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::ReadOnly);
    if (!readProjectFile(buffer, project.stopTimes, project.record, project.pictures).complete)
        throw badInput(QStringLiteral("%1: invalid or corrupted project file").arg(fileName));
    project.standardProblem = measurementFromProject({}, project.record, {}).standardProblem;
    if (!project.standardProblem.isEmpty()) {
        const QString warning = QStringLiteral("%1: the standard stored in the project was not read (%2)")
                                    .arg(fileName, project.standardProblem);
        warningList().append(warning);
        writeWarning(QStringLiteral("zirk-cli: ") + warning + QLatin1Char('\n'));
    }
    project.bytes = bytes;
    return project;
}

void refuseUnreadStandard(const Arguments &arguments, const QString &fileName, const QString &problem)
{
    if (problem.isEmpty() || arguments.has("--standard"))
        return;
    throw badInput(QStringLiteral("%1: the standard stored in the project was not read (%2); give --standard and "
                                  "its entries")
                       .arg(fileName, problem));
}

QString importValues(const QString &fileName, std::vector<double> &values)
{
    QFile file(fileName);
    if (!file.open(QIODevice::ReadOnly))
        throw badInput(QStringLiteral("%1: %2").arg(fileName, file.errorString()));
    const ImportSummary summary =
        readImportValues(file, asciiDecimalSeparator(), [&values](double v) { values.push_back(v); });
    if (summary.readFailed)
        throw badInput(QStringLiteral("%1: %2").arg(fileName, file.errorString()));
    return QStringLiteral("zirk-cli: %1: %2\n").arg(fileName, importSummaryText(summary));
}

std::optional<double> storedLength(double mm)
{
    if (mm == -1.0 || !std::isfinite(mm))
        return std::nullopt;
    return mm;
}

DeviceChoice projectDevice(const ProjectRecord &record)
{
    DeviceChoice device;
    device.kind = kindById(record.safetyDeviceId());
    if (!device.kind)
        return device;
    // The device as File > Open restores it.
    const SafetyDevice stored = measurementFromProject({}, record, {}).safetyDevice;
    if (const std::optional<double> parameter = stored.parameter(); parameter && device.kind->parameterOption)
        device.parameter = storedLength(*parameter);
    if (device.kind->kind == KindHorizontalLightCurtain || device.kind->kind == KindSafetyScanner)
        device.zoneResolution = storedLength(stored.d);
    device.nonIndustrial = stored.NonIndustrial && device.kind->kind == KindVerticalLightCurtain;
    return device;
}

DistanceChoice projectChoice(const ProjectRecord &record)
{
    DistanceChoice choice = measurementFromProject({}, record, {}).distanceChoice;
    if (choice.standardId.isEmpty())
        choice.standardId = defaultDistanceStandard().id();
    return choice;
}

QString projectSafeguard(const ProjectRecord &record, QString *problem)
{
    QString safeguardProblem;
    const QString name = measurementFromProject({}, record, {}, nullptr, &safeguardProblem).safeguard;
    if (problem)
        *problem = safeguardProblem;
    return name;
}

QString englishSafeguardName(int kind, std::optional<double> parameter)
{
    return safeguardDisplayName(kind, parameter, kindDisplayName(LanguageTexts(), kind), QLocale::c());
}

QString englishSafeguardName(const SafetyDevice &device)
{
    return englishSafeguardName(device.ID, device.parameter());
}

namespace {

// Read once, when a command first needs it, by the reader the window
// uses.  A settings file that is there but cannot be read (a FIFO, no
// rights) gives the defaults, as in the window, and one line on standard
// error says so.
const SavedSettings &savedSettings()
{
    static const SavedSettings saved = [] {
        const QString fileName = settingsFilePathOf(QStringLiteral("zirk"));
        QString failure;
        const IniFile ini = IniFile::load(fileName, settingsCodePage(), &failure);
        if (!failure.isEmpty())
            writeWarning(QStringLiteral("zirk-cli: settings file %1 cannot be read (%2); its settings are not used\n")
                             .arg(fileName, failure));
        return readSettings(ini);
    }();
    return saved;
}

} // namespace

const AppSettings &programSettings()
{
    return savedSettings().app;
}

const LanguageTexts &programTexts()
{
    static const LanguageTexts texts = [] {
        const QString fileName = languageFilePath(programSettings().Language);
        return fileName.isEmpty() ? LanguageTexts() : LanguageTexts::read(IniFile::load(fileName, settingsCodePage()));
    }();
    return texts;
}

QString kindDisplayName(int kind)
{
    return kindDisplayName(programTexts(), kind);
}

void writeWarning(const QString &text)
{
    std::fflush(stdout);
    const QByteArray bytes = text.toLocal8Bit();
    std::fwrite(bytes.constData(), 1, std::size_t(bytes.size()), stderr);
}

void writeText(const QString &text)
{
    const QByteArray bytes = text.toLocal8Bit();
    // A short write sets the stream's error flag, which the end of the run
    // checks: lost output is never a success.
    std::fwrite(bytes.constData(), 1, std::size_t(bytes.size()), stdout);
}

void writeJson(const JsonWriter &json)
{
    const std::string text = json.text();
    std::fwrite(text.data(), 1, text.size(), stdout);
}

void writeFileResult(const Arguments &arguments, const QString &fileName, const char *countKey,
                     long long count, const QString &text)
{
    if (!arguments.json()) {
        writeText(text);
        return;
    }
    JsonWriter json;
    json.beginObject();
    json.member("file", fileName);
    json.member(countKey, count);
    writeWarningsMember(json);
    json.endObject();
    writeJson(json);
}
