#include "safety/CalcForm.h"

TCalcForm::TCalcForm(ProgramState &state, Platform &platform, Forms &forms, QWidget *parent)
    : QDialog(parent), m_state(state), m_platform(platform), m_forms(forms)
{
    setObjectName(QStringLiteral("TCalcForm"));
    setWindowTitle(QStringLiteral("Safety Distance Calculator"));
}
