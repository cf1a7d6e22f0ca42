// The device link in the main window: count conversion, arrival of a
// measurement, beacon, the once-a-second tick and the start of a run.
#include "app/MainForm.h"

#include "app/ProgramState.h"

#include <QFrame>
#include <QGroupBox>
#include <QLabel>

void TMainForm::zpracujhodnotu_PrichoziCislo(quint32 cislovysledek)
{
    const DeviceInfo &info = m_state.deviceInfo;
    const quint32 count = calibrateCount(cislovysledek, info.Calib_Nasobitel, info.Calib_Delitel);
    ZpracujHodnotu_ms(countToMs(count));
}

void TMainForm::handleArrivedCount(quint32 count)
{
    zpracujhodnotu_PrichoziCislo(count);
    MajakBarva(BeaconReady);
    Panel2->setEnabled(true);
    GroupBox1->setEnabled(true);
}

void TMainForm::MajakBarva(quint8 obrazek)
{
    if (obrazek < IL_semafor.size())
        Image_Semafor->setPixmap(IL_semafor[obrazek]);
}

void TMainForm::Timer1Timer()
{
}

void TMainForm::SB_StartClick()
{
}
