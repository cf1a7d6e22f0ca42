#pragma once

#include <QDialog>

class QCheckBox;
class QComboBox;
class QGroupBox;
class QLabel;
class QLineEdit;
class QPushButton;
class Forms;
struct Platform;
class ProgramState;

// The settings dialog: user name and company for the report, language,
// direction-change detection, standstill speed (shown, not editable) and the
// sound of each new stop time.  Filled from AppSettings on every showing;
// the main window reads it back only after OK.
class TSettingsForm : public QDialog
{
    Q_OBJECT
public:
    TSettingsForm(ProgramState &state, Platform &platform, Forms &forms, QWidget *parent = nullptr);

    void FormShow();
    // Takes the fields into the settings of the program state (after OK);
    // true when the language changed.
    bool storeSettings();
    void Button1Click(); // browse for a sound file
    void Button2Click(); // play the sound file named in the field
    void Button3Click(); // OK: refuses an archive URL with a password
    // The company logo: Choose takes a picture, Remove drops the logo; both
    // count only when the dialog closes with OK.
    void Button_LogoChooseClick();
    void Button_LogoRemoveClick();
    // Chooses the PKCS#12 file protocols are signed with (only its path is
    // kept).
    void Button_SigningChooseClick();

    QGroupBox *GroupBox1 = nullptr;
    QLabel *Label_NameCaption = nullptr;
    QLineEdit *Edit_Name = nullptr;
    QLabel *Label_CompanyCaption = nullptr;
    QLineEdit *Edit_Company = nullptr;
    QGroupBox *GroupBox6 = nullptr;
    QComboBox *ComboBox_Language = nullptr;
    QGroupBox *GroupBox2 = nullptr;
    QCheckBox *CHB_DirectionChangeDetection = nullptr;
    QLabel *Label_SSSpeedCaption = nullptr;
    QLineEdit *Edit_SSSpeed = nullptr;
    QGroupBox *GroupBox5 = nullptr;
    QCheckBox *CHB_SoundEnable = nullptr;
    QLineEdit *Edit_SoundFile = nullptr;
    QPushButton *Button1 = nullptr;
    QPushButton *Button2 = nullptr;
    QGroupBox *GroupBox7 = nullptr; // machine archive
    QLabel *Label_ArchiveUrlCaption = nullptr;
    QLineEdit *Edit_ArchiveUrl = nullptr;
    QLabel *Label_TrendPercentCaption = nullptr;
    QLineEdit *Edit_TrendPercent = nullptr;
    QGroupBox *GroupBox_Report = nullptr;
    QCheckBox *CHB_AnalysisPage = nullptr;
    QLabel *Label_LogoCaption = nullptr;
    QLabel *Label_Standard = nullptr;
    QComboBox *ComboBox_Standard = nullptr; // the standard of a new measurement
    QLabel *Label_CodePage = nullptr;
    QComboBox *ComboBox_CodePage = nullptr; // of project files; data 0: the locale's
    QLabel *Label_LogoFile = nullptr;
    QPushButton *Button_LogoChoose = nullptr;
    QPushButton *Button_LogoRemove = nullptr;
    QLabel *Label_SigningCertificateCaption = nullptr;
    QLineEdit *Edit_SigningCertificate = nullptr; // empty: protocols are not signed
    QPushButton *Button_SigningChoose = nullptr;
    QLabel *Label_TimeStampUrlCaption = nullptr;
    QLineEdit *Edit_TimeStampUrl = nullptr;
    QCheckBox *CHB_AttachMeasurement = nullptr;
    QPushButton *Button3 = nullptr;
    QPushButton *Button4 = nullptr;

protected:
    void showEvent(QShowEvent *event) override;

private:
    void showCodePages();
    void showLogoChoice();

    ProgramState &m_state;
    Platform &m_platform;
    Forms &m_forms;
    // The logo as the dialog has it until OK: a picture file chosen now, or
    // the removal of the kept one.
    QString m_chosenLogo;
    bool m_removeLogo = false;
};
