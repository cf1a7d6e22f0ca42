#include "windows/StopTimesChart.h"

#include "QtPrinters.h"

#include <QCoreApplication>
#include <QImage>
#include <QMouseEvent>
#include <gtest/gtest.h>

namespace {

void mouse(QWidget &w, QEvent::Type type, QPointF pos, Qt::MouseButton button = Qt::NoButton)
{
    QMouseEvent event(type, pos, w.mapToGlobal(pos), button, button == Qt::NoButton ? Qt::NoButton : button,
                      Qt::NoModifier);
    QCoreApplication::sendEvent(&w, &event);
}

class StopTimesChartTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        chart.setLocale(QLocale(QLocale::English, QLocale::UnitedStates));
        chart.resize(480, 320);
        chart.show();
        update();
    }
    void update() { chart.refresh(computeSeriesResult(values, SafetyDevice::ofKind(KindVerticalLightCurtain, 14.0))); }

    std::vector<double> values = {100, 120, 110.04, 105, 130};
    StopTimesChart chart{values};
};

} // namespace

TEST_F(StopTimesChartTest, HoverNamesTheRunUnderThePointer)
{
    struct Case
    {
        const char *what;
        QPointF offset; // from run 3's point
        QString text;
    };
    const Case cases[] = {
        {"on the point", {0, 0}, QStringLiteral("#3: 110.0 ms")},
        {"a few pixels off", {3, -4}, QStringLiteral("#3: 110.0 ms")},
        {"far from any run", {0, 60}, QString()},
    };
    const QPointF p = chart.chartLayout().pointOf(2, values[2]);
    for (const Case &c : cases) {
        SCOPED_TRACE(c.what);
        mouse(chart, QEvent::MouseMove, p + c.offset);
        EXPECT_EQ(chart.hoverText(), c.text);
    }
}

TEST_F(StopTimesChartTest, ClickSelectsTheRunAndTellsTheList)
{
    std::vector<std::size_t> clicked;
    QObject::connect(&chart, &StopTimesChart::runClicked, [&clicked](std::size_t i) { clicked.push_back(i); });
    mouse(chart, QEvent::MouseButtonPress, chart.chartLayout().pointOf(4, values[4]), Qt::LeftButton);
    mouse(chart, QEvent::MouseButtonPress, QPointF(2, 2), Qt::LeftButton); // beside the plot: nothing
    EXPECT_EQ(clicked, std::vector<std::size_t>{4});
    EXPECT_EQ(chart.selectedRun(), std::optional<std::size_t>(4));
}

TEST_F(StopTimesChartTest, FollowsTheSeriesAndDropsASelectionThatIsGone)
{
    chart.setSelectedRun(4);
    values.push_back(140);
    update();
    EXPECT_EQ(chart.chartLayout().trace.size(), 6u);
    EXPECT_EQ(chart.selectedRun(), std::optional<std::size_t>(4));
    values.erase(values.begin() + 3, values.end()); // rows deleted in the list
    update();
    EXPECT_EQ(chart.chartLayout().trace.size(), 3u);
    EXPECT_EQ(chart.selectedRun(), std::nullopt);
    chart.setSelectedRun(7);
    EXPECT_EQ(chart.selectedRun(), std::nullopt);
    // The governing line from ten values on, as the indicators have it.
    EXPECT_TRUE(std::none_of(chart.chartLayout().lines.begin(), chart.chartLayout().lines.end(),
                             [](const ChartLine &l) { return l.governing; }));
    values.assign(12, 200.0);
    update();
    ASSERT_EQ(chart.chartLayout().lines.size(), 3u);
    EXPECT_TRUE(chart.chartLayout().lines[2].governing); // equal values: the maximum
    EXPECT_FALSE(chart.grab().isNull());
}
