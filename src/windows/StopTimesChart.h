#pragma once

#include "chart/ChartLayout.h"
#include "chart/ChartPainter.h"
#include "series/SeriesResult.h"

#include <QLocale>
#include <QWidget>

#include <optional>
#include <vector>

// The stop times as a chart beside the list: a view over the series, laid
// out by the chart-layout unit (as the protocol's analysis page is) and
// drawn with QPainter.  The layout is computed once per change of the
// series or the size, so hovering and repainting cost what is visible.
class StopTimesChart : public QWidget
{
    Q_OBJECT
public:
    explicit StopTimesChart(const std::vector<double> &stopTimes, QWidget *parent = nullptr);

    // The series changed (a value arrived, was imported or deleted): takes
    // the statistics and the governing statistic of the result.
    void refresh(const SeriesResult &result);
    // The run shown ringed, the row selected in the list; none clears it.
    void setSelectedRun(std::optional<std::size_t> index);
    std::optional<std::size_t> selectedRun() const { return m_selected; }
    void setTexts(const ChartTexts &texts);
    void setLocale(const QLocale &locale);

    const ChartLayout &chartLayout() const;
    // "#n: x ms" of the run under the pointer, empty when none.
    QString hoverText() const { return m_hoverText; }

    QSize sizeHint() const override { return {320, 240}; }
    QSize minimumSizeHint() const override { return {160, 120}; }

signals:
    // A click near a run's point: the list selects its row.
    void runClicked(std::size_t index);

protected:
    void paintEvent(QPaintEvent *event) override;
    void resizeEvent(QResizeEvent *event) override;
    void mouseMoveEvent(QMouseEvent *event) override;
    void mousePressEvent(QMouseEvent *event) override;
    void leaveEvent(QEvent *event) override;

private:
    std::optional<std::size_t> runAt(QPointF pos) const;
    void invalidate();
    // The series in words for a screen reader, after every change.
    void describe();

    const std::vector<double> &m_stopTimes;
    std::optional<SeriesStatistics> m_statistics;
    std::optional<ChartLineKind> m_governing;
    std::optional<std::size_t> m_selected;
    ChartTexts m_texts;
    QLocale m_locale;
    QString m_hoverText;
    mutable std::optional<ChartLayout> m_layout;
};
