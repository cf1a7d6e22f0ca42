#pragma once

#include "settings/SettingsFile.h"

#include <array>
#include <functional>

class QWidget;
class TMainForm;
class TCalcForm;
class TSettingsForm;
class TAboutForm;
class Tdevselectform;
class Timagesform;
class TSafetyAdvisorForm;
class TMachineHistoryForm;
class ProgramState;
struct Platform;

// The windows of the program.  The main window is made at start; each of
// the others when it is first asked for, owned by the main window, and it
// lives as long as the main window does.  Most runs open few of them, and
// making all seven at start cost about 9 ms of a 65 ms start.
class Forms
{
public:
    // Only the windows that are set: a window's test alone.
    Forms() = default;
    // Makes the secondary windows of this state and platform on demand.
    Forms(ProgramState &state, Platform &platform);
    Forms(const Forms &) = delete;
    Forms &operator=(const Forms &) = delete;

    TMainForm *MainForm = nullptr;

    TCalcForm *CalcForm() const;
    TSettingsForm *SettingsForm() const;
    TAboutForm *AboutForm() const;
    Tdevselectform *devselectform() const;
    Timagesform *imagesform() const;
    TSafetyAdvisorForm *SafetyAdvisorForm() const;
    TMachineHistoryForm *MachineHistoryForm() const; // Tools > Machine History

    // The windows whose places the settings file keeps, in its order; a
    // window not made yet is nullptr.
    std::array<QWidget *, kPositionedWindowCount> positionedWindows() const;

    // Called with each secondary window once it is made (the main window
    // puts it where the settings keep it).
    std::function<void(QWidget *)> windowMade;

private:
    template <typename Window>
    Window *made(Window *&slot) const;

    ProgramState *m_state = nullptr;
    Platform *m_platform = nullptr;
    mutable TCalcForm *m_calc = nullptr;
    mutable TSettingsForm *m_settings = nullptr;
    mutable TAboutForm *m_about = nullptr;
    mutable Tdevselectform *m_devselect = nullptr;
    mutable Timagesform *m_images = nullptr;
    mutable TSafetyAdvisorForm *m_advisor = nullptr;
    mutable TMachineHistoryForm *m_history = nullptr;
};
