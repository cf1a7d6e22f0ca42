#include "ArchiveInput.h"

#include "base/CodePage.h"
#include "base/ErrorHandling.h"
#include "project/ProjectFile.h"
#include "series/SeriesResult.h"

#include <QBuffer>
#include <QCryptographicHash>
#include <QFile>
#include <QFileInfo>
#include <QRegularExpression>

#include <cmath>
#include <limits>

void setSeries(ArchiveMeasurement &m, const std::vector<double> &stopTimes, const SafetyDevice &device)
{
    m.stopTimes = stopTimes;
    m.deviceKind = device.ID;
    m.deviceParameter = device.parameter();
    // Only a vertical light curtain has a non-industrial formula.
    m.nonIndustrial = device.ID == KindVerticalLightCurtain && device.NonIndustrial;
    m.result = computeSeriesResult(stopTimes, device);
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

ArchiveMeasurement measurementFromProjectFile(const QString &fileName, const QString &userName,
                                              const QString &companyName)
{
    QFile file(fileName);
    if (!file.open(QIODevice::ReadOnly))
        throw ZirkError(QStringLiteral("%1: %2").arg(fileName, file.errorString()));
    // Read once: the hash and the parser see the same bytes.
    QByteArray bytes = file.readAll();
    if (file.error() != QFileDevice::NoError)
        throw ZirkError(QStringLiteral("%1: %2").arg(fileName, file.errorString()));
    const QDateTime modified = QFileInfo(file).lastModified();
    file.close();

    std::vector<double> stopTimes;
    ProjectRecord record;
    ProjectPictures pictures;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::ReadOnly);
    if (!readProjectFile(buffer, stopTimes, record, pictures).complete)
        throw ZirkError(QStringLiteral("%1: invalid or corrupted project file").arg(fileName));

    using Text = ProjectRecord::Text;
    ArchiveMeasurement m;
    // d and H as stored; -1 there is "not applicable", which has no
    // distance, as zirk-cli's report reads it.
    SafetyDevice device = SafetyDevice::ofKind(record.safetyDeviceId(), std::nullopt);
    device.d = record.resolution();
    device.Height = record.height();
    if (const std::optional<double> p = device.parameter(); p && kindHasParameter(device.ID) && (*p == -1.0 || !std::isfinite(*p)))
        device.setParameter(std::numeric_limits<double>::quiet_NaN());
    setSeries(m, stopTimes, device);

    // The texts are in the code page File > Open reads them in.
    m.machineId = fromWindows1252(record.text(Text::MachineID)).trimmed();
    m.note = fromWindows1252(record.text(Text::Note));
    m.serialNumber = fromWindows1252(record.text(Text::SerialNumber));
    m.standstillSpeed = record.standstillSpeed();
    m.calibrationYear = record.calibrationYear();
    m.calibrationMonth = record.calibrationMonth();
    m.calibrationDay = record.calibrationDay();
    m.calibrated = record.calibrated();
    m.userName = userName;
    m.companyName = companyName;
    m.measuredAt = timeInProjectFileName(fileName).value_or(modified);
    m.filePath = QFileInfo(fileName).absoluteFilePath();
    m.fileSha256 = QString::fromLatin1(QCryptographicHash::hash(bytes, QCryptographicHash::Sha256).toHex());
    return m;
}
