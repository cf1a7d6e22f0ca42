// Safety device selection, calculator, advisor and the light-curtain table
// in the main window.
#include "app/MainForm.h"

#include "app/ErrorHandling.h"
#include "app/ProgramState.h"
#include "safety/CalcForm.h"
#include "safety/DevicePictures.h"
#include "safety/DevSelectForm.h"
#include "safety/SafetyAdvisorForm.h"
#include "safety/VlcTable.h"

#include <QFile>
#include <QLabel>
#include <QToolButton>

void TMainForm::submenu_DeviceSelectClick()
{
    m_platform.dialogs->showModal(m_forms.devselectform);
}

void TMainForm::SB_DeviceSelectClick()
{
    submenu_DeviceSelectClick();
}

void TMainForm::Nastav_obrazky_dle_DeviceID(quint32 ID)
{
    if (il_devices_32.isEmpty()) {
        for (int kind = 0; kind < SafetyDeviceKindCount; ++kind) {
            il_devices_32.push_back(devicePicture(kind, 32));
            IL_devices_150.push_back(devicePicture(kind, 150));
        }
    }
    QPixmap picture(IL_devices_150.value(0).size());
    picture.fill(Qt::transparent);
    if (ID < quint32(IL_devices_150.size()))
        picture = IL_devices_150[int(ID)];
    Image_Device->setPixmap(picture);
    SB_DeviceSelect->setIcon(ID < quint32(il_devices_32.size()) ? QIcon(il_devices_32[int(ID)]) : QIcon());
}

void TMainForm::submenu_CalculatorClick()
{
    m_platform.dialogs->showModal(m_forms.CalcForm);
}

void TMainForm::SB_CalculatorClick()
{
    m_platform.dialogs->showModal(m_forms.CalcForm);
}

void TMainForm::SafetyAdvisor1Click()
{
    m_platform.dialogs->showModal(m_forms.SafetyAdvisorForm);
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

    // Unbuffered, so that a full disk shows at the line that did not fit
    // rather than somewhere in a buffer flush.
    QFile file(fileName);
    if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate | QIODevice::Unbuffered))
        throw ZirkError(file.errorString());
    if (!writeVlcTable(file))
        throw ZirkError(file.errorString());
    file.close();
    if (file.error() != QFileDevice::NoError)
        throw ZirkError(file.errorString());
}
