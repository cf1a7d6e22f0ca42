// The report images dialog and the measurement report in the main window.
#include "windows/MainForm.h"

#include "state/ProgramState.h"
#include "windows/ImagesForm.h"
#include "report/Report.h"
#include "report/ReportLogo.h"
#include "series/StopTimesModel.h"
#include "settings/FileLocations.h"
#include "settings/ReportSettings.h"

#include <QCheckBox>
#include <QFileInfo>
#include <QLabel>
#include <QLineEdit>

void TMainForm::submenu_ReportClick()
{
    Generuj_Report();
}

void TMainForm::Generuj_Report()
{
    const QDateTime now = m_platform.clock->now();

    FileDialogRequest request;
    request.directory = m_state.appSettings.LastDirectory;
    request.fileName = reportFileProposal(now);
    request.filter = QStringLiteral("All files (*);;PDF files (*.pdf *.PDF)");
    request.selectedFilter = QStringLiteral("PDF files (*.pdf *.PDF)");
    request.defaultSuffix = QStringLiteral("pdf");
    request.confirmOverwrite = true;
    const QString fileName = m_platform.dialogs->saveFile(this, request);
    if (fileName.isEmpty())
        return;
    m_state.appSettings.LastDirectory = QFileInfo(fileName).absolutePath() + QLatin1Char('/');

    ReportContent content;
    content.when = now;
    content.companyName = m_state.appSettings.CompanyName;
    content.userName = m_state.appSettings.UserName;
    content.machineId = m_state.machineId();
    content.note = m_state.note();
    content.safetyDevice = Label_SafetyDevice->text();
    content.deviceParams = Label_DeviceParams->text();

    const DeviceInfo &device = m_state.deviceInfo;
    content.standstillSpeed = device.SS_Speed;
    content.serialNumber = device.SN;
    content.calibrationDay = device.LastCalib_day;
    content.calibrationMonth = device.LastCalib_Month;
    content.calibrationYear = device.LastCalib_Year;
    content.calibrated = device.Calibrated;

    // The rows as the list shows them.
    const int rows = m_model->rowCount();
    content.values.reserve(rows);
    for (int row = 0; row < rows; ++row)
        content.values.append(m_model->index(row, 1).data().toString());
    content.mean = Label_Mean->text();
    content.maximum = Label_Maximum->text();
    content.meanPlus3Sigma = Label_3Sigma->text();
    content.safetyDistanceMM = m_state.SafetyDistanceMM;
    content.safetyDistanceInch = m_state.SafetyDistanceInch;

    if (m_state.appSettings.AddAnalysisPage)
        content.analysis = ReportAnalysis{m_state.StopTimes, m_state.resultDevice()};
    QString logoProblem;
    content.logo = loadLogo(settingsFolder(settingsFilePath()), m_state.appSettings.LogoFile, &logoProblem);

    for (int slot = 1; slot <= kPictureSlotCount; ++slot) {
        const PictureSlot &stored = m_state.pictureSlot(slot);
        ReportPicture &picture = content.pictures[size_t(slot - 1)];
        picture.include = stored.include;
        picture.caption = stored.note;
        picture.bitmap = stored.picture;
    }

    // An error while writing reaches the general handling and the viewer is
    // not started on a file that is not there.
    const ProgressScope progress(m_platform.progress, this, QStringLiteral("Writing the report..."));
    const qint64 pages = reportPageEstimate(content);
    qint64 page = 0;
    const bool written = writeReport(
        content, fileName, m_platform.clock, [this](const QString &status) { setStatusText(status); },
        [&progress, &page, pages] { return !progress.step(++page, pages); });
    if (!written) {
        setStatusText(reportCancelledText());
        return;
    }
    if (!logoProblem.isEmpty())
        setStatusText(logoLeftOutText(logoProblem));
    recordInArchive(QString());
    m_platform.shell->open(fileName);
}

void TMainForm::submenu_ImagesClick()
{
    m_platform.dialogs->showModal(m_forms.imagesform);
}

void TMainForm::SB_ImagesClick()
{
    submenu_ImagesClick();
}
