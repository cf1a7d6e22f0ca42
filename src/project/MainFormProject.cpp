// Project files and the import of values in the main window.
#include "app/MainForm.h"

#include "app/ProgramState.h"

void TMainForm::submenu_NewClick()
{
}

void TMainForm::submenu_OpenClick()
{
}

void TMainForm::submenu_SaveAsClick()
{
}

void TMainForm::Import1Click()
{
    ImportValues();
}

void TMainForm::ImportValues()
{
}
