// Settings file, language texts, settings dialog, help, about box and the
// driver installation in the main window.
#include "app/MainForm.h"

#include "app/ProgramState.h"
#include "settings/AboutForm.h"
#include "settings/SettingsForm.h"

void TMainForm::NactiIni()
{
}

void TMainForm::ZapisIni()
{
}

void TMainForm::NactiTexty()
{
    MessageTexts &t = m_state.messageTexts;
    t.NoDeviceFound = QStringLiteral("No Zirk device found!");
    t.NewMeasurement = QStringLiteral("Are you sure you want to start a new measurement? All data will be lost!");
    t.CloseQuery = QStringLiteral("Are you sure you want to quit? All data will be lost!");
    t.DeleteAllValuesQuery = QStringLiteral("Are you sure you want to delete all values?");
    t.DeviceReady = QStringLiteral("Zirk Device ready.");
    t.DeviceShouldBeCalibrated = QStringLiteral("Device should be calibrated!");
    t.DeviceConnected = QStringLiteral("Zirk Device found...");
    t.DriversInstall = QStringLiteral("Please make sure the Zirk device is connected. After installation unplug and plug the Zirk device again.");
    t.InvalidFile = QStringLiteral("Invalid/Corrupted file!");
}

void TMainForm::submenu_SettingsClick()
{
    m_platform.dialogs->showModal(m_forms.SettingsForm);
}

void TMainForm::SB_SettingsClick()
{
    submenu_SettingsClick();
}

void TMainForm::submenu_helpClick()
{
}

void TMainForm::submenu_aboutClick()
{
    m_platform.dialogs->showModal(m_forms.AboutForm);
}

void TMainForm::submenu_DriversinstallClick()
{
}
