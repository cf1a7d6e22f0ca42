// Safety device selection, calculator, advisor and the light-curtain table
// in the main window.
#include "windows/MainForm.h"

#include "base/ErrorHandling.h"
#include "base/NumberFormat.h"
#include "state/ProgramState.h"
#include "windows/CalcForm.h"
#include "windows/DevicePictures.h"
#include "windows/DevSelectForm.h"
#include "windows/SafetyAdvisorForm.h"
#include "safety/VlcTable.h"

#include <QCheckBox>
#include <QLabel>
#include <QLineEdit>
#include <QTabWidget>
#include <QToolButton>

void TMainForm::submenu_DeviceSelectClick()
{
    Tdevselectform *sel = m_forms.devselectform();
    // Cancel changes nothing outside the dialog; its fields keep their edits.
    if (m_platform.dialogs->showModal(sel) != QDialog::Accepted)
        return;
    // The state takes the accepted device and recomputes; the labels and
    // the indicators follow its signals.
    sel->storeSelection();

    // The instrument releases its actuator by distance or speed only for
    // light curtains and scanners.
    const int kind = m_state.safetyDevice().ID;
    const bool releaseAvailable = kind >= KindVerticalLightCurtain && kind <= KindSafetyScanner;
    for (QCheckBox *box : {CheckBox_Distance, CheckBox_Speed}) {
        box->setChecked(false);
        box->setEnabled(releaseAvailable);
    }
}

void TMainForm::showSafetyDevice()
{
    const SafetyDevice &device = m_state.safetyDevice();
    Nastav_obrazky_dle_DeviceID(quint32(device.ID));
    Label_SafetyDevice->setText(device.Name);
    Label_DeviceParams->setText(deviceParamsText(device));
}

void TMainForm::SB_DeviceSelectClick()
{
    submenu_DeviceSelectClick();
}

void TMainForm::Nastav_obrazky_dle_DeviceID(quint32 ID)
{
    // Outside 0..6 the picture stays empty and the button has no icon.
    QPixmap picture(150, 150);
    picture.fill(Qt::transparent);
    if (ID < quint32(IL_devices_150.size()))
        picture = IL_devices_150[int(ID)];
    Image_Device->setPixmap(picture);
    SB_DeviceSelect->setIcon(ID < quint32(il_devices_32.size()) ? QIcon(il_devices_32[int(ID)]) : QIcon());
}

void TMainForm::submenu_CalculatorClick()
{
    m_platform.dialogs->showModal(m_forms.CalcForm());
}

void TMainForm::SB_CalculatorClick()
{
    m_platform.dialogs->showModal(m_forms.CalcForm());
}

void TMainForm::SafetyAdvisor1Click()
{
    m_platform.dialogs->showModal(m_forms.SafetyAdvisorForm());
}

void TMainForm::GenerateVLCtable1Click()
{
    FileDialogRequest request;
    request.directory = m_state.appSettings.LastDirectory;
    request.defaultSuffix = QStringLiteral("csv");
    request.filter = QStringLiteral("All files (*.*);;CSV files (*.csv)");
    request.selectedFilter = QStringLiteral("CSV files (*.csv)");
    request.confirmOverwrite = true;
    // The table does not move the last-used folder.
    const QString fileName = m_platform.dialogs->saveFile(this, request);
    if (fileName.isEmpty())
        return;

    saveVlcTable(fileName);
}
