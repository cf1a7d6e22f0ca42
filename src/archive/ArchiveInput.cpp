#include "ArchiveInput.h"
#include "ArchiveRecording.h"

#include "base/CodePage.h"
#include "base/ErrorHandling.h"
#include "project/ProjectFile.h"
#include "project/ProjectMeasurement.h"
#include "project/ProtocolProject.h"
#include "series/SeriesResult.h"

#include <QBuffer>
#include <QFile>
#include <QFileInfo>
#include <QRegularExpression>

#include <cmath>
#include <limits>

ArchiveMeasurement archiveRecord(const Measurement &measurement, const QString &userName,
                                 const QString &companyName, const QDateTime &fallbackTime)
{
    ArchiveMeasurement m;
    const SafetyDevice &device = measurement.safetyDevice;
    m.stopTimes = measurement.stopTimes;
    m.deviceKind = device.ID;
    m.deviceParameter = device.parameter();
    // Only a vertical light curtain has a non-industrial formula.
    m.nonIndustrial = device.ID == KindVerticalLightCurtain && device.NonIndustrial;
    m.result = measurement.result();
    const DistanceChoice &choice = measurement.distanceChoice;
    m.standardId = choice.standardId.isEmpty() ? defaultDistanceStandard().id() : choice.standardId;
    m.entries = choice;
    if (const std::optional<DistanceVerdict> &verdict = m.result.distance.verdict)
        m.verdict = verdictKey(*verdict);
    // The machine as its project file keeps it, so that the window's
    // measurement and the same one opened from its file are one machine.
    m.machineId = keptProjectText(measurement.machineId, ProjectRecord::Text::MachineID).trimmed();
    m.safeguard = keptSafeguardName(measurement.safeguard);
    m.note = measurement.note;
    m.measuredAt = measurement.lastValueAt.isValid() ? measurement.lastValueAt : fallbackTime;
    const MeasuringInstrument &instrument = measurement.instrument;
    m.serialNumber = instrument.serialNumber;
    m.standstillSpeed = instrument.standstillSpeed;
    m.calibrationYear = instrument.calibrationYear;
    m.calibrationMonth = instrument.calibrationMonth;
    m.calibrationDay = instrument.calibrationDay;
    m.calibrated = instrument.calibrated;
    m.userName = userName;
    m.companyName = companyName;
    return m;
}

Measurement measurementFromArchive(const ArchiveMeasurement &kept, const QString &deviceName)
{
    Measurement m;
    m.stopTimes = kept.stopTimes;
    m.lastValueAt = kept.measuredAt;
    m.machineId = kept.machineId;
    m.safeguard = kept.safeguard;
    m.note = kept.note;
    MeasuringInstrument &instrument = m.instrument;
    instrument.serialNumber = kept.serialNumber;
    instrument.standstillSpeed = quint16(kept.standstillSpeed);
    instrument.calibrationYear = quint16(kept.calibrationYear);
    instrument.calibrationMonth = quint8(kept.calibrationMonth);
    instrument.calibrationDay = quint8(kept.calibrationDay);
    instrument.calibrated = kept.calibrated;
    // As a project file restores it: the kind with its input; d and H -1
    // where the kind takes neither.
    SafetyDevice device = SafetyDevice::selected(kept.deviceKind, kept.deviceParameter, kept.nonIndustrial);
    device.Name = deviceName;
    m.safetyDevice = device;
    // The standard with its entries and the installed distance, as far as
    // the archive kept them.
    static_cast<StandardEntries &>(m.distanceChoice) = kept.entries;
    m.distanceChoice.standardId = kept.standardId;
    return m;
}

ArchiveMeasurement measurementFromProjectFile(const QString &fileName, const QString &userName,
                                              const QString &companyName)
{
    QFile file(fileName);
    if (!file.open(QIODevice::ReadOnly))
        throw ZirkError(QStringLiteral("%1: %2").arg(fileName, file.errorString()));
    // Read once: the hash and the parser see the same bytes.
    const QByteArray read = file.readAll();
    if (file.error() != QFileDevice::NoError)
        throw ZirkError(QStringLiteral("%1: %2").arg(fileName, file.errorString()));
    // A protocol stands for the project file it carries, and is known by
    // that file's hash.
    const QByteArray bytes = projectFileContent(fileName, read);
    const QDateTime modified = QFileInfo(file).lastModified();
    file.close();
    return measurementFromProjectBytes(bytes, QFileInfo(fileName).absoluteFilePath(), userName, companyName,
                                       modified);
}

ArchiveMeasurement measurementFromProjectBytes(const QByteArray &bytes, const QString &fileName,
                                               const QString &userName, const QString &companyName,
                                               const QDateTime &fallbackTime)
{
    std::vector<double> stopTimes;
    ProjectRecord record;
    ProjectPictures pictures;
    QByteArray copy = bytes;
    QBuffer buffer(&copy);
    buffer.open(QIODevice::ReadOnly);
    if (!readProjectFile(buffer, stopTimes, record, pictures).complete)
        throw ZirkError(QStringLiteral("%1: invalid or corrupted project file").arg(fileName));

    ArchiveMeasurement m = archiveRecord(measurementFromProject(stopTimes, record, pictures), userName, companyName,
                                         projectMeasurementTime(record, fileName, fallbackTime));
    m.filePath = fileName;
    m.fileSha256 = sha256Hex(bytes);
    return m;
}
