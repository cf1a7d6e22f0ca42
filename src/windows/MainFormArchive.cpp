// The machine archive in the main window: Save as and Generate report keep
// the measurement, Tools > Machine History shows and opens what is kept.
#include "windows/MainForm.h"

#include "archive/ArchiveInput.h"
#include "archive/ArchiveRecording.h"
#include "base/Seams.h"
#include "settings/LanguageTexts.h"
#include "state/ProgramState.h"
#include "windows/DevSelectForm.h"
#include "windows/MachineHistoryForm.h"

#include <QFile>
#include <QFileInfo>
#include <QLabel>

#include <cmath>
#include <limits>

void TMainForm::recordInArchive(const QString &projectFile)
{
    // Nothing was measured: nothing to keep.
    if (m_state.stopTimes().empty())
        return;

    ArchiveMeasurement m = archiveRecord(m_state.measurement(), m_state.appSettings.UserName,
                                         m_state.appSettings.CompanyName, m_platform.clock->now());
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

void TMainForm::openArchivedMeasurement(const ArchiveMeasurement &kept)
{
    Measurement m = measurementFromArchive(kept, kindDisplayName(m_state.texts(), kept.deviceKind));
    // A kept measurement has no pictures: those on screen stay.
    m.pictures = m_state.measurement().pictures;
    m_state.setMeasurement(m);
    m_forms.devselectform->showDevice(m.safetyDevice);
}
