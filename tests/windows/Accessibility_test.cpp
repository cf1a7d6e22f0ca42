// Every control a screen reader stops at has a name it can speak, taken
// from the control's caption, hint or caption label, in the user's language.
#include "ProgramFixture.h"

#include "settings/IniFile.h"
#include "settings/LanguageTexts.h"
#include "state/ProgramState.h"
#include "windows/Forms.h"
#include "windows/AboutForm.h"
#include "windows/CalcForm.h"
#include "windows/DevSelectForm.h"
#include "windows/ImagesForm.h"
#include "windows/SafetyAdvisorForm.h"
#include "windows/SettingsForm.h"

#include <QAbstractButton>
#include <QAccessible>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>

namespace {

QString accessibleName(QWidget *w)
{
    QAccessibleInterface *face = QAccessible::queryAccessibleInterface(w);
    return face ? face->text(QAccessible::Name) : QString();
}

QWidget *control(QWidget *window, const char *name)
{
    return window->findChild<QWidget *>(QString::fromLatin1(name));
}

} // namespace

class Accessibility : public ProgramFixture
{
};

TEST_F(Accessibility, ControlsAreNamedByTheirHintOrCaption)
{
    start();
    QWidget *main = forms().MainForm;
    QWidget *sel = forms().devselectform;
    struct Case
    {
        QWidget *window;
        const char *control;
        const char *name;
    };
    const Case cases[] = {
        {main, "SB_Start", "Start Measurement"},
        {main, "SB_DeviceSelect", "Select Safety Device"},
        {main, "SB_Settings", "Settings"},
        {main, "SB_Images", "Select Images for pdf Report"},
        {main, "SB_Calculator", "Safety Distance Calculator"},
        {main, "Label_MachineID", "Machine ID"},
        {main, "Label_Note", "Note"},
        {main, "Edit_Distance", "Automatic Actuator Release Distance"},
        {main, "Image_Semafor", "Device State"},
        {sel, "Edit_VLC_d", "Resolution d"},
        {sel, "Edit_HLC_H", "Height H"},
        {sel, "Edit_Door_C", "C"},
        {sel, "Edit_StepHeight", "Step Height h"},
        {sel, "Edit_MachineID", "Machine ID"},
        {sel, "Edit_Note", "Note"},
        {forms().SettingsForm, "Edit_Name", "Use Name"},
        {forms().imagesform, "Edit3", "Note"},
        {forms().SafetyAdvisorForm, "Edit1", "Stop Time t"},
    };
    for (const Case &c : cases) {
        QWidget *w = control(c.window, c.control);
        ASSERT_NE(w, nullptr) << c.control;
        EXPECT_EQ(accessibleName(w), QString::fromUtf8(c.name)) << c.control;
    }
}

TEST_F(Accessibility, EveryControlOfEveryWindowHasAName)
{
    start();
    const Forms &f = forms();
    QWidget *const windows[] = {f.MainForm, f.CalcForm, f.SettingsForm, f.AboutForm, f.devselectform,
                                f.imagesform, f.SafetyAdvisorForm};
    for (QWidget *window : windows) {
        for (QWidget *w : window->findChildren<QWidget *>()) {
            if (w->window() != window)
                continue;
            const bool control = qobject_cast<QAbstractButton *>(w) || qobject_cast<QLineEdit *>(w)
                || qobject_cast<QComboBox *>(w);
            // Qt's own parts (the menu bar's overflow button) name themselves.
            if (!control || w->objectName().isEmpty() || w->objectName().startsWith(QLatin1String("qt_")))
                continue;
            EXPECT_FALSE(accessibleName(w).trimmed().isEmpty())
                << window->objectName().toStdString() << " " << w->objectName().toStdString();
        }
    }
}

TEST_F(Accessibility, NamesFollowTheLanguage)
{
    start();
    state().setTexts(LanguageTexts::read(IniFile::fromBytes(
        "[MainWindow]\nStartButtonHint=Messung starten\nMachineIDLabel=Maschine\n"
        "[DevicesWindow]\nResolutionLabel=Aufl\xc3\xb6sung d:\n")));
    EXPECT_EQ(accessibleName(control(forms().MainForm, "SB_Start")), QStringLiteral("Messung starten"));
    EXPECT_EQ(accessibleName(control(forms().MainForm, "Label_MachineID")), QStringLiteral("Maschine"));
    EXPECT_EQ(accessibleName(control(forms().devselectform, "Edit_VLC_d")), QString::fromUtf8("Auflösung d"));
}
