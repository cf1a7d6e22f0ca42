#include "safety/DevSelectForm.h"

#include <QCheckBox>
#include <QFormLayout>
#include <QLabel>
#include <QLineEdit>
#include <QTabWidget>
#include <QVBoxLayout>

Tdevselectform::Tdevselectform(ProgramState &state, Platform &platform, Forms &forms, QWidget *parent)
    : QDialog(parent), m_state(state), m_platform(platform), m_forms(forms)
{
    setObjectName(QStringLiteral("Tdevselectform"));
    setWindowTitle(QStringLiteral("Device selection"));

    auto *layout = new QVBoxLayout(this);
    PageControl1 = new QTabWidget(this);
    layout->addWidget(PageControl1);
    auto *page = new QWidget;
    auto *form = new QFormLayout(page);
    Label1 = new QLabel(QStringLiteral("Vertical Light Curtain"));
    Edit_VLC_d = new QLineEdit(QStringLiteral("14"));
    CheckBox_VLC_nonindustrial = new QCheckBox(QStringLiteral("Non Industrial"));
    Edit_HLC_H = new QLineEdit(QStringLiteral("100"));
    Edit_ScannerHeight = new QLineEdit(QStringLiteral("300"));
    Edit_Door_C = new QLineEdit(QStringLiteral("0"));
    Edit_StepHeight = new QLineEdit(QStringLiteral("0"));
    Edit_MachineID = new QLineEdit;
    Edit_Note = new QLineEdit;
    form->addRow(Label1);
    form->addRow(QStringLiteral("Resolution d:"), Edit_VLC_d);
    form->addRow(CheckBox_VLC_nonindustrial);
    form->addRow(QStringLiteral("H (HLC):"), Edit_HLC_H);
    form->addRow(QStringLiteral("H (Scanner):"), Edit_ScannerHeight);
    form->addRow(QStringLiteral("C:"), Edit_Door_C);
    form->addRow(QStringLiteral("h:"), Edit_StepHeight);
    form->addRow(QStringLiteral("Machine ID:"), Edit_MachineID);
    form->addRow(QStringLiteral("Note:"), Edit_Note);
    PageControl1->addTab(page, QStringLiteral("VLC"));
}
