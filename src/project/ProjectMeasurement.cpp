#include "project/ProjectMeasurement.h"

#include "base/CodePage.h"

#include <QFileInfo>
#include <QRegularExpression>

#include <cmath>
#include <limits>

using Text = ProjectRecord::Text;

QString projectText(const ProjectRecord &record, ProjectRecord::Text field)
{
    // Project files are written on Western European Windows systems.
    return fromWindows1252(record.text(field));
}

void setProjectText(ProjectRecord &record, ProjectRecord::Text field, const QString &text)
{
    record.setText(field, toWindows1252(text));
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
}

Measurement measurementFromProject(const std::vector<double> &stopTimes, const ProjectRecord &record,
                                   const ProjectPictures &pictures)
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
    // A door's C and a mat's h are not in the record: no number.
    device.C = std::numeric_limits<double>::quiet_NaN();
    device.StepHeight = std::numeric_limits<double>::quiet_NaN();
    device.NonIndustrial = false;

    for (int slot = 1; slot <= kPictureSlotCount; ++slot) {
        PictureSlot &p = m.pictures[std::size_t(slot - 1)];
        p.picture = pictures[std::size_t(slot - 1)];
        p.note = projectText(record, ProjectRecord::pictureNote(slot));
        p.include = record.includePicture(slot);
    }
    m.machineId = projectText(record, Text::MachineID);
    m.note = projectText(record, Text::Note);
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
    if (!when.isValid())
        return std::nullopt;
    return when;
}

QDateTime projectMeasurementTime(const ProjectRecord &record, const QString &fileName, const QDateTime &modified)
{
    if (const std::optional<ProjectExtension> block = record.extension(); block && block->lastValueUtcMs)
        return QDateTime::fromMSecsSinceEpoch(*block->lastValueUtcMs, Qt::UTC);
    return timeInProjectFileName(fileName).value_or(modified);
}
