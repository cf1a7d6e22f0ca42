#include "windows/Forms.h"

#include "windows/AboutForm.h"
#include "windows/CalcForm.h"
#include "windows/DevSelectForm.h"
#include "windows/ImagesForm.h"
#include "windows/MachineHistoryForm.h"
#include "windows/MainForm.h"
#include "windows/SafetyAdvisorForm.h"
#include "windows/SettingsForm.h"

Forms::Forms(ProgramState &state, Platform &platform) : m_state(&state), m_platform(&platform) {}

template <typename Window>
Window *Forms::made(Window *&slot) const
{
    if (!slot && m_state && MainForm) {
        // The main window owns it: it goes when the main window goes.
        slot = new Window(*m_state, *m_platform, const_cast<Forms &>(*this), MainForm);
        if (windowMade)
            windowMade(slot);
    }
    return slot;
}

TCalcForm *Forms::CalcForm() const { return made(m_calc); }
TSettingsForm *Forms::SettingsForm() const { return made(m_settings); }
TAboutForm *Forms::AboutForm() const { return made(m_about); }
Tdevselectform *Forms::devselectform() const { return made(m_devselect); }
Timagesform *Forms::imagesform() const { return made(m_images); }
TSafetyAdvisorForm *Forms::SafetyAdvisorForm() const { return made(m_advisor); }
TMachineHistoryForm *Forms::MachineHistoryForm() const { return made(m_history); }

std::array<QWidget *, kPositionedWindowCount> Forms::positionedWindows() const
{
    return {MainForm, m_calc, m_devselect, m_settings, m_images, m_advisor};
}
