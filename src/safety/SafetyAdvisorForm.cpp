#include "safety/SafetyAdvisorForm.h"

TSafetyAdvisorForm::TSafetyAdvisorForm(ProgramState &state, Platform &platform, Forms &forms, QWidget *parent)
    : QDialog(parent), m_state(state), m_platform(platform), m_forms(forms)
{
    setObjectName(QStringLiteral("TSafetyAdvisorForm"));
    setWindowTitle(QStringLiteral("Safety Advisor"));
}
