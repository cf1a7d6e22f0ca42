#pragma once

#include "windows/Forms.h"
#include "state/ProgramState.h"
#include "base/Seams.h"

#include <QStringList>
#include <memory>

// The running program: its records and its windows, the main window made at
// start and each other one at its first use (Forms).  main() and the window
// tests both start here.
class ZirkProgram
{
public:
    ZirkProgram(Platform &platform, const QStringList &arguments);
    ~ZirkProgram();

    ProgramState &state() { return m_state; }
    Forms &forms() { return m_forms; }
    TMainForm *mainForm() const { return m_forms.MainForm; }

private:
    ProgramState m_state;
    Forms m_forms;
    std::unique_ptr<TMainForm> m_main;
};
