#pragma once

#include <QDialog>

class QGroupBox;
class QLabel;
class QLineEdit;
class QPushButton;
class Forms;
struct Platform;
class ProgramState;

// The safety advisor: the safety distance of every kind of safety device for
// one stop time, side by side.  Independent of the measurement series and of
// the selected safety device; its texts are not translated.
class TSafetyAdvisorForm : public QDialog
{
    Q_OBJECT
public:
    TSafetyAdvisorForm(ProgramState &state, Platform &platform, Forms &forms, QWidget *parent = nullptr);

    // Recomputes all seven rows from the fields.
    void Aktualizuj_Vypocty();

    QLabel *Label50 = nullptr;
    QLineEdit *Edit1 = nullptr; // stop time t, ms
    QLabel *Label1 = nullptr;
    QGroupBox *GroupBox1 = nullptr;
    QLabel *Label8 = nullptr;
    QLineEdit *Edit2 = nullptr; // resolution d of the vertical light curtain
    QGroupBox *GroupBox2 = nullptr;
    QLabel *Label10 = nullptr;
    QLineEdit *Edit4 = nullptr; // height H of the horizontal light curtain
    QGroupBox *GroupBox3 = nullptr;
    QLabel *Label11 = nullptr;
    QLineEdit *Edit5 = nullptr; // height H of the scanner
    QGroupBox *GroupBox4 = nullptr;
    QLabel *Label12 = nullptr;
    QLineEdit *Edit6 = nullptr; // C of the door
    QGroupBox *GroupBox5 = nullptr;
    // Results, in the order of the kinds.
    QLabel *Label13 = nullptr; // vertical light curtain
    QLabel *Label14 = nullptr; // horizontal light curtain
    QLabel *Label15 = nullptr; // scanner
    QLabel *Label16 = nullptr; // two-hand control
    QLabel *Label17 = nullptr; // emergency stop
    QLabel *Label18 = nullptr; // door
    QLabel *Label19 = nullptr; // mat
    QPushButton *Button1 = nullptr;

protected:
    void showEvent(QShowEvent *event) override;
    void hideEvent(QHideEvent *event) override;

private:
    void buildUi();

    ProgramState &m_state;
    Platform &m_platform;
    Forms &m_forms;
};
