// distance, reflective and table: the calculator and the light-curtain table
// without the window.
#include "Commands.h"
#include "JsonWriter.h"

#include "base/ErrorHandling.h"
#include "base/NumberFormat.h"
#include "safety/SafetyDevice.h"
#include "safety/VlcTable.h"

namespace {

void runDistance(const Arguments &arguments)
{
    requireOptions(arguments, {"--kind", "--time"});
    const DeviceChoice device = deviceFromOptions(arguments, DeviceChoice());
    const DistanceChoice choice = choiceFromOptions(arguments);
    const double time = numberOption(arguments, "--time");
    const DistanceResult result = deviceDistance(device, choice, time);
    const std::optional<double> &distance = result.distanceMm;

    if (arguments.json()) {
        JsonWriter json;
        json.beginObject();
        json.member("kind", QString::fromLatin1(device.kind->name));
        json.member("time_ms", time);
        json.member("distance_mm", distance);
        writeStandardMembers(json, choice, result);
        json.endObject();
        writeJson(json);
        return;
    }
    QString inch;
    if (result.distanceInch && choice.standard() != &defaultDistanceStandard())
        inch = QStringLiteral("  (") + formatDistanceInch(*result.distanceInch).trimmed() + QLatin1Char(')');
    writeText(QStringLiteral("Safety device:   %1\nStop time:       %2 ms\nSafety distance: %3\n")
                  .arg(deviceText(device), formatGeneral(time),
                       distance ? formatCalculatorMm(*distance) + inch : refusedDistanceText(result))
              + standardLines(choice, result, 17));
}

void runReflective(const Arguments &arguments)
{
    requireOptions(arguments, {"--distance"});
    const double mm = Vypocet_VLC_reflective(numberOption(arguments, "--distance"));
    if (arguments.json()) {
        JsonWriter json;
        json.beginObject();
        json.member("distance_mm", mm);
        json.endObject();
        writeJson(json);
        return;
    }
    writeText(QStringLiteral("Minimum distance to a reflecting surface: %1\n").arg(formatCalculatorMm(mm)));
}

void runTable(const Arguments &arguments)
{
    requireOptions(arguments, {"-o"});
    const QString fileName = *arguments.value("-o");
    try {
        saveVlcTable(fileName);
    } catch (const ZirkError &e) {
        throw badInput(QStringLiteral("%1: %2").arg(fileName, e.message()));
    }
    writeFileResult(arguments, fileName, "rows", kVlcTableRowCount,
                    QStringLiteral("%1 rows written to %2\n").arg(kVlcTableRowCount).arg(fileName));
}

const OptionSpec kKindOption = {"--kind", "KIND", "vlc, hlc, scanner, twohand, estop, door or mat"};

} // namespace

// The options that choose a safety device, shared with stats.
std::vector<OptionSpec> deviceOptions()
{
    return {
        kKindOption,
        {"--d", "MM", "resolution d of a vertical light curtain (vlc)"},
        {"--height", "MM", "height H of the detection zone above the ground (hlc, scanner)"},
        {"--c", "MM", "additional distance C of ISO 13857 (door)"},
        {"--step", "MM", "step height h (mat)"},
        {"--non-industrial", nullptr, "non-industrial use, for example with children about (vlc)"},
    };
}

std::vector<Command> distanceCommands()
{
    std::vector<OptionSpec> distanceOptions = deviceOptions();
    distanceOptions.insert(distanceOptions.begin() + 1, {"--time", "MS", "stop time in milliseconds"});
    for (const OptionSpec &o : standardOptions())
        distanceOptions.push_back(o);
    return {
        {{"distance",
          "distance --kind KIND --time MS [--d MM] [--height MM] [--c MM] [--step MM] [--non-industrial] "
          "[--standard ID] [--tr MS] [--brake-monitor MS] [--k MM_PER_S] [--dds MM] [--z MM] [--dpf MM] "
          "[--no-encroachment] [--installed MM]",
          "the minimum safety distance of one kind of safety device for one stop time",
          distanceOptions, nullptr, 0, 0,
          "A kind's parameter is required where its formula needs it: --d for vlc,\n"
          "--height for hlc and scanner, --c for door, --step for mat; twohand and\n"
          "estop need none; under iso13855-2024 hlc and scanner also need --d.  The\n"
          "distance is by ISO 13855:2010 unless --standard names another; the\n"
          "standard's entries are read only where it uses them.  With --installed the\n"
          "verdict says whether the device meets the minimum distance: it compares\n"
          "with the minimum rounded up to whole mm.  The distance is shown rounded up\n"
          "to 0.1 mm.  Where the standard gives no distance, the line says why.\n\n"
          "JSON: {\"kind\", \"time_ms\", \"distance_mm\" (exact), \"standard\", \"distance_in\",\n"
          "\"minimum_mm\" (whole mm, rounded up), \"installed_mm\", \"verdict\": \"meets\",\n"
          "\"closer\" or null, and \"refused\" with the reason where there is no distance}\n"},
         runDistance},
        {{"reflective", "reflective --distance MM",
          "the minimum distance of a light curtain to a reflecting surface",
          {{"--distance", "MM", "distance D between emitter and receiver in millimetres"}}, nullptr, 0, 0,
          "JSON: {\"distance_mm\"}\n"},
         runReflective},
        {{"table", "table -o FILE",
          "write the light-curtain table (1 to 500 ms, d = 14, 30, 40, 41 mm) as CSV",
          {{"-o", "FILE", "the file to create or replace", false, true}}, nullptr, 0, 0,
          "The file holds the same bytes as the window's Tools > Generate VLC table in\n"
          "the same locale: semicolon-separated, the locale's decimal separator,\n"
          "CR LF line ends.\n\n"
          "JSON: {\"file\", \"rows\"}\n"},
         runTable},
    };
}
