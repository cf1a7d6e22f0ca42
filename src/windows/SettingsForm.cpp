#include "windows/SettingsForm.h"

#include "safety/DistanceStandard.h"
#include "base/CodePage.h"

#include "base/ErrorHandling.h"
#include "base/NumberFormat.h"
#include "state/ProgramState.h"
#include "windows/WindowTexts.h"
#include "base/Seams.h"
#include "settings/FileLocations.h"
#include "settings/ReportSettings.h"
#include "report/ReportLogo.h"
#include <QFileInfo>

#include <QCheckBox>
#include <QComboBox>
#include <QGridLayout>

#include "archive/ArchiveLocation.h"

#include <cmath>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

namespace {

template <typename T>
T *named(T *widget, const char *name)
{
    widget->setObjectName(QLatin1String(name));
    return widget;
}

// Each caption beside the edit it asks for, one row each; the caption names
// its edit for screen readers.
void addCaptionedRows(QGridLayout *grid, std::initializer_list<std::pair<QLabel *, QWidget *>> rows)
{
    int row = 0;
    for (const auto &[caption, edit] : rows) {
        caption->setBuddy(edit);
        grid->addWidget(caption, row, 0);
        grid->addWidget(edit, row, 1);
        ++row;
    }
}

QGroupBox *groupBox(const char *name)
{
    return named(new QGroupBox, name);
}

} // namespace

TSettingsForm::TSettingsForm(ProgramState &state, Platform &platform, Forms &forms, QWidget *parent)
    : QDialog(parent), m_state(state), m_platform(platform), m_forms(forms)
{
    setObjectName(QStringLiteral("TSettingsForm"));
    setWindowFlags(windowFlags() & ~Qt::WindowContextHelpButtonHint);

    GroupBox1 = groupBox("GroupBox1");
    Label_NameCaption = named(new QLabel, "Label_NameCaption");
    Edit_Name = named(new QLineEdit, "Edit_Name");
    Label_CompanyCaption = named(new QLabel, "Label_CompanyCaption");
    Edit_Company = named(new QLineEdit, "Edit_Company");
    addCaptionedRows(new QGridLayout(GroupBox1), {{Label_NameCaption, Edit_Name}, {Label_CompanyCaption, Edit_Company}});

    GroupBox6 = groupBox("GroupBox6");
    ComboBox_Language = named(new QComboBox, "ComboBox_Language");
    ComboBox_Language->setEditable(true);
    ComboBox_Language->setInsertPolicy(QComboBox::NoInsert);
    ComboBox_Language->setEditText(QStringLiteral("default"));
    // Project files keep their texts in one Windows code page.
    Label_CodePage = named(new QLabel, "Label_CodePage");
    ComboBox_CodePage = named(new QComboBox, "ComboBox_CodePage");
    ComboBox_CodePage->addItem(QString(), 0);
    for (const int codePage : kWindowsAnsiCodePages)
        ComboBox_CodePage->addItem(QString(), codePage);
    Label_CodePage->setBuddy(ComboBox_CodePage);
    auto *language = new QVBoxLayout(GroupBox6);
    language->addWidget(ComboBox_Language);
    language->addWidget(Label_CodePage);
    language->addWidget(ComboBox_CodePage);
    language->addStretch(1);

    GroupBox2 = groupBox("GroupBox2");
    CHB_DirectionChangeDetection = named(new QCheckBox, "CHB_DirectionChangeDetection");
    Label_SSSpeedCaption = named(new QLabel, "Label_SSSpeedCaption");
    Edit_SSSpeed = named(new QLineEdit(QStringLiteral("10")), "Edit_SSSpeed");
    // The instrument's standstill speed is fixed for now: shown, not editable.
    Edit_SSSpeed->setEnabled(false);
    Edit_SSSpeed->setMaximumWidth(80);
    Label_SSSpeedCaption->setBuddy(Edit_SSSpeed);
    auto *speed = new QGridLayout(GroupBox2);
    speed->addWidget(CHB_DirectionChangeDetection, 0, 0, 1, 2);
    speed->addWidget(Label_SSSpeedCaption, 1, 0);
    speed->addWidget(Edit_SSSpeed, 1, 1);

    GroupBox5 = groupBox("GroupBox5");
    CHB_SoundEnable = named(new QCheckBox, "CHB_SoundEnable");
    Edit_SoundFile = named(new QLineEdit, "Edit_SoundFile");
    Button1 = named(new QPushButton(QStringLiteral("...")), "Button1");
    Button2 = named(new QPushButton(QStringLiteral("T")), "Button2");
    for (QPushButton *b : {Button1, Button2}) {
        b->setFixedWidth(28);
        b->setAutoDefault(false);
    }
    auto *sound = new QGridLayout(GroupBox5);
    sound->addWidget(CHB_SoundEnable, 0, 0, 1, 3);
    sound->addWidget(Edit_SoundFile, 1, 0);
    sound->addWidget(Button1, 1, 1);
    sound->addWidget(Button2, 1, 2);

    // Where measurements are kept, and when their trend warns.
    GroupBox7 = groupBox("GroupBox7");
    Label_ArchiveUrlCaption = named(new QLabel, "Label_ArchiveUrlCaption");
    Edit_ArchiveUrl = named(new QLineEdit, "Edit_ArchiveUrl");
    Edit_ArchiveUrl->setPlaceholderText(defaultArchivePath());
    Label_TrendPercentCaption = named(new QLabel, "Label_TrendPercentCaption");
    Edit_TrendPercent = named(new QLineEdit, "Edit_TrendPercent");
    addCaptionedRows(new QGridLayout(GroupBox7),
                     {{Label_ArchiveUrlCaption, Edit_ArchiveUrl}, {Label_TrendPercentCaption, Edit_TrendPercent}});

    // Captions from the language table.
    GroupBox_Report = groupBox("GroupBox_Report");
    CHB_AnalysisPage = named(new QCheckBox, "CHB_AnalysisPage");
    Label_LogoCaption = named(new QLabel, "Label_LogoCaption");
    Label_LogoFile = named(new QLabel, "Label_LogoFile");
    Button_LogoChoose = named(new QPushButton, "Button_LogoChoose");
    Button_LogoRemove = named(new QPushButton, "Button_LogoRemove");
    for (QPushButton *b : {Button_LogoChoose, Button_LogoRemove})
        b->setAutoDefault(false);
    Label_LogoCaption->setBuddy(Button_LogoChoose);
    Label_Standard = named(new QLabel, "Label_Standard");
    ComboBox_Standard = named(new QComboBox, "ComboBox_Standard");
    for (const DistanceStandard *standard : distanceStandards())
        ComboBox_Standard->addItem(standard->name(), standard->id());
    Label_Standard->setBuddy(ComboBox_Standard);
    auto *report = new QGridLayout(GroupBox_Report);
    report->addWidget(Label_Standard, 2, 0);
    report->addWidget(ComboBox_Standard, 2, 1, 1, 3);
    report->addWidget(CHB_AnalysisPage, 0, 0, 1, 4);
    report->addWidget(Label_LogoCaption, 1, 0);
    report->addWidget(Label_LogoFile, 1, 1);
    report->addWidget(Button_LogoChoose, 1, 2);
    report->addWidget(Button_LogoRemove, 1, 3);
    CHB_AttachMeasurement = named(new QCheckBox, "CHB_AttachMeasurement");
    Label_SigningCertificateCaption = named(new QLabel, "Label_SigningCertificateCaption");
    Edit_SigningCertificate = named(new QLineEdit, "Edit_SigningCertificate");
    Edit_SigningCertificate->setPlaceholderText(QStringLiteral("*.p12, *.pfx"));
    Button_SigningChoose = named(new QPushButton, "Button_SigningChoose");
    Button_SigningChoose->setAutoDefault(false);
    Label_SigningCertificateCaption->setBuddy(Edit_SigningCertificate);
    Label_TimeStampUrlCaption = named(new QLabel, "Label_TimeStampUrlCaption");
    Edit_TimeStampUrl = named(new QLineEdit, "Edit_TimeStampUrl");
    Edit_TimeStampUrl->setPlaceholderText(QStringLiteral("http://"));
    Label_TimeStampUrlCaption->setBuddy(Edit_TimeStampUrl);
    report->addWidget(CHB_AttachMeasurement, 4, 0, 1, 4);
    report->addWidget(Label_SigningCertificateCaption, 5, 0);
    report->addWidget(Edit_SigningCertificate, 5, 1, 1, 2);
    report->addWidget(Button_SigningChoose, 5, 3);
    report->addWidget(Label_TimeStampUrlCaption, 6, 0);
    report->addWidget(Edit_TimeStampUrl, 6, 1, 1, 3);
    report->setColumnStretch(1, 1);

    Button3 = named(new QPushButton, "Button3");
    Button3->setDefault(true);
    Button4 = named(new QPushButton, "Button4");

    auto *grid = new QGridLayout;
    grid->addWidget(GroupBox1, 0, 0);
    grid->addWidget(GroupBox2, 0, 1);
    grid->addWidget(GroupBox6, 1, 0);
    grid->addWidget(GroupBox5, 1, 1);
    grid->addWidget(GroupBox7, 2, 0, 1, 2);
    grid->addWidget(GroupBox_Report, 3, 0, 1, 2);
    grid->setColumnMinimumWidth(0, 240);
    grid->setColumnMinimumWidth(1, 240);
    auto *buttons = new QHBoxLayout;
    buttons->addStretch(1);
    buttons->addWidget(Button3);
    buttons->addWidget(Button4);
    auto *outer = new QVBoxLayout(this);
    outer->addLayout(grid);
    outer->addLayout(buttons);
    outer->setSizeConstraint(QLayout::SetFixedSize);

    setTabOrder(Edit_Name, Edit_Company);
    setTabOrder(Edit_Company, ComboBox_Language);
    setTabOrder(ComboBox_Language, ComboBox_CodePage);
    setTabOrder(ComboBox_CodePage, CHB_DirectionChangeDetection);
    setTabOrder(CHB_DirectionChangeDetection, CHB_SoundEnable);
    setTabOrder(CHB_SoundEnable, Edit_SoundFile);
    setTabOrder(Edit_SoundFile, Button1);
    setTabOrder(Button1, Button2);
    setTabOrder(Button2, Edit_ArchiveUrl);
    setTabOrder(Edit_ArchiveUrl, Edit_TrendPercent);
    setTabOrder(Edit_TrendPercent, CHB_AnalysisPage);
    setTabOrder(CHB_AnalysisPage, Button_LogoChoose);
    setTabOrder(Button_LogoChoose, Button_LogoRemove);
    setTabOrder(Button_LogoRemove, CHB_AttachMeasurement);
    setTabOrder(CHB_AttachMeasurement, Edit_SigningCertificate);
    setTabOrder(Edit_SigningCertificate, Button_SigningChoose);
    setTabOrder(Button_SigningChoose, Edit_TimeStampUrl);
    setTabOrder(Edit_TimeStampUrl, Button3);
    setTabOrder(Button3, Button4);

    connect(Button3, &QPushButton::clicked, this, &TSettingsForm::Button3Click);
    connect(Button4, &QPushButton::clicked, this, &QDialog::reject);
    connect(Button1, &QPushButton::clicked, this, [this] {
        runGuarded(*m_platform.dialogs, this, [this] { Button1Click(); });
    });
    connect(Button2, &QPushButton::clicked, this, [this] {
        runGuarded(*m_platform.dialogs, this, [this] { Button2Click(); });
    });
    connect(Button_SigningChoose, &QPushButton::clicked, this, [this] {
        runGuarded(*m_platform.dialogs, this, [this] { Button_SigningChooseClick(); });
    });
    connect(Button_LogoChoose, &QPushButton::clicked, this, [this] {
        runGuarded(*m_platform.dialogs, this, [this] { Button_LogoChooseClick(); });
    });
    connect(Button_LogoRemove, &QPushButton::clicked, this, [this] {
        runGuarded(*m_platform.dialogs, this, [this] { Button_LogoRemoveClick(); });
    });

    followLanguage(m_state, TextWindow::Settings, this);
}

void TSettingsForm::showEvent(QShowEvent *event)
{
    QDialog::showEvent(event);
    FormShow();
}

void TSettingsForm::FormShow()
{
    const AppSettings &s = m_state.appSettings;
    Edit_Name->setText(s.UserName);
    Edit_Company->setText(s.CompanyName);
    CHB_DirectionChangeDetection->setChecked(s.DirectionChangeDetection);
    Edit_SSSpeed->setText(formatGeneral(s.SSSpeed));
    Edit_SoundFile->setText(s.SoundFile);
    CHB_SoundEnable->setChecked(s.SoundEnable);
    Edit_ArchiveUrl->setText(s.ArchiveUrl);
    Edit_TrendPercent->setText(formatGeneral(s.ArchiveTrendPercent));
    ComboBox_Language->clear();
    ComboBox_Language->setEditText(s.Language);
    ComboBox_Language->addItems(availableLanguages());
    // Adding items must not replace the text the user sees.
    ComboBox_Language->setEditText(s.Language);

    showCodePages();
    ComboBox_CodePage->setCurrentIndex(std::max(0, ComboBox_CodePage->findData(s.ProjectCodePage)));
    CHB_AnalysisPage->setChecked(s.AddAnalysisPage);
    ComboBox_Standard->setCurrentIndex(std::max(0, ComboBox_Standard->findData(s.Standard)));
    m_chosenLogo.clear();
    m_removeLogo = false;
    showLogoChoice();
    CHB_AttachMeasurement->setChecked(s.AttachMeasurement);
    Edit_SigningCertificate->setText(s.SigningCertificate);
    Edit_TimeStampUrl->setText(s.TimeStampUrl);
}

void TSettingsForm::showCodePages()
{
    const LanguageTexts &texts = m_state.texts();
    const auto name = [&texts](int codePage) {
        return texts.text("SettingsWindow", QByteArray("CodePage" + QByteArray::number(codePage)).constData());
    };
    ComboBox_CodePage->setItemText(0, texts.text("SettingsWindow", "CodePageOfSystem")
                                          .arg(name(windowsAnsiCodePageOfEnvironment())));
    for (int i = 1; i < ComboBox_CodePage->count(); ++i)
        ComboBox_CodePage->setItemText(i, name(ComboBox_CodePage->itemData(i).toInt()));
}

void TSettingsForm::showLogoChoice()
{
    // A name that is not Zirk's copy (a damaged or hand-edited settings
    // file) is neither shown nor offered for removal.
    const QString &stored = m_state.appSettings.LogoFile;
    const QString kept = m_removeLogo || !isLogoCopyName(stored) ? QString() : stored;
    const QString shown = !m_chosenLogo.isEmpty() ? QFileInfo(m_chosenLogo).fileName() : kept;
    Label_LogoFile->setText(shown.isEmpty() ? QStringLiteral("-") : shown);
    Button_LogoRemove->setEnabled(!shown.isEmpty());
}

void TSettingsForm::Button_LogoChooseClick()
{
    FileDialogRequest request;
    request.directory = m_state.appSettings.LastPictureDirectory;
    request.filter = QStringLiteral("Pictures (*.png *.jpg *.jpeg *.bmp)");
    const QString file = m_platform.dialogs->openPicture(this, request);
    if (file.isEmpty())
        return;
    // A file that is no picture is refused now, not when OK is pressed.
    checkLogoFile(file);
    m_chosenLogo = file;
    m_removeLogo = false;
    showLogoChoice();
}

void TSettingsForm::Button_LogoRemoveClick()
{
    m_chosenLogo.clear();
    m_removeLogo = true;
    showLogoChoice();
}

void TSettingsForm::Button_SigningChooseClick()
{
    FileDialogRequest request;
    request.directory = QFileInfo(Edit_SigningCertificate->text()).absolutePath();
    request.filter = QStringLiteral("PKCS#12 certificates (*.p12 *.pfx *.P12 *.PFX);;All files (*)");
    const QString file = m_platform.dialogs->openFile(this, request);
    if (!file.isEmpty())
        Edit_SigningCertificate->setText(file);
}

void TSettingsForm::Button3Click()
{
    // The settings file is plain text that backups and colleagues read: a
    // password typed into the URL stays out of it, and the dialog stays open.
    if (hasPassword(Edit_ArchiveUrl->text())) {
        m_platform.dialogs->error(this, kApplicationTitle, m_state.texts().text("SettingsWindow", "ArchivePasswordText"));
        Edit_ArchiveUrl->setFocus();
        return;
    }
    accept();
}

bool TSettingsForm::storeSettings()
{
    AppSettings &s = m_state.appSettings;
    s.UserName = Edit_Name->text();
    s.CompanyName = Edit_Company->text();
    s.DirectionChangeDetection = CHB_DirectionChangeDetection->isChecked();
    s.SSSpeed = parseDecimal(Edit_SSSpeed->text()).value_or(10.0);
    s.SoundFile = Edit_SoundFile->text();
    s.SoundEnable = CHB_SoundEnable->isChecked();
    // Only a URL without a password is ever kept (OK refuses the others).
    if (!hasPassword(Edit_ArchiveUrl->text()))
        s.ArchiveUrl = Edit_ArchiveUrl->text().trimmed();
    // A percentage that is no number of 0 or more keeps the one before.
    if (const std::optional<double> percent = parseDecimal(Edit_TrendPercent->text().trimmed());
        percent && std::isfinite(*percent) && *percent >= 0.0)
        s.ArchiveTrendPercent = *percent;
    s.AddAnalysisPage = CHB_AnalysisPage->isChecked();
    s.AttachMeasurement = CHB_AttachMeasurement->isChecked();
    s.SigningCertificate = Edit_SigningCertificate->text().trimmed();
    s.TimeStampUrl = Edit_TimeStampUrl->text().trimmed();
    s.Standard = ComboBox_Standard->currentData().toString();
    s.ProjectCodePage = ComboBox_CodePage->currentData().toInt();
    // The logo is copied beside the settings file, so the protocol finds it
    // when the original has gone.
    const QString folder = settingsFolder(settingsFilePath());
    if (!m_chosenLogo.isEmpty()) {
        s.LogoFile = installLogo(m_chosenLogo, folder);
    } else if (m_removeLogo && isLogoCopyName(s.LogoFile)) {
        removeLogo(folder, s.LogoFile);
        s.LogoFile.clear();
    }
    m_chosenLogo.clear();
    m_removeLogo = false;

    const QString language = ComboBox_Language->currentText();
    if (language == s.Language)
        return false;
    s.Language = language;
    return true;
}

void TSettingsForm::Button1Click()
{
    FileDialogRequest request;
    request.directory = dataFolder(QStringLiteral("Sounds"));
    request.filter = QStringLiteral("All files (*.*);;Wav files (*.wav)");
    request.selectedFilter = QStringLiteral("Wav files (*.wav)");
    const QString file = m_platform.dialogs->openFile(this, request);
    if (!file.isEmpty())
        Edit_SoundFile->setText(file);
}

void TSettingsForm::Button2Click()
{
    // Plays what the field names now, whether sound is enabled or not.
    m_platform.sound->play(Edit_SoundFile->text());
}
