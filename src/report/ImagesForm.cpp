#include "report/ImagesForm.h"

Timagesform::Timagesform(ProgramState &state, Platform &platform, Forms &forms, QWidget *parent)
    : QDialog(parent), m_state(state), m_platform(platform), m_forms(forms)
{
    setObjectName(QStringLiteral("Timagesform"));
    setWindowTitle(QStringLiteral("Images"));
}
