#include "project/ProjectMeasurement.h"

#include <QBuffer>

#include "base/CodePage.h"
#include "safety/DistanceStandard.h"


#include <QBuffer>
#include <QFileInfo>
#include <QRegularExpression>

#include <algorithm>
#include <atomic>
#include <cmath>
#include <limits>

using Text = ProjectRecord::Text;

namespace {

std::optional<double> given(double mm)
{
    return std::isnan(mm) ? std::nullopt : std::optional<double>(mm);
}

double orNoNumber(std::optional<double> mm)
{
    return mm.value_or(std::numeric_limits<double>::quiet_NaN());
}

// What the block keeps of the measurement; none where it would hold nothing
// beyond the default standard, unless `evenPlain`.
std::optional<ProjectExtension> extensionOf(const Measurement &m, bool evenPlain)
{
    const DistanceChoice &c = m.distanceChoice;
    ProjectExtension e;
    e.standardId = c.standardId.isEmpty() ? defaultDistanceStandard().id() : c.standardId;
    static_cast<StandardEntries &>(e) = c;
    e.doorC = given(m.safetyDevice.C);
    e.matH = given(m.safetyDevice.StepHeight);
    e.nonIndustrial = m.safetyDevice.NonIndustrial;
    if (m.lastValueAt.isValid())
        e.lastValueUtcMs = m.lastValueAt.toMSecsSinceEpoch();
    ProjectExtension plain;
    plain.standardId = defaultDistanceStandard().id();
    if (e == plain && !evenPlain)
        return std::nullopt;
    return e;
}

} // namespace

namespace {

// 0: not chosen, the locale's.
std::atomic<int> chosenCodePage {0};

const char *projectCodePageName()
{
    return windowsCodePageName(projectCodePage());
}

} // namespace

int projectCodePage()
{
    const int chosen = chosenCodePage.load();
    if (chosen != 0)
        return chosen;
    static const int ofLocale = windowsAnsiCodePageOfEnvironment();
    return ofLocale;
}

void setProjectCodePage(int codePage)
{
    chosenCodePage.store(windowsCodePageName(codePage) ? codePage : 0);
}

QString projectText(const ProjectRecord &record, ProjectRecord::Text field)
{
    return escapeControlCharacters(decodeSingleByte(record.text(field), projectCodePageName()));
}

void setProjectText(ProjectRecord &record, ProjectRecord::Text field, const QString &text)
{
    record.setText(field, encodeSingleByte(text, projectCodePageName()));
}

bool isControlCharacter(char32_t c)
{
    return c < 0x20 || (c >= 0x7F && c < 0xA0);
}

QString escapeControlCharacters(const QString &text)
{
    if (std::none_of(text.cbegin(), text.cend(), [](QChar c) { return isControlCharacter(c.unicode()); }))
        return text;
    QString out;
    out.reserve(text.size() + 8);
    for (const QChar c : text) {
        switch (c.unicode()) {
        case '\n': out += QStringLiteral("\\n"); break;
        case '\r': out += QStringLiteral("\\r"); break;
        case '\t': out += QStringLiteral("\\t"); break;
        default:
            if (isControlCharacter(c.unicode()))
                out += QStringLiteral("\\x%1").arg(c.unicode(), 2, 16, QLatin1Char('0'));
            else
                out += c;
        }
    }
    return out;
}

QString keptProjectText(const QString &text, ProjectRecord::Text field)
{
    const char *codePage = projectCodePageName();
    return decodeSingleByte(encodeSingleByte(escapeControlCharacters(text), codePage).left(ProjectRecord::capacity(field)),
                            codePage);
}

QString keptSafeguardName(const QString &name)
{
    return keptProjectText(name, Text::Safeguard).trimmed();
}

ProjectTextFit projectTextFit(const QString &text, ProjectRecord::Text field)
{
    const char *codePage = projectCodePageName();
    ProjectTextFit fit;
    fit.capacity = ProjectRecord::capacity(field);
    fit.bytes = int(encodeSingleByte(text, codePage).size());
    for (const char32_t c : text.toUcs4()) {
        const QString one = QString::fromUcs4(&c, 1);
        if (isControlCharacter(c)) {
            const QString escaped = escapeControlCharacters(one);
            if (!fit.controls.contains(escaped))
                fit.controls += escaped;
            continue;
        }
        if (c != U'?' && encodeSingleByte(one, codePage) == "?" && !fit.unkept.contains(one))
            fit.unkept += one;
    }
    return fit;
}

void writeMeasurement(const Measurement &m, ProjectRecord &record, ProjectPictures &pictures)
{
    const MeasuringInstrument &instrument = m.instrument;
    record.setStandstillSpeed(instrument.standstillSpeed);
    setProjectText(record, Text::SerialNumber, instrument.serialNumber);
    record.setCalibrationYear(instrument.calibrationYear);
    record.setCalibrationMonth(instrument.calibrationMonth);
    record.setCalibrationDay(instrument.calibrationDay);
    record.setCalibrated(instrument.calibrated);
    for (int slot = 1; slot <= kPictureSlotCount; ++slot) {
        const PictureSlot &stored = m.pictures[std::size_t(slot - 1)];
        setProjectText(record, ProjectRecord::pictureNote(slot), stored.note);
        record.setIncludePicture(slot, stored.include);
        pictures[std::size_t(slot - 1)] = stored.picture;
    }
    const SafetyDevice &device = m.safetyDevice;
    setProjectText(record, Text::SafetyDeviceName, device.Name);
    setProjectText(record, Text::SafetyDeviceParams, deviceParamsText(device));
    record.setSafetyDeviceId(device.ID);
    // The record keeps d and H as they are, -1 for "not applicable" where
    // there is no number.
    const auto stored = [](double mm) { return std::isnan(mm) ? -1.0 : mm; };
    record.setResolution(stored(device.d));
    record.setHeight(stored(device.Height));
    setProjectText(record, Text::MachineID, m.machineId);
    setProjectText(record, Text::Note, m.note);

    // A named safeguard always comes with the standard's block, so that a
    // reader of that block alone (an older Zirk) finds a sound block where
    // the name begins, never bytes it does not know.
    const QString safeguard = keptSafeguardName(m.safeguard);
    const std::optional<ProjectExtension> extension = extensionOf(m, !safeguard.isEmpty());
    // Without a block of its own, a block the last opened file held goes
    // (its choice is not this measurement's); reserved bytes that hold
    // something else stay as they were.  The standard's block is written
    // first: it clears the whole reserved area.
    if (extension || record.extension())
        record.setExtension(extension);
    if (!safeguard.isEmpty())
        record.setSafeguard(encodeSingleByte(safeguard, projectCodePageName()));
    else if (record.safeguard())
        record.setSafeguard(std::nullopt);
}

Measurement measurementFromProject(const std::vector<double> &stopTimes, const ProjectRecord &record,
                                   const ProjectPictures &pictures, QString *problem, QString *safeguardProblem)
{
    Measurement m;
    m.stopTimes = stopTimes;
    MeasuringInstrument &instrument = m.instrument;
    instrument.serialNumber = projectText(record, Text::SerialNumber);
    instrument.standstillSpeed = record.standstillSpeed();
    instrument.calibrationYear = record.calibrationYear();
    instrument.calibrationMonth = record.calibrationMonth();
    instrument.calibrationDay = record.calibrationDay();
    instrument.calibrated = record.calibrated();

    SafetyDevice &device = m.safetyDevice;
    device.ID = record.safetyDeviceId();
    device.Name = projectText(record, Text::SafetyDeviceName);
    device.d = record.resolution();
    device.Height = record.height();
    // A door's C, a mat's h and the non-industrial choice are kept in the
    // extension block only; without it they are none.
    const std::optional<ProjectExtension> extension = record.extension(&m.standardProblem);
    device.C = orNoNumber(extension ? extension->doorC : std::nullopt);
    device.StepHeight = orNoNumber(extension ? extension->matH : std::nullopt);
    device.NonIndustrial = extension && extension->nonIndustrial;
    if (extension) {
        DistanceChoice &c = m.distanceChoice;
        c.standardId = extension->standardId;
        static_cast<StandardEntries &>(c) = *extension;
        if (extension->lastValueUtcMs)
            m.lastValueAt = QDateTime::fromMSecsSinceEpoch(*extension->lastValueUtcMs, Qt::UTC);
        if (!c.standard())
            m.standardProblem =
                QStringLiteral("the project names the standard \"%1\", which this program does not know")
                    .arg(c.standardId);
    }
    if (problem)
        *problem = m.standardProblem;

    for (int slot = 1; slot <= kPictureSlotCount; ++slot) {
        PictureSlot &p = m.pictures[std::size_t(slot - 1)];
        p.picture = pictures[std::size_t(slot - 1)];
        p.note = projectText(record, ProjectRecord::pictureNote(slot));
        p.include = record.includePicture(slot);
    }
    m.machineId = projectText(record, Text::MachineID);
    m.note = projectText(record, Text::Note);
    if (const std::optional<QByteArray> name = record.safeguard(safeguardProblem))
        m.safeguard = decodeSingleByte(*name, projectCodePageName());
    return m;
}

std::optional<QDateTime> timeInProjectFileName(const QString &fileName)
{
    static const QRegularExpression pattern(QStringLiteral("^Project_(\\d{4})(\\d{2})(\\d{2})_(\\d{2})(\\d{2})_"),
                                            QRegularExpression::CaseInsensitiveOption);
    const QRegularExpressionMatch match = pattern.match(QFileInfo(fileName).fileName());
    if (!match.hasMatch())
        return std::nullopt;
    auto number = [&match](int group) { return match.captured(group).toInt(); };
    const QDate date(number(1), number(2), number(3));
    const QTime time(number(4), number(5));
    if (!date.isValid() || !time.isValid())
        return std::nullopt;
    const QDateTime when(date, time);
    if (when.isValid())
        return when;
    // A wall time the clocks skipped (02:30 on the night summer time
    // begins) was written by a clock that had not yet moved on: it is read
    // with the offset in force before the change, which a day earlier
    // certainly was.  Qt 6.4 offers no choice here, so it is done by hand.
    const QDateTime wallAsUtc(date, time, Qt::UTC);
    if (!wallAsUtc.isValid())
        return std::nullopt;
    const int offsetBefore = wallAsUtc.addDays(-1).toLocalTime().offsetFromUtc();
    const QDateTime read = wallAsUtc.addSecs(-offsetBefore).toLocalTime();
    if (!read.isValid())
        return std::nullopt;
    return read;
}

QByteArray projectFileBytes(const Measurement &measurement, ProjectRecord record)
{
    ProjectPictures pictures;
    writeMeasurement(measurement, record, pictures);
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    writeProjectFile(buffer, measurement.stopTimes, record, pictures);
    return bytes;
}

QDateTime projectMeasurementTime(const ProjectRecord &record, const QString &fileName, const QDateTime &modified)
{
    if (const std::optional<ProjectExtension> block = record.extension(); block && block->lastValueUtcMs)
        return QDateTime::fromMSecsSinceEpoch(*block->lastValueUtcMs, Qt::UTC);
    return timeInProjectFileName(fileName).value_or(modified);
}
