#pragma once

#include "safety/SafetyDevice.h"
#include "series/DistanceChoice.h"

#include <QDialog>
#include <QStringList>

#include <map>

class QCheckBox;
class QComboBox;
class QGroupBox;
class QLabel;
class QLineEdit;
class QPushButton;
class QTabWidget;
class QWidget;
class Forms;
struct Platform;
class ProgramState;
class ProjectTextCheck;

// The safety device selection dialog: one tab per kind of safety device
// (tab index = SafetyDevice.ID), its parameter, the machine ID, the
// safeguard of that machine and a note.
// Its fields are never reset: they keep their contents between openings,
// also after Cancel; they are the dialog's own until OK hands the selection
// to the program state.
class Tdevselectform : public QDialog
{
    Q_OBJECT
public:
    Tdevselectform(ProgramState &state, Platform &platform, Forms &forms, QWidget *parent = nullptr);

    // Prepares the dialog on each opening: the tab of the current kind, the
    // main window's machine ID, safeguard and note.
    void FormShow();
    // Field checks while editing: red when the text is not a number in the
    // user's locale.  They never block OK.
    void kontrola_zadani_VLC();
    void kontrola_zadani_HLC();
    void kontrola_zadani_Scanner();

    // The heading label of a kind's tab, whose caption is the kind's display
    // name; null outside 0..6.
    QLabel *headingLabel(int kind) const;
    // The safety device the fields describe: the chosen kind, its input, its
    // non-industrial choice and its name.
    SafetyDevice selection() const;
    // The standard the fields choose, the entries it reads for the chosen
    // kind (a field that is empty or no number is none) and the installed
    // distance in mm.
    DistanceChoice distanceChoice() const;
    // Hands the selection, the distance choice, the machine ID, the
    // safeguard and the note to the program state (after OK).
    void storeSelection();
    // Shows which entries the chosen standard reads for the chosen kind.
    void showEntries();
    // Shows a device the program took whole (a kept measurement opened): its
    // kind's input and the non-industrial choice, so that OK without a
    // change keeps the device the measurement was made behind.
    void showDevice(const SafetyDevice &device);
    // The safeguards known for the machine the machine ID names, as the
    // safeguard list offers them; the name in the field stays as it is.
    void setKnownSafeguards(const QStringList &names);
    // After a measurement from the archive, which keeps no entries: the
    // Standard group says which entries the standard reads, until OK or
    // another measurement.
    void setEntriesFromArchive(bool fromArchive);

    QTabWidget *PageControl1 = nullptr;

    // Vertical light curtain
    QWidget *TabSheet1 = nullptr;
    QLabel *Label1 = nullptr;
    QLabel *Image1 = nullptr;
    QLabel *Label9 = nullptr;
    QGroupBox *GroupBox1 = nullptr;
    QLabel *Label8 = nullptr;
    // The edit that holds the input of a kind's formula (d, H, C or h); none
    // for the kinds whose formula takes only the stop time.
    QLineEdit *parameterEdit(int kind) const;

    QLineEdit *Edit_VLC_d = nullptr;
    QLabel *Label35 = nullptr;
    QCheckBox *CheckBox_VLC_nonindustrial = nullptr;
    QLabel *Label18 = nullptr;

    // Horizontal light curtain
    QWidget *TabSheet2 = nullptr;
    QLabel *Label2 = nullptr;
    QLabel *Image2 = nullptr;
    QLabel *Label13 = nullptr;
    QGroupBox *GroupBox2 = nullptr;
    QLabel *Label10 = nullptr;
    QLineEdit *Edit_HLC_H = nullptr;
    QLabel *Label7 = nullptr;

    // Safety scanner
    QWidget *TabSheet3 = nullptr;
    QLabel *Label3 = nullptr;
    QLabel *Label15 = nullptr;
    QGroupBox *GroupBox3 = nullptr;
    QLabel *Label17 = nullptr;
    QLineEdit *Edit_ScannerHeight = nullptr;
    QLabel *Label14 = nullptr;

    // Two-hand control, emergency stop
    QWidget *TabSheet4 = nullptr;
    QLabel *Label4 = nullptr;
    QGroupBox *GroupBox4 = nullptr;
    QWidget *TabSheet5 = nullptr;
    QLabel *Label5 = nullptr;
    QGroupBox *GroupBox5 = nullptr;

    // Door
    QWidget *TabSheet6 = nullptr;
    QLabel *Label21 = nullptr;
    QLabel *Label6 = nullptr;
    QLabel *Label11 = nullptr;
    QGroupBox *GroupBox6 = nullptr;
    QLineEdit *Edit_Door_C = nullptr;
    QLabel *Label16 = nullptr;

    // Pressure-sensitive mat
    QWidget *TabSheet7 = nullptr;
    QLabel *Label25 = nullptr;
    QLabel *Label23 = nullptr;
    QLabel *Label22 = nullptr;
    QGroupBox *GroupBox7 = nullptr;
    QLabel *Label26 = nullptr;
    QLineEdit *Edit_StepHeight = nullptr;

    // The standard and its entries, the installed distance
    QGroupBox *GroupBox_Standard = nullptr;
    QLabel *Label_Standard = nullptr;
    QComboBox *ComboBox_Standard = nullptr;
    QLabel *Label_Tr = nullptr;
    QLineEdit *Edit_Tr = nullptr;
    QLabel *Label_BrakeMonitor = nullptr;
    QLineEdit *Edit_BrakeMonitor = nullptr;
    QLabel *Label_K = nullptr;
    QLineEdit *Edit_K = nullptr;
    QLabel *Label_Dds = nullptr;
    QLineEdit *Edit_Dds = nullptr;
    QLabel *Label_Z = nullptr;
    QLineEdit *Edit_Z = nullptr;
    QLabel *Label_Dpf = nullptr;
    QLineEdit *Edit_Dpf = nullptr;
    QLabel *Label_ZoneD = nullptr;
    QLineEdit *Edit_ZoneD = nullptr; // d of a horizontal zone, ISO 13855:2024
    QCheckBox *CheckBox_NoEncroachment = nullptr;
    QLabel *Label_EntriesNotKept = nullptr;
    QLabel *Label_Installed = nullptr;
    QLineEdit *Edit_Installed = nullptr;
    QComboBox *ComboBox_InstalledUnit = nullptr; // mm or inch

    // Machine area and buttons
    QLabel *Label19 = nullptr;
    QLineEdit *Edit_MachineID = nullptr;
    QLabel *Label20 = nullptr;
    QLineEdit *Edit_Note = nullptr;
    QLabel *Label_MachineIDCheck = nullptr; // what the project file cannot keep
    QLabel *Label_NoteCheck = nullptr;
    QLabel *Label_Safeguard = nullptr;
    QComboBox *ComboBox_Safeguard = nullptr; // editable: a known safeguard or a new name
    QLabel *Label_SafeguardCheck = nullptr;
    QPushButton *Button_OK = nullptr;
    QPushButton *Button_Cancel = nullptr;

signals:
    // The machine ID field changed, and on each opening: whoever knows the
    // machine's safeguards answers with setKnownSafeguards.
    void machineIdEdited(const QString &machineId);

protected:
    void showEvent(QShowEvent *event) override;

private:
    void buildUi();
    void tabShown(int index);
    void showMachine();
    void showChoice();
    const DistanceStandard *chosenStandard() const;
    bool readsZoneResolution() const;

    ProgramState &m_state;
    Platform &m_platform;
    Forms &m_forms;
    ProjectTextCheck *m_machineIdCheck = nullptr;
    ProjectTextCheck *m_noteCheck = nullptr;
    ProjectTextCheck *m_safeguardCheck = nullptr;
    std::map<QWidget *, QLabel *> m_units; // an entry's field and its unit
    bool m_storing = false;
    bool m_entriesFromArchive = false;
};
