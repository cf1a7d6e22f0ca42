#pragma once

#include "device/DeviceInfo.h"
#include "project/ProjectFile.h"
#include "safety/SafetyDevice.h"
#include "settings/AppSettings.h"
#include "settings/LanguageTexts.h"
#include "settings/MessageTexts.h"

#include <QImage>
#include <QObject>
#include <QStringList>

#include <array>
#include <optional>
#include <vector>

// One report picture with its caption and include flag.  Slots are numbered
// 1 to 4 as on screen.
struct PictureSlot
{
    QImage picture; // 24-bit RGB; null: no picture
    QString note;
    bool include = false;
};
inline constexpr int kPictureSlotCount = 4;

// What the selection dialog's fields hold right now.  The main window's
// distance takes H, C, h and the non-industrial choice from here, d from
// the safety-device record.
struct SelectionInputs
{
    // The input typed on each kind's tab; empty where the text is no number
    // or the kind takes none.
    std::array<std::optional<double>, SafetyDeviceKindCount> parameter{};
    bool nonIndustrial = false; // ticked and offered
};

// The program-wide records: what the windows share.  One instance lives
// from start to exit; every window receives it at construction, reads and
// writes it, and listens to its signals instead of reading another window's
// controls.
class ProgramState : public QObject
{
    Q_OBJECT
public:
    explicit ProgramState(QObject *parent = nullptr);

    std::vector<double> StopTimes;
    DeviceInfo deviceInfo;
    SafetyDevice safetyDevice;
    AppSettings appSettings;
    MessageTexts messageTexts;
    double SafetyDistanceMM = 0.0;
    double SafetyDistanceInch = 0.0;
    // The device lines of the about box: empty until an instrument has been
    // identified, then those of the last identification.
    QStringList AboutDeviceLines;
    // The record of the last opened or saved project file, all zero at start.
    ProjectRecord projectRecord;

    // --- machine ---
    const QString &machineId() const { return m_machineId; }
    const QString &note() const { return m_note; }
    void setMachine(const QString &machineId, const QString &note);

    // --- safety device selection ---
    const SelectionInputs &selectionInputs() const { return m_selection; }
    void setSelectionInputs(const SelectionInputs &inputs);
    // The device the main window computes its distance for: the record's
    // kind and d, the selection's H, C, h and non-industrial choice.
    SafetyDevice resultDevice() const;

    // --- report pictures ---
    const PictureSlot &pictureSlot(int slot) const;
    void setPicture(int slot, const QImage &picture);
    void setPictureNote(int slot, const QString &note);
    void setPictureIncluded(int slot, bool include);

    // --- language ---
    const LanguageTexts &texts() const { return m_texts; }
    // Takes the texts of a language: messages and the manual's name at once,
    // the windows' captions through languageChanged.
    void setTexts(const LanguageTexts &texts);

    // The series was changed by whoever changed StopTimes.
    void notifySeriesChanged() { emit seriesChanged(); }

signals:
    void machineChanged();
    void selectionInputsChanged();
    void pictureChanged(int slot);
    void languageChanged();
    void seriesChanged();

private:
    QString m_machineId;
    QString m_note;
    SelectionInputs m_selection;
    std::array<PictureSlot, kPictureSlotCount> m_pictures;
    LanguageTexts m_texts;
};
