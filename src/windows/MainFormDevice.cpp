// The device link in the main window: the session talks to the instrument,
// the window shows what it says.
#include "windows/MainForm.h"

#include "base/ErrorHandling.h"
#include "device/DeviceSession.h"
#include "device/DeviceTexts.h"
#include "state/ProgramState.h"

#include <QCheckBox>
#include <QFrame>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QTimer>
#include <QToolButton>

void TMainForm::connectDeviceSession()
{
    DeviceSession *device = m_device;
    connect(device, &DeviceSession::statusTextChanged, this, &TMainForm::setStatusText);
    connect(device, &DeviceSession::beaconChanged, this, &TMainForm::MajakBarva);
    connect(device, &DeviceSession::startEnabledChanged, SB_Start, &QWidget::setEnabled);
    connect(device, &DeviceSession::runControlsEnabledChanged, this, [this](bool enabled) {
        Panel2->setEnabled(enabled);
        GroupBox1->setEnabled(enabled);
    });
    connect(device, &DeviceSession::stopTimeArrived, this, &TMainForm::ZpracujHodnotu_ms);
    connect(device, &DeviceSession::identified, this, [this](const DeviceInfo &info) {
        m_state.AboutDeviceLines = aboutDeviceLines(info);
        // An empty series will be measured with this instrument; one that
        // holds values keeps the instrument that measured them.
        if (m_state.stopTimes().empty())
            m_state.setInstrument(instrumentOf(info));
    });
    connect(device, &DeviceSession::calibrationDue, this,
            [this] { MujMessageDlg(m_state.messageTexts.DeviceShouldBeCalibrated); });
    connect(Timer1, &QTimer::timeout, this, [this] {
        runGuarded(*m_platform.dialogs, this, [this] { Timer1Timer(); });
    });
}

void TMainForm::MajakBarva(quint8 obrazek)
{
    if (obrazek < IL_semafor.size())
        Image_Semafor->setPixmap(IL_semafor[obrazek]);
}

void TMainForm::Timer1Timer()
{
    m_device->Timer1Timer();
}

void TMainForm::SB_StartClick()
{
    const std::optional<int> distance = releaseDistanceMm(Edit_Distance->text());
    // Release by distance needs a whole number; without one it goes off.
    if (!distance)
        CheckBox_Distance->setChecked(false);
    m_device->SB_StartClick({distance.value_or(0), CheckBox_Distance->isChecked(), CheckBox_Speed->isChecked(),
                             m_state.appSettings.DirectionChangeDetection});
}
