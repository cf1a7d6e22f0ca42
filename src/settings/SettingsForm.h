#pragma once

#include <QDialog>

struct Forms;
struct Platform;
struct ProgramState;

class TSettingsForm : public QDialog
{
    Q_OBJECT
public:
    TSettingsForm(ProgramState &state, Platform &platform, Forms &forms, QWidget *parent = nullptr);

private:
    ProgramState &m_state;
    Platform &m_platform;
    Forms &m_forms;
};
