// The safety advisor window driven headless.
#include "HeadlessWindow.h"
#include "ProgramFixture.h"

#include "windows/NumberField.h"
#include "windows/SafetyAdvisorForm.h"

#include <QLabel>
#include <QLineEdit>
#include <gtest/gtest.h>

namespace {

class SafetyAdvisorFormTest : public HeadlessWindow<TSafetyAdvisorForm>
{
protected:
    QStringList results() const
    {
        QStringList texts;
        for (QLabel *l : {form.Label13, form.Label14, form.Label15, form.Label16, form.Label17, form.Label18, form.Label19})
            texts << l->text();
        return texts;
    }
};

const QStringList kDefaults = {"200.0 mm", "1,320.0 mm", "1,340.0 mm", "410.0 mm",
                               "160.0 mm", "160.0 mm",   "1,360.0 mm"};

TEST_F(SafetyAdvisorFormTest, OpeningWithTheDefaultsComparesAllKinds)
{
    EXPECT_EQ(results(), QStringList(7, QStringLiteral("0")));
    open();
    EXPECT_EQ(form.Edit1->text(), QStringLiteral("100"));
    EXPECT_EQ(form.windowTitle(), QStringLiteral("Safety Advisor"));
    EXPECT_EQ(results(), kDefaults);
    EXPECT_EQ(form.Edit1->palette().color(QPalette::Base), kNumberFieldSilver);
}

TEST_F(SafetyAdvisorFormTest, DefaultsUnderACommaLocale)
{
    QLocale::setDefault(QLocale(QLocale::German, QLocale::Germany));
    open();
    EXPECT_EQ(results(), QStringList({"200,0 mm", "1.320,0 mm", "1.340,0 mm", "410,0 mm", "160,0 mm",
                                      "160,0 mm", "1.360,0 mm"}));
}

TEST_F(SafetyAdvisorFormTest, AStopTimeThatIsNotANumberFreezesTheResults)
{
    open();
    for (const char *t : {"", "abc", "1,5"}) {
        form.Edit1->setText(QString::fromLatin1(t));
        EXPECT_EQ(form.Edit1->palette().color(QPalette::Base), kNumberFieldRed) << t;
        form.Edit6->setText(QStringLiteral("250")); // changes nothing while t is not a number
        EXPECT_EQ(results(), kDefaults) << t;
        form.Edit6->setText(QStringLiteral("0"));
    }
    form.Edit1->setText(QStringLiteral("300"));
    EXPECT_EQ(form.Edit1->palette().color(QPalette::Base), kNumberFieldSilver);
    EXPECT_EQ(results(), QStringList({"500.0 mm", "1,640.0 mm", "1,660.0 mm", "730.0 mm", "480.0 mm",
                                      "480.0 mm", "1,680.0 mm"}));
}

TEST_F(SafetyAdvisorFormTest, AParameterThatIsNotANumberBlanksOnlyItsRow)
{
    struct Case { QLineEdit *field; int row; };
    const Case cases[] = {{form.Edit2, 0}, {form.Edit4, 1}, {form.Edit5, 2}, {form.Edit6, 5}};
    open();
    for (const Case &c : cases) {
        const QString before = c.field->text();
        const QColor colour = c.field->palette().color(QPalette::Base);
        c.field->setText(QString());
        QStringList expected = kDefaults;
        expected[c.row] = QStringLiteral("- - -");
        EXPECT_EQ(results(), expected) << c.field->objectName().toStdString();
        // Only the stop time field shows red.
        EXPECT_EQ(c.field->palette().color(QPalette::Base), colour);
        c.field->setText(before);
        EXPECT_EQ(results(), kDefaults);
    }
}

TEST_F(SafetyAdvisorFormTest, KeepsItsFieldsBetweenOpenings)
{
    open();
    form.Edit1->setText(QStringLiteral("300"));
    form.Edit6->setText(QStringLiteral("abc"));
    open();
    EXPECT_EQ(form.Edit1->text(), QStringLiteral("300"));
    EXPECT_EQ(form.Label18->text(), QStringLiteral("- - -"));
    EXPECT_EQ(form.Label17->text(), QStringLiteral("480.0 mm"));
}

class SafetyAdvisorInProgram : public ProgramFixture
{
};

TEST_F(SafetyAdvisorInProgram, MenuItemShowsTheAdvisor)
{
    TMainForm &main = start();
    main.SafetyAdvisor1->trigger();
    ASSERT_EQ(fake.dialogs.modalShown.size(), 1u);
    EXPECT_EQ(fake.dialogs.modalShown[0], forms().SafetyAdvisorForm());
}

} // namespace
