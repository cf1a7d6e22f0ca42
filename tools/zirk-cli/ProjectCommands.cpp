// project-info, new-project and report: the project files of File > Open and
// Save as, and the protocol of File > Generate Report, without the window.
#include "Commands.h"
#include "JsonWriter.h"

#include "base/CodePage.h"
#include "base/ErrorHandling.h"
#include "base/SaveFile.h"
#include "base/NumberFormat.h"
#include "pdf/zPdf.h"
#include "project/ProjectMeasurement.h"
#include "project/ProtocolProject.h"
#include "report/ProtocolRecord.h"
#include "report/Report.h"
#include "report/ReportMeasurement.h"
#include "report/ReportLogo.h"
#include "report/ReportPictures.h"
#include "safety/SafetyDevice.h"
#include "series/SeriesResult.h"
#include "settings/FileLocations.h"
#include "settings/ReportSettings.h"

#include <QDateTime>
#include <tuple>

namespace {

using Text = ProjectRecord::Text;

// The entries of the block in the order the options name them.
struct BlockValue
{
    const char *key;     // JSON
    const char *caption; // text
    std::optional<double> ProjectExtension::*field;
    const char *unit;
};
const BlockValue kBlockValues[] = {
    {"tr_ms", "Tr", &ProjectExtension::trMs, "ms"},
    {"brake_monitor_ms", "brake monitor", &ProjectExtension::brakeMonitorMs, "ms"},
    {"k_mm_per_s", "K", &ProjectExtension::kMmPerS, "mm/s"},
    {"dds_mm", "D_DS", &ProjectExtension::ddsMm, "mm"},
    {"z_mm", "Z", &ProjectExtension::zMm, "mm"},
    {"dpf_mm", "Dpf", &ProjectExtension::dpfMm, "mm"},
    {"door_c_mm", "C", &ProjectExtension::doorC, "mm"},
    {"mat_h_mm", "h", &ProjectExtension::matH, "mm"},
};

QString lastValueText(const std::optional<qint64> &utcMs)
{
    return utcMs ? QDateTime::fromMSecsSinceEpoch(*utcMs, Qt::UTC).toString(Qt::ISODateWithMs) : QString();
}

// The block of the standard as the file holds it, or why it was not read.
void writeBlockJson(JsonWriter &json, const ProjectRecord &r)
{
    QString problem;
    const std::optional<ProjectExtension> e = r.extension(&problem);
    json.key("standard_block");
    if (!e) {
        json.null();
        json.key("standard_block_problem");
        if (problem.isEmpty())
            json.null();
        else
            json.value(problem);
        return;
    }
    json.beginObject();
    json.member("standard", e->standardId);
    for (const BlockValue &v : kBlockValues)
        json.member(v.key, (*e).*v.field);
    json.member("no_encroachment", e->noEncroachment);
    json.member("non_industrial", e->nonIndustrial);
    json.member("installed_mm", e->installedMm);
    json.key("last_value_utc");
    if (e->lastValueUtcMs)
        json.value(lastValueText(e->lastValueUtcMs));
    else
        json.null();
    json.endObject();
    json.key("standard_block_problem");
    json.null();
}

QString blockText(const ProjectRecord &r)
{
    QString problem;
    const std::optional<ProjectExtension> e = r.extension(&problem);
    if (!e)
        return QStringLiteral("Standard:           %1\n")
            .arg(problem.isEmpty() ? QStringLiteral("none stored (ISO 13855:2010)")
                                   : QStringLiteral("not read: ") + problem);
    const DistanceStandard *standard = findDistanceStandard(e->standardId);
    QString text = QStringLiteral("Standard:           %1\n")
                       .arg(standard ? QStringLiteral("%1 (%2)").arg(standard->name(), e->standardId)
                                     : QStringLiteral("%1 (not known to this program)").arg(e->standardId));
    QStringList entries;
    for (const BlockValue &v : kBlockValues)
        if (const std::optional<double> &value = (*e).*v.field)
            entries << QStringLiteral("%1 = %2 %3").arg(QLatin1String(v.caption), formatGeneral(*value),
                                                        QLatin1String(v.unit));
    if (e->noEncroachment)
        entries << QStringLiteral("no encroachment");
    if (e->nonIndustrial)
        entries << QStringLiteral("non-industrial");
    text += QStringLiteral("Entries:            %1\n")
                .arg(entries.isEmpty() ? QStringLiteral("none") : entries.join(QStringLiteral(", ")));
    text += QStringLiteral("Installed distance: %1\n")
                .arg(e->installedMm ? formatInstalledMm(*e->installedMm) : QStringLiteral("-"));
    text += QStringLiteral("Last value:         %1\n")
                .arg(e->lastValueUtcMs ? lastValueText(e->lastValueUtcMs) : QStringLiteral("-"));
    return text;
}

std::vector<OptionSpec> withStandardOptions(std::vector<OptionSpec> options)
{
    for (const OptionSpec &o : standardOptions())
        options.push_back(o);
    return options;
}

void runProjectInfo(const Arguments &arguments)
{
    const QString fileName = arguments.files().constFirst();
    const OpenedProject project = openProject(fileName);
    const ProjectRecord &r = project.record;
    const DeviceChoice device = projectDevice(r);
    QString safeguardProblem;
    const QString safeguard = projectSafeguard(r, &safeguardProblem);
    // The file is read all the same, as the window opens it: unnamed.
    if (!safeguardProblem.isEmpty())
        writeWarning(QStringLiteral("zirk-cli project-info: %1: the safeguard's name was not read (%2)\n")
                         .arg(fileName, safeguardProblem));

    if (arguments.json()) {
        JsonWriter json;
        json.beginObject();
        json.key("values_ms");
        json.beginArray();
        for (const double v : project.stopTimes)
            json.value(v);
        json.endArray();
        json.member("ss_speed", static_cast<long long>(r.standstillSpeed()));
        json.member("serial_number", projectText(r, Text::SerialNumber));
        json.key("calibration");
        json.beginObject();
        json.member("day", static_cast<long long>(r.calibrationDay()));
        json.member("month", static_cast<long long>(r.calibrationMonth()));
        json.member("year", static_cast<long long>(r.calibrationYear()));
        json.endObject();
        json.member("calibrated", r.calibrated());
        json.key("kind");
        if (device.kind)
            json.value(QString::fromLatin1(device.kind->name));
        else
            json.null();
        json.member("d", storedLength(r.resolution()));
        json.member("height", storedLength(r.height()));
        json.member("device_caption", projectText(r, Text::SafetyDeviceName));
        json.member("params_caption", projectText(r, Text::SafetyDeviceParams));
        json.member("machine_id", projectText(r, Text::MachineID));
        json.key("safeguard");
        if (safeguard.isEmpty())
            json.null();
        else
            json.value(safeguard);
        json.member("note", projectText(r, Text::Note));
        json.key("pictures");
        json.beginArray();
        for (int slot = 1; slot <= 4; ++slot) {
            const QImage &picture = project.pictures[std::size_t(slot - 1)];
            json.beginObject();
            json.member("note", projectText(r, ProjectRecord::pictureNote(slot)));
            json.member("include", r.includePicture(slot));
            json.member("width", picture.isNull() ? std::nullopt : std::optional<double>(picture.width()));
            json.member("height", picture.isNull() ? std::nullopt : std::optional<double>(picture.height()));
            json.endObject();
        }
        json.endArray();
        writeBlockJson(json, r);
        writeWarningsMember(json);
        json.endObject();
        writeJson(json);
        return;
    }

    auto length = [](double mm) {
        const std::optional<double> v = storedLength(mm);
        return v ? formatGeneral(*v) + QStringLiteral(" mm") : QStringLiteral("-");
    };
    QString text;
    text += QStringLiteral("Stop times:         %1\n").arg(project.stopTimes.size());
    for (std::size_t i = 0; i < project.stopTimes.size(); ++i)
        text += QStringLiteral("  %1  %2\n").arg(formatInteger(qint64(i + 1), 7), formatListValue(project.stopTimes[i]));
    text += QStringLiteral("Standstill speed:   %1 mm/s\n").arg(r.standstillSpeed());
    text += QStringLiteral("Serial number:      %1\n").arg(projectText(r, Text::SerialNumber));
    text += QStringLiteral("Last calibration:   %1/%2/%3\n")
                .arg(r.calibrationDay())
                .arg(r.calibrationMonth())
                .arg(r.calibrationYear());
    text += QStringLiteral("Calibrated:         %1\n").arg(r.calibrated() ? "yes" : "no");
    text += QStringLiteral("Kind:               %1\n")
                .arg(device.kind ? QString::fromLatin1(device.kind->name)
                                 : QStringLiteral("unknown (%1)").arg(r.safetyDeviceId()));
    text += QStringLiteral("d:                  %1\n").arg(length(r.resolution()));
    text += QStringLiteral("Height:             %1\n").arg(length(r.height()));
    text += QStringLiteral("Device caption:     %1\n").arg(projectText(r, Text::SafetyDeviceName));
    text += QStringLiteral("Parameter caption:  %1\n").arg(projectText(r, Text::SafetyDeviceParams));
    text += QStringLiteral("Machine ID:         %1\n").arg(projectText(r, Text::MachineID));
    text += QStringLiteral("Safeguard:          %1\n")
                .arg(!safeguard.isEmpty() ? safeguard
                                          : QStringLiteral("unnamed (%1)")
                                                .arg(englishSafeguardName(
                                                    measurementFromProject({}, r, {}).safetyDevice)));
    text += QStringLiteral("Note:               %1\n").arg(projectText(r, Text::Note));
    for (int slot = 1; slot <= 4; ++slot) {
        const QImage &picture = project.pictures[std::size_t(slot - 1)];
        text += QStringLiteral("Picture %1:          %2, %3, note \"%4\"\n")
                    .arg(slot)
                    .arg(picture.isNull() ? QStringLiteral("empty")
                                          : QStringLiteral("%1 x %2").arg(picture.width()).arg(picture.height()),
                         r.includePicture(slot) ? QStringLiteral("in the report")
                                                : QStringLiteral("not in the report"),
                         projectText(r, ProjectRecord::pictureNote(slot)));
    }
    text += blockText(r);
    writeText(text);
}

void runNewProject(const Arguments &arguments)
{
    requireOptions(arguments, {"-o"});
    const QString fileName = *arguments.value("-o");
    DeviceChoice defaults;
    defaults.kind = kindById(KindVerticalLightCurtain);
    defaults.parameter = 14.0;
    const DeviceChoice device = deviceFromOptions(arguments, defaults, DeviceUse::ProjectFile);
    const DistanceChoice choice = choiceFromOptions(arguments);
    std::vector<double> values;
    QString importNotes;
    for (const QString &importFile : arguments.values("--import"))
        importNotes += importValues(importFile, values);

    // The window right after start, File > New, the device chosen and the
    // values imported: no instrument data, no pictures, the picture notes
    // as the images dialog starts with them.
    Measurement m;
    m.stopTimes = values;
    SafetyDevice &safety = m.safetyDevice;
    safety = SafetyDevice::selected(device.kind->kind, device.parameter);
    if (device.zoneResolution)
        safety.d = *device.zoneResolution;
    safety.Name = kindDisplayName(safety.ID);
    m.distanceChoice = choice;
    for (int slot = 1; slot <= kPictureSlotCount; ++slot)
        m.pictures[std::size_t(slot - 1)].note = slotInitialNote(slot);
    m.machineId = arguments.value("--machine-id").value_or(QString());
    m.note = arguments.value("--note").value_or(QString());
    // A line break in a machine ID or a note would forge lines wherever it
    // is listed: refused, as the dialogs refuse it.
    useProjectCodePage();
    for (const auto &[option, text, field] : {std::tuple{"--machine-id", m.machineId, Text::MachineID},
                                              std::tuple{"--note", m.note, Text::Note}}) {
        const QString controls = projectTextFit(text, field).controls;
        if (!controls.isEmpty())
            throw badInput(QStringLiteral("%1: control characters (%2) cannot be kept in a project file")
                               .arg(QLatin1String(option), controls));
    }
    // A text the file cannot keep as given is kept as it can, and said so.
    for (const auto &[option, text, field] : {std::tuple{"--machine-id", m.machineId, Text::MachineID},
                                              std::tuple{"--note", m.note, Text::Note}}) {
        if (!projectTextFit(text, field).fits())
            importNotes += QStringLiteral("zirk-cli new-project: %1 is kept as \"%2\" (project files use %3, "
                                          "%4 bytes a field)\n")
                               .arg(QLatin1String(option), keptProjectText(text, field),
                                    QLatin1String(windowsCodePageName(projectCodePage())))
                               .arg(ProjectRecord::capacity(field));
    }
    // The safeguard's name is who the archive files the measurement under:
    // a name the file would keep otherwise than given is refused, not
    // changed.
    const QString safeguard = arguments.value("--safeguard").value_or(QString());
    if (const ProjectTextFit fit = projectTextFit(safeguard, Text::Safeguard); !fit.fits()) {
        QString why;
        if (!fit.controls.isEmpty())
            why = QStringLiteral("it holds a control character");
        else if (!fit.unkept.isEmpty())
            why = QStringLiteral("project files use %1, which lacks \"%2\"")
                      .arg(QLatin1String(windowsCodePageName(projectCodePage())), fit.unkept);
        else
            why = QStringLiteral("project files keep at most %1 bytes of it, it has %2")
                      .arg(fit.capacity)
                      .arg(fit.bytes);
        // A control character is written out, so that the message stays one line.
        QString shown;
        for (const QChar c : safeguard)
            shown += c.category() == QChar::Other_Control
                ? QStringLiteral("\\u%1").arg(c.unicode(), 4, 16, QLatin1Char('0'))
                : QString(c);
        throw badInput(QStringLiteral("--safeguard \"%1\" cannot be kept: %2").arg(shown, why));
    }
    m.safeguard = keptSafeguardName(safeguard);
    ProjectRecord record;
    ProjectPictures pictures;
    writeMeasurement(m, record, pictures);

    // Written beside the target and renamed over it when complete, as the
    // window saves, so a failure never leaves half a project behind.
    const SaveResult saved = saveWholeFile(fileName, [&](QIODevice &file) {
        return writeProjectFile(file, values, record, pictures);
    });
    if (!saved)
        throw badInput(QStringLiteral("%1: %2").arg(fileName, saved.error));

    writeFileResult(arguments, fileName, "count", static_cast<long long>(values.size()),
                    QStringLiteral("%1 stop times written to %2\n").arg(values.size()).arg(fileName));
    writeWarning(importNotes);
}

void runReport(const Arguments &arguments)
{
    requireOptions(arguments, {"-o"});
    const OpenedProject project = openProject(arguments.files().constFirst());
    refuseUnreadStandard(arguments, arguments.files().constFirst(), project.standardProblem);
    const QString fileName = *arguments.value("-o");

    // The protocol the window writes after opening the project: the same
    // mapping, so the distance is this series' own or "-- --- mm".
    AppSettings settings = programSettings();
    settings.CompanyName = arguments.value("--company").value_or(settings.CompanyName);
    settings.UserName = arguments.value("--user").value_or(settings.UserName);
    if (arguments.has("--no-analysis"))
        settings.AddAnalysisPage = false;
    Measurement measurement = measurementFromProject(project.stopTimes, project.record, project.pictures);
    measurement.distanceChoice = choiceFromOptions(arguments, projectChoice(project.record));
    // A standard given on the command line is the one chosen.
    if (arguments.has("--standard"))
        measurement.standardProblem.clear();
    ReportContent content = reportContent(measurement, settings, QDateTime::currentDateTime());
    QString logoProblem;
    content.logo =
        loadLogo(settingsFolder(settingsFilePathOf(QStringLiteral("zirk"))), settings.LogoFile, &logoProblem);

    // A signed protocol carries its measurement always, an unsigned one
    // when asked to; the project file is the one Save as would write.
    ProtocolFinish finish;
    std::optional<SigningIdentity> signer;
    const std::optional<QString> certificate = arguments.value("--sign");
    if (certificate) {
        const QByteArray password = signingPassword(arguments, *certificate);
        try {
            signer = SigningIdentity::open(*certificate, password, content.when);
        } catch (const SigningError &e) {
            throw badInput(e.message());
        }
        const QString unsignable = unsignableReason(content.machineId, content.userName, signer->commonName());
        if (!unsignable.isEmpty())
            throw badInput(unsignable);
        finish.signer = &*signer;
        finish.signingTime = content.when;
        finish.box = protocolSignatureBox(programTexts(), signer->commonName(), content.when, content.userName);
        finish.authority.url = arguments.value("--tsa").value_or(settings.TimeStampUrl);
        finish.authority.timeoutSeconds = qEnvironmentVariableIntValue("ZIRK_TSA_WAIT") > 0
                                              ? qEnvironmentVariableIntValue("ZIRK_TSA_WAIT")
                                              : 10;
    }
    if (signer || settings.AttachMeasurement || arguments.has("--attach")) {
        const QString source = arguments.files().constFirst();
        const QString projectName = source.endsWith(QLatin1String(".zPRJ"), Qt::CaseInsensitive)
                                        ? source
                                        : QStringLiteral("Project_") + content.when.toString(QStringLiteral("yyyyMMdd_HHmm_"));
        finish.attachments = protocolAttachments(projectName, projectFileBytes(measurement, project.record),
                                                 protocolSummaryJson(measurement));
    }

    TzPdf pdf;
    SignatureOutcome signature;
    try {
        composeReport(pdf, content, {}, finish, &signature);
        pdf.SaveToFile(fileName);
    } catch (const ZirkError &e) {
        throw badInput(e.message());
    } catch (const SigningError &e) {
        throw badInput(e.message());
    }
    if (!signature.timeStampProblem.isEmpty())
        writeWarning(QStringLiteral("zirk-cli report: signed without a time stamp: %1\n").arg(signature.timeStampProblem));

    writeFileResult(arguments, fileName, "pages", pdf.pageCount(),
                    QStringLiteral("%1 pages written to %2\n").arg(pdf.pageCount()).arg(fileName));
    // The protocol is there without the logo: said, but no failure.
    if (!logoProblem.isEmpty())
        writeWarning(logoLeftOutText(logoProblem) + QLatin1Char('\n'));
    if (!pdf.fontNotice().isEmpty())
        writeWarning(QStringLiteral("zirk-cli: ") + pdf.fontNotice() + QLatin1Char('\n'));
}

} // namespace

std::vector<Command> projectCommands()
{
    return {
        {{"project-info", "project-info FILE.zPRJ", "everything a project file holds", {}, "FILE.zPRJ", 1, 1,
          "The file is read as File > Open reads it; a file that Open reports as\n"
          "invalid or corrupted is bad input.  d and H of -1 (not applicable) and the\n"
          "size of an empty picture slot are null.\n\n"
          "JSON: {\"values_ms\": [...], \"ss_speed\", \"serial_number\",\n"
          "\"calibration\": {\"day\", \"month\", \"year\"}, \"calibrated\", \"kind\", \"d\", \"height\",\n"
          "\"device_caption\", \"params_caption\", \"machine_id\", \"safeguard\" (null when the\n"
          "file names none), \"note\",\n"
          "\"pictures\": [four of {\"note\", \"include\", \"width\", \"height\"} in slot order]}\n"},
         runProjectInfo},
        {{"new-project",
          "new-project -o OUT.zPRJ [--import FILE]... [--kind KIND] [--d MM] [--height MM] [--c MM] [--step MM] "
          "[--machine-id TEXT] [--safeguard NAME] "
          "[--note TEXT] [--standard ID] [--tr MS] [--brake-monitor MS] [--k MM_PER_S] [--dds MM] [--z MM] "
          "[--dpf MM] [--no-encroachment] [--installed MM]",
          "write a project file of imported stop times",
          withStandardOptions({{"-o", "OUT.zPRJ", "the project file to create or replace", false, true},
           {"--import", "FILE", "a text file of stop times, read as File > Import Values reads it; repeatable", true,
            true},
           {"--kind", "KIND", "vlc (default), hlc, scanner, twohand, estop, door or mat"},
           {"--d", "MM", "resolution d of a vertical light curtain (default 14 without --kind); of hlc and "
                         "scanner under iso13855-2024"},
           {"--height", "MM", "height H above the ground (hlc, scanner)"},
           {"--c", "MM", "additional distance C of ISO 13857 (door)"},
           {"--step", "MM", "step height h (mat)"},
           {"--machine-id", "TEXT", "machine ID"},
           {"--safeguard", "NAME", "the safeguard of the machine, e.g. \"Front light curtain\" (default: unnamed)"},
           {"--note", "TEXT", "note of the measurement"}}),
          nullptr, 0, 0,
          "The file is the one the window saves after File > New, choosing the device\n"
          "and importing the files in the order given: the stop times, the device\n"
          "kind with d or H and the captions the window shows for it, machine ID,\n"
          "safeguard and note, no instrument data and no pictures.  Texts are stored in the\n"
          "Windows-1252 code page and cut to 100 bytes; characters it lacks become \"?\".\n"
          "The safeguard's name takes at most 60 bytes without control characters; a\n"
          "name the file cannot keep as given is bad input.\n"
          "The standard, its entries and the installed distance are stored with it;\n"
          "without --standard the file names no standard and opens as ISO 13855:2010.\n\n"
          "JSON: {\"file\", \"count\"}\n"},
         runNewProject},
        {{"report",
          "report PROJECT.zPRJ -o OUT.pdf [--company TEXT] [--user TEXT] [--no-analysis] [--attach] "
          "[--sign FILE.p12 [--password-file FILE] [--tsa URL]] [--standard ID] [--tr MS] "
          "[--brake-monitor MS] [--k MM_PER_S] [--dds MM] [--z MM] [--dpf MM] [--no-encroachment] [--installed MM]",
          "write the measurement protocol of a project file as PDF",
          withStandardOptions({{"-o", "OUT.pdf", "the PDF file to create or replace", false, true},
           {"--company", "TEXT", "the company named in the protocol (default: from the settings)"},
           {"--user", "TEXT", "who measured (default: from the settings)"},
           {"--no-analysis", nullptr, "leave out the analysis page"},
           {"--attach", nullptr, "attach the measurement (the project file and a JSON summary) to the protocol"},
           {"--sign", "FILE.p12", "sign the protocol with this PKCS#12 certificate (PAdES); it then always "
                                  "carries its measurement", false, true},
           {"--password-file", "FILE", "the certificate's password: the first line of FILE (default: asked on "
                                       "the terminal, not echoed)", false, true},
           {"--tsa", "URL", "the RFC 3161 time-stamp authority (default: from the settings)"}}),
          "PROJECT.zPRJ", 1, 1,
          "The protocol is the one the window writes after opening the project: the\n"
          "stored captions, instrument data and stop times, the statistics and the\n"
          "safety distance of the stored kind and its input by the stored standard\n"
          "(the options replace it and its entries), the analysis page (the chart of\n"
          "the series and the standard's calculation written out) unless\n"
          "--no-analysis or the settings leave it out, then a page for each pair of\n"
          "pictures whose flag is set.  Where there is no distance (under ten values,\n"
          "or an input that is not stored) it reads -- --- mm.  Company and user come from\n"
          "the options or else from the program's settings file, as does the company\n"
          "logo at the top right of the first page.\n"
          "No viewer is opened.\n\n"
          "A signed protocol (--sign) has a PAdES signature over the whole file, a\n"
          "box on page 1 naming the signer, the time and its meaning, and carries\n"
          "the project file and a JSON summary of its result as attached files; with\n"
          "a time-stamp authority (--tsa or the settings) the authority's stamp\n"
          "vouches for the time.  An authority that does not answer within 10 s\n"
          "(ZIRK_TSA_WAIT seconds) leaves the protocol signed without a stamp, said\n"
          "on standard error.  A wrong password, an expired certificate, a file\n"
          "without a private key, or a machine ID, user or signer's name that would\n"
          "not print as typed write no file and leave an earlier one untouched.\n\n"
          "JSON: {\"file\", \"pages\"}\n"},
         runReport},
    };
}
