#pragma once

#include <QDialog>

class QCheckBox;
class QLabel;
class QLineEdit;
class QTabWidget;
struct Forms;
struct Platform;
struct ProgramState;

// The safety device selection dialog.  Its fields are never reset: they
// keep their contents between openings, and the main window reads H, C, h
// and the non-industrial choice from them at every recomputation.
class Tdevselectform : public QDialog
{
    Q_OBJECT
public:
    Tdevselectform(ProgramState &state, Platform &platform, Forms &forms, QWidget *parent = nullptr);

    QTabWidget *PageControl1 = nullptr;
    QLabel *Label1 = nullptr; // heading of the vertical light curtain tab: its display name
    QLineEdit *Edit_VLC_d = nullptr;
    QCheckBox *CheckBox_VLC_nonindustrial = nullptr;
    QLineEdit *Edit_HLC_H = nullptr;
    QLineEdit *Edit_ScannerHeight = nullptr;
    QLineEdit *Edit_Door_C = nullptr;
    QLineEdit *Edit_StepHeight = nullptr;
    QLineEdit *Edit_MachineID = nullptr;
    QLineEdit *Edit_Note = nullptr;

private:
    ProgramState &m_state;
    Platform &m_platform;
    Forms &m_forms;
};
