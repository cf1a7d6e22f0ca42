#pragma once

#include <QByteArray>
#include <QMainWindow>
#include <QPixmap>
#include <QStringList>
#include <QVector>

#include <array>
#include <functional>
#include <memory>

#include "windows/DevicePictures.h"
#include "windows/Forms.h"
#include "windows/Pictures.h"
#include "safety/SafetyDevice.h"
#include "base/Seams.h"

class QAbstractButton;
class QAction;
class QCheckBox;
class QGroupBox;
class QLabel;
class QLineEdit;
class QMenu;
class QPushButton;
class QTableView;
class QThread;
class QTimer;
class QToolButton;
class QFrame;
class QSplitter;
class StopTimesChart;
class StopTimesModel;
class ProgramState;
class DeviceSession;
struct ArchiveMeasurement;

// The main window.  Handlers keep the names the rest of the program knows
// them by; each reads its controls, calls a unit and writes its controls.
// The handlers of one subsystem live beside this file in
// MainForm<Subsystem>.cpp; the device link itself is the DeviceSession's.
class TMainForm : public QMainWindow
{
    Q_OBJECT
public:
    TMainForm(ProgramState &state, Platform &platform, Forms &forms,
              const QStringList &arguments, QWidget *parent = nullptr);
    ~TMainForm() override;

    // --- shell ---
    void FormShow();
    bool FormCloseQuery();
    void FormClose();
    int MujMessageDlg(const QString &text);
    void Btn_DemoClick();
    void submenu_ExitClick();

    // --- measurement series ---
    void ZpracujHodnotu_ms(double stoptime);
    void Smazprvek(int index);
    void PopupDeleteRowsClick();
    void DeleteAll1Click();
    void Aktualizuj_ListView();
    void Aktualizuj_Ukazatele();
    static QColor LW_dataCustomDrawItem(int row);

    // The device caption, its parameter text and its picture, as the
    // program state's accepted safety device has them.
    void showSafetyDevice();

    // --- device link: the session does the work, the window shows it ---
    void MajakBarva(quint8 obrazek);
    void Timer1Timer();
    void SB_StartClick();
    DeviceSession &deviceSession() { return *m_device; }

    // --- safety distance ---
    void submenu_DeviceSelectClick();
    void SB_DeviceSelectClick();
    void Nastav_obrazky_dle_DeviceID(quint32 ID);
    void submenu_CalculatorClick();
    void SB_CalculatorClick();
    void SafetyAdvisor1Click();
    void GenerateVLCtable1Click();

    // --- project files ---
    void submenu_NewClick();
    void submenu_OpenClick();
    // Opens a project as File > Open does after its dialog: the dialog,
    // File > Open Recent and a file named on the command line all come here.
    // How a project that cannot be read is reported: File > Open and Open
    // Recent ask their question as they always have, a file
    // named at start gets one OK message that names the reason.
    enum class ProjectOpenMessage { Question, Error };
    void openProjectFile(const QString &fileName, ProjectOpenMessage message = ProjectOpenMessage::Question);
    // File > Open Recent lists the kept projects; a file that is gone leaves
    // the list with a note in the status bar.
    void fillRecentMenu();
    void submenu_SaveAsClick();
    void Import1Click();
    void ImportValues();
    // File > Export values...: the series as CSV, the decimal mark chosen
    // with the save dialog's file type.
    void ExportValues1Click();
    // Ctrl+C in the list: the selected rows, tab-separated, to the clipboard.
    void PopupCopyRowsClick();

    // --- settings and localisation ---
    void NactiIni();
    void ZapisIni();
    void NactiTexty();
    void submenu_SettingsClick();
    void SB_SettingsClick();
    void submenu_helpClick();
    void submenu_aboutClick();
    void submenu_DriversinstallClick();

    // --- report ---
    void submenu_ReportClick();
    void Generuj_Report();
    void submenu_ImagesClick();
    void SB_ImagesClick();
    // The header picture Image1: the company logo of the settings, else a
    // logo.jpg in the working folder.
    void showLogo();

    // --- machine archive ---
    // Keeps the series as saved to projectFile (empty: as reported): puts
    // it into the local queue and delivers the queue off this thread; the
    // status bar tells how it went, a failure stops nothing.
    void recordInArchive(const QString &projectFile);
    // Delivers what waits in the local queue, off the user-interface thread
    // (at start, after each recording); a delivery under way is followed by
    // one more.
    void deliverArchiveQueue();
    // Waits until no delivery runs (at most timeoutMs); true when none does.
    // For the end of the program and for tests.
    bool waitForArchive(int timeoutMs = 30000);
    void submenu_MachineHistoryClick();
    // Tools > Verify Protocol: what zirk-cli verify says of a chosen PDF.
    void submenu_VerifyProtocolClick();
    // Brings a kept measurement into the window as opening its project would.
    void openArchivedMeasurement(const ArchiveMeasurement &measurement);

    // Status bar text (one simple panel).
    void setStatusText(const QString &text);
    // The standard's name, the verdict and the warnings under the distance.
    void showVerdict();
    QString statusText() const;

    ProgramState &state() { return m_state; }
    Platform &platform() { return m_platform; }
    Forms &forms() { return m_forms; }
    // Puts a window that has just been made where the settings keep it.
    void placeWindow(QWidget *window);
    StopTimesModel *stopTimesModel() const { return m_model; }

    // Controls (names as the rest of the program knows them).
    QLabel *Image1 = nullptr;
    QFrame *Panel2 = nullptr;
    QToolButton *SB_Start = nullptr;
    QLabel *Image_Semafor = nullptr;
    QGroupBox *GroupBox1 = nullptr;
    QCheckBox *CheckBox_Distance = nullptr;
    QLineEdit *Edit_Distance = nullptr;
    QLabel *Label10 = nullptr;
    QCheckBox *CheckBox_Speed = nullptr;
    QPushButton *Btn_Demo = nullptr;
    QGroupBox *GroupBox5 = nullptr;
    QToolButton *SB_DeviceSelect = nullptr;
    QToolButton *SB_Settings = nullptr;
    QToolButton *SB_Images = nullptr;
    QToolButton *SB_Calculator = nullptr;
    QLabel *Image_Device = nullptr;
    QLabel *Label_SafetyDeviceCaption = nullptr;
    QLabel *Label_SafetyDevice = nullptr;
    QLabel *Label_DeviceParamsCaption = nullptr;
    QLabel *Label_DeviceParams = nullptr;
    QLabel *Label_MachineIDCaption = nullptr;
    QLabel *Label_MachineID = nullptr;
    QLabel *Label_NoteCaption = nullptr;
    QLabel *Label_Note = nullptr;
    QGroupBox *GroupBox2 = nullptr;
    QLabel *Label_CountCaption = nullptr;
    QLabel *Label_MeanCaption = nullptr;
    QLabel *Label_SigmaCaption = nullptr;
    QLabel *Label_3SigmaCaption = nullptr;
    QLabel *Label_MaximumCaption = nullptr;
    QLabel *Label_Count = nullptr;
    QLabel *Label_Mean = nullptr;
    QLabel *Label_Sigma = nullptr;
    QLabel *Label_3Sigma = nullptr;
    QLabel *Label_Maximum = nullptr;
    QFrame *Panel1 = nullptr;
    QLabel *Label14 = nullptr;
    QLabel *Label_SafetyDistanceValue = nullptr;
    // Under the number: the standard it is computed by, whether the
    // installed distance meets it (green) or not (red), the standard's
    // warnings.
    QLabel *Label_StandardName = nullptr;
    QLabel *Label_Verdict = nullptr;
    QLabel *Label_DistanceWarning = nullptr;
    QTableView *LW_data = nullptr;
    // The right column below the result: the chart above the list, the
    // divider's place kept in the settings file.
    QSplitter *Splitter_Chart = nullptr;
    StopTimesChart *Chart_StopTimes = nullptr;
    QLabel *StatusBar1 = nullptr;
    QTimer *Timer1 = nullptr; // the device session's tick
    QMenu *PopupMenu1 = nullptr;

    // Menus and their items.
    QMenu *menu_file = nullptr;
    QMenu *menu_tools = nullptr;
    QMenu *menu_help = nullptr;
    QAction *submenu_New = nullptr;
    QAction *submenu_Open = nullptr;
    QMenu *menu_recent = nullptr;
    QAction *Import1 = nullptr;
    QAction *submenu_SaveAs = nullptr;
    QAction *submenu_Report = nullptr;
    QAction *submenu_Exit = nullptr;
    QAction *submenu_DeviceSelect = nullptr;
    QAction *submenu_Images = nullptr;
    QAction *submenu_Calculator = nullptr;
    QAction *submenu_Settings = nullptr;
    QAction *submenu_Driversinstall = nullptr;
    QAction *SafetyAdvisor1 = nullptr;
    QAction *GenerateVLCtable1 = nullptr;
    QAction *submenu_MachineHistory = nullptr;
    QAction *submenu_VerifyProtocol = nullptr;
    QAction *submenu_help = nullptr;
    QAction *submenu_about = nullptr;
    QAction *PopupDeleteRows = nullptr;
    QAction *DeleteAll1 = nullptr;
    QAction *ExportValues1 = nullptr;
    QAction *PopupCopyRows = nullptr;

    // Image lists, each picture drawn at its first use.
    ImageList IL_semafor{4, beaconPicture};
    ImageList il_devices_32{SafetyDeviceKindCount, deviceIcon32}; // the dialogs' tab icons too
    ImageList IL_devices_150{SafetyDeviceKindCount, [](int kind) { return devicePicture(kind, 150); }};

protected:
    void showEvent(QShowEvent *event) override;
    void closeEvent(QCloseEvent *event) override;

private:
    void buildUi();
    void buildMenus();
    void wire(QAction *action, void (TMainForm::*handler)());
    void wire(QAbstractButton *button, void (TMainForm::*handler)());
    void clampWindowPositions();

    ProgramState &m_state;
    Platform &m_platform;
    Forms &m_forms;
    // Where the settings keep each window of Forms::positionedWindows.
    WindowPositions m_windowPositions = kDefaultWindowPositions;
    QStringList m_arguments;
    // Drops kept projects whose file is gone and tells the user which.
    void dropMissingRecentProjects();
    StopTimesModel *m_model = nullptr;
    bool m_shown = false;
    // The settings file could not be written on a close request, and the
    // user has been told: the next close request ends the program, with the
    // settings if they can be written by then, else without them.
    bool m_settingsWriteFailed = false;
    void connectDeviceSession();
    void connectState();
    // The machine ID and note of the program state, on their labels.
    void showMachine();
    // The chart follows the series, the language and the list's selection.
    void connectChart();
    DeviceSession *m_device = nullptr;

    // The delivery of the archive queue under way, if any.
    QThread *m_archiveDelivery = nullptr;
    bool m_deliverAgain = false;
    void archiveDelivered(const struct ArchiveDeliveryResult &result);

    // The list, the indicators and the device labels follow the state.
    void connectSeries();
};
