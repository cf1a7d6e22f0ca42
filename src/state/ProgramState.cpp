#include "state/ProgramState.h"

#include "report/ReportPictures.h"

#include <cmath>

ProgramState::ProgramState(QObject *parent)
    : QObject(parent)
{
    m_texts.applyTo(messageTexts, appSettings);
    for (int slot = 1; slot <= kPictureSlotCount; ++slot)
        m_pictures[std::size_t(slot - 1)].note = slotInitialNote(slot);
}

void ProgramState::setMachine(const QString &machineId, const QString &note)
{
    if (machineId == m_machineId && note == m_note)
        return;
    m_machineId = machineId;
    m_note = note;
    emit machineChanged();
}

void ProgramState::setSelectionInputs(const SelectionInputs &inputs)
{
    m_selection = inputs;
    emit selectionInputsChanged();
}

SafetyDevice ProgramState::resultDevice() const
{
    SafetyDevice device = safetyDevice;
    if (device.ID != KindVerticalLightCurtain && device.ID >= 0 && device.ID < SafetyDeviceKindCount)
        device.setParameter(m_selection.parameter[std::size_t(device.ID)].value_or(qQNaN()));
    device.NonIndustrial = m_selection.nonIndustrial;
    return device;
}

const PictureSlot &ProgramState::pictureSlot(int slot) const
{
    static const PictureSlot none;
    return slot >= 1 && slot <= kPictureSlotCount ? m_pictures[std::size_t(slot - 1)] : none;
}

void ProgramState::setPicture(int slot, const QImage &picture)
{
    if (slot < 1 || slot > kPictureSlotCount)
        return;
    m_pictures[std::size_t(slot - 1)].picture =
        picture.isNull() ? QImage() : picture.convertToFormat(QImage::Format_RGB888);
    emit pictureChanged(slot);
}

void ProgramState::setPictureNote(int slot, const QString &note)
{
    if (slot < 1 || slot > kPictureSlotCount || m_pictures[std::size_t(slot - 1)].note == note)
        return;
    m_pictures[std::size_t(slot - 1)].note = note;
    emit pictureChanged(slot);
}

void ProgramState::setPictureIncluded(int slot, bool include)
{
    if (slot < 1 || slot > kPictureSlotCount || m_pictures[std::size_t(slot - 1)].include == include)
        return;
    m_pictures[std::size_t(slot - 1)].include = include;
    emit pictureChanged(slot);
}

void ProgramState::setTexts(const LanguageTexts &texts)
{
    m_texts = texts;
    m_texts.applyTo(messageTexts, appSettings);
    emit languageChanged();
}
