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
#include "windows/MachineHistoryForm.h"
#include "windows/SafetyAdvisorForm.h"
#include "windows/SettingsForm.h"
#include "windows/StopTimesChart.h"

#include <QAbstractButton>
#include <QAccessible>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QTabWidget>

namespace {

QString accessibleName(QWidget *w)
{
    QAccessibleInterface *face = QAccessible::queryAccessibleInterface(w);
    return face ? face->text(QAccessible::Name) : QString();
}

QString accessibleDescription(QWidget *w)
{
    QAccessibleInterface *face = QAccessible::queryAccessibleInterface(w);
    return face ? face->text(QAccessible::Description) : QString();
}

// The names of the controls a screen reader gives as w's label.
QStringList labelledBy(QWidget *w)
{
    QStringList names;
    QAccessibleInterface *face = QAccessible::queryAccessibleInterface(w);
    if (!face)
        return names;
    for (const auto &[other, relation] : face->relations(QAccessible::Label))
        names << other->text(QAccessible::Name);
    return names;
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
    QWidget *sel = forms().devselectform();
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
        {main, "Edit_Distance", "Automatic Actuator Release Distance"},
        {main, "Image_Semafor", "Device State"},
        {sel, "Edit_VLC_d", "Resolution d"},
        {sel, "Edit_HLC_H", "Height H"},
        {sel, "Edit_Door_C", "C"},
        {sel, "Edit_StepHeight", "Step Height h"},
        {sel, "Edit_MachineID", "Machine ID"},
        {sel, "ComboBox_Safeguard", "Safeguard"},
        {sel, "Edit_Note", "Note"},
        {forms().SettingsForm(), "Edit_Name", "Use Name"},
        {forms().imagesform(), "Edit3", "Note"},
        {forms().SafetyAdvisorForm(), "Edit1", "Stop Time t"},
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
    QWidget *const windows[] = {f.MainForm, f.CalcForm(), f.SettingsForm(), f.AboutForm(), f.devselectform(),
                                f.imagesform(), f.SafetyAdvisorForm(), f.MachineHistoryForm()};
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
    // An empty value is read by its caption, in the new language.
    EXPECT_EQ(accessibleName(control(forms().MainForm, "Label_MachineID")), QStringLiteral("Maschine"));
    EXPECT_EQ(accessibleName(control(forms().devselectform(), "Edit_VLC_d")), QString::fromUtf8("Auflösung d"));
}

// A label that shows a value is read as that value, and its caption is
// given as its label, before and after a device is chosen.
TEST_F(Accessibility, ValueLabelsAreReadAsTheirValuesWithTheirCaptionAsLabel)
{
    start();
    QWidget *main = forms().MainForm;
    struct Case
    {
        const char *value;
        const char *caption;
        const char *before;
        const char *after;
    };
    const Case cases[] = {
        {"Label_SafetyDevice", "Safety Device", "Vertical Light Curtain", "Horizontal Light Curtain"},
        {"Label_DeviceParams", "Device paramaters", "d=14 mm", "H=250 mm"},
        // With no value yet Qt reads the caption in its place.
        {"Label_MachineID", "Machine ID", "Machine ID", "Press (line 4)"},
        {"Label_Note", "Note", "Note", "brake (new)"},
    };
    const auto check = [&](bool after) {
        for (const Case &c : cases) {
            SCOPED_TRACE(c.value);
            QWidget *w = control(main, c.value);
            ASSERT_NE(w, nullptr);
            EXPECT_EQ(accessibleName(w), QString::fromUtf8(after ? c.after : c.before));
            EXPECT_TRUE(labelledBy(w).contains(QString::fromUtf8(c.caption) + QLatin1Char(':')) ||
                        labelledBy(w).contains(QString::fromUtf8(c.caption)))
                << labelledBy(w).join(QLatin1Char('|')).toStdString();
        }
    };
    check(false);

    Tdevselectform *sel = forms().devselectform();
    fake.dialogs.onModal = [sel](QDialog *d) {
        d->show();
        sel->PageControl1->setCurrentIndex(1);
        sel->Edit_HLC_H->setText(QStringLiteral("250"));
        sel->Edit_MachineID->setText(QStringLiteral("Press (line 4)"));
        sel->Edit_Note->setText(QStringLiteral("brake (new)"));
        d->hide();
        return int(QDialog::Accepted);
    };
    program->mainForm()->submenu_DeviceSelect->trigger();
    check(true);
}

// A button is named by its own caption; the caption it belongs to describes it.
TEST_F(Accessibility, AButtonIsNamedByItsOwnCaption)
{
    start();
    QWidget *choose = control(forms().SettingsForm(), "Button_LogoChoose");
    ASSERT_NE(choose, nullptr);
    EXPECT_EQ(accessibleName(choose), QStringLiteral("Choose..."));
    EXPECT_EQ(accessibleDescription(choose), QStringLiteral("Company logo"));
}

// The chart has a name, and a description of the series in words that
// follows the series.
TEST_F(Accessibility, TheChartDescribesTheSeriesInWords)
{
    TMainForm &w = start();
    auto *chart = w.findChild<StopTimesChart *>();
    ASSERT_NE(chart, nullptr);
    EXPECT_EQ(accessibleName(chart), QStringLiteral("Stop time chart"));
    EXPECT_EQ(accessibleDescription(chart), QStringLiteral("No stop times"));

    for (double v : {180.0, 190.0, 200.0})
        w.ZpracujHodnotu_ms(v);
    EXPECT_EQ(accessibleDescription(chart),
              QStringLiteral("3 stop times; Mean 190.0 ms, Maximum 200.0 ms; no governing value under ten stop times"));
    for (double v : {180.0, 190.0, 200.0, 180.0, 190.0, 200.0, 190.0})
        w.ZpracujHodnotu_ms(v);
    const QString described = accessibleDescription(chart);
    EXPECT_TRUE(described.startsWith(QStringLiteral("10 stop times; Mean 190.0 ms, Maximum 200.0 ms; governing: ")))
        << described.toStdString();
}
