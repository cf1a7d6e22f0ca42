#pragma once

#include <QDialog>
#include <QStringList>

class QFrame;
class QLabel;
class QPlainTextEdit;
class QPushButton;
class Forms;
struct Platform;
class ProgramState;

#include "report/ReportIdentity.h"

// The maker's addresses shown in the about box.
inline const QString kMakerWebAddress =
    QStringLiteral("https://") + QLatin1String(ReportIdentity::kManufacturerWeb);
inline const QString kMakerEmail = QLatin1String(ReportIdentity::kManufacturerEmail);

// The about box: program version, the maker's addresses and the data lines
// of the last instrument that was identified (ProgramState.AboutDeviceLines,
// kept until the next instrument is identified).
class TAboutForm : public QDialog
{
    Q_OBJECT
public:
    TAboutForm(ProgramState &state, Platform &platform, Forms &forms, QWidget *parent = nullptr);

    // The web link of Label1.
    void Label1MouseEnter();
    void Label1MouseLeave();
    void Label1Click();

    // Shows the data lines of the last identified instrument in Memo2.
    void FormShow();

    QFrame *Panel3 = nullptr;
    QLabel *Label2 = nullptr;
    QLabel *Label1 = nullptr;
    QFrame *Panel1 = nullptr;
    QPlainTextEdit *Memo1 = nullptr;
    QPlainTextEdit *Memo2 = nullptr;
    QFrame *Panel2 = nullptr;
    QPushButton *Button1 = nullptr;

protected:
    void showEvent(QShowEvent *event) override;
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    ProgramState &m_state;
    Platform &m_platform;
    Forms &m_forms;
};
