#pragma once

#include "windows/Forms.h"
#include "state/ProgramState.h"
#include "base/Seams.h"

#include <QStringList>
#include <memory>

// The running program: its records and its seven windows, created once in
// a fixed order and kept until the end.  main() and the window tests both
// start here.
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
