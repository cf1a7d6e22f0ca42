// The machine archive in the main window: Save as and Generate report keep
// the measurement, Tools > Machine History shows and opens what is kept.
#include "windows/MainForm.h"

#include "archive/ArchiveInput.h"
#include "archive/ArchiveRecording.h"
#include "base/Seams.h"
#include "settings/LanguageTexts.h"
#include "state/ProgramState.h"
#include "windows/MachineHistoryForm.h"

#include <QFile>
#include <QFileInfo>
#include <QLabel>

#include <cmath>
#include <limits>

void TMainForm::recordInArchive(const QString &projectFile)
{
    // Nothing was measured: nothing to keep.
    if (m_state.StopTimes.empty())
        return;

    ArchiveMeasurement m;
    // The numbers the indicators show: the kind and d of the record, H, C,
    // h and the non-industrial choice of the selection.
    setSeries(m, m_state.StopTimes, m_state.resultDevice());
    m.machineId = m_state.machineId().trimmed();
    m.note = m_state.note();
    m.measuredAt = m_platform.clock->now();
    const DeviceInfo &device = m_state.deviceInfo;
    m.serialNumber = device.SN;
    m.standstillSpeed = device.SS_Speed;
    m.calibrationYear = device.LastCalib_Year;
    m.calibrationMonth = device.LastCalib_Month;
    m.calibrationDay = device.LastCalib_day;
    m.calibrated = device.Calibrated;
    m.userName = m_state.appSettings.UserName;
    m.companyName = m_state.appSettings.CompanyName;
    if (!projectFile.isEmpty()) {
        QFile file(projectFile);
        if (file.open(QIODevice::ReadOnly)) {
            m.fileSha256 = sha256Hex(file.readAll());
            m.filePath = QFileInfo(projectFile).absoluteFilePath();
        }
    }

    // The file or the protocol is written already; the archive only tells
    // when it could not keep the measurement.
    if (const std::optional<QString> error = recordMeasurement(archiveUrlInForce(m_state.appSettings.ArchiveUrl), m))
        setStatusText(m_state.texts().text("HistoryWindow", "ArchiveNotWritten").arg(*error));
}

void TMainForm::submenu_MachineHistoryClick()
{
    m_platform.dialogs->showModal(m_forms.MachineHistoryForm);
}

void TMainForm::openArchivedMeasurement(const ArchiveMeasurement &m)
{
    m_state.StopTimes = m.stopTimes;

    DeviceInfo &device = m_state.deviceInfo;
    device.SN = m.serialNumber;
    device.SS_Speed = quint16(m.standstillSpeed);
    device.LastCalib_Year = quint16(m.calibrationYear);
    device.LastCalib_Month = quint8(m.calibrationMonth);
    device.LastCalib_day = quint8(m.calibrationDay);
    device.Calibrated = m.calibrated;

    // As a project file restores it: the kind with d or H; -1 where the kind
    // takes neither.
    SafetyDevice &safety = m_state.safetyDevice;
    safety.ID = m.deviceKind;
    safety.d = -1.0;
    safety.Height = -1.0;
    if (kindParameterIsStored(safety.ID))
        safety.setParameter(m.deviceParameter.value_or(-1.0));
    // The distance the archive kept was computed with the kind's input and
    // the non-industrial choice: the indicators take them from here.
    SelectionInputs inputs = m_state.selectionInputs();
    if (safety.ID >= 0 && safety.ID < SafetyDeviceKindCount)
        inputs.parameter[std::size_t(safety.ID)] = m.deviceParameter;
    inputs.nonIndustrial = m.nonIndustrial;
    m_state.setSelectionInputs(inputs);

    Nastav_obrazky_dle_DeviceID(quint32(safety.ID));
    Label_SafetyDevice->setText(kindDisplayName(m_state.texts(), safety.ID));
    Label_DeviceParams->setText(deviceParamsText(safety));
    m_state.setMachine(m.machineId, m.note);

    Aktualizuj_ListView();
    Aktualizuj_Ukazatele();
}
