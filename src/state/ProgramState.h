#pragma once

#include "device/DeviceInfo.h"
#include "project/ProjectFile.h"
#include "safety/SafetyDevice.h"
#include "series/Measurement.h"
#include "series/SeriesResult.h"
#include "settings/AppSettings.h"
#include "settings/LanguageTexts.h"
#include "settings/MessageTexts.h"

#include <QDateTime>
#include <QImage>
#include <QObject>
#include <QStringList>

#include <vector>

class StopTimesModel;

// What the windows share: the measurement on screen (series, the instrument
// that measured it, the accepted safety device, machine ID and note, report
// pictures), its result, the settings and the language's texts.  One
// instance lives from start to exit; every window receives it at
// construction.  The measurement changes only through the methods below,
// and every change is a signal: a window calls a method and redraws on the
// signal, and never keeps a result of its own.
class ProgramState : public QObject
{
    Q_OBJECT
public:
    explicit ProgramState(QObject *parent = nullptr);

    AppSettings appSettings;
    MessageTexts messageTexts;
    // The device lines of the about box: empty until an instrument has been
    // identified, then those of the last identification.
    QStringList AboutDeviceLines;
    // The record of the last opened or saved project file, all zero at start:
    // what a project file holds beyond the measurement stays as it was read.
    ProjectRecord projectRecord;

    // --- the series ---
    const std::vector<double> &stopTimes() const { return m_measurement.stopTimes; }
    // Appends one value or many at once (an import: one insertion, one
    // recomputation).
    void append(double ms);
    void append(const std::vector<double> &values);
    // A value the instrument measured just now: appended with the instrument
    // it came from and its time.
    void appendMeasured(double ms, const MeasuringInstrument &instrument, const QDateTime &at);
    // Out of range: nothing happens.
    void removeAt(int index);
    void clear();
    void replace(const std::vector<double> &values);

    // --- the instrument that measured the series ---
    const MeasuringInstrument &instrument() const { return m_measurement.instrument; }
    void setInstrument(const MeasuringInstrument &instrument);
    const QDateTime &lastValueAt() const { return m_measurement.lastValueAt; }

    // --- the accepted safety device: set on OK, on Open, at start ---
    const SafetyDevice &safetyDevice() const { return m_measurement.safetyDevice; }
    void setSafetyDevice(const SafetyDevice &device);
    // The standard, its entries and the installed distance: set with the
    // device on OK, on Open, at start.
    const DistanceChoice &distanceChoice() const { return m_measurement.distanceChoice; }
    void setDistanceChoice(const DistanceChoice &choice);
    // Why the standard stored with the measurement was not read: set on
    // Open, cleared when a standard is chosen anew (OK in the selection,
    // New).  Signals resultChanged, since it stands beside the distance.
    const QString &standardProblem() const { return m_measurement.standardProblem; }
    void setStandardProblem(const QString &problem);

    // --- what the series and the device come to, computed once per change ---
    const SeriesResult &result() const;

    // --- machine ---
    const QString &machineId() const { return m_measurement.machineId; }
    const QString &note() const { return m_measurement.note; }
    void setMachine(const QString &machineId, const QString &note);
    // The safeguard of the machine the series belongs to, as the user names
    // it; empty: the machine's unnamed one of this kind and parameter.
    // Signalled as machineChanged.
    const QString &safeguard() const { return m_measurement.safeguard; }
    void setSafeguard(const QString &safeguard);

    // --- report pictures ---
    const PictureSlot &pictureSlot(int slot) const;
    void setPicture(int slot, const QImage &picture);
    void setPictureNote(int slot, const QString &note);
    void setPictureIncluded(int slot, bool include);

    // --- the whole measurement, for files, the archive and the report ---
    const Measurement &measurement() const
    {
        drawPlaceholders();
        return m_measurement;
    }
    // Takes another measurement whole (Open, a kept measurement); signals
    // each part.
    void setMeasurement(const Measurement &measurement);

    // --- language ---
    const LanguageTexts &texts() const { return m_texts; }
    // Takes the texts of a language: messages and the manual's name at once,
    // the windows' captions through languageChanged.
    void setTexts(const LanguageTexts &texts);

signals:
    // The series, in the order a Qt model needs them: before and after.
    void valuesAboutToBeInserted(int first, int last);
    void valuesInserted(int first, int last);
    void valueAboutToBeRemoved(int index);
    void valueRemoved(int index);
    void seriesAboutToBeReset();
    void seriesReset();
    // After every change of the series, whichever it was.
    void seriesChanged();
    void instrumentChanged();
    void safetyDeviceChanged();
    void distanceChoiceChanged();
    // The series, the safety device or the distance choice changed: result()
    // is new.
    void resultChanged();
    void machineChanged();
    void pictureChanged(int slot);
    void languageChanged();

private:
    void seriesDone();
    void insertValues(const double *values, std::size_t count);

    // Every slot starts with the placeholder picture, drawn when the
    // pictures are first looked at or changed: a start that shows none of
    // them draws none.
    void drawPlaceholders() const;

    mutable Measurement m_measurement; // mutable for drawPlaceholders only
    mutable bool m_placeholdersDrawn = false;
    mutable std::optional<SeriesResult> m_result;
    LanguageTexts m_texts;
};

// A list model that follows the state's series row by row.
void followSeries(const ProgramState &state, StopTimesModel &model);

// The instrument on the line as the series that it measures keeps it.
MeasuringInstrument instrumentOf(const DeviceInfo &info);
