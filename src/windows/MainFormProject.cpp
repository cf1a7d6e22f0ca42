// Project files and the import of values in the main window.
#include "windows/MainForm.h"

#include "base/CodePage.h"
#include "base/ErrorHandling.h"
#include "base/NumberFormat.h"
#include "base/SaveFile.h"
#include "state/ProgramState.h"
#include "project/ProjectFile.h"
#include "project/ValueExport.h"
#include "project/ValueImport.h"
#include "settings/RecentProjects.h"
#include "windows/ImagesForm.h"

#include <algorithm>

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

// Switches the arrival sound off for an import and on again however it ends.
class SoundSuspension
{
public:
    explicit SoundSuspension(bool &soundEnable) : m_soundEnable(soundEnable), m_wasOn(soundEnable)
    {
        m_soundEnable = false;
    }
    ~SoundSuspension()
    {
        if (m_wasOn)
            m_soundEnable = true;
    }
    SoundSuspension(const SoundSuspension &) = delete;
    SoundSuspension &operator=(const SoundSuspension &) = delete;

private:
    bool &m_soundEnable;
    bool m_wasOn;
};

} // namespace

void TMainForm::submenu_NewClick()
{
    if (MujMessageDlg(m_state.messageTexts.NewMeasurement) != mrOk)
        return;

    m_state.StopTimes.clear();
    Aktualizuj_ListView();

    // The picture notes stay: they usually describe the same machine again.
    for (int slot = 1; slot <= kPictureSlotCount; ++slot) {
        m_state.setPicture(slot, QImage());
        m_state.setPictureIncluded(slot, false);
    }

    Aktualizuj_Ukazatele();
    SB_DeviceSelectClick();
}

void TMainForm::submenu_OpenClick()
{
    FileDialogRequest request = fileRequest(m_state.appSettings, kProjectFilter, QStringLiteral("zPRJ"));
    request.fileMustExist = false;
    const QString fileName = chooseFile(*m_platform.dialogs, this, m_state.appSettings, DialogKind::Open, request);
    if (fileName.isEmpty())
        return;
    openProjectFile(fileName);
}

void TMainForm::openProjectFile(const QString &fileName)
{
    ProjectRecord &record = m_state.projectRecord;
    ProjectPictures pictures;
    ProjectFileRead read;
    {
        QFile file(fileName);
        if (file.open(QIODevice::ReadOnly)) {
            read = readProjectFile(file, m_state.StopTimes, record, pictures);
            m_state.appSettings.RecentProjects = addRecentProject(m_state.appSettings.RecentProjects, fileName);
        }
    }
    for (int slot = 1; slot <= read.picturesRead; ++slot)
        m_state.setPicture(slot, pictures[size_t(slot - 1)]);
    if (!read.complete)
        MujMessageDlg(m_state.messageTexts.InvalidFile);

    // Whatever the file held or did not hold, the window now shows the
    // record as it stands.
    auto text = [&record](ProjectRecord::Text field) {
        // Project files are written on Western European Windows systems.
        return fromWindows1252(record.text(field));
    };
    DeviceInfo &device = m_state.deviceInfo;
    device.SN = text(ProjectRecord::Text::SerialNumber);
    device.SS_Speed = record.standstillSpeed();
    device.LastCalib_Year = record.calibrationYear();
    device.LastCalib_Month = record.calibrationMonth();
    device.LastCalib_day = record.calibrationDay();
    device.Calibrated = record.calibrated();
    SafetyDevice &safety = m_state.safetyDevice;
    safety.ID = record.safetyDeviceId();
    safety.d = record.resolution();
    safety.Height = record.height();

    Nastav_obrazky_dle_DeviceID(quint32(safety.ID));

    for (int slot = 1; slot <= kPictureSlotCount; ++slot) {
        m_state.setPictureNote(slot, text(ProjectRecord::pictureNote(slot)));
        m_state.setPictureIncluded(slot, record.includePicture(slot));
    }
    Label_SafetyDevice->setText(text(ProjectRecord::Text::SafetyDeviceName));
    Label_DeviceParams->setText(text(ProjectRecord::Text::SafetyDeviceParams));
    m_state.setMachine(text(ProjectRecord::Text::MachineID), text(ProjectRecord::Text::Note));

    Aktualizuj_ListView();
    Aktualizuj_Ukazatele();
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
    auto setText = [&record](ProjectRecord::Text field, const QString &text) {
        record.setText(field, toWindows1252(text));
    };
    const DeviceInfo &device = m_state.deviceInfo;
    record.setStandstillSpeed(device.SS_Speed);
    setText(ProjectRecord::Text::SerialNumber, device.SN);
    record.setCalibrationYear(device.LastCalib_Year);
    record.setCalibrationMonth(device.LastCalib_Month);
    record.setCalibrationDay(device.LastCalib_day);
    record.setCalibrated(device.Calibrated);
    ProjectPictures pictures;
    for (int slot = 1; slot <= kPictureSlotCount; ++slot) {
        const PictureSlot &stored = m_state.pictureSlot(slot);
        setText(ProjectRecord::pictureNote(slot), stored.note);
        record.setIncludePicture(slot, stored.include);
        pictures[size_t(slot - 1)] = stored.picture;
    }
    setText(ProjectRecord::Text::SafetyDeviceName, Label_SafetyDevice->text());
    setText(ProjectRecord::Text::SafetyDeviceParams, Label_DeviceParams->text());
    const SafetyDevice &safety = m_state.safetyDevice;
    record.setSafetyDeviceId(safety.ID);
    record.setResolution(safety.d);
    record.setHeight(safety.Height);
    setText(ProjectRecord::Text::MachineID, m_state.machineId());
    setText(ProjectRecord::Text::Note, m_state.note());

    // The project is written beside the target and takes its place only when
    // complete, so a full disk or a pulled stick never costs the old file.
    const SaveResult saved = saveWholeFile(fileName, [&](QIODevice &file) {
        return writeProjectFile(file, m_state.StopTimes, record, pictures);
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

    const SoundSuspension silence(m_state.appSettings.SoundEnable);
    QFile file(fileName);
    if (!file.open(QIODevice::ReadOnly))
        throw ZirkError(QStringLiteral("Cannot open file \"%1\". %2").arg(fileName, file.errorString()));
    const SeriesRefreshDeferral deferral(*this);
    const ImportSummary summary =
        readImportValues(file, asciiDecimalSeparator(), [this](double v) { ZpracujHodnotu_ms(v); });
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
    saveValuesCsv(fileName, m_state.StopTimes, mark);
}

void TMainForm::PopupCopyRowsClick()
{
    std::vector<int> rows;
    for (const QModelIndex &index : LW_data->selectionModel()->selectedRows())
        rows.push_back(index.row());
    std::sort(rows.begin(), rows.end());
    if (rows.empty())
        return;
    QGuiApplication::clipboard()->setText(rowsAsTabText(m_state.StopTimes, rows));
}
