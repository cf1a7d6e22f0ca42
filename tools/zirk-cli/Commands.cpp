#include "Commands.h"

#include "JsonWriter.h"

#include "base/CodePage.h"
#include "base/NumberFormat.h"
#include "project/ValueImport.h"
#include "safety/SafetyDevice.h"
#include "settings/AppSettings.h"
#include "settings/FileLocations.h"
#include "settings/IniFile.h"
#include "settings/SettingsFile.h"
#include "settings/ReportSettings.h"
#include "settings/LanguageTexts.h"

#include <QFile>

#include <cmath>
#include <cstdio>

const std::vector<Command> &commands()
{
    static const std::vector<Command> all = [] {
        std::vector<Command> list = distanceCommands();
        for (auto group : {seriesCommands(), projectCommands(), archiveCommands()})
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
        device.nonIndustrial = false;
        // Project files keep d and H, not a door's C or a mat's h.
        const bool stored = kindParameterIsStored(device.kind->kind);
        const bool needed = use == DeviceUse::Distance || stored;
        if (needed && device.kind->parameterOption && !arguments.has(device.kind->parameterOption))
            throw badInput(QStringLiteral("kind %1 needs %2 MM")
                               .arg(QLatin1String(device.kind->name), QLatin1String(device.kind->parameterOption)));
    }

    for (const char *option : {"--d", "--height", "--c", "--step"}) {
        if (!arguments.has(option))
            continue;
        if (!device.kind || !device.kind->parameterOption || qstrcmp(device.kind->parameterOption, option) != 0)
            throw badInput(QStringLiteral("%1 does not apply to kind %2")
                               .arg(QLatin1String(option),
                                    device.kind ? QLatin1String(device.kind->name) : QStringLiteral("unknown")));
        device.parameter = numberOption(arguments, option);
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
    return SafetyDevice::ofKind(device.kind ? device.kind->kind : -1, device.parameter, device.nonIndustrial);
}

std::optional<double> deviceDistance(const DeviceChoice &device, double stopTimeMs)
{
    const SafetyDevice safety = safetyDevice(device);
    const std::optional<double> parameter = safety.parameter();
    if (!parameter)
        return std::nullopt;
    // Above 40 mm the non-industrial formula is the industrial one, which is
    // why the window only offers the choice up to 40 mm.
    return safetyDistance(safety.ID, stopTimeMs / 1000.0, *parameter, safety.NonIndustrial);
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

bool isProjectFile(const QString &fileName)
{
    return fileName.endsWith(QLatin1String(".zPRJ"), Qt::CaseInsensitive);
}

OpenedProject openProject(const QString &fileName)
{
    OpenedProject project;
    QFile file(fileName);
    if (!file.open(QIODevice::ReadOnly))
        throw badInput(QStringLiteral("%1: %2").arg(fileName, file.errorString()));
    if (!readProjectFile(file, project.stopTimes, project.record, project.pictures).complete)
        throw badInput(QStringLiteral("%1: invalid or corrupted project file").arg(fileName));
    return project;
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
    if (const std::optional<double> parameter = stored.parameter(); parameter && kindParameterIsStored(stored.ID))
        device.parameter = storedLength(*parameter);
    return device;
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
        const IniFile ini = IniFile::load(fileName, kSystemCodePage, &failure);
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

QString kindDisplayName(int kind)
{
    static const IniFile texts = [] {
        const QString fileName = languageFilePath(programSettings().Language);
        return fileName.isEmpty() ? IniFile(kSystemCodePage) : IniFile::load(fileName, kSystemCodePage);
    }();
    const KindName *name = kindById(kind);
    if (!name)
        return QString();
    const char *const section = "DevicesWindow";
    for (const LanguageKey &k : languageKeys()) {
        if (qstrcmp(k.section, section) == 0 && qstrcmp(k.key, name->nameKey) == 0)
            return texts.readString(QLatin1String(section), QLatin1String(k.key), QString::fromUtf8(k.defaultText));
    }
    return QString();
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
    json.endObject();
    writeJson(json);
}
