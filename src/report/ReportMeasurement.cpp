#include "report/ReportMeasurement.h"

ReportContent reportContent(const Measurement &m, const AppSettings &settings, const QDateTime &when,
                            const QLocale &locale)
{
    ReportContent content;
    content.when = when;
    content.locale = locale;
    content.companyName = settings.CompanyName;
    content.userName = settings.UserName;
    content.machineId = m.machineId;
    content.safeguard = m.safeguard;
    content.note = m.note;
    content.safetyDevice = m.safetyDevice.Name;
    content.deviceParams = deviceParamsText(m.safetyDevice, locale);

    const MeasuringInstrument &instrument = m.instrument;
    content.standstillSpeed = instrument.standstillSpeed;
    content.serialNumber = instrument.serialNumber;
    content.calibrationDay = instrument.calibrationDay;
    content.calibrationMonth = instrument.calibrationMonth;
    content.calibrationYear = instrument.calibrationYear;
    content.calibrated = instrument.calibrated;

    setReportSeries(content, m.stopTimes, locale);
    // Computed here from this series and this device: a protocol never
    // carries a distance of another measurement, nor one for a series that
    // gives none.
    const SeriesResult result = m.result();
    content.safetyDistanceMm = result.distanceMm;
    if (result.standard) {
        content.standardName = result.standard->name();
        content.defaultStandard = result.standard == &defaultDistanceStandard();
    } else {
        content.standardName = m.distanceChoice.standardId;
        content.defaultStandard = false;
    }
    content.installedMm = m.distanceChoice.installedMm;
    content.verdict = result.distance.verdict;
    if (result.enoughValues() && !result.distanceMm && !result.distance.noDistanceReason.isEmpty())
        content.noDistanceReason = result.distance.noDistanceReason.render(locale);
    content.standardProblem = m.standardProblem;

    if (settings.AddAnalysisPage)
        content.analysis = ReportAnalysis{m.stopTimes, m.safetyDevice, m.distanceChoice};

    for (int slot = 1; slot <= kPictureSlotCount; ++slot) {
        const PictureSlot &stored = m.pictures[std::size_t(slot - 1)];
        ReportPicture &picture = content.pictures[std::size_t(slot - 1)];
        picture.include = stored.include;
        picture.caption = stored.note;
        picture.bitmap = stored.picture;
    }
    return content;
}
