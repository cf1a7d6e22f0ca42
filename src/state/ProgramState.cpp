#include "state/ProgramState.h"

#include "report/ReportPictures.h"
#include "series/StopTimesModel.h"

#include <climits>

namespace {

// A view cannot address more rows than an int holds.
int row(std::size_t index)
{
    return int(std::min<std::size_t>(index, std::size_t(INT_MAX)));
}

} // namespace

ProgramState::ProgramState(QObject *parent)
    : QObject(parent)
{
    m_texts.applyTo(messageTexts, appSettings);
    // Every slot starts with its note and the placeholder picture, as the
    // images dialog shows them before the user chooses one.
    for (int slot = 1; slot <= kPictureSlotCount; ++slot)
        m_measurement.pictures[std::size_t(slot - 1)].note = slotInitialNote(slot);
}

void ProgramState::drawPlaceholders() const
{
    if (m_placeholdersDrawn)
        return;
    m_placeholdersDrawn = true;
    const QImage placeholder = slotPlaceholderPicture();
    for (PictureSlot &s : m_measurement.pictures)
        s.picture = placeholder;
}

void ProgramState::seriesDone()
{
    m_result.reset();
    emit seriesChanged();
    emit resultChanged();
}

void ProgramState::insertValues(const double *values, std::size_t count)
{
    if (count == 0)
        return;
    std::vector<double> &series = m_measurement.stopTimes;
    const std::size_t first = series.size();
    emit valuesAboutToBeInserted(row(first), row(first + count - 1));
    series.insert(series.end(), values, values + count);
    emit valuesInserted(row(first), row(first + count - 1));
    seriesDone();
}

void ProgramState::append(double ms)
{
    insertValues(&ms, 1);
}

void ProgramState::append(const std::vector<double> &values)
{
    insertValues(values.data(), values.size());
}

void ProgramState::appendMeasured(double ms, const MeasuringInstrument &instrument, const QDateTime &at)
{
    m_measurement.lastValueAt = at;
    setInstrument(instrument);
    append(ms);
}

void ProgramState::removeAt(int index)
{
    std::vector<double> &series = m_measurement.stopTimes;
    if (index < 0 || std::size_t(index) >= series.size())
        return;
    emit valueAboutToBeRemoved(index);
    series.erase(series.begin() + index);
    emit valueRemoved(index);
    seriesDone();
}

void ProgramState::clear()
{
    replace({});
}

void ProgramState::replace(const std::vector<double> &values)
{
    emit seriesAboutToBeReset();
    m_measurement.stopTimes = values;
    // Who measured values that are gone no longer matters; new ones say.
    if (values.empty())
        m_measurement.lastValueAt = QDateTime();
    emit seriesReset();
    seriesDone();
}

void ProgramState::setInstrument(const MeasuringInstrument &instrument)
{
    if (instrument == m_measurement.instrument)
        return;
    m_measurement.instrument = instrument;
    emit instrumentChanged();
}

void ProgramState::setSafetyDevice(const SafetyDevice &device)
{
    if (device == m_measurement.safetyDevice)
        return;
    m_measurement.safetyDevice = device;
    m_result.reset();
    emit safetyDeviceChanged();
    emit resultChanged();
}

void ProgramState::setDistanceChoice(const DistanceChoice &choice)
{
    if (choice == m_measurement.distanceChoice)
        return;
    m_measurement.distanceChoice = choice;
    m_result.reset();
    emit distanceChoiceChanged();
    emit resultChanged();
}

void ProgramState::setStandardProblem(const QString &problem)
{
    if (problem == m_measurement.standardProblem)
        return;
    m_measurement.standardProblem = problem;
    emit resultChanged();
}

const SeriesResult &ProgramState::result() const
{
    if (!m_result)
        m_result = m_measurement.result();
    return *m_result;
}

void ProgramState::setMachine(const QString &machineId, const QString &note)
{
    if (machineId == m_measurement.machineId && note == m_measurement.note)
        return;
    m_measurement.machineId = machineId;
    m_measurement.note = note;
    emit machineChanged();
}

void ProgramState::setSafeguard(const QString &safeguard)
{
    if (safeguard == m_measurement.safeguard)
        return;
    m_measurement.safeguard = safeguard;
    emit machineChanged();
}

const PictureSlot &ProgramState::pictureSlot(int slot) const
{
    static const PictureSlot none;
    drawPlaceholders();
    return slot >= 1 && slot <= kPictureSlotCount ? m_measurement.pictures[std::size_t(slot - 1)] : none;
}

void ProgramState::setPicture(int slot, const QImage &picture)
{
    if (slot < 1 || slot > kPictureSlotCount)
        return;
    drawPlaceholders();
    m_measurement.pictures[std::size_t(slot - 1)].picture =
        picture.isNull() ? QImage() : picture.convertToFormat(QImage::Format_RGB888);
    emit pictureChanged(slot);
}

void ProgramState::setPictureNote(int slot, const QString &note)
{
    if (slot < 1 || slot > kPictureSlotCount || m_measurement.pictures[std::size_t(slot - 1)].note == note)
        return;
    m_measurement.pictures[std::size_t(slot - 1)].note = note;
    emit pictureChanged(slot);
}

void ProgramState::setPictureIncluded(int slot, bool include)
{
    if (slot < 1 || slot > kPictureSlotCount || m_measurement.pictures[std::size_t(slot - 1)].include == include)
        return;
    m_measurement.pictures[std::size_t(slot - 1)].include = include;
    emit pictureChanged(slot);
}

void ProgramState::setMeasurement(const Measurement &measurement)
{
    replace(measurement.stopTimes);
    m_measurement.lastValueAt = measurement.lastValueAt;
    setInstrument(measurement.instrument);
    setSafetyDevice(measurement.safetyDevice);
    setDistanceChoice(measurement.distanceChoice);
    setStandardProblem(measurement.standardProblem);
    for (int slot = 1; slot <= kPictureSlotCount; ++slot) {
        const PictureSlot &p = measurement.pictures[std::size_t(slot - 1)];
        setPicture(slot, p.picture);
        setPictureNote(slot, p.note);
        setPictureIncluded(slot, p.include);
    }
    setMachine(measurement.machineId, measurement.note);
    setSafeguard(measurement.safeguard);
}

void ProgramState::setTexts(const LanguageTexts &texts)
{
    m_texts = texts;
    m_texts.applyTo(messageTexts, appSettings);
    emit languageChanged();
}

MeasuringInstrument instrumentOf(const DeviceInfo &info)
{
    MeasuringInstrument instrument;
    instrument.serialNumber = info.SN;
    instrument.standstillSpeed = info.SS_Speed;
    instrument.calibrationYear = info.LastCalib_Year;
    instrument.calibrationMonth = info.LastCalib_Month;
    instrument.calibrationDay = info.LastCalib_day;
    instrument.calibrated = info.Calibrated;
    return instrument;
}

void followSeries(const ProgramState &state, StopTimesModel &model)
{
    QObject::connect(&state, &ProgramState::valuesAboutToBeInserted, &model, &StopTimesModel::beginInsertValues);
    QObject::connect(&state, &ProgramState::valuesInserted, &model, &StopTimesModel::endInsertValues);
    QObject::connect(&state, &ProgramState::valueAboutToBeRemoved, &model, &StopTimesModel::beginRemoveValue);
    QObject::connect(&state, &ProgramState::valueRemoved, &model, &StopTimesModel::endRemoveValue);
    QObject::connect(&state, &ProgramState::seriesAboutToBeReset, &model, &StopTimesModel::beginResetValues);
    QObject::connect(&state, &ProgramState::seriesReset, &model, &StopTimesModel::endResetValues);
}
