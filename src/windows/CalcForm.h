#pragma once

#include <QDialog>

class QCheckBox;
class QComboBox;
class DistanceStandard;
class QFrame;
class QLabel;
class QLineEdit;
class QPlainTextEdit;
class QPushButton;
class QTabWidget;
struct CalculatorInput;
class Forms;
struct Platform;
class ProgramState;

// The safety distance calculator: one tab per kind of safety device, each
// with its own fields and its own stop time, computing as the user types.
// It touches neither the measurement series nor the selected safety device.
// The controls keep the names the language files address them by.
class TCalcForm : public QDialog
{
    Q_OBJECT
public:
    TCalcForm(ProgramState &state, Platform &platform, Forms &forms, QWidget *parent = nullptr);

    // Each reads its tab's fields, colours them and writes the tab's results.
    void kontrola_zadani_VLC();
    void kontrola_zadani_HLC();
    void kontrola_zadani_Scanner();
    void kontrola_zadani_TwoHand();
    void kontrola_zadani_EStop();
    void kontrola_zadani_Door();
    void kontrola_zadani_Mat();

    QTabWidget *PageControl1 = nullptr;
    QWidget *TabSheet1 = nullptr;
    QWidget *TabSheet2 = nullptr;
    QWidget *TabSheet3 = nullptr;
    QWidget *TabSheet4 = nullptr;
    QWidget *TabSheet5 = nullptr;
    QWidget *TabSheet6 = nullptr;
    QWidget *TabSheet7 = nullptr;

    // Vertical light curtain.
    QLabel *Label3 = nullptr;
    QLabel *Label11 = nullptr;
    QLineEdit *Edit_VLC_d = nullptr;
    QCheckBox *CheckBox_NonIndustrial = nullptr;
    QLabel *Label16 = nullptr;
    QLineEdit *Edit_VLC_DistEmRec = nullptr;
    QLabel *Label12 = nullptr;
    QLineEdit *Edit_VLC_t = nullptr;
    QLabel *Label15 = nullptr;
    QLabel *Label2 = nullptr;
    QLabel *Label10 = nullptr;
    QLabel *Label14 = nullptr;

    // Horizontal light curtain.
    QLabel *Label4 = nullptr;
    QLabel *Label46 = nullptr;
    QLineEdit *Edit_HLC_H = nullptr;
    QLabel *Label25 = nullptr;
    QLineEdit *Edit_HLC_t = nullptr;
    QLabel *Label27 = nullptr;
    QLabel *Label29 = nullptr;

    // Safety scanner.
    QLabel *Label5 = nullptr;
    QLabel *Label17 = nullptr;
    QLineEdit *Edit_Scanner_H = nullptr;
    QLabel *Label18 = nullptr;
    QLineEdit *Edit_Scanner_t = nullptr;
    QLabel *Label19 = nullptr;
    QLabel *Label21 = nullptr;

    // Two-hand control.
    QLabel *Label6 = nullptr;
    QLabel *Label26 = nullptr;
    QLineEdit *Edit_TwoHand_t = nullptr;
    QLabel *Label1 = nullptr;
    QLabel *Label13 = nullptr;

    // Emergency stop.
    QLabel *Label7 = nullptr;
    QLabel *Label48 = nullptr;
    QLineEdit *Edit_EStop_t = nullptr;
    QLabel *Label52 = nullptr;
    QLabel *Label54 = nullptr;

    // Door.
    QLabel *Label45 = nullptr;
    QLabel *Label37 = nullptr;
    QLineEdit *Edit_Door_C = nullptr;
    QLabel *Label50 = nullptr;
    QLineEdit *Edit_Door_t = nullptr;
    QLabel *Label55 = nullptr;
    QLabel *Label57 = nullptr;

    // Pressure-sensitive mat.
    QLabel *Label44 = nullptr;
    QLabel *Label56 = nullptr;
    QLineEdit *Edit_Mat_h = nullptr;
    QLabel *Label59 = nullptr;
    QLineEdit *Edit_Mat_t = nullptr;
    QLabel *Label63 = nullptr;
    QLabel *Label64 = nullptr;
    QLabel *Label60 = nullptr;
    QLabel *Label61 = nullptr;

    QFrame *Panel1 = nullptr;
    QPlainTextEdit *Memo1 = nullptr;
    QPushButton *Button1 = nullptr;
    QLabel *Label_Standard = nullptr;
    QComboBox *ComboBox_Standard = nullptr; // the calculator's own standard

protected:
    void showEvent(QShowEvent *event) override;
    void hideEvent(QHideEvent *event) override;

private:
    const DistanceStandard *chosenStandard() const;
    void buildUi();
    void arrangeKeyboardOrder();
    void checkTab(int index);
    // The common part of every check except the light curtain's: read and
    // colour the parameter (if the tab has one) and the stop time, then
    // write the result.
    void checkSimpleTab(int kind, QLineEdit *parameter, QLineEdit *stopTime, QLabel *result);
    void updateTabIcons();

    ProgramState &m_state;
    Platform &m_platform;
    Forms &m_forms;
};
