#include "settings/AboutForm.h"

TAboutForm::TAboutForm(ProgramState &state, Platform &platform, Forms &forms, QWidget *parent)
    : QDialog(parent), m_state(state), m_platform(platform), m_forms(forms)
{
    setObjectName(QStringLiteral("TAboutForm"));
    setWindowTitle(QStringLiteral("About"));
}
