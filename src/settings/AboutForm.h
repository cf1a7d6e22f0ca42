#pragma once

#include <QDialog>

struct Forms;
struct Platform;
struct ProgramState;

class TAboutForm : public QDialog
{
    Q_OBJECT
public:
    TAboutForm(ProgramState &state, Platform &platform, Forms &forms, QWidget *parent = nullptr);

private:
    ProgramState &m_state;
    Platform &m_platform;
    Forms &m_forms;
};
