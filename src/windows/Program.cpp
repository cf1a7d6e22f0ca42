#include "windows/Program.h"

#include "windows/MainForm.h"

ZirkProgram::ZirkProgram(Platform &platform, const QStringList &arguments) : m_forms(m_state, platform)
{
    m_main = std::make_unique<TMainForm>(m_state, platform, m_forms, arguments);
    m_forms.MainForm = m_main.get();
    // The other windows are made at their first use, where the settings
    // keep them.
    m_forms.windowMade = [main = m_main.get()](QWidget *window) { main->placeWindow(window); };
}

ZirkProgram::~ZirkProgram()
{
    // The main window takes the other windows with it.
    m_forms.windowMade = nullptr;
    m_main.reset();
}
