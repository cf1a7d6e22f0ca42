#include "ProgramFixture.h"

#include "base/ErrorHandling.h"
#include "base/NumberFormat.h"
#include "device/DeviceSession.h"
#include "state/ProgramState.h"
#include "windows/DevSelectForm.h"
#include "series/StopTimesModel.h"

#include <QAction>
#include <QCheckBox>
#include <QCloseEvent>
#include <QItemSelectionModel>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTableView>
#include <QTimer>
#include <QToolButton>

namespace {

QString cell(TMainForm &w, int row, int column)
{
    return w.stopTimesModel()->index(row, column).data().toString();
}

} // namespace

class MainFormTest : public ProgramFixture
{
protected:
    void addValues(TMainForm &w, std::initializer_list<double> values)
    {
        for (double v : values)
            w.ZpracujHodnotu_ms(v);
    }
};

// The Demo button is for the demonstration start alone: "/demo" as the one
// and only argument, in any letter case.
TEST_F(MainFormTest, DemoSwitchOnlyAsTheOneArgumentInAnyCase)
{
    struct Case
    {
        QStringList arguments;
        bool demo;
    };
    const Case cases[] = {
        {{}, false},
        {{"/demo"}, true},
        {{"/DEMO"}, true},
        {{"/DeMo"}, true},
        {{"-style", "/demo"}, false},
        {{"x.zPRJ", "/Demo"}, false},
        {{"/demo", "x"}, false},
        {{"/demo", "/demo"}, false},
        {{"demo"}, false},
        {{"/demo2"}, false},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.arguments.join(' ').toStdString());
        TMainForm &w = start(c.arguments);
        EXPECT_EQ(w.Btn_Demo->isVisible(), c.demo);
        EXPECT_EQ(w.Btn_Demo->isEnabled(), c.demo);
        program.reset();
    }
}

TEST_F(MainFormTest, StartsEmptyWithDefaultDeviceAndDisabledStart)
{
    TMainForm &w = start();
    EXPECT_FALSE(w.SB_Start->isEnabled());
    EXPECT_FALSE(w.deviceSession().info().Pripojeno);
    EXPECT_TRUE(state().stopTimes().empty());
    EXPECT_EQ(state().safetyDevice().ID, 0);
    EXPECT_EQ(state().safetyDevice().d, 14.0);
    EXPECT_EQ(state().safetyDevice().Height, -1.0);
    EXPECT_EQ(state().safetyDevice().Name, QStringLiteral("Vertical Light Curtain"));
    EXPECT_EQ(w.Label_SafetyDevice->text(), QStringLiteral("Vertical Light Curtain"));
    EXPECT_EQ(w.Label_DeviceParams->text(), QStringLiteral("d=14 mm"));
    EXPECT_EQ(w.Label_Count->text(), QStringLiteral("0"));
    EXPECT_EQ(w.Label_Mean->text(), kNoValueMs);
    EXPECT_EQ(w.Label_SafetyDistanceValue->text(), kNoValueMm);
    EXPECT_TRUE(w.Timer1->isActive());
    EXPECT_FALSE(w.Image_Device->pixmap().isNull());
}

TEST_F(MainFormTest, DemoValuePassesTheCountConversionIntoTheSeries)
{
    TMainForm &w = start({"/demo"});
    for (int i = 0; i < 12; ++i)
        w.Btn_Demo->click();
    ASSERT_EQ(state().stopTimes().size(), 12u);
    for (double v : state().stopTimes()) {
        EXPECT_GE(v, 0.0);
        EXPECT_LT(v, 15000.0);
        // A whole count times 0.8 us.
        EXPECT_NEAR(v / 0.0008, std::round(v / 0.0008), 1e-3);
    }
    EXPECT_EQ(w.stopTimesModel()->rowCount(), 12);
    EXPECT_EQ(w.Label_Count->text(), QStringLiteral("   12"));
    EXPECT_NE(w.Label_SafetyDistanceValue->text(), kNoValueMm);
}

TEST_F(MainFormTest, ListShowsPositionAndFormattedValueWithAlternatingRows)
{
    TMainForm &w = start();
    addValues(w, {7.26, 12345.67});
    EXPECT_EQ(cell(w, 0, 0), QStringLiteral("1"));
    EXPECT_EQ(cell(w, 0, 1), QStringLiteral("  7.3"));
    EXPECT_EQ(cell(w, 1, 0), QStringLiteral("2"));
    EXPECT_EQ(cell(w, 1, 1), QStringLiteral("12,345.7"));
    EXPECT_EQ(w.stopTimesModel()->index(0, 0).data(Qt::BackgroundRole).value<QColor>(), QColor(255, 255, 255));
    EXPECT_EQ(w.stopTimesModel()->index(1, 1).data(Qt::BackgroundRole).value<QColor>(), QColor(241, 243, 244));
    EXPECT_EQ(w.stopTimesModel()->headerData(1, Qt::Horizontal, Qt::DisplayRole).toString(),
              QStringLiteral("Stop Time [ms]"));
}

TEST_F(MainFormTest, AppendedValuePlaysTheSoundOnlyWhenEnabled)
{
    TMainForm &w = start();
    w.ZpracujHodnotu_ms(5.0);
    EXPECT_TRUE(fake.sound.played.empty());
    state().appSettings.SoundEnable = true;
    state().appSettings.SoundFile = QStringLiteral("beep.wav");
    w.ZpracujHodnotu_ms(6.0);
    ASSERT_EQ(fake.sound.played.size(), 1u);
    EXPECT_EQ(fake.sound.played[0], QStringLiteral("beep.wav"));
}

TEST_F(MainFormTest, DeleteRowRemovesTheSelectedValueAndRenumbers)
{
    struct Case
    {
        int selected;
        std::vector<double> left;
    };
    const Case cases[] = {
        {0, {2, 3}},
        {2, {1, 2}},
        {1, {1, 3}},
        {-1, {1, 2, 3}}, // nothing selected: nothing deleted
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.selected);
        TMainForm &w = start();
        addValues(w, {1, 2, 3});
        if (c.selected >= 0)
            w.LW_data->selectRow(c.selected);
        w.PopupDeleteRows->trigger();
        EXPECT_EQ(state().stopTimes(), c.left);
        EXPECT_EQ(cell(w, 0, 0), QStringLiteral("1"));
        EXPECT_EQ(w.Label_Count->text(), formatCount(qint64(c.left.size())));
        EXPECT_TRUE(fake.dialogs.questions.empty());
        program.reset();
    }
}

TEST_F(MainFormTest, SmazprvekIgnoresIndicesOutsideTheSeries)
{
    TMainForm &w = start();
    addValues(w, {1, 2});
    w.Smazprvek(-1);
    w.Smazprvek(2);
    EXPECT_EQ(state().stopTimes(), (std::vector<double>{1, 2}));
}

TEST_F(MainFormTest, DeleteAllAsksAlwaysAndEmptiesOnlyOnOk)
{
    TMainForm &w = start();
    w.DeleteAll1->trigger(); // asked also for an empty list
    ASSERT_EQ(fake.dialogs.questions.size(), 1u);
    EXPECT_EQ(fake.dialogs.questions[0], QStringLiteral("Are you sure you want to delete all values?"));

    addValues(w, {1, 2, 3});
    fake.dialogs.confirmAnswers = {mrCancel};
    w.DeleteAll1->trigger();
    EXPECT_EQ(state().stopTimes().size(), 3u);

    fake.dialogs.confirmAnswers = {mrOk};
    w.DeleteAll1->trigger();
    EXPECT_TRUE(state().stopTimes().empty());
    EXPECT_EQ(w.stopTimesModel()->rowCount(), 0);
    EXPECT_EQ(w.Label_Count->text(), QStringLiteral("0"));
    EXPECT_EQ(w.Label_Maximum->text(), kNoValueMs);
}

TEST_F(MainFormTest, CloseAsksOnlyWhenTheSeriesHoldsValues)
{
    TMainForm &w = start();
    EXPECT_TRUE(w.close());
    EXPECT_TRUE(fake.dialogs.questions.empty());

    program.reset();
    TMainForm &w2 = start();
    w2.ZpracujHodnotu_ms(12.0);
    fake.dialogs.confirmAnswers = {mrCancel};
    EXPECT_FALSE(w2.close());
    ASSERT_EQ(fake.dialogs.questions.size(), 1u);
    EXPECT_EQ(fake.dialogs.questions[0], QStringLiteral("Are you sure you want to quit? All data will be lost!"));
    EXPECT_TRUE(w2.isVisible());
    EXPECT_EQ(state().stopTimes().size(), 1u);

    fake.dialogs.confirmAnswers = {mrOk};
    EXPECT_TRUE(w2.close());
}

TEST_F(MainFormTest, DistanceAppearsFromTheTenthValueWithTheGoverningValueUnderlined)
{
    TMainForm &w = start();
    addValues(w, {100, 100, 100, 100, 100, 100, 100, 100, 100});
    EXPECT_EQ(w.Label_Count->text(), QStringLiteral("    9"));
    EXPECT_EQ(w.Label_Mean->text(), QStringLiteral("  100 ms"));
    EXPECT_EQ(w.Label_SafetyDistanceValue->text(), kNoValueMm);
    EXPECT_FALSE(state().result().distanceMm);

    w.ZpracujHodnotu_ms(200);
    // mean 110, sigma 31.62, mean + 3 sigma 204.87 governs over 200:
    // VLC d=14: 2000 * 0.20487 = 409.7 mm.
    EXPECT_TRUE(w.Label_3Sigma->font().underline());
    EXPECT_FALSE(w.Label_Maximum->font().underline());
    EXPECT_TRUE(w.Label_3Sigma->font().bold());
    EXPECT_NEAR(*state().result().distanceMm, 2000 * (110 + 3 * std::sqrt(1000.0)) / 1000, 1e-9);
    EXPECT_EQ(w.Label_SafetyDistanceValue->text(), QStringLiteral("  410 mm"));
    // 16.131 inch, rounded up as every minimum is.
    EXPECT_EQ(w.Label_SafetyDistanceValue->toolTip(), QStringLiteral("16.14 inch"));

    // Back below ten values: no distance at all, in the window and for
    // whatever reads the state (the report, Save as, the archive).
    w.Smazprvek(0);
    EXPECT_EQ(w.Label_SafetyDistanceValue->text(), kNoValueMm);
    EXPECT_FALSE(state().result().distanceMm);
    EXPECT_FALSE(w.Label_3Sigma->font().underline());
}

// Five values of 1e308 and five of -1e308: mean + 3 sigma overflows, so no
// governing time and no distance is a result, and the protocol must not
// keep printing the distance of the series before.
TEST_F(MainFormTest, StatisticsBeyondTheRangeOfADoubleShowNoResult)
{
    TMainForm &w = start();
    addValues(w, {100, 100, 100, 100, 100, 100, 100, 100, 100, 100});
    ASSERT_EQ(state().result().distanceMm, 200.0);

    fake.dialogs.confirmAnswers.push_back(mrOk);
    w.DeleteAll1Click();
    ASSERT_TRUE(state().stopTimes().empty());
    addValues(w, {1e308, 1e308, 1e308, 1e308, 1e308, -1e308, -1e308, -1e308, -1e308, -1e308});
    // The mean is 0 and sigma 1.05e308; mean + 3 sigma lies beyond a double.
    EXPECT_EQ(w.Label_Mean->text(), QStringLiteral("    0 ms"));
    EXPECT_EQ(w.Label_3Sigma->text(), kNoValueMs);
    EXPECT_EQ(w.Label_SafetyDistanceValue->text(), kNoValueMm);
    EXPECT_FALSE(state().result().distanceMm);
    EXPECT_FALSE(w.Label_Maximum->font().underline());
    EXPECT_FALSE(w.Label_3Sigma->font().underline());
}

TEST_F(MainFormTest, EqualValuesLetTheMaximumGovern)
{
    TMainForm &w = start();
    for (int i = 0; i < 10; ++i)
        w.ZpracujHodnotu_ms(50);
    EXPECT_TRUE(w.Label_Maximum->font().underline());
    EXPECT_FALSE(w.Label_3Sigma->font().underline());
    EXPECT_DOUBLE_EQ(*state().result().distanceMm, 100 + 0.0); // 2000 * 0.05 = 100
}

TEST_F(MainFormTest, DistanceFollowsTheAcceptedKindAndItsInput)
{
    struct Case
    {
        const char *name;
        int kind;
        bool nonIndustrial;
        const char *field; // text for the kind's edit field, if any
        std::optional<double> expected;
    };
    // T = 0.1 s for every case (ten values of 100 ms).
    const Case cases[] = {
        {"VLC", 0, false, "14", 200},
        {"VLC non-industrial", 0, true, "14", 275},
        {"VLC non-industrial above 40 mm", 0, true, "41", 1010},
        {"VLC resolution not a number", 0, false, "abc", std::nullopt},
        {"HLC", 1, false, "100", 1320},
        {"HLC height not a number", 1, false, "", std::nullopt},
        {"scanner", 2, false, "1000", 1110},
        {"two-hand", 3, false, nullptr, 410},
        {"e-stop", 4, false, nullptr, 160},
        {"door", 5, false, "250", 410},
        {"door C not a number", 5, false, "abc", std::nullopt},
        {"mat", 6, false, "0", 1360},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.name);
        TMainForm &w = start();
        Tdevselectform *sel = forms().devselectform();
        sel->PageControl1->setCurrentIndex(c.kind);
        if (c.field)
            sel->parameterEdit(c.kind)->setText(QString::fromLatin1(c.field));
        sel->CheckBox_VLC_nonindustrial->setChecked(c.nonIndustrial);
        sel->storeSelection(); // what OK does
        for (int i = 0; i < 10; ++i)
            w.ZpracujHodnotu_ms(100);
        EXPECT_EQ(state().result().distanceMm, c.expected);
        EXPECT_EQ(w.Label_SafetyDistanceValue->text(), c.expected ? formatDistanceMm(*c.expected) : kNoValueMm);
        program.reset();
    }
}

TEST_F(MainFormTest, AKindOutsideTheSevenHasNoDistance)
{
    TMainForm &w = start();
    acceptDevice(9, 14.0);
    for (int i = 0; i < 10; ++i)
        w.ZpracujHodnotu_ms(100);
    EXPECT_FALSE(state().result().distanceMm);
    EXPECT_EQ(w.Label_SafetyDistanceValue->text(), kNoValueMm);
}

TEST(GeneralErrorHandling, ShowsTheMessageTitledZirkAndGoesOn)
{
    FakeDialogs dialogs;
    bool after = false;
    EXPECT_FALSE(runGuarded(dialogs, nullptr, [] { throw ZirkError(QStringLiteral("Unable to write to x")); }));
    EXPECT_FALSE(runGuarded(dialogs, nullptr, [] { throw std::runtime_error("plain"); }));
    EXPECT_TRUE(runGuarded(dialogs, nullptr, [&] { after = true; }));
    EXPECT_TRUE(after);
    ASSERT_EQ(dialogs.errors.size(), 2u);
    EXPECT_EQ(dialogs.errors[0], QStringLiteral("Unable to write to x"));
    EXPECT_EQ(dialogs.errors[1], QStringLiteral("plain"));
}

// The large display shows the minimum rounded up to whole mm and the verdict
// compares with that figure; where the standard gives no distance, the
// reason stands under it.
TEST_F(MainFormTest, TheDistanceIsRoundedUpAndARefusalSaysWhyUnderIt)
{
    TMainForm &w = start();
    for (int i = 0; i < 10; ++i)
        w.ZpracujHodnotu_ms(100.2);
    DistanceChoice choice = DistanceChoice::of(QStringLiteral("iso13855-2010"));
    choice.installedMm = 200;
    state().setDistanceChoice(choice);
    EXPECT_EQ(w.Label_SafetyDistanceValue->text(), QStringLiteral("  201 mm"));
    EXPECT_EQ(w.Label_SafetyDistanceValue->toolTip(), QStringLiteral(" 7.89 inch"));
    EXPECT_EQ(w.Label_Verdict->text(), QStringLiteral("closer than the minimum distance by 1.0 mm"));
    choice.installedMm = 201;
    state().setDistanceChoice(choice);
    EXPECT_EQ(w.Label_Verdict->text(), QStringLiteral("meets the minimum distance"));
    EXPECT_FALSE(w.Label_DistanceWarning->isVisibleTo(&w));

    DistanceChoice ansi = DistanceChoice::of(QStringLiteral("ansi-b11.19"));
    ansi.kMmPerS = 1599;
    state().setDistanceChoice(ansi);
    EXPECT_EQ(w.Label_SafetyDistanceValue->text(), kNoValueMm);
    EXPECT_TRUE(w.Label_DistanceWarning->isVisibleTo(&w));
    EXPECT_EQ(w.Label_DistanceWarning->text(), QStringLiteral("No distance: K must be at least 1,600 mm/s (62.99 in/s)"));
}
