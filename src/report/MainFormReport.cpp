// The report images dialog and the measurement report in the main window.
#include "app/MainForm.h"

#include "app/ProgramState.h"
#include "report/ImagesForm.h"

void TMainForm::submenu_ReportClick()
{
    Generuj_Report();
}

void TMainForm::Generuj_Report()
{
}

void TMainForm::submenu_ImagesClick()
{
    m_platform.dialogs->showModal(m_forms.imagesform);
}

void TMainForm::SB_ImagesClick()
{
    submenu_ImagesClick();
}
