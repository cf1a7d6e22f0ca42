// The calculator window driven headless: defaults, colours, results and the
// independence of its tabs.
#include "HeadlessWindow.h"
#include "ProgramFixture.h"

#include "windows/CalcForm.h"
#include "windows/NumberField.h"

#include <QCheckBox>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QTabWidget>
#include <QToolButton>
#include <gtest/gtest.h>

namespace {

QColor background(const QLineEdit *edit)
{
    return edit->palette().color(QPalette::Base);
}

class CalcFormTest : public HeadlessWindow<TCalcForm>
{
protected:
    void openOn(QWidget *tab)
    {
        form.PageControl1->setCurrentWidget(tab);
        open();
    }
};

TEST_F(CalcFormTest, FirstOpeningShowsTheMatTabWaitingForAStopTime)
{
    open();
    EXPECT_EQ(form.PageControl1->currentWidget(), form.TabSheet7);
    EXPECT_EQ(form.Edit_Mat_h->text(), QStringLiteral("0"));
    EXPECT_EQ(background(form.Edit_Mat_h), kNumberFieldSilver);
    EXPECT_EQ(form.Edit_Mat_t->text(), QString());
    EXPECT_EQ(background(form.Edit_Mat_t), kNumberFieldRed);
    EXPECT_EQ(form.Label61->text(), QStringLiteral("-- --- mm"));
    EXPECT_EQ(form.windowTitle(), QStringLiteral("Calculator"));
}

TEST_F(CalcFormTest, EveryTabHasItsDefaultsAndComputesWithThem)
{
    struct Case
    {
        QWidget *tab;
        QString caption;
        QLineEdit *parameter; // nullptr: the tab has none
        const char *parameterDefault;
        QLineEdit *stopTime;
        QLabel *result;
        const char *expected; // with t = 100 ms and the defaults
    };
    const Case cases[] = {
        {form.TabSheet2, "HLC", form.Edit_HLC_H, "100", form.Edit_HLC_t, form.Label29, "1,320.0 mm"},
        {form.TabSheet3, "Scanner", form.Edit_Scanner_H, "100", form.Edit_Scanner_t, form.Label21, "1,420.0 mm"},
        {form.TabSheet4, "Two Hand", nullptr, "", form.Edit_TwoHand_t, form.Label13, "410.0 mm"},
        {form.TabSheet5, "E-stop", nullptr, "", form.Edit_EStop_t, form.Label54, "160.0 mm"},
        {form.TabSheet6, "Door", form.Edit_Door_C, "0", form.Edit_Door_t, form.Label57, "160.0 mm"},
        {form.TabSheet7, "Mat", form.Edit_Mat_h, "0", form.Edit_Mat_t, form.Label61, "1,360.0 mm"},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.caption.toStdString());
        EXPECT_EQ(form.PageControl1->tabText(form.PageControl1->indexOf(c.tab)), c.caption);
        EXPECT_FALSE(form.PageControl1->tabIcon(form.PageControl1->indexOf(c.tab)).isNull());
        EXPECT_EQ(c.result->text(), QStringLiteral("-- --- mm"));
        if (c.parameter) {
            EXPECT_EQ(c.parameter->text(), QString::fromLatin1(c.parameterDefault));
        }
        EXPECT_TRUE(c.stopTime->text().isEmpty());
        openOn(c.tab);
        EXPECT_EQ(background(c.stopTime), kNumberFieldRed);
        c.stopTime->setText(QStringLiteral("100"));
        EXPECT_EQ(background(c.stopTime), kNumberFieldSilver);
        EXPECT_EQ(c.result->text(), QString::fromUtf8(c.expected));
    }
}

TEST_F(CalcFormTest, LightCurtainTab)
{
    struct Case
    {
        const char *what;
        const char *d;
        const char *D;
        const char *t;
        bool tick; // click the box after typing, when it is enabled
        bool boxEnabled;
        bool boxChecked;
        const char *safety;
        const char *reflecting;
        bool dIsNumber, DIsNumber, tIsNumber;
    };
    const Case cases[] = {
        {"industrial", "14", "600", "100", false, true, false, "200.0 mm", "130.0 mm", true, true, true},
        {"ticked", "14", "600", "100", true, true, true, "275.0 mm", "130.0 mm", true, true, true},
        {"d 41 unticks and disables", "41", "600", "100", false, false, false, "1,010.0 mm", "130.0 mm", true, true, true},
        {"back to 20 keeps it unticked", "20", "600", "100", false, true, false, "248.0 mm", "130.0 mm", true, true, true},
        {"ticked again at 40", "40", "600", "100", true, true, true, "483.0 mm", "130.0 mm", true, true, true},
        {"the tick survives 30", "30", "600", "100", false, true, true, "403.0 mm", "130.0 mm", true, true, true},
        {"empty D", "30", "", "100", false, true, true, "-- --- mm", "-- --- mm", true, false, true},
        {"d not a number", "abc", "3001", "100", false, false, false, "-- --- mm", "-- --- mm", false, true, true},
        {"empty stop time", "14", "3001", "", false, true, false, "-- --- mm", "-- --- mm", true, true, false},
        {"far emitter", "14", "20000", "250", false, true, false, "500.0 mm", "873.0 mm", true, true, true},
    };
    openOn(form.TabSheet1);
    // The cases run in order on one window: the box's state carries over.
    for (const Case &c : cases) {
        SCOPED_TRACE(c.what);
        form.Edit_VLC_d->setText(QString::fromLatin1(c.d));
        form.Edit_VLC_DistEmRec->setText(QString::fromLatin1(c.D));
        form.Edit_VLC_t->setText(QString::fromLatin1(c.t));
        if (c.tick && !form.CheckBox_NonIndustrial->isChecked())
            form.CheckBox_NonIndustrial->click();
        EXPECT_EQ(form.CheckBox_NonIndustrial->isEnabled(), c.boxEnabled);
        EXPECT_EQ(form.CheckBox_NonIndustrial->isChecked(), c.boxChecked);
        EXPECT_EQ(form.Label2->text(), QString::fromLatin1(c.safety));
        EXPECT_EQ(form.Label14->text(), QString::fromLatin1(c.reflecting));
        EXPECT_EQ(background(form.Edit_VLC_d), c.dIsNumber ? kNumberFieldSilver : kNumberFieldRed);
        EXPECT_EQ(background(form.Edit_VLC_DistEmRec), c.DIsNumber ? kNumberFieldSilver : kNumberFieldRed);
        EXPECT_EQ(background(form.Edit_VLC_t), c.tIsNumber ? kNumberFieldSilver : kNumberFieldRed);
    }
}

TEST_F(CalcFormTest, UntickingTheBoxRecomputesAtOnce)
{
    openOn(form.TabSheet1);
    form.Edit_VLC_t->setText(QStringLiteral("100"));
    form.CheckBox_NonIndustrial->click();
    EXPECT_EQ(form.Label2->text(), QStringLiteral("275.0 mm"));
    form.CheckBox_NonIndustrial->click();
    EXPECT_EQ(form.Label2->text(), QStringLiteral("200.0 mm"));
}

TEST_F(CalcFormTest, DoorCThatIsNotANumberTurnsOnlyCRed)
{
    openOn(form.TabSheet6);
    form.Edit_Door_t->setText(QStringLiteral("100"));
    EXPECT_EQ(form.Label57->text(), QStringLiteral("160.0 mm"));
    form.Edit_Door_C->setText(QStringLiteral("abc"));
    EXPECT_EQ(background(form.Edit_Door_C), kNumberFieldRed);
    EXPECT_EQ(background(form.Edit_Door_t), kNumberFieldSilver);
    EXPECT_EQ(form.Label57->text(), QStringLiteral("-- --- mm"));
}

TEST_F(CalcFormTest, TabsKeepTheirOwnFieldsAndResults)
{
    openOn(form.TabSheet4);
    form.Edit_TwoHand_t->setText(QStringLiteral("100"));
    form.PageControl1->setCurrentWidget(form.TabSheet5);
    form.Edit_EStop_t->setText(QStringLiteral("50"));
    EXPECT_EQ(form.Label13->text(), QStringLiteral("410.0 mm"));
    EXPECT_EQ(form.Label54->text(), QStringLiteral(" 80.0 mm"));
    EXPECT_EQ(form.Edit_TwoHand_t->text(), QStringLiteral("100"));
    for (QLineEdit *other : {form.Edit_VLC_t, form.Edit_HLC_t, form.Edit_Scanner_t, form.Edit_Door_t, form.Edit_Mat_t})
        EXPECT_TRUE(other->text().isEmpty()) << other->objectName().toStdString();
    for (QLabel *other : {form.Label2, form.Label14, form.Label29, form.Label21, form.Label57, form.Label61})
        EXPECT_EQ(other->text(), QStringLiteral("-- --- mm")) << other->objectName().toStdString();
}

TEST_F(CalcFormTest, ReopensOnTheTabItWasLeftOnWithItsState)
{
    openOn(form.TabSheet2);
    form.Edit_HLC_t->setText(QStringLiteral("100"));
    open();
    EXPECT_EQ(form.PageControl1->currentWidget(), form.TabSheet2);
    EXPECT_EQ(form.Label29->text(), QStringLiteral("1,320.0 mm"));
}

TEST_F(CalcFormTest, ResultsFollowTheLocale)
{
    QLocale::setDefault(QLocale(QLocale::German, QLocale::Germany));
    openOn(form.TabSheet1);
    form.Edit_VLC_d->setText(QStringLiteral("41"));
    form.Edit_VLC_t->setText(QStringLiteral("100,0"));
    EXPECT_EQ(form.Label2->text(), QStringLiteral("1.010,0 mm"));
    EXPECT_EQ(form.Label14->text(), QStringLiteral("130,0 mm"));
    form.Edit_VLC_t->setText(QStringLiteral("100.0"));
    EXPECT_EQ(background(form.Edit_VLC_t), kNumberFieldRed);
}

TEST_F(CalcFormTest, KeyboardOrderWithinEachTab)
{
    // The focusable controls of a tab in the order Tab visits them.
    auto keyboardOrder = [this](QWidget *page) {
        QList<QWidget *> order;
        QWidget *w = &form;
        do {
            w = w->nextInFocusChain();
            if (page->isAncestorOf(w) && (w->focusPolicy() & Qt::TabFocus))
                order << w;
        } while (w != &form);
        return order;
    };
    struct Case { QWidget *page; QList<QWidget *> order; };
    const Case cases[] = {
        {form.TabSheet1, {form.Edit_VLC_d, form.Edit_VLC_DistEmRec, form.Edit_VLC_t, form.CheckBox_NonIndustrial}},
        {form.TabSheet2, {form.Edit_HLC_H, form.Edit_HLC_t}},
        {form.TabSheet3, {form.Edit_Scanner_H, form.Edit_Scanner_t}},
        {form.TabSheet4, {form.Edit_TwoHand_t}},
        {form.TabSheet5, {form.Edit_EStop_t}},
        {form.TabSheet6, {form.Edit_Door_t, form.Edit_Door_C}},
        {form.TabSheet7, {form.Edit_Mat_h, form.Edit_Mat_t}},
    };
    for (const Case &c : cases)
        EXPECT_EQ(keyboardOrder(c.page), c.order) << c.page->objectName().toStdString();
}

TEST_F(CalcFormTest, ControlsCarryTheNamesTheLanguageFilesUse)
{
    const char *const names[] = {
        "PageControl1", "TabSheet1", "TabSheet7", "Label3", "Label4", "Label5", "Label6", "Label7",
        "Label45", "Label44", "Label11", "Label12", "Label25", "Label18", "Label26", "Label48",
        "Label50", "Label15", "Label27", "Label19", "Label1", "Label52", "Label55", "Label17",
        "Label46", "Label16", "Label10", "Button1", "CheckBox_NonIndustrial", "Memo1", "Label63", "Label64"};
    for (const char *name : names)
        EXPECT_NE(form.findChild<QWidget *>(QString::fromLatin1(name)), nullptr) << name;
    EXPECT_EQ(form.Label3->text(), QStringLiteral("Vertical Light Curtain"));
    EXPECT_EQ(form.Label44->text(), QStringLiteral("Preassure Sensitive Mat"));
    // The captions of the language table's English defaults, from the start.
    EXPECT_EQ(form.Label16->text(), QStringLiteral("Distance Emitter-Receiver D:"));
    EXPECT_EQ(form.Label10->text(), QStringLiteral("to reflecting surface:"));
}

TEST_F(CalcFormTest, NoticePanelHoldsItsFourLines)
{
    const QStringList lines = form.Memo1->toPlainText().split(QLatin1Char('\n'));
    ASSERT_EQ(lines.size(), 4);
    EXPECT_EQ(lines[0], QStringLiteral("Attention:"));
    EXPECT_EQ(lines[1], QStringLiteral("The calculations are based on the data of the EN 13855."));
    EXPECT_EQ(lines[2], QStringLiteral("Consider all country-specific defaults for the determination of the safety "
                                       "distance outside of EU area."));
    EXPECT_EQ(lines[3], QStringLiteral("All safety data in the manual are to be considered. For the determined "
                                       "safety distances we do not take over any liability."));
    EXPECT_TRUE(form.Memo1->isReadOnly());
    EXPECT_FALSE(form.Panel1->isEnabled());
}

// Through the whole program: the menu item and the tool button show the
// calculator, which takes its tab icons from the main window.
class CalcFormInProgram : public ProgramFixture
{
};

TEST_F(CalcFormInProgram, MenuAndToolButtonShowTheCalculator)
{
    TMainForm &main = start();
    main.submenu_Calculator->trigger();
    main.SB_Calculator->click();
    ASSERT_EQ(fake.dialogs.modalShown.size(), 2u);
    EXPECT_EQ(fake.dialogs.modalShown[0], forms().CalcForm());
    EXPECT_EQ(fake.dialogs.modalShown[1], forms().CalcForm());
    EXPECT_TRUE(fake.dialogs.errors.empty());

    TCalcForm *calc = forms().CalcForm();
    calc->show();
    const QImage icon = calc->PageControl1->tabIcon(3).pixmap(32, 32).toImage().convertToFormat(QImage::Format_ARGB32);
    EXPECT_EQ(icon, main.il_devices_32[3].toImage().convertToFormat(QImage::Format_ARGB32));
    calc->hide();
}

} // namespace
