#include "settings/SettingsForm.h"

TSettingsForm::TSettingsForm(ProgramState &state, Platform &platform, Forms &forms, QWidget *parent)
    : QDialog(parent), m_state(state), m_platform(platform), m_forms(forms)
{
    setObjectName(QStringLiteral("TSettingsForm"));
    setWindowTitle(QStringLiteral("Settings"));
}
