// stats and export: the result indicators of the main window and File >
// Export values over files.
#include "Commands.h"
#include "JsonWriter.h"

#include "base/ErrorHandling.h"
#include "base/NumberFormat.h"
#include "project/ValueExport.h"
#include "safety/SafetyDevice.h"
#include "series/SeriesResult.h"

namespace {

// The values of all files in order, and the safety device of the first
// project file among them.
struct Series
{
    std::vector<double> values;
    std::optional<DeviceChoice> storedDevice;
    std::optional<DistanceChoice> storedChoice;
    QString safeguard; // as the first project file names it
    // The project whose choice counts, when its standard was not read.
    QString unreadStandardFile;
    QString unreadStandardProblem;
    QString importNotes; // for standard error
};

Series readSeries(const QStringList &fileNames)
{
    Series series;
    for (const QString &fileName : fileNames) {
        if (isProjectFile(fileName)) {
            const OpenedProject project = openProject(fileName);
            series.values.insert(series.values.end(), project.stopTimes.begin(), project.stopTimes.end());
            if (!series.storedDevice) {
                series.storedDevice = projectDevice(project.record);
                series.storedChoice = projectChoice(project.record);
                series.safeguard = projectSafeguard(project.record);
                if (!project.standardProblem.isEmpty()) {
                    series.unreadStandardFile = fileName;
                    series.unreadStandardProblem = project.standardProblem;
                }
            }
            continue;
        }
        series.importNotes += importValues(fileName, series.values);
    }
    return series;
}

QString missingInput(const DeviceChoice &device)
{
    if (!device.kind)
        return QStringLiteral("the safety device kind is unknown; give --kind");
    return QStringLiteral("give %1 MM").arg(QLatin1String(device.kind->parameterOption));
}

void runStats(const Arguments &arguments)
{
    const Series series = readSeries(arguments.files());
    refuseUnreadStandard(arguments, series.unreadStandardFile, series.unreadStandardProblem);
    DeviceChoice defaults;
    defaults.kind = kindById(KindVerticalLightCurtain);
    defaults.parameter = 14.0;
    const DeviceChoice device = deviceFromOptions(arguments, series.storedDevice.value_or(defaults));

    const DistanceChoice choice = choiceFromOptions(arguments, series.storedChoice.value_or(DistanceChoice{}));

    const SeriesResult outcome = computeSeriesResult(series.values, safetyDevice(device), choice);
    const std::optional<SeriesStatistics> &stats = outcome.statistics;
    const bool enoughValues = outcome.enoughValues();
    const std::optional<double> &distance = outcome.distanceMm;
    // Also under ten values, where no distance is computed from it.
    const std::optional<double> governingMs = stats ? finiteGoverningMs(*stats) : std::nullopt;

    if (arguments.json()) {
        auto statistic = [&stats](double SeriesStatistics::*field) {
            return stats ? std::optional<double>((*stats).*field) : std::nullopt;
        };
        JsonWriter json;
        json.beginObject();
        json.member("count", static_cast<long long>(series.values.size()));
        json.member("mean_ms", statistic(&SeriesStatistics::mean));
        json.member("sigma_ms", statistic(&SeriesStatistics::sigma));
        json.member("mean_plus_3sigma_ms", statistic(&SeriesStatistics::meanPlus3Sigma));
        json.member("max_ms", statistic(&SeriesStatistics::maximum));
        json.member("governing_ms", governingMs);
        json.key("governing");
        if (governingMs)
            json.value(QString::fromLatin1(stats->meanPlus3SigmaGoverns() ? "mean+3sigma" : "max"));
        else
            json.null();
        json.key("kind");
        if (device.kind)
            json.value(QString::fromLatin1(device.kind->name));
        else
            json.null();
        json.member("distance_mm", distance);
        writeStandardMembers(json, choice, outcome.distance);
        json.key("safeguard");
        if (series.safeguard.isEmpty())
            json.null();
        else
            json.value(series.safeguard);
        writeWarningsMember(json);
        json.endObject();
        writeJson(json);
        writeWarning(series.importNotes);
        return;
    }

    auto ms = [&stats](double SeriesStatistics::*field) {
        return stats ? formatStatisticMs((*stats).*field) : kNoValueMs;
    };
    QString text;
    text += QStringLiteral("Count:               %1\n").arg(formatCount(qint64(series.values.size())));
    text += QStringLiteral("Mean:                %1\n").arg(ms(&SeriesStatistics::mean));
    text += QStringLiteral("Standard deviation:  %1\n").arg(ms(&SeriesStatistics::sigma));
    text += QStringLiteral("Mean + 3 sigma:      %1\n").arg(ms(&SeriesStatistics::meanPlus3Sigma));
    text += QStringLiteral("Maximum:             %1\n").arg(ms(&SeriesStatistics::maximum));
    if (governingMs) {
        text += QStringLiteral("Governing:           %1 (%2)\n")
                    .arg(formatStatisticMs(*governingMs),
                         stats->meanPlus3SigmaGoverns() ? QStringLiteral("mean + 3 sigma")
                                                        : QStringLiteral("maximum"));
    }
    text += QStringLiteral("Safety device:       %1\n").arg(deviceText(device));
    if (!series.safeguard.isEmpty())
        text += QStringLiteral("Safeguard:           %1\n").arg(series.safeguard);
    QString result;
    if (distance)
        result = formatDistanceMm(*distance) + QStringLiteral("  (") + formatDistanceInch(*distance / 25.4).trimmed()
            + QLatin1Char(')');
    else if (enoughValues && outcome.governingMs && !outcome.notFinite && !outcome.distance.noDistanceReason.isEmpty()
             && device.kind && !(device.kind->parameterOption && !device.parameter))
        result = refusedDistanceText(outcome.distance);
    else if (!enoughValues)
        result = kNoValueMm + QStringLiteral("  (from %1 values on)").arg(kMinimumValuesForDistance);
    else if (outcome.notFinite)
        result = kNoValueMm + QStringLiteral("  (the stop times give no finite result)");
    else
        result = kNoValueMm + QStringLiteral("  (") + missingInput(device) + QLatin1Char(')');
    text += QStringLiteral("Safety distance:     %1\n").arg(result);
    text += standardLines(choice, outcome.distance, 21);
    writeText(text);
    writeWarning(series.importNotes);
}

void runExport(const Arguments &arguments)
{
    requireOptions(arguments, {"-o"});
    if (arguments.has("--decimal-comma") && arguments.has("--decimal-point"))
        throw usageError(QStringLiteral("give --decimal-comma or --decimal-point, not both"));
    const Series series = readSeries(arguments.files());
    const QString fileName = *arguments.value("-o");
    const DecimalMark mark = arguments.has("--decimal-comma") ? DecimalMark::Comma
        : arguments.has("--decimal-point")                   ? DecimalMark::Point
                                                             : defaultDecimalMark();
    try {
        saveValuesCsv(fileName, series.values, mark);
    } catch (const ZirkError &e) {
        throw badInput(e.message());
    }
    writeFileResult(arguments, fileName, "count", static_cast<long long>(series.values.size()),
                    QStringLiteral("%1 stop times written to %2\n").arg(series.values.size()).arg(fileName));
}

std::vector<OptionSpec> statsOptions()
{
    std::vector<OptionSpec> options = deviceOptions();
    for (const OptionSpec &o : standardOptions())
        options.push_back(o);
    return options;
}

} // namespace

std::vector<Command> seriesCommands()
{
    return {
        {{"stats",
          "stats [--kind KIND] [--d MM] [--height MM] [--c MM] [--step MM] [--non-industrial] [--standard ID] "
          "[--tr MS] [--brake-monitor MS] [--k MM_PER_S] [--dds MM] [--z MM] [--dpf MM] [--no-encroachment] "
          "[--installed MM] FILE...",
          "statistics and safety distance of the stop times in project and text files",
          statsOptions(), "FILE", 1, -1,
          "The series is made of the values of all FILEs in order.  A FILE ending in\n"
          ".zPRJ (any letter case) is a project file; any other is a text file with one\n"
          "stop time in ms per line, read as File > Import Values reads it: a line that\n"
          "is not a number as a whole (in your locale) is skipped; a UTF-8 byte-order\n"
          "mark is skipped and a file with a UTF-16 one is read as UTF-16.  For each\n"
          "text file one line on standard error says how many values were added and\n"
          "how many lines were not numbers, with the first of them.\n\n"
          "From ten values on, the safety distance is computed from the governing stop\n"
          "time (the maximum, or mean + 3 sigma where that is greater) for the kind\n"
          "given.  Without --kind the kind, d and H stored in the first project file\n"
          "count, else a vertical light curtain with d = 14 mm; the parameter options\n"
          "replace the stored value.  A door's C and a mat's h are stored only by\n"
          "this version's projects: else give --c or --step, or the distance stays\n"
          "empty.  The standard, its entries and the installed distance stored in the\n"
          "first project file apply unless an option replaces them; --standard starts\n"
          "over with no entries (the installed distance stays).  A project whose\n"
          "stored standard cannot be read (a damaged block) is said on standard error\n"
          "and is bad input unless --standard is given with its entries.  The\n"
          "distance is printed rounded up to whole mm, and the verdict compares the\n"
          "installed distance with that figure.  The safeguard the first project\n"
          "file names is shown (the line \"Safeguard:\" only when it names one).\n\n"
          "JSON: {\"count\", \"mean_ms\", \"sigma_ms\", \"mean_plus_3sigma_ms\", \"max_ms\",\n"
          "\"governing_ms\", \"governing\" (\"max\" or \"mean+3sigma\"), \"kind\", \"distance_mm\",\n"
          "\"standard\", \"distance_in\", \"minimum_mm\", \"installed_mm\", \"verdict\" (\"meets\",\n"
          "\"closer\" or null), \"safeguard\" (the name the first project file gives its\n"
          "safeguard, else null), \"refused\" where the standard gives no distance, and\n"
          "\"warnings\" where a project's standard was not read};\n"
          "the statistics are null for an empty series, distance_mm under ten values or\n"
          "when the formula has no input.  A statistic or distance that is not finite\n"
          "(sums beyond the range of a double, a NaN in a project file) is null, and\n"
          "governing is null whenever governing_ms is.\n"},
         runStats},
        {{"export", "export FILE... -o OUT.csv [--decimal-comma | --decimal-point]",
          "write the stop times of project and text files as CSV for spreadsheets",
          {{"-o", "OUT.csv", "the CSV file to create or replace"},
           {"--decimal-comma", nullptr, "decimal comma, fields separated by semicolons"},
           {"--decimal-point", nullptr, "decimal point, fields separated by commas"}},
          "FILE", 1, -1,
          "The series is made of the values of all FILEs in order, read as stats\n"
          "reads them.  The file holds the same bytes as the window's File > Export\n"
          "values: UTF-8 with a byte-order mark, the header row \"Run\" and \"Stop time\n"
          "[ms]\", then the run number and the stop time in ms with every digit the\n"
          "value holds, CR LF line ends.  Without a mark option the mark follows\n"
          "your locale: a comma (and semicolons between fields) where it writes\n"
          "decimals with a comma, else a point (and commas).\n\n"
          "JSON: {\"file\", \"count\"}\n"},
         runExport},
    };
}
