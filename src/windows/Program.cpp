#include "windows/Program.h"

#include "windows/MainForm.h"
#include "windows/ImagesForm.h"
#include "windows/CalcForm.h"
#include "windows/DevSelectForm.h"
#include "windows/SafetyAdvisorForm.h"
#include "windows/AboutForm.h"
#include "windows/SettingsForm.h"

ZirkProgram::ZirkProgram(Platform &platform, const QStringList &arguments)
{
    m_main = std::make_unique<TMainForm>(m_state, platform, m_forms, arguments);
    m_forms.MainForm = m_main.get();
    // The secondary windows belong to the main window and go with it.
    QWidget *owner = m_main.get();
    m_forms.CalcForm = new TCalcForm(m_state, platform, m_forms, owner);
    m_forms.SettingsForm = new TSettingsForm(m_state, platform, m_forms, owner);
    m_forms.AboutForm = new TAboutForm(m_state, platform, m_forms, owner);
    m_forms.devselectform = new Tdevselectform(m_state, platform, m_forms, owner);
    m_forms.imagesform = new Timagesform(m_state, platform, m_forms, owner);
    m_forms.SafetyAdvisorForm = new TSafetyAdvisorForm(m_state, platform, m_forms, owner);
}

ZirkProgram::~ZirkProgram()
{
    m_main.reset();
    m_forms = Forms{};
}
