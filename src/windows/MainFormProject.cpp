// Project files and the import of values in the main window.
#include "windows/MainForm.h"

#include "base/CodePage.h"
#include "base/ErrorHandling.h"
#include "base/NumberFormat.h"
#include "base/RegularFile.h"
#include "base/SaveFile.h"
#include "state/ProgramState.h"
#include "project/ProjectFile.h"
#include "project/ProjectMeasurement.h"
#include "project/ProtocolProject.h"
#include "project/ValueExport.h"
#include "project/ValueImport.h"
#include "settings/RecentProjects.h"
#include "windows/ImagesForm.h"

#include <algorithm>

#include <QBuffer>
#include <QCheckBox>
#include <QClipboard>
#include <QDir>
#include <QMenu>
#include <QGuiApplication>
#include <QItemSelectionModel>
#include <QTableView>
#include <QFile>
#include <QFileInfo>
#include <QLabel>
#include <QLineEdit>

namespace {

const QString kAllFilesFilter = QStringLiteral("All files (*.*)");
const QString kProjectFilter = QStringLiteral("Zirk Project Files (*.zPRJ)");
const QString kTextFilter = QStringLiteral("Text Files (*.txt)");

FileDialogRequest fileRequest(const AppSettings &settings, const QString &filter, const QString &suffix)
{
    FileDialogRequest request;
    request.directory = settings.LastDirectory;
    request.filter = kAllFilesFilter + QStringLiteral(";;") + filter;
    request.selectedFilter = filter;
    request.defaultSuffix = suffix;
    return request;
}

enum class DialogKind { Open, Save };

// Shows the file dialog; the folder of a chosen file becomes the last folder
// at once, before the file is touched.  Returns an empty name when cancelled.
QString chooseFile(Dialogs &dialogs, QWidget *owner, AppSettings &settings, DialogKind kind,
                   const FileDialogRequest &request)
{
    const QString fileName = kind == DialogKind::Save ? dialogs.saveFile(owner, request)
                                                      : dialogs.openFile(owner, request);
    if (!fileName.isEmpty())
        settings.LastDirectory = QFileInfo(fileName).absolutePath() + QLatin1Char('/');
    return fileName;
}

} // namespace

void TMainForm::submenu_NewClick()
{
    if (MujMessageDlg(m_state.messageTexts.NewMeasurement) != mrOk)
        return;

    m_state.clear();
    // A new measurement starts with the standard of the settings, no entries
    // and no installed distance.
    m_state.setDistanceChoice(DistanceChoice::of(m_state.appSettings.Standard));
    m_state.setStandardProblem(QString());

    // The picture notes stay: they usually describe the same machine again.
    for (int slot = 1; slot <= kPictureSlotCount; ++slot) {
        m_state.setPicture(slot, QImage());
        m_state.setPictureIncluded(slot, false);
    }

    SB_DeviceSelectClick();
}

void TMainForm::submenu_OpenClick()
{
    FileDialogRequest request = fileRequest(m_state.appSettings, kProjectFilter, QStringLiteral("zPRJ"));
    // A protocol that carries its measurement opens as its project file.
    request.filter += QStringLiteral(";;Measurement protocols (*.pdf)");
    request.fileMustExist = false;
    const QString fileName = chooseFile(*m_platform.dialogs, this, m_state.appSettings, DialogKind::Open, request);
    if (fileName.isEmpty())
        return;
    openProjectFile(fileName);
}

void TMainForm::openProjectFile(const QString &fileName, ProjectOpenMessage message)
{
    const LanguageTexts &texts = m_state.texts();
    const QString shown = QDir::toNativeSeparators(fileName);
    // Only a regular file is read, as the import reads one: a FIFO would
    // block the window in open(), a device might never end.  A name that
    // does not open changes nothing: the measurement on screen stays whole,
    // and so does what is known of the instrument on the line.
    auto refuse = [&](const QString &text) { m_platform.dialogs->error(this, kApplicationTitle, text); };
    if (QFileInfo(fileName).isDir()) {
        refuse(texts.text("MainWindow", "StartFileIsFolder").arg(shown));
        return;
    }
    QFile file;
    QString why;
    switch (openRegularFile(file, fileName, &why)) {
    case Opened::Yes: break;
    case Opened::Missing:
        if (message == ProjectOpenMessage::Question)
            MujMessageDlg(m_state.messageTexts.InvalidFile);
        else
            refuse(texts.text("MainWindow", "StartFileNotRead").arg(shown, QStringLiteral("No such file.")));
        return;
    case Opened::Refused:
        refuse(texts.text("MainWindow", "StartFileNotRead").arg(shown, why));
        return;
    }
    ProjectRecord record = m_state.projectRecord;
    std::vector<double> stopTimes = m_state.stopTimes();
    ProjectPictures pictures;
    QByteArray bytes = file.readAll();
    try {
        bytes = projectFileContent(fileName, bytes);
    } catch (const ZirkError &e) {
        m_platform.dialogs->error(this, kApplicationTitle, e.message());
        return;
    }
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::ReadOnly);
    const ProjectFileRead read = readProjectFile(buffer, stopTimes, record, pictures);

    // What the file held, as far as it could be read, is the measurement
    // now; slots the file did not reach keep their pictures.  A block of
    // the standard that was not read stands beside the distance (the
    // measurement carries it), not in the status bar, where the device's
    // next tick would overwrite it.  A safeguard's name that was not read
    // opens as unnamed, and the status bar says so.
    QString safeguardProblem;
    Measurement opened = measurementFromProject(stopTimes, record, pictures, nullptr, &safeguardProblem);
    // Saved again or reported, it keeps the time it was measured at, and the
    // archive knows it as the measurement it is.
    opened.lastValueAt = projectMeasurementTime(record, fileName, QFileInfo(fileName).lastModified());
    for (int slot = read.picturesRead + 1; slot <= kPictureSlotCount; ++slot)
        opened.pictures[std::size_t(slot - 1)].picture = m_state.pictureSlot(slot).picture;
    m_state.projectRecord = record;
    m_state.setMeasurement(opened);
    if (!read.complete) {
        if (message == ProjectOpenMessage::Question)
            MujMessageDlg(m_state.messageTexts.InvalidFile);
        else
            refuse(texts.text("MainWindow", "StartFileInvalid")
                       .arg(shown, file.size() == 0 ? QStringLiteral("the file is empty")
                                                    : QStringLiteral("it is not a whole Zirk project")));
        return;
    }
    // Only a project that was read whole is one to open again.
    m_state.appSettings.RecentProjects = addRecentProject(m_state.appSettings.RecentProjects, fileName);
    if (!safeguardProblem.isEmpty())
        setStatusText(texts.text("MainWindow", "SafeguardBlockIgnored") + QStringLiteral(" (") + safeguardProblem
                      + QStringLiteral(")"));
}

void TMainForm::submenu_SaveAsClick()
{
    const QDateTime now = m_platform.clock->now();
    FileDialogRequest request = fileRequest(m_state.appSettings, kProjectFilter, QStringLiteral("zPRJ"));
    request.fileName = QStringLiteral("Project_") + now.toString(QStringLiteral("yyyyMMdd_HHmm_"));
    request.confirmOverwrite = true;
    const QString fileName = chooseFile(*m_platform.dialogs, this, m_state.appSettings, DialogKind::Save, request);
    if (fileName.isEmpty())
        return;

    ProjectRecord &record = m_state.projectRecord;
    ProjectPictures pictures;
    writeMeasurement(m_state.measurement(), record, pictures);

    // The project is written beside the target and takes its place only when
    // complete, so a full disk or a pulled stick never costs the old file.
    const SaveResult saved = saveWholeFile(fileName, [&](QIODevice &file) {
        return writeProjectFile(file, m_state.stopTimes(), record, pictures);
    });
    if (saved.stage == SaveResult::NotCreated)
        throw ZirkError(QStringLiteral("Cannot create file \"%1\". %2").arg(fileName, saved.error));
    if (saved.stage == SaveResult::NotWritten)
        throw ZirkError(QStringLiteral("Cannot write file \"%1\". %2").arg(fileName, saved.error));
    m_state.appSettings.RecentProjects = addRecentProject(m_state.appSettings.RecentProjects, fileName);
    recordInArchive(fileName);
}

void TMainForm::dropMissingRecentProjects()
{
    const RecentProjectsCheck check = dropMissingProjects(m_state.appSettings.RecentProjects);
    if (check.dropped.isEmpty())
        return;
    m_state.appSettings.RecentProjects = check.kept;
    QStringList names;
    for (const QString &f : check.dropped)
        names.append(QDir::toNativeSeparators(f));
    setStatusText(m_state.texts().text("MainWindow", "RecentProjectMissing").arg(names.join(QStringLiteral(", "))));
}

void TMainForm::fillRecentMenu()
{
    dropMissingRecentProjects();
    menu_recent->clear();
    const QStringList &recent = m_state.appSettings.RecentProjects;
    if (recent.isEmpty()) {
        menu_recent->addAction(m_state.texts().text("MainWindow", "RecentProjectsEmpty"))->setEnabled(false);
        return;
    }
    for (qsizetype i = 0; i < recent.size(); ++i) {
        const QString fileName = recent.at(i);
        // "&1 name.zPRJ": the digit is the key, the folder is in the tip.
        QString label = QStringLiteral("&%1 %2").arg(i + 1).arg(QFileInfo(fileName).fileName().replace(
                                                                     QLatin1Char('&'), QStringLiteral("&&")));
        QAction *action = menu_recent->addAction(label);
        action->setToolTip(QDir::toNativeSeparators(fileName));
        connect(action, &QAction::triggered, this, [this, fileName] {
            runGuarded(*m_platform.dialogs, this, [this, fileName] {
                // Gone since the menu opened: dropped with the note, not
                // opened as an invalid file.
                if (!QFileInfo(fileName).isFile()) {
                    dropMissingRecentProjects();
                    return;
                }
                openProjectFile(fileName);
            });
        });
    }
}

void TMainForm::Import1Click()
{
    ImportValues();
}

void TMainForm::ImportValues()
{
    FileDialogRequest request = fileRequest(m_state.appSettings, kTextFilter, QStringLiteral("txt"));
    request.fileMustExist = false;
    const QString fileName = chooseFile(*m_platform.dialogs, this, m_state.appSettings, DialogKind::Open, request);
    if (fileName.isEmpty())
        return;

    // A regular file only: a FIFO or a device (/dev/zero) may never end.
    QFile file;
    openUserFile(file, fileName);
    // The values join the series only when the whole file is read, at once:
    // one insertion, one recomputation, no arrival sound; a cancelled
    // import adds nothing.
    std::vector<double> values;
    ImportSummary summary;
    {
        const ProgressScope progress(m_platform.progress, this,
                                     m_state.texts().text("MainWindow", "ProgressImport").arg(QFileInfo(fileName).fileName()));
        const qint64 size = file.size();
        summary = readImportValues(
            file, asciiDecimalSeparator(), [&values](double v) { values.push_back(v); },
            [&progress, size](qint64 done) { return progress.step(done, size); });
    }
    if (summary.cancelled) {
        setStatusText(QFileInfo(fileName).fileName() + QStringLiteral(": ") + importCancelledText());
        return;
    }
    m_state.append(values);
    // Lines that were not numbers are skipped, but never without a word:
    // a lost maximum would lower the safety distance unseen.
    setStatusText(QFileInfo(fileName).fileName() + QStringLiteral(": ") + importSummaryText(summary));
    if (summary.readFailed)
        throw ZirkError(QStringLiteral("Cannot read file \"%1\". %2").arg(fileName, file.errorString()));
}

namespace {

// The export's two file types; the one chosen gives the decimal mark.
const QString kCsvPointFilter = QStringLiteral("CSV, decimal point (*.csv)");
const QString kCsvCommaFilter = QStringLiteral("CSV, decimal comma (*.csv)");

} // namespace

void TMainForm::ExportValues1Click()
{
    FileDialogRequest request;
    request.directory = m_state.appSettings.LastDirectory;
    request.fileName = QStringLiteral("StopTimes.csv");
    request.filter = kCsvPointFilter + QStringLiteral(";;") + kCsvCommaFilter;
    // The mark of the user's locale comes first to hand.
    request.selectedFilter = defaultDecimalMark() == DecimalMark::Comma ? kCsvCommaFilter : kCsvPointFilter;
    request.defaultSuffix = QStringLiteral("csv");
    request.confirmOverwrite = true;
    QString chosen;
    request.chosenFilter = &chosen;
    const QString fileName = chooseFile(*m_platform.dialogs, this, m_state.appSettings, DialogKind::Save, request);
    if (fileName.isEmpty())
        return;
    const DecimalMark mark = chosen == kCsvCommaFilter  ? DecimalMark::Comma
        : chosen == kCsvPointFilter                     ? DecimalMark::Point
                                                        : defaultDecimalMark();
    saveValuesCsv(fileName, m_state.stopTimes(), mark);
}

void TMainForm::PopupCopyRowsClick()
{
    std::vector<int> rows;
    for (const QModelIndex &index : LW_data->selectionModel()->selectedRows())
        rows.push_back(index.row());
    std::sort(rows.begin(), rows.end());
    if (rows.empty())
        return;
    QGuiApplication::clipboard()->setText(rowsAsTabText(m_state.stopTimes(), rows));
}
