// The report images dialog and the measurement report in the main window.
#include "windows/MainForm.h"

#include "base/ErrorHandling.h"
#include "state/ProgramState.h"
#include "windows/ImagesForm.h"
#include "project/ProjectMeasurement.h"
#include "project/ProtocolProject.h"
#include "report/ProtocolRecord.h"
#include "report/Report.h"
#include "report/ReportMeasurement.h"
#include "report/ReportLogo.h"
#include "settings/FileLocations.h"
#include "settings/ReportSettings.h"

#include <QCheckBox>
#include <QFile>
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

    // Signed with the settings' certificate, its password asked now and
    // forgotten after; a signed protocol always carries its measurement.
    const AppSettings &settings = m_state.appSettings;
    ProtocolFinish finish;
    std::optional<SigningIdentity> signer;
    if (!settings.SigningCertificate.isEmpty()) {
        const std::optional<QString> password = m_platform.dialogs->password(
            this, kApplicationTitle,
            m_state.texts().text("Report", "PasswordText").arg(QFileInfo(settings.SigningCertificate).fileName()));
        if (!password) {
            setStatusText(m_state.texts().text("MainWindow", "ReportCancelled"));
            return;
        }
        try {
            signer = SigningIdentity::open(settings.SigningCertificate, password->toUtf8(), now);
        } catch (const SigningError &e) {
            m_platform.dialogs->error(this, kApplicationTitle, e.message());
            return;
        }
        const QString unsignable = unsignableReason(content.machineId, content.userName, signer->commonName());
        if (!unsignable.isEmpty()) {
            m_platform.dialogs->error(this, kApplicationTitle, unsignable);
            return;
        }
        finish.signer = &*signer;
        finish.signingTime = now;
        finish.box = protocolSignatureBox(m_state.texts(), signer->commonName(), now, content.userName);
        finish.authority.url = settings.TimeStampUrl;
    }
    if (signer || settings.AttachMeasurement)
        finish.attachments = protocolAttachments(
            QStringLiteral("Project_") + now.toString(QStringLiteral("yyyyMMdd_HHmm_")),
            projectFileBytes(m_state.measurement(), m_state.projectRecord), protocolSummaryJson(m_state.measurement()));

    // An error while writing reaches the general handling and the viewer is
    // not started on a file that is not there.
    const ProgressScope progress(m_platform.progress, this, m_state.texts().text("MainWindow", "ProgressReport"));
    const qint64 pages = reportPageEstimate(content);
    qint64 page = 0;
    SignatureOutcome signature;
    bool written = false;
    try {
        written = writeReport(
            content, fileName, m_platform.clock, [this](const QString &status) { setStatusText(status); },
            [&progress, &page, pages] { return !progress.step(++page, pages); }, finish, &signature);
    } catch (const SigningError &e) {
        m_platform.dialogs->error(this, kApplicationTitle, e.message());
        return;
    }
    if (!written) {
        setStatusText(m_state.texts().text("MainWindow", "ReportCancelled"));
        return;
    }
    if (!logoProblem.isEmpty())
        setStatusText(logoLeftOutText(logoProblem));
    if (!signature.timeStampProblem.isEmpty())
        setStatusText(m_state.texts().text("Report", "SignedWithoutTimeStampText").arg(signature.timeStampProblem));
    recordInArchive(QString());
    m_platform.shell->open(fileName);
}

void TMainForm::submenu_VerifyProtocolClick()
{
    FileDialogRequest request;
    request.directory = m_state.appSettings.LastDirectory;
    request.filter = QStringLiteral("PDF files (*.pdf *.PDF);;All files (*)");
    const QString fileName = m_platform.dialogs->openFile(this, request);
    if (fileName.isEmpty())
        return;
    QFile file(fileName);
    if (!file.open(QIODevice::ReadOnly)) {
        m_platform.dialogs->error(this, kApplicationTitle, QStringLiteral("%1: %2").arg(fileName, file.errorString()));
        return;
    }
    const ProtocolVerification verification = verifyProtocol(file.readAll());
    const QString text = QFileInfo(fileName).fileName() + QStringLiteral("\n\n") + verification.text();
    if (verification.exitStatus() == 1)
        m_platform.dialogs->error(this, m_state.texts().text("MainMenu", "VerifyProtocol"), text);
    else
        m_platform.dialogs->information(this, m_state.texts().text("MainMenu", "VerifyProtocol"), text);
}

void TMainForm::submenu_ImagesClick()
{
    m_platform.dialogs->showModal(m_forms.imagesform());
}

void TMainForm::SB_ImagesClick()
{
    submenu_ImagesClick();
}
