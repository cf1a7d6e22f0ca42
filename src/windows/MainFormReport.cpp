// The report images dialog and the measurement report in the main window.
#include "windows/MainForm.h"

#include "state/ProgramState.h"
#include "windows/ImagesForm.h"
#include "report/Report.h"
#include "report/ReportMeasurement.h"
#include "report/ReportLogo.h"
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

    ReportContent content = reportContent(m_state.measurement(), m_state.appSettings, now);
    QString logoProblem;
    content.logo = loadLogo(settingsFolder(settingsFilePath()), m_state.appSettings.LogoFile, &logoProblem);

    // An error while writing reaches the general handling and the viewer is
    // not started on a file that is not there.
    const ProgressScope progress(m_platform.progress, this, m_state.texts().text("MainWindow", "ProgressReport"));
    const qint64 pages = reportPageEstimate(content);
    qint64 page = 0;
    const bool written = writeReport(
        content, fileName, m_platform.clock, [this](const QString &status) { setStatusText(status); },
        [&progress, &page, pages] { return !progress.step(++page, pages); });
    if (!written) {
        setStatusText(m_state.texts().text("MainWindow", "ReportCancelled"));
        return;
    }
    if (!logoProblem.isEmpty())
        setStatusText(logoLeftOutText(logoProblem));
    recordInArchive(QString());
    m_platform.shell->open(fileName);
}

void TMainForm::submenu_ImagesClick()
{
    m_platform.dialogs->showModal(m_forms.imagesform());
}

void TMainForm::SB_ImagesClick()
{
    submenu_ImagesClick();
}
